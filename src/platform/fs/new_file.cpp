#include "platform/fs/new_file.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "platform/utf8.h"
#endif

namespace veltrana {

std::FILE* createNewFile(const std::string& path) {
#ifdef _WIN32
    // The C runtime MinGW links knows no "x" mode, and its narrow names are in the system's code
    // page.
    int file = _wopen(utf8Path(path).c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY,
                      _S_IREAD | _S_IWRITE);
    if (file < 0) {
        return nullptr;
    }
    std::FILE* stream = _fdopen(file, "wb");
    if (stream == nullptr) {
        _close(file);
    }
    return stream;
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

}  // namespace veltrana
