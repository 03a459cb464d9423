#include "store/phone_upload.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "platform/error.h"
#include "platform/random_token.h"
#include "model/folder_name.h"
#include "store/phone_page.h"

namespace veltrana {

namespace {

// Threads that serve connections. A phone keeps its connection (and so a thread) a few seconds
// after each request; a class's worth of phones must not wait for one another.
constexpr std::size_t kThreads = 24;
// Names get a number when they clash ("名字 (12).jpg"), and the whole must stay within the 255
// bytes that file systems allow.
constexpr std::size_t kLongestName = 200;

std::string jsonString(const std::string& text) {
    std::string json = "\"";
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (u < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            json += "\\u00";
            json += kHex[u >> 4];
            json += kHex[u & 0xF];
        } else {
            json += c;
        }
    }
    return json + "\"";
}

std::string jsonList(const std::vector<std::string>& texts) {
    std::string json = "[";
    for (const std::string& text : texts) {
        if (json.size() > 1) {
            json += ',';
        }
        json += jsonString(text);
    }
    return json + "]";
}

std::string catalogueJson(const PhoneCatalogue& catalogue) {
    std::string courses = "[";
    for (const PhoneCatalogue::Course& course : catalogue.courses) {
        if (courses.size() > 1) {
            courses += ',';
        }
        courses += "{\"name\":";
        courses += jsonString(course.name);
        courses += ",\"points\":";
        courses += jsonList(course.points);
        courses += '}';
    }
    return "{\"root\":" + jsonString(catalogue.root) +
           ",\"students\":" + jsonList(catalogue.students) + ",\"courses\":" + courses +
           "],\"selected\":[" + std::to_string(catalogue.student) + "," +
           std::to_string(catalogue.course) + "," + std::to_string(catalogue.point) + "]}";
}

// Index of the node with text among children, -1 when none has it.
int indexOfText(const KeyedTree& tree, const std::vector<int>& children, const std::string& text) {
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (tree.node(children[i]).text == text) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// "100 MB", or "64 KB" below a megabyte.
std::string sizeText(std::uint64_t bytes) {
    return bytes >= (1 << 20) ? std::to_string(bytes >> 20) + " MB"
                              : std::to_string(bytes >> 10) + " KB";
}

// A refusal: the HTTP status and the words the page shows.
struct Refusal {
    int status;
    std::string why;
};

// Comparing a token byte by byte in a time that does not tell how many bytes were right.
bool sameToken(const std::string& given, const std::string& token) {
    if (given.size() != token.size() || token.empty()) {
        return false;
    }
    unsigned char difference = 0;
    for (std::size_t i = 0; i < token.size(); ++i) {
        difference |= static_cast<unsigned char>(given[i] ^ token[i]);
    }
    return difference == 0;
}

}  // namespace

PhoneCatalogue phoneCatalogue(const KeyedTree& tree, const std::vector<std::string>& selected) {
    PhoneCatalogue catalogue;
    if (tree.topLevel().empty()) {
        return catalogue;
    }
    const int root = tree.topLevel().front();
    catalogue.root = tree.node(root).text;
    const std::vector<int>& students = tree.childrenOf(root);
    for (int student : students) {
        catalogue.students.push_back(tree.node(student).text);
    }
    // The courses and knowledge points of the first student are those of every student.
    const std::vector<int> none;
    const std::vector<int>& courses = students.empty() ? none : tree.childrenOf(students.front());
    for (int course : courses) {
        PhoneCatalogue::Course& added = catalogue.courses.emplace_back();
        added.name = tree.node(course).text;
        for (int point : tree.childrenOf(course)) {
            added.points.push_back(tree.node(point).text);
        }
    }
    if (selected.size() > 1 && selected[0] == catalogue.root) {
        catalogue.student = indexOfText(tree, students, selected[1]);
    }
    if (selected.size() > 2 && catalogue.student >= 0) {
        catalogue.course = indexOfText(tree, courses, selected[2]);
    }
    if (selected.size() > 3 && catalogue.course >= 0) {
        catalogue.point =
            indexOfText(tree, tree.childrenOf(courses[static_cast<std::size_t>(catalogue.course)]),
                        selected[3]);
    }
    return catalogue;
}

class PhoneServer::Impl {
public:
    Impl(FileSystem& fileSystem, std::string appPath, PhoneCatalogue catalogue, Listener arrived,
         PhoneLimits limits)
        : fileSystem_(fileSystem),
          appPath_(std::move(appPath)),
          catalogue_(std::move(catalogue)),
          catalogueJson_(catalogueJson(catalogue_)),
          arrived_(std::move(arrived)),
          limits_(limits),
          token_(randomToken()) {
        server_.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
        // Each answer is one small write that waits for nothing: without this the loopback's
        // delayed acknowledgement costs 40 ms a file.
        server_.set_tcp_nodelay(true);
        server_.set_read_timeout(limits_.stall);
        server_.set_write_timeout(limits_.stall);
        server_.set_payload_max_length(limits_.fileBytes);
        server_.set_pre_routing_handler(
            [this](const httplib::Request& request, httplib::Response& response) {
                if (sameToken(request.get_param_value("t"), token_)) {
                    return httplib::Server::HandlerResponse::Unhandled;
                }
                refuse(response, {403, "链接已失效，请扫描电脑上“手机上传”窗口中的二维码"});
                return httplib::Server::HandlerResponse::Handled;
            });
        server_.Get("/", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Cache-Control", "no-store");
            response.set_content(kPhonePage, "text/html; charset=utf-8");
        });
        server_.Get("/catalogue", [this](const httplib::Request&, httplib::Response& response) {
            response.set_header("Cache-Control", "no-store");
            response.set_content(catalogueJson_, "application/json; charset=utf-8");
        });
        server_.Post("/upload", [this](const httplib::Request& request, httplib::Response& response,
                                       const httplib::ContentReader& reader) {
            upload(request, response, reader);
        });
    }

    int start(const std::string& host) {
        int port = server_.bind_to_any_port(host);
        if (port < 0) {
            throw Error(err::kPathFileAccess, "无法在本机打开网络端口，手机上传不可用");
        }
        listener_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() does nothing to a server that is not running yet.
        while (!server_.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return port;
    }

    std::string pagePath() const { return "/?t=" + token_; }

    void stop() {
        stopping_ = true;
        server_.stop();
        if (listener_.joinable()) {
            listener_.join();  // after every request has ended
        }
        token_.clear();
    }

private:
    // Where a file goes, by the node's key "student.course.point".
    struct Target {
        std::string texts;
        std::string folder;
    };

    Target targetOf(const std::string& key) const {
        int s = -1;
        int c = -1;
        int p = -1;
        char end = 0;
        if (std::sscanf(key.c_str(), "%d.%d.%d%c", &s, &c, &p, &end) != 3 || s < 0 || c < 0 ||
            p < 0 || static_cast<std::size_t>(s) >= catalogue_.students.size() ||
            static_cast<std::size_t>(c) >= catalogue_.courses.size() ||
            static_cast<std::size_t>(p) >=
                catalogue_.courses[static_cast<std::size_t>(c)].points.size()) {
            throw Refusal{404, "没有这个知识点，请刷新页面后重新选择"};
        }
        const PhoneCatalogue::Course& course = catalogue_.courses[static_cast<std::size_t>(c)];
        std::vector<std::string> texts{catalogue_.root,
                                       catalogue_.students[static_cast<std::size_t>(s)],
                                       course.name, course.points[static_cast<std::size_t>(p)]};
        Target target{texts[0], nodeFolder(appPath_, texts)};
        for (std::size_t i = 1; i < texts.size(); ++i) {
            target.texts += "\\" + texts[i];
        }
        if (target.folder.empty()) {
            throw Refusal{409, kNoFolderText};
        }
        if (!fileSystem_.exists(target.folder)) {
            throw Refusal{409, errorText(Error(err::kPathNotFound,
                                               "路径未找到：“" + target.folder +
                                                   "”，请先在电脑上选择【新增文件】→ 生成文件夹"))};
        }
        return target;
    }

    Refusal tooLarge() const {
        return {413, "文件超过 " + sizeText(limits_.fileBytes) + "，不能上传"};
    }

    static Refusal closed() { return {503, "电脑上的“手机上传”窗口已关闭"}; }

    // Takes one file, the whole body of the request, into the target's folder; refuses before
    // any byte is written when the name, the size or the disk does not allow it. The body is the
    // file as it is, not a multipart form: parsing one costs twice the time of the whole upload.
    void upload(const httplib::Request& request, httplib::Response& response,
                const httplib::ContentReader& reader) {
        PhoneArrival arrival;
        arrival.name = request.get_param_value("name");
        std::unique_ptr<IncomingFile> file;
        std::optional<Refusal> refusal;
        try {
            Target target = targetOf(request.get_param_value("node"));
            arrival.target = target.texts;
            arrival.folder = target.folder;
            if (!isSafeFolderName(arrival.name) || arrival.name.front() == '.' ||
                arrival.name.size() > kLongestName) {
                throw Refusal{400, "“" + arrival.name + "”不能用作文件名，请改名后再上传"};
            }
            // Browsers send a file with its length; without one a limit could only cut it off.
            if (!request.has_header("Content-Length") || request.has_header("Transfer-Encoding")) {
                throw Refusal{411, "上传的数据没有注明长度"};
            }
            const auto declared = request.get_header_value<std::uint64_t>("Content-Length");
            if (declared == 0) {
                throw Refusal{400, "文件是空的"};
            }
            if (declared > limits_.fileBytes) {
                throw tooLarge();
            }
            if (fileSystem_.freeSpace(target.folder) < declared + limits_.keepFreeBytes) {
                throw Refusal{507, "电脑的磁盘空间不足"};
            }
            removeDeadCopiesOnce(target.folder);
            file = fileSystem_.receive(target.folder);
            const auto began = std::chrono::steady_clock::now();
            bool read = reader([&](const char* data, std::size_t size) {
                try {
                    take(arrival.bytes, size, began);
                    file->write(data, size);
                    return true;
                } catch (const Refusal& r) {
                    refusal = r;
                } catch (const Error& e) {
                    refusal = Refusal{500, errorText(e)};
                }
                return false;
            });
            if (!refusal && (!read || arrival.bytes != declared)) {
                refusal =
                    stopping_ ? closed() : Refusal{400, "文件没有完整收到（连接中断），请重新上传"};
            }
            if (!refusal) {
                arrival.name = file->land(arrival.name, OnClash::kKeepBoth);
            }
        } catch (const Refusal& r) {
            refusal = r;
        } catch (const Error& e) {
            refusal = Refusal{500, errorText(e)};
        }
        file.reset();  // an unlanded file's temporary file goes before anyone hears of it
        if (refusal) {
            arrival.failure = refusal->why;
            refuse(response, *refusal);
        } else {
            response.set_content(arrival.name, "text/plain; charset=utf-8");
        }
        arrived_(arrival);
    }

    // Counts size more bytes of a file against the limits of the file, the session and the
    // slowest rate.
    void take(std::uint64_t& bytes, std::size_t size, std::chrono::steady_clock::time_point began) {
        if (stopping_) {
            throw closed();
        }
        bytes += size;
        if (bytes > limits_.fileBytes) {
            throw tooLarge();
        }
        if (sessionBytes_.fetch_add(size) + size > limits_.sessionBytes) {
            throw Refusal{413, "本次上传的总量已超过 " + sizeText(limits_.sessionBytes) +
                                   "，请在电脑上关闭并重新打开“手机上传”"};
        }
        auto took = std::chrono::steady_clock::now() - began;
        if (took > limits_.slowAfter &&
            bytes < limits_.slowestBytesPerSecond *
                        static_cast<std::uint64_t>(
                            std::chrono::duration_cast<std::chrono::seconds>(took).count())) {
            throw Refusal{408, "网络太慢，上传超时，请靠近无线路由器后重新上传"};
        }
    }

    // Leftovers of copies that died go with the first upload into each folder, as they go with
    // an upload from the window.
    void removeDeadCopiesOnce(const std::string& folder) {
        {
            std::lock_guard lock(mutex_);
            if (!cleaned_.insert(folder).second) {
                return;
            }
        }
        fileSystem_.removeUnfinishedCopies(folder);
    }

    static void refuse(httplib::Response& response, const Refusal& refusal) {
        response.status = refusal.status;
        // What is left of a refused body is not read: the connection ends with the answer.
        response.set_header("Connection", "close");
        response.set_content(refusal.why, "text/plain; charset=utf-8");
    }

    FileSystem& fileSystem_;
    const std::string appPath_;
    const PhoneCatalogue catalogue_;
    const std::string catalogueJson_;
    const Listener arrived_;
    const PhoneLimits limits_;
    std::string token_;
    std::atomic<bool> stopping_ = false;
    std::atomic<std::uint64_t> sessionBytes_ = 0;
    std::mutex mutex_;
    std::set<std::string> cleaned_;
    httplib::Server server_;
    std::thread listener_;
};

PhoneServer::PhoneServer(FileSystem& fileSystem, std::string appPath, PhoneCatalogue catalogue,
                         Listener arrived, PhoneLimits limits)
    : impl_(std::make_unique<Impl>(fileSystem, std::move(appPath), std::move(catalogue),
                                   std::move(arrived), limits)) {}

PhoneServer::~PhoneServer() {
    stop();
}

int PhoneServer::start(const std::string& host) {
    return impl_->start(host);
}

std::string PhoneServer::pagePath() const {
    return impl_->pagePath();
}

void PhoneServer::stop() {
    impl_->stop();
}

}  // namespace veltrana
