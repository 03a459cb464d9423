#include "platform/fs/std_file_system.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/error.h"

namespace veltrana {

namespace fs = std::filesystem;

namespace {

constexpr std::int32_t kDiskFull = 61;

fs::path toPath(const std::string& utf8) {
    const auto* first = reinterpret_cast<const char8_t*>(utf8.data());
    return fs::path(first, first + utf8.size());
}

std::string toUtf8(const fs::path& path) {
#ifdef _WIN32
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.native();  // the bytes as they are on disk; UTF-8 on any sane system
#endif
}

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

}  // namespace

bool StdFileSystem::exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(toPath(path), ec);
}

bool StdFileSystem::createFolder(const std::string& path) {
    std::error_code ec;
#ifdef _WIN32
    if (fs::create_directory(toPath(path), ec)) {
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
    fs::directory_iterator it(toPath(folder), ec);
    if (ec) {
        throw fileError(ec, "无法列出文件夹“" + folder + "”中的文件");
    }
    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_directory(typeError)) {
            names.push_back(toUtf8(it->path().filename()));
        }
    }
    if (ec) {
        throw fileError(ec, "无法列出文件夹“" + folder + "”中的文件");
    }
    return names;
}

void StdFileSystem::copyFile(const std::string& source, const std::string& destination) {
    const std::string what = "无法复制文件“" + source + "”到“" + destination + "”";
    fs::path to = toPath(destination);
    std::error_code ec;
    // Renaming over a file needs no write permission on the file itself, so a read-only
    // destination would silently give way; it is refused as the plain copy refused it.
    fs::file_status existing = fs::status(to, ec);
    if (fs::is_regular_file(existing) &&
        (existing.permissions() & fs::perms::owner_write) == fs::perms::none) {
        throw fileError(std::make_error_code(std::errc::permission_denied), what);
    }
    if (!fs::is_regular_file(fs::status(toPath(source), ec))) {
        throw Error(err::kFileNotFound, "文件未找到：" + what);
    }
    // The copy lands under a name of its own in the destination's folder and replaces the
    // destination in one rename, so neither a failure nor a crash leaves a half file there.
    fs::path temp;
    for (int attempt = 0;; ++attempt) {
        temp = to;
        temp += ".veltrana-" + std::to_string(attempt) + ".tmp";
        if (fs::copy_file(toPath(source), temp, fs::copy_options::none, ec)) {
            break;
        }
        if (ec != std::errc::file_exists || attempt == 100) {
            std::error_code ignored;
            fs::remove(temp, ignored);  // whatever the failed copy left behind
            throw fileError(ec, what);
        }
    }
    fs::rename(temp, to, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw fileError(ec, what);
    }
}

bool StdFileSystem::sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(toPath(a), toPath(b), ec);
}

}  // namespace veltrana
