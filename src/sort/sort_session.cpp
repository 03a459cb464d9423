#include "sort/sort_session.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "model/folder_name.h"
#include "model/landing_name.h"
#include "platform/case_fold.h"
#include "platform/error.h"

namespace veltrana {

namespace {

// A photo being filed is claimed first by a hidden file of this name beside it, which only one
// copy of the program can make: two sorting windows on one inbox never file a photo twice.
constexpr char kClaimPrefix[] = ".sorting-";

// A claim this old was left by a copy of the program that was killed while filing: no filing
// takes that long. It holds its photo no more.
bool staleClaim(FileSystem& fileSystem, const std::string& claim) {
    using Clock = std::filesystem::file_time_type::clock;
    try {
        const Clock::duration made(fileSystem.stamp(claim).modified);
        return Clock::now().time_since_epoch() - made > std::chrono::hours(1);
    } catch (const Error&) {
        return false;  // gone meanwhile: the next claim finds out
    }
}

// Where a photo of that name lands in folder. Windows and the USB sticks Data travels on take
// IMG_0001.JPG and img_0001.jpg for one name, so a name there in another case is taken as it is,
// and the photo gets the next free number on every system.
std::string landingPath(FileSystem& fileSystem, const std::string& folder,
                        const std::string& name) {
    const std::u16string folded = caseFoldedUtf16(name);
    for (const std::string& there : fileSystem.listFiles(folder)) {
        if (caseFoldedUtf16(there) == folded) {
            return folder + kSeparator + there;
        }
    }
    return folder + kSeparator + name;
}

std::string nameOf(const std::string& path) {
    return path.substr(path.rfind(kSeparator) + 1);
}

std::string folderOf(const std::string& path) {
    return path.substr(0, path.rfind(kSeparator));
}

}  // namespace

std::vector<std::string> inboxPhotos(FileSystem& fileSystem, const std::string& appPath) {
    const std::string inbox = inboxFolder(appPath);
    fileSystem.createFolder(inbox);
    std::vector<std::string> paths;
    for (const std::string& name : fileSystem.listFiles(inbox)) {
        if (!name.starts_with('.')) {
            paths.push_back(inbox + kSeparator + name);
        }
    }
    std::ranges::sort(paths);
    return paths;
}

void orderByTakenTime(std::vector<std::string>& paths,
                      const std::function<std::string(const std::string&)>& timeOf) {
    std::vector<std::pair<std::string, std::string>> timed;
    for (std::string& path : paths) {
        timed.emplace_back(timeOf(path), std::move(path));
    }
    std::ranges::sort(timed);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        paths[i] = std::move(timed[i].second);
    }
}

SortSession::SortSession(FileSystem& fileSystem, SortCatalogue catalogue, std::string appPath,
                         const std::vector<std::string>& paths, bool move)
    : fileSystem_(fileSystem), catalogue_(std::move(catalogue)), appPath_(std::move(appPath)) {
    const std::string inbox = inboxFolder(appPath_);
    for (const std::string& path : paths) {
        photos_.push_back({path, move || folderOf(path) == inbox, {}});
    }
    to = {catalogue_.nodes.student, catalogue_.nodes.course, catalogue_.nodes.point};
}

std::string SortSession::file() {
    if (done()) {
        return {};
    }
    const std::string folder = catalogue_.folder(appPath_, to);
    if (folder.empty()) {
        throw Error(err::kPathNotFound, to.student < 0 || to.course < 0 || to.point < 0
                                            ? "请先选好学生、课程和知识点"
                                            : kNoFolderText);
    }
    Photo& photo = photos_[current_];
    const std::string name = nameOf(photo.path);
    if (std::string why = landingNameRefusal(name); !why.empty()) {
        throw Error(err::kPathFileAccess, "“" + name + "”不能归档：" + why);
    }
    std::string line;
    if (photo.moved) {
        line = fileMoving(photo, folder);
        if (photo.filed.empty()) {
            return line;  // dropped from the batch
        }
    } else {
        photo.filed = fileSystem_.copyFile(photo.path, landingPath(fileSystem_, folder, name),
                                           OnClash::kKeepBoth, FolderFlush::kNow);
    }
    filings_.push_back({current_, to, fileSystem_.stamp(photo.filed)});
    line = "“" + name + "”已归档到 " + catalogue_.describe(to);
    if (nameOf(photo.filed) != name) {
        line += "，名为“" + nameOf(photo.filed) + "”";
    }
    do {
        ++current_;
    } while (!done() && !photos_[current_].filed.empty());
    if (rollCall) {
        stepStudent(1);
    }
    return line;
}

std::string SortSession::fileMoving(Photo& photo, const std::string& folder) {
    const std::string name = nameOf(photo.path);
    const std::string from = folderOf(photo.path);
    const std::string claim = from + kSeparator + kClaimPrefix + name;
    for (bool retried = false;; retried = true) {
        try {
            fileSystem_.receive(from)->land(kClaimPrefix + name, OnClash::kRefuse);
            break;
        } catch (const Error& e) {
            if (e.number() != err::kFileAlreadyExists) {
                throw;
            }
            if (retried || !staleClaim(fileSystem_, claim)) {
                return dropCurrent("正由另一个程序整理");
            }
            fileSystem_.removeFile(claim);
        }
    }
    // The claim goes whatever happens, and only after the photo has left the inbox, so a copy that
    // claims it next finds it gone.
    struct Release {
        FileSystem& fileSystem;
        const std::string& claim;
        ~Release() {
            try {
                fileSystem.removeFile(claim);
            } catch (const Error&) {
                // A claim that stays hides nothing: the photo is either filed or still listed.
            }
        }
    } release{fileSystem_, claim};
    if (!fileSystem_.exists(photo.path)) {
        return dropCurrent("已不在待整理中（另一个程序已整理了它）");
    }
    photo.filed = fileSystem_.copyFile(photo.path, landingPath(fileSystem_, folder, name),
                                       OnClash::kKeepBoth, FolderFlush::kNow);
    fileSystem_.removeFile(photo.path);
    return {};
}

std::string SortSession::dropCurrent(const std::string& why) {
    std::string line = "“" + nameOf(photos_[current_].path) + "”" + why + "，已从这批照片中移除";
    photos_.erase(photos_.begin() + static_cast<std::ptrdiff_t>(current_));
    for (Filing& filing : filings_) {
        filing.photo -= filing.photo > current_ ? 1 : 0;
    }
    while (!done() && !photos_[current_].filed.empty()) {
        ++current_;
    }
    return line;
}

void SortSession::skip() {
    do {
        ++current_;
    } while (!done() && !photos_[current_].filed.empty());
}

void SortSession::stepStudent(int by) {
    const int count = static_cast<int>(catalogue_.nodes.students.size());
    if (count > 0) {
        to.student = std::clamp(to.student + by, 0, count - 1);
    }
}

std::string SortSession::undo() {
    if (filings_.empty()) {
        return "没有可以撤销的归档";
    }
    const Filing filing = filings_.back();
    Photo& photo = photos_[filing.photo];
    const std::string filedName = nameOf(photo.filed);
    bool unchanged = false;
    try {
        unchanged = fileSystem_.stamp(photo.filed) == filing.stamp;
    } catch (const Error&) {
        // gone: nothing to take back
    }
    if (!unchanged) {
        filings_.pop_back();
        return "“" + filedName + "”归档后已被修改或移走，没有撤销，它留在 " +
               catalogue_.describe(filing.to);
    }
    if (photo.moved) {
        fileSystem_.moveFile(photo.filed, photo.path);
    } else {
        fileSystem_.removeFile(photo.filed);
    }
    filings_.pop_back();
    photo.filed.clear();
    current_ = filing.photo;
    to = filing.to;
    return "已撤销：“" + nameOf(photo.path) + "”回到了原处";
}

}  // namespace veltrana
