#include "platform/fs/std_file_system.h"

#include <chrono>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <thread>

#include "platform/error.h"
#include "platform/fs/os_file.h"
#include "platform/utf8.h"

namespace veltrana {

namespace fs = std::filesystem;

namespace {

// The classic run-time number for a failure of the operating system, so the message box reads
// as it always did ("路径未找到" is 76 ...), with the path that failed in the description.
Error fileError(const std::error_code& ec, const std::string& what) {
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory) {
        return Error(err::kPathNotFound, "路径未找到：" + what);
    }
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
        ec == std::errc::read_only_file_system) {
        return Error(err::kPermissionDenied, "没有权限：" + what);
    }
    if (ec == std::errc::device_or_resource_busy) {
        return Error(err::kPermissionDenied,
                     "文件正被其他程序使用，请关闭打开它的程序后再试：" + what);
    }
    if (ec == std::errc::no_space_on_device) {
        return Error(err::kDiskFull, "磁盘已满：" + what);
    }
    if (ec == std::errc::file_exists) {
        return Error(err::kFileAlreadyExists, "文件已存在：" + what);
    }
    return Error(err::kPathFileAccess, "路径/文件访问错误：" + what + "（" + ec.message() + "）");
}

// A path the system would refuse for its length is refused here with a message that says what
// to do, rather than failing somewhere in the system with "path not found".
void checkLength(const fs::path& path, std::size_t limit, const std::string& what) {
    if (path.native().size() >= limit) {
        throw Error(err::kPathFileAccess,
                    "路径太长：" + what + "（Windows 的路径最多 " + std::to_string(limit - 1) +
                        " 个字符）。请把程序文件夹移到较短的路径下，例如 D:\\班级文件库，"
                        "或缩短班级、学生或知识点的名称");
    }
}

// Why a copy failed. On Windows a file that a viewer or editor holds open cannot be read or
// replaced, which the system reports only as "access denied"; the teacher learns to close it.
Error copyError(const std::error_code& ec, const std::string& what, const fs::path& from,
                const fs::path& to) {
    if (os::heldOpen(from, os::Use::kRead) || os::heldOpen(to, os::Use::kReplace)) {
        return Error(err::kPermissionDenied,
                     "文件正被其他程序使用，请关闭打开它的程序后再试：" + what);
    }
    return fileError(ec, what);
}

// A copy in progress is named ".veltrana-N.tmp" in the destination's folder: hidden on the desktops
// that hide dot-names, and short, so that it fits wherever the file's own name fits. Copies
// made before were named "<name>.veltrana-N.tmp"; both are ours and nobody else's.
constexpr std::string_view kTempStem = ".veltrana-";
constexpr std::string_view kTempEnd = ".tmp";

bool isUnfinishedCopy(std::string_view name) {
    if (!name.ends_with(kTempEnd)) {
        return false;
    }
    name.remove_suffix(kTempEnd.size());
    std::size_t lastNonDigit = name.find_last_not_of("0123456789");
    return lastNonDigit != std::string_view::npos && lastNonDigit + 1 < name.size() &&
           name.substr(0, lastNonDigit + 1).ends_with(kTempStem);
}

// A temporary file in folder, created under the first of our names that is free (two uploads
// into one folder may start together); it is removed when dropped before it has landed.
class TempFile {
public:
    TempFile(const fs::path& folder, std::error_code& ec) : folder_(folder) {
        for (int attempt = 0;; ++attempt) {
            path_ = folder_ /
                    (std::string(kTempStem) + std::to_string(attempt) + std::string(kTempEnd));
            ec.clear();
            if (file_.create(path_, ec) || ec != std::errc::file_exists || attempt == 1000) {
                return;
            }
        }
    }
    ~TempFile() {
        file_.close();
        if (!landed_) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    os::NewFile& file() { return file_; }

    // Flushes the file to the disk, then gives it name in its folder: replacing, keeping both
    // under the first free numbered name, or failing with file_exists. A rename is usually on the
    // disk long before the data it names, so without the flush a power cut or a pulled USB stick
    // soon after could leave the name on an empty file. Returns the name given.
    std::string land(const std::string& name, OnClash onClash, FolderFlush folderFlush,
                     std::error_code& ec) {
        file_.flush(ec);
        file_.close();
        std::string given = name;
        if (ec) {
            return given;
        }
        if (onClash == OnClash::kReplace) {
            os::retryWhileHeld(
                [&](std::error_code& e) {
                    os::renameReplacing(path_, folder_ / utf8Path(given), e);
                },
                ec);
        } else {
            for (int n = 2;; ++n) {
                os::retryWhileHeld(
                    [&](std::error_code& e) {
                        os::renameNoReplace(path_, folder_ / utf8Path(given), e);
                    },
                    ec);
                if (ec != std::errc::file_exists || onClash == OnClash::kRefuse) {
                    break;
                }
                given = numberedName(name, n);
            }
        }
        if (!ec) {
            landed_ = true;
            if (folderFlush == FolderFlush::kNow) {
                os::flushFolder(folder_);
            }
        }
        return given;
    }

private:
    fs::path folder_;
    fs::path path_;
    os::NewFile file_;
    bool landed_ = false;
};

class StdIncomingFile : public IncomingFile {
public:
    explicit StdIncomingFile(const std::string& folder)
        : folder_(folder), temp_(utf8Path(folder), ec_) {
        if (ec_) {
            throw fileError(ec_, "无法在文件夹“" + folder + "”中写入文件");
        }
    }

    void write(const char* data, std::size_t size) override {
        temp_.file().write(data, size, ec_);
        if (ec_) {
            throw fileError(ec_, "无法在文件夹“" + folder_ + "”中写入文件");
        }
    }

    std::string land(const std::string& name, OnClash onClash) override {
        std::string given = temp_.land(name, onClash, FolderFlush::kNow, ec_);
        if (ec_) {
            throw fileError(ec_, "无法在文件夹“" + folder_ + "”中保存“" + name + "”");
        }
        return given;
    }

private:
    std::string folder_;
    std::error_code ec_;  // declared before temp_, which reports into it as it is made
    TempFile temp_;
};

}  // namespace

void os::retryWhileHeld(const std::function<void(std::error_code&)>& attempt, std::error_code& ec) {
    // About half a second in all: what a scanner takes over a photo, and not so long that a
    // file really held keeps the teacher waiting before the message says so.
    constexpr int kWaits[] = {20, 40, 80, 120, 200};
    for (std::size_t tried = 0;; ++tried) {
        ec.clear();
        attempt(ec);
        if (!ec || !os::mayBeHeld(ec) || tried == std::size(kWaits)) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kWaits[tried]));
    }
}

bool StdFileSystem::exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(utf8Path(path), ec);
}

bool StdFileSystem::createFolder(const std::string& path) {
    const std::string what = "无法创建文件夹“" + path + "”";
    checkLength(utf8Path(path), os::kLongestFolderPath, what);
    std::error_code ec;
    bool made = os::makeFolder(utf8Path(path), ec);
    if (ec) {
        throw fileError(ec, what);
    }
    return made;
}

std::vector<std::string> StdFileSystem::listFiles(const std::string& folder) {
    std::error_code ec;
    fs::directory_iterator it(utf8Path(folder), ec);
    if (ec) {
        throw fileError(ec, "无法列出文件夹“" + folder + "”中的文件");
    }
    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            continue;
        }
        std::string name = utf8Text(it->path().filename());
        if (!isUnfinishedCopy(name)) {
            names.push_back(std::move(name));
        }
    }
    if (ec) {
        throw fileError(ec, "无法列出文件夹“" + folder + "”中的文件");
    }
    return names;
}

std::string StdFileSystem::copyFile(const std::string& source, const std::string& destination,
                                    OnClash onClash, FolderFlush folderFlush) {
    const std::string what = "无法复制文件“" + source + "”到“" + destination + "”";
    const fs::path from = utf8Path(source);
    const fs::path to = utf8Path(destination);
    checkLength(to, os::kLongestFilePath, what);
    std::error_code ec;
    // Renaming over a file needs no write permission on the file itself, so a read-only
    // destination would silently give way; it is refused as the plain copy refused it.
    fs::file_status existing = fs::status(to, ec);
    if (onClash == OnClash::kReplace && fs::is_regular_file(existing) &&
        (existing.permissions() & fs::perms::owner_write) == fs::perms::none) {
        throw fileError(std::make_error_code(std::errc::permission_denied), what);
    }
    if (!fs::is_regular_file(fs::status(from, ec))) {
        throw Error(err::kFileNotFound, "文件未找到：" + what);
    }
    // The copy lands under a name of its own in the destination's folder and takes the
    // destination's name in one rename, so neither a failure nor a crash leaves a half file there.
    const fs::path folder = to.parent_path();
    // Made by the program, the copy is the teacher's to replace later even when the source was
    // read-only (a locked card, a read-only share).
    TempFile temp(folder, ec);
    if (!ec) {
        temp.file().copyFrom(from, ec);
    }
    std::string given;
    if (!ec) {
        given = temp.land(utf8Text(to.filename()), onClash, folderFlush, ec);
    }
    if (ec) {
        throw copyError(ec, what, from, to);
    }
    return utf8Text(folder / utf8Path(given));
}

void StdFileSystem::flushFolder(const std::string& folder) {
    os::flushFolder(utf8Path(folder));
}

std::unique_ptr<IncomingFile> StdFileSystem::receive(const std::string& folder) {
    return std::make_unique<StdIncomingFile>(folder);
}

void StdFileSystem::removeUnfinishedCopies(const std::string& folder) {
    // A copy still being written, by this program, a second copy of it or another computer on a
    // shared Data, is touched all the time; one left alone for a day is dead.
    const auto deadBefore = fs::file_time_type::clock::now() - std::chrono::hours(24);
    std::error_code ec;
    for (fs::directory_iterator it(utf8Path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored) && isUnfinishedCopy(utf8Text(it->path().filename())) &&
            it->last_write_time(ignored) < deadBefore && !ignored) {
            fs::remove(it->path(), ignored);
        }
    }
}

std::uint64_t StdFileSystem::freeSpace(const std::string& folder) {
    std::error_code ec;
    fs::space_info space = fs::space(utf8Path(folder), ec);
    if (ec) {
        throw fileError(ec, "无法读取文件夹“" + folder + "”所在磁盘的剩余空间");
    }
    return space.available;
}

bool StdFileSystem::sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(utf8Path(a), utf8Path(b), ec);
}

FileStamp StdFileSystem::stamp(const std::string& path) {
    std::error_code ec;
    const fs::path file = utf8Path(path);
    FileStamp stamp;
    stamp.size = fs::file_size(file, ec);
    if (!ec) {
        stamp.modified = fs::last_write_time(file, ec).time_since_epoch().count();
    }
    if (ec) {
        throw Error(err::kFileNotFound, "文件未找到：" + path);
    }
    return stamp;
}

void StdFileSystem::moveFile(const std::string& source, const std::string& destination) {
    const std::string what = "无法把文件“" + source + "”移动到“" + destination + "”";
    checkLength(utf8Path(destination), os::kLongestFilePath, what);
    std::error_code ec;
    if (!fs::is_regular_file(fs::status(utf8Path(source), ec))) {
        throw Error(err::kFileNotFound, "文件未找到：" + what);
    }
    os::renameNoReplace(utf8Path(source), utf8Path(destination), ec);
    if (ec) {
        throw copyError(ec, what, utf8Path(source), utf8Path(destination));
    }
    os::flushFolder(utf8Path(destination).parent_path());
}

void StdFileSystem::removeFile(const std::string& path) {
    std::error_code ec;
    if (!fs::remove(utf8Path(path), ec) && !ec) {
        throw Error(err::kFileNotFound, "文件未找到：" + path);
    }
    if (ec) {
        throw fileError(ec, "无法删除文件“" + path + "”");
    }
}

}  // namespace veltrana
