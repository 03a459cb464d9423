#pragma once

#include <string>

#include "platform/form.h"

namespace veltrana {

// A picture is named by what follows its last ".", in any case: phones write "IMG_0001.JPG", and
// teachers name pages "作业.第2次.jpg".
bool isPictureName(const std::string& name);

// Previews a listed JPEG or PNG picture (.jpg, .jpeg or .png in any case); any other name clears
// the preview. Failures propagate.
void List1_Click(Form& form);

}  // namespace veltrana
