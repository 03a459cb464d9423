#include "store/list_click.h"

namespace veltrana {

void List1_Click(Form& form) {
    const std::string name = form.List1.Text();
    // The extension runs from the first "." and is compared with case: "scan.2023.jpg" and
    // "photo.JPG" are not previewed.
    std::size_t dot = name.find('.');
    if (dot != std::string::npos) {
        std::string_view extension = std::string_view(name).substr(dot);
        if (extension == ".jpg" || extension == ".png") {
            form.Image1.loadPicture(form.selectedPath + kSeparator + name);
            return;
        }
    }
    form.Image1.clearPicture();
}

}  // namespace veltrana
