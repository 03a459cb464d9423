#include "tree/node_click.h"

#include "platform/error.h"
#include "platform/reading_order.h"
#include "model/folder_name.h"

namespace veltrana {

namespace {

std::string joined(const std::vector<std::string>& texts) {
    std::string path;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) {
            path += '\\';
        }
        path += texts[i];
    }
    return path;
}

}  // namespace

void TreeView1_NodeClick(Form& form) {
    try {
        form.List1.Clear();
        form.Image1.clearPicture();
        std::vector<std::string> texts = form.TreeView1.selectedNodeTexts();
        form.Label3.setCaption(joined(texts));
        form.selectedPath = nodeFolder(form.appPath, texts);
        ListNodeFiles(form);
    } catch (const Error&) {
        // A node whose folder is missing lists nothing; the click says nothing about it.
    }
}

void ListNodeFiles(Form& form) {
    form.List1.Clear();
    if (!form.selectedPath.empty()) {
        std::vector<std::string> files = form.fileSystem.listFiles(form.selectedPath);
        sortFileNames(files);
        form.List1.AddItems(files);
    }
}

}  // namespace veltrana
