#pragma once

#include <string>
#include <vector>

namespace veltrana {

// True when name can be one folder name on this platform and on Windows: not empty, not "."
// or "..", no "/" or "\", no control or reserved character, no reserved device name, no
// trailing blank or dot, valid UTF-8.
bool isSafeFolderName(const std::string& name);

// The folder that the classic platform makes for a name read from the database: Windows drops
// trailing blanks and dots, so "王芳 " and "王芳." both become "王芳". Empty when nothing is left
// or what is left is not a safe folder name; such a name gets no folder.
std::string folderNameFor(const std::string& name);

// The folder of the node whose path from the root has these texts: Data in the program's folder,
// then the folder of each text below the root. Empty when one of them can have no folder.
std::string nodeFolder(const std::string& appPath, const std::vector<std::string>& texts);

// The folder beside Data for photos not filed yet: the phone's "先不分类" lands there, and the
// sorting window files them from there. The tree does not show it.
inline constexpr const char* kInboxFolder = "待整理";
std::string inboxFolder(const std::string& appPath);

// Shown when an upload or a browse targets a node whose path holds such a name: that node has
// no folder, and nothing may be written for it.
inline constexpr const char* kNoFolderText = "所选节点的名称不能用作文件夹名称，该节点没有文件夹";

}  // namespace veltrana
