#include "phone/server.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "phone/json.h"
#include "phone/page.h"
#include "phone/routes.h"
#include "platform/error.h"
#include "platform/random_token.h"
#include "platform/socket.h"

namespace veltrana {

namespace {

using Clock = std::chrono::steady_clock;

// Threads that serve connections: a class's worth of phones must not wait for one another.
constexpr std::size_t kThreads = 24;
// A file's bytes are taken from the system this much at a time, not in the library's 4 KB.
constexpr std::size_t kReadBytes = 256 << 10;
// How often a connection that waits for bytes looks whether the server stops.
constexpr std::chrono::milliseconds kStopCheck{100};

// When the connection that a pool thread has taken was accepted.
thread_local Clock::time_point acceptedAt;

// The library's pool, which tells each thread when the connection it takes was accepted: the
// time for the request head runs from there, also while the connection waited for a thread.
class StampingPool final : public httplib::ThreadPool {
public:
    using ThreadPool::ThreadPool;
    void enqueue(std::function<void()> serve) override {
        ThreadPool::enqueue([serve = std::move(serve), accepted = Clock::now()] {
            acceptedAt = accepted;
            serve();
        });
    }
};

// One connection as the library reads and writes it. Until its request head has been read it
// must come within the limits; every wait for bytes ends when the server stops.
class Connection final : public httplib::Stream {
public:
    Connection(socket_t socket, std::string address, int port, const PhoneLimits& limits,
               const std::atomic<bool>& stopping)
        : socket_(socket),
          address_(std::move(address)),
          port_(port),
          limits_(limits),
          stopping_(stopping),
          headEnds_(acceptedAt + limits.head),
          buffer_(kReadBytes) {}

    void headRead() { inHead_ = false; }
    bool inHead() const { return inHead_; }

    bool is_readable() const override { return next_ < end_ || waitForBytes(); }
    bool is_writable() const override { return !stopping_; }

    ssize_t read(char* data, std::size_t size) override {
        if (next_ == end_) {
            if (!waitForBytes()) {
                return -1;
            }
            const long got = receiveSome(socket_, buffer_.data(), buffer_.size());
            if (got <= 0) {
                return got;
            }
            next_ = 0;
            end_ = static_cast<std::size_t>(got);
        }
        size = std::min(size, end_ - next_);
        if (inHead_) {
            headBytes_ += size;
            if (headBytes_ > limits_.headBytes) {
                return -1;
            }
        }
        std::memcpy(data, buffer_.data() + next_, size);
        next_ += size;
        return static_cast<ssize_t>(size);
    }

    // All of it, or -1: the library takes a short write for a whole one.
    ssize_t write(const char* data, std::size_t size) override {
        for (std::size_t sent = 0; sent < size;) {
            const long n = sendSome(socket_, data + sent, size - sent);
            if (n <= 0) {
                return -1;
            }
            sent += static_cast<std::size_t>(n);
        }
        return static_cast<ssize_t>(size);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        ip = address_;
        port = port_;
    }
    // Nothing here asks which of this computer's addresses the phone reached.
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        ip.clear();
        port = 0;
    }
    socket_t socket() const override { return socket_; }

private:
    // Waits for bytes no longer than the stall limit allows, and during the head no longer than
    // its time.
    bool waitForBytes() const {
        Clock::time_point until = Clock::now() + limits_.stall;
        if (inHead_) {
            until = std::min(until, headEnds_);
        }
        while (!stopping_) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            if (left.count() <= 0) {
                return false;
            }
            if (waitToRead(socket_, std::min(left, kStopCheck))) {
                return true;
            }
        }
        return false;
    }

    const socket_t socket_;
    const std::string address_;
    const int port_;
    const PhoneLimits& limits_;
    const std::atomic<bool>& stopping_;
    const Clock::time_point headEnds_;
    bool inHead_ = true;
    std::size_t headBytes_ = 0;
    std::vector<char> buffer_;
    std::size_t next_ = 0;
    std::size_t end_ = 0;
};

// The library's server, serving each connection through a Connection, one request on each (a
// page sends a file a request, and a new connection costs nothing beside a photo), and no more
// connections from one address at a time than the limits allow.
class GuardedServer final : public httplib::Server {
public:
    GuardedServer(const PhoneLimits& limits, const std::atomic<bool>& stopping,
                  const PhoneServer::Log& log)
        : limits_(limits), stopping_(stopping), log_(log) {
        new_task_queue = [] { return new StampingPool(kThreads); };
    }

private:
    bool process_and_close_socket(socket_t socket) override {
        int port = 0;
        const std::string address = peerAddress(socket, port);
        bool served = false;
        if (enter(address)) {
            Connection connection(socket, address, port, limits_, stopping_);
            bool closedByClient = false;
            served = process_request(connection, true, closedByClient,
                                     [&connection](httplib::Request&) { connection.headRead(); });
            if (connection.inHead() && !stopping_) {
                log_("phone: " + address + " closed without a whole request in time");
            }
            leave(address);
        } else {
            log_("phone: " + address + " cut off: too many connections");
        }
        closeSocket(socket);
        return served;
    }

    bool enter(const std::string& address) {
        std::lock_guard lock(mutex_);
        int& held = held_[address];
        if (held >= limits_.connectionsPerAddress) {
            return false;
        }
        ++held;
        return true;
    }

    void leave(const std::string& address) {
        std::lock_guard lock(mutex_);
        if (--held_[address] == 0) {
            held_.erase(address);
        }
    }

    const PhoneLimits& limits_;
    const std::atomic<bool>& stopping_;
    const PhoneServer::Log& log_;
    std::mutex mutex_;
    std::map<std::string, int> held_;
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

int statusOf(Refusal refusal) {
    switch (refusal) {
        case Refusal::kNoSuchNode:
            return 404;
        case Refusal::kNoFolder:
            return 409;
        case Refusal::kNoLength:
            return 411;
        case Refusal::kTooLarge:
            return 413;
        case Refusal::kDiskFull:
            return 507;
        case Refusal::kTooSlow:
            return 408;
        case Refusal::kClosed:
            return 503;
        case Refusal::kFailed:
            return 500;
        case Refusal::kBadName:
        case Refusal::kEmpty:
        case Refusal::kBroken:
            break;
    }
    return 400;
}

void refuse(httplib::Response& response, int status, const std::string& why) {
    response.status = status;
    response.set_content(why, "text/plain; charset=utf-8");
}

// "phone: 192.168.1.5 POST /upload node=0.0.1 name=IMG_0001.JPG 200", without the token, and
// with what a client put into the names unable to break the line.
std::string logLine(const httplib::Request& request, const httplib::Response& response) {
    std::string line = "phone: " + request.remote_addr + " " + request.method + " " + request.path;
    for (const auto& [name, value] : request.params) {
        if (name != phone::kTokenParam) {
            line += " " + name + "=" + value;
        }
    }
    std::replace_if(
        line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, '?');
    return line + " " + std::to_string(response.status);
}

}  // namespace

class PhoneServer::Impl {
public:
    Impl(FileSystem& fileSystem, std::string appPath, PhoneCatalogue catalogue,
         PhoneLanding::Listener arrived, PhoneLimits limits, Log log)
        : landing_(fileSystem, std::move(appPath), std::move(catalogue), std::move(arrived),
                   limits),
          catalogueJson_(catalogueJson(landing_.catalogue())),
          log_(log ? std::move(log)
                   : [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }),
          token_(randomToken()),
          server_(landing_.limits(), stopping_, log_) {
        // Each answer is one small write that waits for nothing: without this the loopback's
        // delayed acknowledgement costs 40 ms a file.
        server_.set_tcp_nodelay(true);
        server_.set_socket_options([](socket_t socket) { ownPort(socket); });
        server_.set_read_timeout(limits.stall);
        server_.set_write_timeout(limits.stall);
        server_.set_payload_max_length(limits.fileBytes);
        server_.set_logger(
            [this](const httplib::Request& request, const httplib::Response& response) {
                log_(logLine(request, response));
            });
        server_.set_pre_routing_handler(
            [this](const httplib::Request& request, httplib::Response& response) {
                if (sameToken(request.get_param_value(phone::kTokenParam), token_)) {
                    reached_ = true;
                    return httplib::Server::HandlerResponse::Unhandled;
                }
                refuse(response, 403, "链接已失效，请扫描电脑上“手机上传”窗口中的二维码");
                return httplib::Server::HandlerResponse::Handled;
            });
        server_.Get("/", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Cache-Control", "no-store");
            response.set_content(phone::kPage, "text/html; charset=utf-8");
        });
        server_.Get(phone::kCatalogueRoute,
                    [this](const httplib::Request&, httplib::Response& response) {
                        response.set_header("Cache-Control", "no-store");
                        response.set_content(catalogueJson_, "application/json; charset=utf-8");
                    });
        server_.Post(
            phone::kUploadRoute,
            [this](const httplib::Request& request, httplib::Response& response,
                   const httplib::ContentReader& reader) { upload(request, response, reader); });
    }

    int start(const std::string& host) {
        int port = -1;
        for (int next = kPhonePort; port < 0 && next < kPhonePort + kPhonePorts; ++next) {
            if (server_.bind_to_port(host, next)) {
                port = next;
            }
        }
        if (port < 0) {
            // Phones still come in where no firewall stands in the way.
            port = server_.bind_to_any_port(host);
        }
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

    bool reached() const { return reached_; }

    std::string pagePath() const { return "/?" + std::string(phone::kTokenParam) + "=" + token_; }

    void stop() {
        stopping_ = true;
        landing_.close();
        server_.stop();
        if (listener_.joinable()) {
            listener_.join();  // after every request has ended
        }
        token_.clear();
    }

private:
    // One file, the whole body of the request. The body is the file as it is, not a multipart
    // form: parsing one costs twice the time of the whole upload.
    void upload(const httplib::Request& request, httplib::Response& response,
                const httplib::ContentReader& reader) {
        std::optional<std::uint64_t> length;
        // A body in chunks has no length that the limits could refuse it by.
        if (request.has_header("Content-Length") && !request.has_header("Transfer-Encoding")) {
            length = request.get_header_value<std::uint64_t>("Content-Length");
        }
        PhoneFile file = landing_.begin(request.get_param_value(phone::kNodeParam),
                                        request.get_param_value(phone::kNameParam), length);
        if (file.wanted()) {
            reader([&file](const char* data, std::size_t size) { return file.write(data, size); });
        }
        const PhoneArrival& arrival = file.end();
        if (arrival.refusal) {
            // What is left of a refused body is not read: the connection ends with the answer.
            refuse(response, statusOf(*arrival.refusal), arrival.failure);
        } else {
            response.set_content(arrival.name, "text/plain; charset=utf-8");
        }
    }

    PhoneLanding landing_;
    const std::string catalogueJson_;
    const Log log_;
    std::string token_;
    std::atomic<bool> stopping_ = false;
    std::atomic<bool> reached_ = false;
    GuardedServer server_;
    std::thread listener_;
};

PhoneServer::PhoneServer(FileSystem& fileSystem, std::string appPath, PhoneCatalogue catalogue,
                         PhoneLanding::Listener arrived, PhoneLimits limits, Log log)
    : impl_(std::make_unique<Impl>(fileSystem, std::move(appPath), std::move(catalogue),
                                   std::move(arrived), limits, std::move(log))) {}

PhoneServer::~PhoneServer() {
    stop();
}

int PhoneServer::start(const std::string& host) {
    return impl_->start(host);
}

bool PhoneServer::reached() const {
    return impl_->reached();
}

std::string PhoneServer::pagePath() const {
    return impl_->pagePath();
}

void PhoneServer::stop() {
    impl_->stop();
}

}  // namespace veltrana
