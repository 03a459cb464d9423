#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/fs/os_file.h"

namespace veltrana::os {

namespace {

// The last failure of Windows, as the condition it stands for where there is one, so that the
// portable code knows a taken name or a full disk on every system.
std::error_code lastError() {
    DWORD error = GetLastError();
    switch (error) {
        case ERROR_ALREADY_EXISTS:
        case ERROR_FILE_EXISTS:
            return std::make_error_code(std::errc::file_exists);
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return std::make_error_code(std::errc::no_such_file_or_directory);
        case ERROR_ACCESS_DENIED:
            return std::make_error_code(std::errc::permission_denied);
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return std::make_error_code(std::errc::device_or_resource_busy);
        case ERROR_WRITE_PROTECT:
            return std::make_error_code(std::errc::read_only_file_system);
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return std::make_error_code(std::errc::no_space_on_device);
        default:
            return {static_cast<int>(error), std::system_category()};
    }
}

HANDLE handleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

}  // namespace

// MAX_PATH (260) UTF-16 units with the terminating zero; a folder's from 248 on, room for a
// file name of 8.3 in it.
const std::size_t kLongestFilePath = MAX_PATH;
const std::size_t kLongestFolderPath = MAX_PATH - 12;

bool NewFile::create(const fs::path& path, std::error_code& ec) {
    close();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ec = lastError();
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return true;
}

void NewFile::write(const char* data, std::size_t size, std::error_code& ec) {
    while (size > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1 << 30));
        DWORD written = 0;
        if (!WriteFile(handleOf(handle_), data, chunk, &written, nullptr)) {
            ec = lastError();
            return;
        }
        data += written;
        size -= written;
    }
}

void NewFile::copyFrom(const fs::path& source, std::error_code& ec) {
    // Shared as the C run time shares a file it reads: others may go on using it.
    HANDLE in = CreateFileW(source.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE) {
        ec = lastError();
        return;
    }
    std::vector<char> buffer(1 << 20);
    DWORD got = 0;
    while (!ec) {
        if (!ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            ec = lastError();
        } else if (got == 0) {
            break;
        } else {
            write(buffer.data(), got, ec);
        }
    }
    CloseHandle(in);
}

void NewFile::flush(std::error_code& ec) {
    if (!FlushFileBuffers(handleOf(handle_))) {
        ec = lastError();
    }
}

void NewFile::close() {
    if (handle_ != -1) {
        CloseHandle(handleOf(handle_));
        handle_ = -1;
    }
}

bool makeFolder(const fs::path& path, std::error_code& ec) {
    bool made = fs::create_directory(path, ec);
    if (ec == std::errc::file_exists) {
        ec.clear();
    }
    return made;
}

void renameNoReplace(const fs::path& from, const fs::path& to, std::error_code& ec) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name is taken; write-through puts
    // the new name on the disk before the call returns, which is what flushFolder does elsewhere.
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
        ec = lastError();
    }
}

void renameReplacing(const fs::path& from, const fs::path& to, std::error_code& ec) {
    if (!MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ec = lastError();
    }
}

bool mayBeHeld(const std::error_code& failure) {
    // A file that another program opened without sharing its deletion, or that is still being
    // deleted, is "access denied" to a rename.
    return failure == std::errc::device_or_resource_busy || failure == std::errc::permission_denied;
}

void flushFolder(const fs::path&) {
    // Windows lets no program flush a folder; renameNoReplace writes through instead.
}

bool heldOpen(const fs::path& path, Use use) {
    HANDLE file = CreateFileW(path.c_str(), use == Use::kRead ? GENERIC_READ : DELETE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

}  // namespace veltrana::os
