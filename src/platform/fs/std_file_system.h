#pragma once

#include <filesystem>

#include "platform/file_system.h"

namespace veltrana {

// The file system of the machine, over std::filesystem and, for what each system does its own
// way, os_file.h. Paths are UTF-8 on every platform, so Chinese folder names reach Windows intact.
class StdFileSystem : public FileSystem {
public:
    bool exists(const std::string& path) override;
    bool createFolder(const std::string& path) override;
    std::vector<std::string> listFiles(const std::string& folder) override;
    std::vector<DatedFile> listFilesWithTimes(const std::string& folder) override;
    std::string copyFile(const std::string& source, const std::string& destination, OnClash onClash,
                         FolderFlush folderFlush) override;
    void flushFolder(const std::string& folder) override;
    std::unique_ptr<IncomingFile> receive(const std::string& folder) override;
    void removeUnfinishedCopies(const std::string& folder) override;
    std::uint64_t freeSpace(const std::string& folder) override;
    bool sameFile(const std::string& a, const std::string& b) override;
    FileStamp stamp(const std::string& path) override;
    void moveFile(const std::string& source, const std::string& destination) override;
    void removeFile(const std::string& path) override;
};

}  // namespace veltrana
