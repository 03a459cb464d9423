#pragma once

#include <string>
#include <vector>

#include "platform/form.h"
#include "report/mistakes.h"

namespace veltrana {

// The folder the exports go to, beside Data: "导出".
std::string exportFolder(const Form& form);

// What an export wrote: the paths of the files, in order, and whether the user stopped it.
struct Exported {
    std::vector<std::string> files;
    bool stopped = false;
};

// Writes each report as an A4 PDF into 导出 under its file name, or a numbered one when that is
// taken, showing progress through the window's progress facility. Each file is written under a
// hidden name and only named once it is whole, so a stop or a failure (a full disk) leaves no
// part of it; the files finished before stay. A failure propagates with the file's name.
Exported writeReportPdfs(Form& form, const std::vector<Report>& reports);

// The export as the teacher asks for it: writes the reports that have files, then opens the one
// PDF in the system's viewer, or 导出 when there are several, and says what could not be done.
void exportReports(Form& form, const std::vector<Report>& reports);

// Writes text as a file named name in 导出 (a numbered name when that is taken) and opens it.
void exportText(Form& form, const std::string& name, const std::string& text);

}  // namespace veltrana
