#include <chrono>
#include <filesystem>

#include "platform/fs/std_file_system.h"
#include "platform/utf8.h"

namespace veltrana {

// The listing decides which files count (no folders, no copies under way); the times come after,
// one look at each file, and a file that went away in between is left out.
std::vector<DatedFile> StdFileSystem::listFilesWithTimes(const std::string& folder) {
    const std::filesystem::path base = utf8Path(folder);
    std::vector<DatedFile> files;
    for (std::string& name : listFiles(folder)) {
        std::error_code ec;
        auto written = std::filesystem::last_write_time(base / utf8Path(name), ec);
        if (ec) {
            continue;
        }
        auto seconds = std::chrono::time_point_cast<std::chrono::seconds>(
            std::chrono::file_clock::to_sys(written));
        files.push_back({std::move(name), seconds.time_since_epoch().count()});
    }
    return files;
}

}  // namespace veltrana
