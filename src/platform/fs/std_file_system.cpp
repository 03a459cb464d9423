#include "platform/fs/std_file_system.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "platform/error.h"
#include "platform/utf8.h"

namespace veltrana {

namespace fs = std::filesystem;

namespace {

constexpr std::int32_t kDiskFull = 61;

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
    if (ec == std::errc::no_space_on_device) {
        return Error(kDiskFull, "磁盘已满：" + what);
    }
    return Error(err::kPathFileAccess, "路径/文件访问错误：" + what + "（" + ec.message() + "）");
}

#ifdef _WIN32
// Windows refuses a path of MAX_PATH (260) UTF-16 units or more, a folder's from 248 on (room
// for a file name of 8.3 in it), unless every program involved opts into long paths. Such a
// path is refused here with a message that says what to do, rather than failing somewhere in
// the system with "path not found".
void checkLength(const fs::path& path, std::size_t limit, const std::string& what) {
    if (path.native().size() >= limit) {
        throw Error(err::kPathFileAccess,
                    "路径太长：" + what + "（Windows 的路径最多 " + std::to_string(limit - 1) +
                        " 个字符）。请把程序文件夹移到较短的路径下，例如 D:\\班级文件库，"
                        "或缩短班级、学生或知识点的名称");
    }
}

// Another program holds the file open and does not share the access asked for (reading, or
// DELETE, which replacing it by a rename needs): Windows' sharing violation.
bool heldOpen(const fs::path& path, DWORD access) {
    HANDLE file =
        CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}
#endif

// Why a copy failed. On Windows a file that a viewer or editor holds open cannot be read or
// replaced, which the system reports only as "access denied"; the teacher learns to close it.
Error copyError(const std::error_code& ec, const std::string& what, const fs::path& from,
                const fs::path& to) {
#ifdef _WIN32
    if (heldOpen(from, GENERIC_READ) || heldOpen(to, DELETE)) {
        return Error(err::kPermissionDenied,
                     "文件正被其他程序使用，请关闭打开它的程序后再试：" + what);
    }
#else
    (void)from;
    (void)to;
#endif
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

// Writes what the system still holds of the file to the disk. A rename is usually on the disk
// long before the data it names, so without this a power cut or a pulled USB stick soon after
// an upload can leave the photo's name on an empty file.
void flushToDisk(const fs::path& path, std::error_code& ec) {
#ifdef _WIN32
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ec.assign(static_cast<int>(GetLastError()), std::system_category());
        return;
    }
    if (!FlushFileBuffers(file)) {
        ec.assign(static_cast<int>(GetLastError()), std::system_category());
    }
    CloseHandle(file);
#else
    int file = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (file < 0) {
        ec.assign(errno, std::generic_category());
        return;
    }
    if (::fsync(file) != 0) {
        ec.assign(errno, std::generic_category());
    }
    ::close(file);
#endif
}

// A temporary file of a copy into folder, under the first of our names that is free: create
// makes the file at the path it is given and fails with file_exists when the name is taken, which
// happens when two uploads into one folder start together.
template <typename Create>
fs::path claimTemp(const fs::path& folder, Create create, std::error_code& ec) {
    for (int attempt = 0;; ++attempt) {
        fs::path temp =
            folder / (std::string(kTempStem) + std::to_string(attempt) + std::string(kTempEnd));
        ec.clear();
        if (create(temp, ec) || ec != std::errc::file_exists || attempt == 1000) {
            return temp;
        }
    }
}

#ifdef _WIN32
// A failure of Windows as a code that, for a name that is taken, compares equal to file_exists.
std::error_code windowsError(DWORD error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS
               ? std::make_error_code(std::errc::file_exists)
               : std::error_code(static_cast<int>(error), std::system_category());
}
#endif

// Renames from to to unless to exists; file_exists then, and nothing changes.
void renameNoReplace(const fs::path& from, const fs::path& to, std::error_code& ec) {
#ifdef _WIN32
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is taken; write-through puts
    // the new name on the disk before the call returns, as the folder flush does elsewhere.
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
        ec = windowsError(GetLastError());
    }
#else
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        ec.assign(errno, std::generic_category());
        return;
    }
    // File systems without it (some network shares): a new hard link fails just as well when the
    // name is taken.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
        ec.assign(errno, std::generic_category());
        return;
    }
    // Neither (FAT on a USB stick): the name is looked at first. Only a second program writing
    // the same name in the same instant can then be replaced.
    if (fs::exists(to, ec)) {
        ec = std::make_error_code(std::errc::file_exists);
    } else if (!ec) {
        fs::rename(from, to, ec);
    }
#endif
}

// Puts a new name in folder on the disk: the rename of a flushed file is otherwise still in the
// system's memory, and a power cut would take the whole file with it. On Windows the rename
// wrote through already.
void flushFolder([[maybe_unused]] const fs::path& folder) {
#ifndef _WIN32
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);  // best effort: the file itself is safe already
        ::close(dir);
    }
#endif
}

// Gives the flushed temporary file name in folder: replacing, or keeping both under the first
// free numbered name. Returns the name given.
std::string landTemp(const fs::path& temp, const fs::path& folder, const std::string& name,
                     OnClash onClash, std::error_code& ec) {
    std::string given = name;
    if (onClash == OnClash::kReplace) {
        fs::rename(temp, folder / utf8Path(given), ec);
    } else {
        for (int n = 2;; ++n) {
            ec.clear();
            renameNoReplace(temp, folder / utf8Path(given), ec);
            if (ec != std::errc::file_exists) {
                break;
            }
            given = numberedName(name, n);
        }
    }
    if (!ec) {
        flushFolder(folder);
    }
    return given;
}

// An open file of the system, written and flushed through its handle.
class OpenFile {
public:
    OpenFile() = default;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile() { close(); }

    // Creates path, failing with file_exists when it is there.
    bool createNew(const fs::path& path, std::error_code& ec) {
#ifdef _WIN32
        handle_ = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) {
            ec = windowsError(GetLastError());
            return false;
        }
#else
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            ec.assign(errno, std::generic_category());
            return false;
        }
#endif
        return true;
    }

    void write(const char* data, std::size_t size, std::error_code& ec) {
        while (size > 0) {
#ifdef _WIN32
            DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1 << 30));
            DWORD written = 0;
            if (!WriteFile(handle_, data, chunk, &written, nullptr)) {
                ec.assign(static_cast<int>(GetLastError()), std::system_category());
                return;
            }
#else
            ssize_t written = ::write(fd_, data, size);
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                ec.assign(errno, std::generic_category());
                return;
            }
#endif
            data += written;
            size -= static_cast<std::size_t>(written);
        }
    }

    void flush(std::error_code& ec) {
#ifdef _WIN32
        if (!FlushFileBuffers(handle_)) {
            ec.assign(static_cast<int>(GetLastError()), std::system_category());
        }
#else
        if (::fsync(fd_) != 0) {
            ec.assign(errno, std::generic_category());
        }
#endif
    }

    void close() {
#ifdef _WIN32
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
#else
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
#endif
    }

private:
#ifdef _WIN32
    HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
    int fd_ = -1;
#endif
};

class StdIncomingFile : public IncomingFile {
public:
    explicit StdIncomingFile(const std::string& folder)
        : folder_(folder), where_(utf8Path(folder)) {
        std::error_code ec;
        temp_ = claimTemp(
            where_,
            [this](const fs::path& path, std::error_code& e) { return file_.createNew(path, e); },
            ec);
        if (ec) {
            throw fileError(ec, "无法在文件夹“" + folder + "”中写入文件");
        }
    }
    ~StdIncomingFile() override {
        file_.close();
        if (!landed_) {
            std::error_code ignored;
            fs::remove(temp_, ignored);
        }
    }

    void write(const char* data, std::size_t size) override {
        std::error_code ec;
        file_.write(data, size, ec);
        if (ec) {
            throw fileError(ec, "无法在文件夹“" + folder_ + "”中写入文件");
        }
    }

    std::string land(const std::string& name) override {
        std::error_code ec;
        file_.flush(ec);
        file_.close();
        std::string given;
        if (!ec) {
            given = landTemp(temp_, where_, name, OnClash::kKeepBoth, ec);
        }
        if (ec) {
            throw fileError(ec, "无法在文件夹“" + folder_ + "”中保存“" + name + "”");
        }
        landed_ = true;
        return given;
    }

private:
    std::string folder_;
    fs::path where_;
    fs::path temp_;
    OpenFile file_;
    bool landed_ = false;
};

}  // namespace

bool StdFileSystem::exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(utf8Path(path), ec);
}

bool StdFileSystem::createFolder(const std::string& path) {
    std::error_code ec;
#ifdef _WIN32
    checkLength(utf8Path(path), 248, "无法创建文件夹“" + path + "”");
    if (fs::create_directory(utf8Path(path), ec)) {
        return true;
    }
#else
    // One system call per folder: the folder generation makes or finds a hundred thousand of
    // them, and std::filesystem asks again about every one that is there already.
    if (::mkdir(path.c_str(), 0777) == 0) {
        return true;
    }
    ec.assign(errno, std::generic_category());
#endif
    if (!ec || ec == std::errc::file_exists) {
        return false;
    }
    throw fileError(ec, "无法创建文件夹“" + path + "”");
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
                                    OnClash onClash) {
    const std::string what = "无法复制文件“" + source + "”到“" + destination + "”";
    const fs::path from = utf8Path(source);
    const fs::path to = utf8Path(destination);
#ifdef _WIN32
    checkLength(to, 260, what);
#endif
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
    // The copy lands under a name of its own in the destination's folder and replaces the
    // destination in one rename, so neither a failure nor a crash leaves a half file there.
    const fs::path folder = to.parent_path();
    fs::path temp = claimTemp(
        folder,
        [&from](const fs::path& path, std::error_code& e) {
            return fs::copy_file(from, path, fs::copy_options::none, e);
        },
        ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);  // whatever the failed copy left behind
        throw copyError(ec, what, from, to);
    }
    // The copy is the teacher's file from now on: writable even when the source was not (a locked
    // card, a read-only share), so that it can be replaced later and flushed on every system.
    fs::permissions(temp, fs::perms::owner_write, fs::perm_options::add, ec);
    if (!ec) {
        flushToDisk(temp, ec);
    }
    std::string given;
    if (!ec) {
        given = landTemp(temp, folder, utf8Text(to.filename()), onClash, ec);
    }
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw copyError(ec, what, from, to);
    }
    return utf8Text(folder / utf8Path(given));
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

}  // namespace veltrana
