#include "platform/fs/std_file_system.h"

#include <algorithm>
#include <cerrno>
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

void StdFileSystem::copyFile(const std::string& source, const std::string& destination) {
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
    if (fs::is_regular_file(existing) &&
        (existing.permissions() & fs::perms::owner_write) == fs::perms::none) {
        throw fileError(std::make_error_code(std::errc::permission_denied), what);
    }
    if (!fs::is_regular_file(fs::status(from, ec))) {
        throw Error(err::kFileNotFound, "文件未找到：" + what);
    }
    // The copy lands under a name of its own in the destination's folder and replaces the
    // destination in one rename, so neither a failure nor a crash leaves a half file there.
    fs::path temp;
    for (int attempt = 0;; ++attempt) {
        temp = to.parent_path() /
               (std::string(kTempStem) + std::to_string(attempt) + std::string(kTempEnd));
#ifdef _WIN32
        checkLength(temp, 260, what);
#endif
        if (fs::copy_file(from, temp, fs::copy_options::none, ec)) {
            break;
        }
        if (ec != std::errc::file_exists || attempt == 100) {
            std::error_code ignored;
            fs::remove(temp, ignored);  // whatever the failed copy left behind
            throw copyError(ec, what, from, to);
        }
    }
    // The copy is the teacher's file from now on: writable even when the source was not (a locked
    // card, a read-only share), so that it can be replaced later and flushed on every system.
    fs::permissions(temp, fs::perms::owner_write, fs::perm_options::add, ec);
    if (!ec) {
        flushToDisk(temp, ec);
    }
    if (!ec) {
        fs::rename(temp, to, ec);
    }
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw copyError(ec, what, from, to);
    }
}

void StdFileSystem::removeUnfinishedCopies(const std::string& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(utf8Path(folder), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        if (it->is_regular_file(ignored) && isUnfinishedCopy(utf8Text(it->path().filename()))) {
            fs::remove(it->path(), ignored);
        }
    }
}

bool StdFileSystem::sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(utf8Path(a), utf8Path(b), ec);
}

}  // namespace veltrana
