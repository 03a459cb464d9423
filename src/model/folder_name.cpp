#include "model/folder_name.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "platform/file_system.h"
#include "platform/utf8.h"

namespace veltrana {

namespace {

// Windows refuses these as names, with any extension and blanks before it ("con.txt",
// "nul .txt" too); COM and LPT take the superscript digits ¹ ² ³ as well.
bool isDeviceName(std::string_view name) {
    std::string base(name.substr(0, name.find('.')));
    base.erase(base.find_last_not_of(' ') + 1);
    std::transform(base.begin(), base.end(), base.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
        base == "CONOUT$") {
        return true;
    }
    if (!base.starts_with("COM") && !base.starts_with("LPT")) {
        return false;
    }
    std::string_view number = std::string_view(base).substr(3);
    return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') || number == "\u00B9" ||
           number == "\u00B2" || number == "\u00B3";
}

}  // namespace

bool isSafeFolderName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.back() == ' ' || name.back() == '.') {
        return false;
    }
    bool badCharacter = std::any_of(name.begin(), name.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F ||
               std::string_view("/\\<>:\"|?*").find(c) != std::string_view::npos;
    });
    bool wellFormed =
        forEachCharacter(name, [](char32_t) { return true; }) == std::string_view::npos;
    return !badCharacter && wellFormed && !isDeviceName(name);
}

std::string folderNameFor(const std::string& name) {
    std::string folder = name.substr(0, name.find_last_not_of(". ") + 1);
    return isSafeFolderName(folder) ? folder : std::string();
}

std::string nodeFolder(const std::string& appPath, const std::vector<std::string>& texts) {
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

std::string inboxFolder(const std::string& appPath) {
    return appPath + kSeparator + kInboxFolder;
}

}  // namespace veltrana
