#pragma once

#include <string>

namespace veltrana {

// What the system says about the folder the program runs from, for the check at start-up.
struct ProgramFolderFacts {
    bool writable = true;
    // The OneDrive folder that holds the program's folder; empty when none does.
    std::string syncedFolder;
    // Where a teacher can keep the program instead: D:\班级文件库 on Windows (C: without a
    // D: disk), a folder in the home folder elsewhere.
    std::string suggestedFolder;
};

// Asks the system; writable means a file could be made (and was removed again) in folder.
ProgramFolderFacts programFolderFacts(const std::string& folder);

// What the status line says about the program's folder at start-up; empty when all is well. A
// folder that cannot be written names where to move it. One that OneDrive keeps in step says so
// at every start, since the program keeps nothing that could remember having said it.
std::string folderAdvice(const ProgramFolderFacts& facts);

// The OneDrive folders the system names, and the place it suggests: per system.
std::string syncedFolderOf(const std::string& folder);
std::string suggestedProgramFolder();

}  // namespace veltrana
