#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/keyed_tree.h"

// Photos straight from a phone: a small web server on this computer that serves one upload page
// and takes files into the knowledge points' folders while the "手机上传" dialog is open.

namespace veltrana {

// What the page offers: the class's students and, once, the courses with their knowledge points,
// which are the same for every student. A target is "student.course.point", indices into these.
struct PhoneCatalogue {
    struct Course {
        std::string name;
        std::vector<std::string> points;
    };
    std::string root;
    std::vector<std::string> students;
    std::vector<Course> courses;
    // The node selected in the window, as far down as it goes; -1 below that.
    int student = -1;
    int course = -1;
    int point = -1;
};

// The catalogue of the window's tree (root → students → courses → knowledge points), with the
// node whose texts are selected as the default target.
PhoneCatalogue phoneCatalogue(const KeyedTree& tree, const std::vector<std::string>& selected);

struct PhoneLimits {
    std::uint64_t fileBytes = 100ull << 20;      // one file: far above any phone's photo
    std::uint64_t sessionBytes = 4ull << 30;     // everything while the dialog is open
    std::uint64_t keepFreeBytes = 200ull << 20;  // left on the disk after a file
    std::chrono::seconds stall{15};              // the longest wait for the next bytes
    // A file that has taken longer than slowAfter must have come at this rate on average, so a
    // trickle of bytes cannot hold a connection for ever.
    std::chrono::seconds slowAfter{30};
    std::uint64_t slowestBytesPerSecond = 4096;
};

// One file's end, landed or not.
struct PhoneArrival {
    std::string name;    // the name it got, or the one it was sent with
    std::string target;  // the node's texts joined by "\", as the window's label shows them
    std::string folder;  // the node's folder
    std::uint64_t bytes = 0;
    std::string failure;  // empty when the file landed; else why, for the teacher to read
};

// The server. It answers only requests that carry its token; the page's link carries it.
class PhoneServer {
public:
    // arrived is called on the server's threads, one call per file.
    using Listener = std::function<void(const PhoneArrival&)>;

    PhoneServer(FileSystem& fileSystem, std::string appPath, PhoneCatalogue catalogue,
                Listener arrived, PhoneLimits limits = {});
    ~PhoneServer();
    PhoneServer(const PhoneServer&) = delete;
    PhoneServer& operator=(const PhoneServer&) = delete;

    // Serves on host ("0.0.0.0" for every interface) on a free port, which it returns.
    int start(const std::string& host);
    // The page's path with the token, for "http://<address>:<port>" to precede.
    std::string pagePath() const;
    // Breaks off the uploads in progress (their temporary files go), stops serving and forgets
    // the token; returns when every request has ended. Files already landed stay.
    void stop();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace veltrana
