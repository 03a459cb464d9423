#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdlib>

#include "platform/case_fold.h"
#include "platform/program_folder.h"
#include "platform/utf8.h"

namespace veltrana {

namespace {

// An environment variable in UTF-8; the narrow ones are in the system's code page.
std::string environment(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value == nullptr ? std::string() : utf8Text(std::filesystem::path(value));
}

// Whether path is folder or lies below it, as Windows compares names: without case, "/" as "\",
// and a trailing "\" on the folder not counting.
bool isWithin(const std::string& path, std::string folder) {
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) {
        folder.pop_back();
    }
    if (folder.empty()) {
        return false;
    }
    std::u16string inside = caseFoldedUtf16(path);
    std::u16string outside = caseFoldedUtf16(folder);
    for (std::u16string* text : {&inside, &outside}) {
        for (char16_t& c : *text) {
            if (c == u'/') {
                c = u'\\';
            }
        }
    }
    return inside.compare(0, outside.size(), outside) == 0 &&
           (inside.size() == outside.size() || inside[outside.size()] == u'\\');
}

}  // namespace

// OneDrive names the folders it keeps in step in the user's environment: the personal one, the
// school's or company's, and whichever of them is the default.
std::string syncedFolderOf(const std::string& folder) {
    for (const wchar_t* name : {L"OneDriveCommercial", L"OneDriveConsumer", L"OneDrive"}) {
        std::string synced = environment(name);
        if (isWithin(folder, synced)) {
            return synced;
        }
    }
    return {};
}

// A second disk, where school machines keep their data; the system disk only without one.
std::string suggestedProgramFolder() {
    return GetDriveTypeW(L"D:\\") == DRIVE_FIXED ? "D:\\班级文件库" : "C:\\班级文件库";
}

}  // namespace veltrana
