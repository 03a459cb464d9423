#pragma once

#include <string>

#include "phone/catalogue.h"

namespace veltrana {

// What the page reads of the catalogue: {"students":[names], "courses":[{"name":…, "points":
// [names]}], "selected":[student, course, point]}. Folders stay on this computer.
std::string catalogueJson(const PhoneCatalogue& catalogue);

}  // namespace veltrana
