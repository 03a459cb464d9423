#include "tree/node_click.h"

#include "platform/error.h"
#include "platform/reading_order.h"
#include "store/folder_name.h"

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

// The node's folder: Data followed by the folders of the texts below the root, as the folder
// generation names them. Empty when one of those texts has no folder; nothing is listed or
// written for such a node.
std::string folderOf(const std::string& appPath, const std::vector<std::string>& texts) {
    std::string folder = appPath + kSeparator + "Data";
    for (std::size_t i = 1; i < texts.size(); ++i) {
        std::string name = folderNameFor(texts[i]);
        if (name.empty()) {
            return {};
        }
        folder += kSeparator;
        folder += name;
    }
    return folder;
}

}  // namespace

void TreeView1_NodeClick(Form& form) {
    try {
        form.List1.Clear();
        form.Image1.clearPicture();
        std::vector<std::string> texts = form.TreeView1.selectedNodeTexts();
        form.Label3.setCaption(joined(texts));
        form.selectedPath = folderOf(form.appPath, texts);
        if (!form.selectedPath.empty()) {
            std::vector<std::string> files = form.fileSystem.listFiles(form.selectedPath);
            sortFileNames(files);
            form.List1.AddItems(files);
        }
    } catch (const Error&) {
        // A node whose folder is missing lists nothing; the click says nothing about it.
    }
}

}  // namespace veltrana
