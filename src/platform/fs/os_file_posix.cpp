#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>
#include <vector>

#include "platform/fs/os_file.h"

namespace veltrana::os {

namespace {

std::error_code lastError() {
    return {errno, std::generic_category()};
}

}  // namespace

const std::size_t kLongestFilePath = std::numeric_limits<std::size_t>::max();
const std::size_t kLongestFolderPath = std::numeric_limits<std::size_t>::max();

bool NewFile::create(const fs::path& path, std::error_code& ec) {
    close();
    handle_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (handle_ < 0) {
        ec = lastError();
        return false;
    }
    return true;
}

void NewFile::write(const char* data, std::size_t size, std::error_code& ec) {
    while (size > 0) {
        ssize_t written = ::write(static_cast<int>(handle_), data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            ec = lastError();
            return;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

void NewFile::copyFrom(const fs::path& source, std::error_code& ec) {
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        ec = lastError();
        return;
    }
    // The kernel copies without the bytes passing through the program; where it cannot (some
    // file systems in user space), plain reads and writes go on from where it stopped.
    ssize_t sent = 0;
    do {
        sent = ::sendfile(static_cast<int>(handle_), in, nullptr, 1 << 30);
    } while (sent > 0 || (sent < 0 && errno == EINTR));
    if (sent < 0 && (errno == EINVAL || errno == ENOSYS)) {
        std::vector<char> buffer(1 << 20);
        for (ssize_t got = 0; !ec && (got = ::read(in, buffer.data(), buffer.size())) != 0;) {
            if (got > 0) {
                write(buffer.data(), static_cast<std::size_t>(got), ec);
            } else if (errno != EINTR) {
                ec = lastError();
            }
        }
    } else if (sent < 0) {
        ec = lastError();
    }
    ::close(in);
}

void NewFile::flush(std::error_code& ec) {
    if (::fsync(static_cast<int>(handle_)) != 0) {
        ec = lastError();
    }
}

void NewFile::close() {
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
        handle_ = -1;
    }
}

bool makeFolder(const fs::path& path, std::error_code& ec) {
    // One system call per folder: the folder generation makes or finds a hundred thousand of
    // them, and std::filesystem asks again about every one that is there already.
    if (::mkdir(path.c_str(), 0777) == 0) {
        return true;
    }
    if (errno != EEXIST) {
        ec = lastError();
    }
    return false;
}

void renameNoReplace(const fs::path& from, const fs::path& to, std::error_code& ec) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        ec = lastError();
        return;
    }
    // File systems without it (some network shares): a new hard link fails just as well when the
    // name is taken.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) {
        ec = lastError();
        return;
    }
    // Neither (FAT on a USB stick): the name is looked at first. Only a second program writing
    // the same name in the same instant can then be replaced.
    if (fs::exists(to, ec)) {
        ec = std::make_error_code(std::errc::file_exists);
    } else if (!ec) {
        fs::rename(from, to, ec);
    }
}

void renameReplacing(const fs::path& from, const fs::path& to, std::error_code& ec) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        ec = lastError();
    }
}

bool mayBeHeld(const std::error_code& failure) {
    // POSIX systems let every program at an open file; a share of a Windows server passes the
    // server's sharing violation on as EBUSY.
    return failure == std::errc::device_or_resource_busy;
}

void flushFolder(const fs::path& folder) {
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

bool heldOpen(const fs::path&, Use) {
    return false;  // POSIX systems let every program at a file that is open
}

}  // namespace veltrana::os
