#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "phone/catalogue.h"
#include "platform/file_system.h"

// Where the files from phones land while the "手机上传" dialog is open: the node a file is for,
// the name and the limits it must keep, and its way into the node's folder. Nothing here knows of
// the network; the server hands over what a request says and the bytes as they come.

namespace veltrana {

struct PhoneLimits {
    // What a file may be.
    std::uint64_t fileBytes = 100ull << 20;      // one file: far above any phone's photo
    std::uint64_t sessionBytes = 4ull << 30;     // everything while the dialog is open
    std::uint64_t keepFreeBytes = 200ull << 20;  // left on the disk after a file
    // A file that has taken longer than slowAfter must have come at this rate on average, so a
    // trickle of bytes cannot hold a connection for ever.
    std::chrono::seconds slowAfter{30};
    std::uint64_t slowestBytesPerSecond = 4096;
    // What a connection may do, kept by the server.
    std::chrono::seconds stall{15};  // the longest wait for the next bytes
    // From its arrival a connection has this long to send its request up to the blank line after
    // the headers, in at most headBytes: a client that dawdles or babbles there is cut off before
    // anyone has checked its token.
    std::chrono::milliseconds head{5000};
    std::size_t headBytes = 16 << 10;
    // A phone sends one file at a time; more connections from one address are cut off at once, so
    // one client cannot take the threads that serve everybody.
    int connectionsPerAddress = 4;
};

// The target of the files that go to 待整理, for the teacher to file later on the computer.
inline constexpr char kInboxTarget[] = "先不分类（回电脑整理）";

// Why a file did not land.
enum class Refusal {
    kNoSuchNode,  // not in the catalogue: the page is older than the dialog
    kNoFolder,    // the node can have no folder, or 生成文件夹 has not made it yet
    kBadName,
    kNoLength,  // the length was not announced, so no limit could refuse the file in time
    kEmpty,
    kTooLarge,  // the file, or everything while the dialog is open
    kDiskFull,
    kTooSlow,
    kBroken,  // fewer bytes came than were announced
    kClosed,  // the dialog closed
    kFailed,  // the file system failed
};

// One file's end, landed or not.
struct PhoneArrival {
    std::string name;    // the name it got, or the one it was sent with
    std::string target;  // the node's texts below the class, joined by "\"
    std::string folder;  // the node's folder
    std::uint64_t bytes = 0;
    std::optional<Refusal> refusal;
    std::string failure;  // empty when the file landed; else why, for the teacher to read
};

class PhoneLanding;

// One file on its way from a phone: checked before its first byte, written under a temporary
// name as its bytes come, and at its end named in the node's folder, or gone.
class PhoneFile {
public:
    PhoneFile(PhoneFile&&) = default;

    // False once the file is refused: no more of its bytes are wanted.
    bool wanted() const { return !arrival_.refusal; }
    // Takes the next bytes; false when they make the file refused.
    bool write(const char* data, std::size_t size);
    // After the last bytes came, or the connection broke off: lands the file when every byte that
    // was announced came and nothing refused it, else removes what was written. Tells the
    // landing's listener how the file ended, and returns that. Call once.
    const PhoneArrival& end();

private:
    friend class PhoneLanding;
    explicit PhoneFile(PhoneLanding& landing);
    void start(const std::string& node, std::optional<std::uint64_t> length);
    // Finds the node's folder; false when the file is refused for it.
    bool findNode(const std::string& node);
    void refuse(Refusal refusal, std::string why);
    // Writes what is pending to the file.
    void writePending();

    PhoneLanding& landing_;
    PhoneArrival arrival_;
    std::uint64_t length_ = 0;
    std::unique_ptr<IncomingFile> file_;
    // The bytes not yet written: the network brings a few kilobytes at a time, and a system call
    // for each would cost more than the rest of the way.
    std::vector<char> pending_;
    std::chrono::steady_clock::time_point began_;
};

// The landing of one opening of the dialog, shared by all its requests (on any thread).
class PhoneLanding {
public:
    using Listener = std::function<void(const PhoneArrival&)>;

    // arrived hears of every file's end, on the thread that ended it.
    PhoneLanding(FileSystem& fileSystem, std::string appPath, PhoneCatalogue catalogue,
                 Listener arrived, PhoneLimits limits = {});

    const PhoneCatalogue& catalogue() const { return catalogue_; }
    const PhoneLimits& limits() const { return limits_; }

    // A file for the node "student.course.point" of the catalogue under name, with the length
    // the phone announced (none when it sent none). It is refused at once when the node, the
    // name, the length or the disk does not allow it.
    PhoneFile begin(const std::string& node, const std::string& name,
                    std::optional<std::uint64_t> length);
    // From now on every file is refused, also those on their way; what landed stays.
    void close() { closed_ = true; }

private:
    friend class PhoneFile;
    // Leftovers of copies that died go with the first file into each folder, as they go with an
    // upload from the window.
    void removeDeadCopiesOnce(const std::string& folder);

    FileSystem& fileSystem_;
    const std::string appPath_;
    const PhoneCatalogue catalogue_;
    const Listener arrived_;
    const PhoneLimits limits_;
    std::atomic<bool> closed_ = false;
    std::atomic<std::uint64_t> sessionBytes_ = 0;
    std::mutex mutex_;
    std::set<std::string> cleaned_;
};

}  // namespace veltrana
