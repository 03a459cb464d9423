#include "phone/landing.h"

#include <cstdio>

#include "model/folder_name.h"
#include "model/landing_name.h"
#include "phone/routes.h"
#include "platform/error.h"

namespace veltrana {

namespace {

// What is written to the file at a time.
constexpr std::size_t kPendingBytes = 256 << 10;

// "100 MB", or "64 KB" below a megabyte.
std::string sizeText(std::uint64_t bytes) {
    return bytes >= (1 << 20) ? std::to_string(bytes >> 20) + " MB"
                              : std::to_string(bytes >> 10) + " KB";
}

}  // namespace

PhoneFile::PhoneFile(PhoneLanding& landing)
    : landing_(landing), began_(std::chrono::steady_clock::now()) {}

void PhoneFile::refuse(Refusal refusal, std::string why) {
    if (!arrival_.refusal) {
        arrival_.refusal = refusal;
        arrival_.failure = std::move(why);
    }
    file_.reset();  // its temporary file goes before anyone hears of it
}

bool PhoneFile::findNode(const std::string& node) {
    if (node == phone::kInboxNode) {
        arrival_.target = kInboxTarget;
        arrival_.folder = inboxFolder(landing_.appPath_);
        landing_.fileSystem_.createFolder(arrival_.folder);
        return true;
    }
    const PhoneCatalogue& catalogue = landing_.catalogue_;
    int s = -1;
    int c = -1;
    int p = -1;
    char end = 0;
    if (std::sscanf(node.c_str(), "%d.%d.%d%c", &s, &c, &p, &end) != 3 || s < 0 || c < 0 || p < 0 ||
        static_cast<std::size_t>(s) >= catalogue.students.size() ||
        static_cast<std::size_t>(c) >= catalogue.courses.size() ||
        static_cast<std::size_t>(p) >=
            catalogue.courses[static_cast<std::size_t>(c)].points.size()) {
        refuse(Refusal::kNoSuchNode, "没有这个知识点，请刷新页面后重新选择");
        return false;
    }
    const PhoneCatalogue::Node& student = catalogue.students[static_cast<std::size_t>(s)];
    const PhoneCatalogue::Course& course = catalogue.courses[static_cast<std::size_t>(c)];
    const PhoneCatalogue::Node& point = course.points[static_cast<std::size_t>(p)];
    arrival_.target = student.name + "\\" + course.node.name + "\\" + point.name;
    // The folder names are the entries' own; an empty one leaves the node without a folder.
    arrival_.folder =
        nodeFolder(landing_.appPath_, {{}, student.folder, course.node.folder, point.folder});
    if (arrival_.folder.empty()) {
        refuse(Refusal::kNoFolder, kNoFolderText);
        return false;
    }
    if (!landing_.fileSystem_.exists(arrival_.folder)) {
        refuse(Refusal::kNoFolder,
               errorText(
                   Error(err::kPathNotFound, "路径未找到：“" + arrival_.folder +
                                                 "”，请先在电脑上选择【新增文件】→ 生成文件夹")));
        return false;
    }
    return true;
}

void PhoneFile::start(const std::string& node, std::optional<std::uint64_t> length) {
    const PhoneLimits& limits = landing_.limits_;
    if (!findNode(node)) {
        return;
    }
    if (std::string why = landingNameRefusal(arrival_.name); !why.empty()) {
        return refuse(Refusal::kBadName, why);
    }
    if (!length) {
        return refuse(Refusal::kNoLength, "上传的数据没有注明长度");
    }
    length_ = *length;
    if (length_ == 0) {
        return refuse(Refusal::kEmpty, "文件是空的");
    }
    if (length_ > limits.fileBytes) {
        return refuse(Refusal::kTooLarge, "文件超过 " + sizeText(limits.fileBytes) + "，不能上传");
    }
    if (landing_.fileSystem_.freeSpace(arrival_.folder) < length_ + limits.keepFreeBytes) {
        return refuse(Refusal::kDiskFull, "电脑的磁盘空间不足");
    }
    landing_.removeDeadCopiesOnce(arrival_.folder);
    file_ = landing_.fileSystem_.receive(arrival_.folder);
    pending_.reserve(std::min<std::uint64_t>(length_, kPendingBytes));
}

bool PhoneFile::write(const char* data, std::size_t size) {
    if (!wanted()) {
        return false;
    }
    const PhoneLimits& limits = landing_.limits_;
    arrival_.bytes += size;
    const auto took =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - began_);
    if (landing_.closed_) {
        refuse(Refusal::kClosed, "电脑上的“手机上传”窗口已关闭");
    } else if (arrival_.bytes > length_) {
        refuse(Refusal::kBroken, "收到的数据比注明的长度多");
    } else if (landing_.sessionBytes_.fetch_add(size) + size > limits.sessionBytes) {
        refuse(Refusal::kTooLarge, "本次上传的总量已超过 " + sizeText(limits.sessionBytes) +
                                       "，请在电脑上关闭并重新打开“手机上传”");
    } else if (took > limits.slowAfter &&
               arrival_.bytes <
                   limits.slowestBytesPerSecond * static_cast<std::uint64_t>(took.count())) {
        refuse(Refusal::kTooSlow, "网络太慢，上传超时，请靠近无线路由器后重新上传");
    } else {
        pending_.insert(pending_.end(), data, data + size);
        if (pending_.size() >= kPendingBytes) {
            writePending();
        }
    }
    return wanted();
}

void PhoneFile::writePending() {
    try {
        file_->write(pending_.data(), pending_.size());
        pending_.clear();
    } catch (const Error& e) {
        refuse(Refusal::kFailed, errorText(e));
    }
}

const PhoneArrival& PhoneFile::end() {
    if (wanted() && arrival_.bytes != length_) {
        if (landing_.closed_) {
            refuse(Refusal::kClosed, "电脑上的“手机上传”窗口已关闭");
        } else {
            refuse(Refusal::kBroken, "文件没有完整收到（连接中断），请重新上传");
        }
    }
    if (wanted()) {
        writePending();
    }
    if (wanted()) {
        try {
            arrival_.name = file_->land(arrival_.name, OnClash::kKeepBoth);
        } catch (const Error& e) {
            refuse(Refusal::kFailed, errorText(e));
        }
        file_.reset();
    }
    landing_.arrived_(arrival_);
    return arrival_;
}

PhoneLanding::PhoneLanding(FileSystem& fileSystem, std::string appPath, PhoneCatalogue catalogue,
                           Listener arrived, PhoneLimits limits)
    : fileSystem_(fileSystem),
      appPath_(std::move(appPath)),
      catalogue_(std::move(catalogue)),
      arrived_(std::move(arrived)),
      limits_(limits) {}

PhoneFile PhoneLanding::begin(const std::string& node, const std::string& name,
                              std::optional<std::uint64_t> length) {
    PhoneFile file(*this);
    file.arrival_.name = name;
    try {
        file.start(node, length);
    } catch (const Error& e) {
        file.refuse(Refusal::kFailed, errorText(e));
    }
    return file;
}

void PhoneLanding::removeDeadCopiesOnce(const std::string& folder) {
    {
        std::lock_guard lock(mutex_);
        if (!cleaned_.insert(folder).second) {
            return;
        }
    }
    fileSystem_.removeUnfinishedCopies(folder);
}

}  // namespace veltrana
