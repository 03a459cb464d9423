#pragma once

#include <string>
#include <vector>

// The file system as the handlers use it. Paths are UTF-8 texts joined with kSeparator.

namespace veltrana {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

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
    // Copies source to destination through a temporary file in the destination's folder that
    // is flushed to the disk and then renamed into place, so a failure never leaves a half file
    // or harms an existing destination, and a power cut right after leaves no empty one.
    virtual void copyFile(const std::string& source, const std::string& destination) = 0;
    // Removes the temporary files that copies into folder left when the program was killed in
    // the middle; never any other file. Whatever cannot be removed stays, unseen in listFiles.
    virtual void removeUnfinishedCopies(const std::string& folder) = 0;
    // True when both paths name the same existing file.
    virtual bool sameFile(const std::string& a, const std::string& b) = 0;
};

}  // namespace veltrana
