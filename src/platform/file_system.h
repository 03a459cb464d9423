#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The file system as the handlers use it. Paths are UTF-8 texts joined with kSeparator.

namespace veltrana {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// What a name clash does to a file that arrives: replace the file of that name; keep both and
// give the new one the first free name "名字 (2).jpg", "名字 (3).jpg" ...; or refuse (58) and
// leave the file that is there alone. Only kReplace ever replaces, so a name that was free when
// the user chose it and is taken meanwhile (a phone, another copy of the program) never is.
enum class OnClash { kReplace, kKeepBoth, kRefuse };

// When a landing puts the file's new name on the disk: at once, or with one flushFolder that the
// caller makes after a batch of files, before it reports them saved.
enum class FolderFlush { kNow, kLater };

// A file of a folder and when it was last written, in seconds since 1970 (UTC): for a photo, when
// it was filed.
struct DatedFile {
    std::string name;
    std::int64_t modified = 0;
};

// What tells one version of a file from the next: its size and the time it was last written.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // in the file system clock's own ticks
    bool operator==(const FileStamp&) const = default;
};

// The name of the n-th copy: "作业.jpg" and 2 make "作业 (2).jpg"; a name without an extension,
// or one that only starts with a dot, gets the number at its end.
std::string numberedName(const std::string& name, int n);

// A file that arrives a piece at a time (over the network), written to a hidden temporary file
// in its folder. Dropping it before land() removes that file, so an upload that breaks off
// leaves nothing behind.
class IncomingFile {
public:
    virtual ~IncomingFile() = default;
    virtual void write(const char* data, std::size_t size) = 0;
    // Flushes the file to the disk, gives it name in its folder as onClash says (a name taken by
    // a file that landed a moment ago from another upload is taken as any other), then flushes
    // the folder, so the name is on the disk too. Returns the name given.
    virtual std::string land(const std::string& name, OnClash onClash) = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // True when a file or folder of that name exists.
    virtual bool exists(const std::string& path) = 0;
    // Creates the last element of path unless a file or folder of that name is there already;
    // its parent must exist (76 otherwise). True when it made the folder.
    virtual bool createFolder(const std::string& path) = 0;
    // Names of the files (not folders) directly in folder, in no particular order (the caller
    // sorts them for people), without the temporary files of copies; 76 when the folder does
    // not exist.
    virtual std::vector<std::string> listFiles(const std::string& folder) = 0;
    // The same files with their modification times; 76 when the folder does not exist.
    virtual std::vector<DatedFile> listFilesWithTimes(const std::string& folder) = 0;
    // Copies source to destination through a temporary file in the destination's folder that
    // is flushed to the disk and then renamed into place, so a failure never leaves a half file
    // or harms an existing destination, and a power cut right after leaves no empty one. With
    // kKeepBoth an existing destination stays and the copy gets the first free numbered name,
    // which no other upload into the folder can take at the same moment. Returns the path given.
    virtual std::string copyFile(const std::string& source, const std::string& destination,
                                 OnClash onClash, FolderFlush folderFlush) = 0;
    // Puts the names that copies gave in folder on the disk (after FolderFlush::kLater).
    virtual void flushFolder(const std::string& folder) = 0;
    // Starts a file that arrives in pieces into folder; 76 when the folder does not exist.
    virtual std::unique_ptr<IncomingFile> receive(const std::string& folder) = 0;
    // Removes the temporary files that copies into folder left when the program was killed in
    // the middle; never any other file, and none that a copy may still be writing: only those
    // untouched for a day. Whatever cannot be removed stays, unseen in listFiles.
    virtual void removeUnfinishedCopies(const std::string& folder) = 0;
    // Bytes free for this user on the disk that holds folder.
    virtual std::uint64_t freeSpace(const std::string& folder) = 0;
    // True when both paths name the same existing file.
    virtual bool sameFile(const std::string& a, const std::string& b) = 0;
    // The size and write time of a file; 53 when it is not there.
    virtual FileStamp stamp(const std::string& path) = 0;
    // Gives a file another name, in its folder or another folder of the same disk; never
    // replaces a file (58 when destination is taken, 53 when source is gone).
    virtual void moveFile(const std::string& source, const std::string& destination) = 0;
    // Removes a file; 53 when it is not there.
    virtual void removeFile(const std::string& path) = 0;
};

}  // namespace veltrana
