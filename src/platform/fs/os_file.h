#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <system_error>

// What Windows and the POSIX systems do differently with files, one implementation each
// (os_file_windows.cpp, os_file_posix.cpp), chosen by the build. Failures come back in ec; a
// name that is taken compares equal to std::errc::file_exists on every system, a file that
// another program holds to std::errc::device_or_resource_busy, and the common failures (no such
// path, access denied, disk full) to their std::errc conditions.
namespace veltrana::os {

namespace fs = std::filesystem;

// Paths this long (in the system's own units) or longer are refused by the system unless every
// program involved opts into long paths; a folder needs room for a short file name in it.
extern const std::size_t kLongestFilePath;
extern const std::size_t kLongestFolderPath;

// A file made by this program, written and flushed through its handle.
class NewFile {
public:
    NewFile() = default;
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;
    ~NewFile() { close(); }

    // Creates path for writing; file_exists when the name is taken, which nothing ever replaces.
    bool create(const fs::path& path, std::error_code& ec);
    void write(const char* data, std::size_t size, std::error_code& ec);
    // Writes the whole of the file source into this one.
    void copyFrom(const fs::path& source, std::error_code& ec);
    // Writes what the system still holds of the file to the disk.
    void flush(std::error_code& ec);
    void close();

private:
    std::intptr_t handle_ = -1;  // a descriptor, or a HANDLE, whose invalid value is -1 too
};

// Creates the folder path; false with no ec when something of that name is there.
bool makeFolder(const fs::path& path, std::error_code& ec);

// Renames from to to unless to exists: file_exists then, and nothing changes.
void renameNoReplace(const fs::path& from, const fs::path& to, std::error_code& ec);

// Renames from to to, replacing a file of that name.
void renameReplacing(const fs::path& from, const fs::path& to, std::error_code& ec);

// True when failure may come from another program holding the file for a moment: it compares
// equal to std::errc::device_or_resource_busy on every system when the file is held.
bool mayBeHeld(const std::error_code& failure);

// Runs attempt, and again while it fails with mayBeHeld, a few times within about half a second.
// Virus scanners, the search indexer and OneDrive open a file that was just written for a moment.
// The one policy for every system, in std_file_system.cpp.
void retryWhileHeld(const std::function<void(std::error_code&)>& attempt, std::error_code& ec);

// Puts the names last given in folder on the disk. Best effort: the files are safe already.
void flushFolder(const fs::path& folder);

// True when another program holds path open and does not share what use needs: reading it, or
// deleting it, which replacing it by a rename does (a sharing violation, which only Windows knows).
enum class Use { kRead, kReplace };
bool heldOpen(const fs::path& path, Use use);

}  // namespace veltrana::os
