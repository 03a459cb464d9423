#include "store/list_click.h"

#include <algorithm>
#include <cctype>

namespace veltrana {

bool isPictureName(const std::string& name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == "jpg" || extension == "jpeg" || extension == "png";
}

void List1_Click(Form& form) {
    const std::string name = form.List1.Text();
    if (isPictureName(name)) {
        form.Image1.loadPicture(form.selectedPath + kSeparator + name);
    } else {
        form.Image1.clearPicture();
    }
}

}  // namespace veltrana
