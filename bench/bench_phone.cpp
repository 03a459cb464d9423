#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "bench/bench_support.h"
#include "phone/routes.h"
#include "phone/server.h"
#include "platform/fs/std_file_system.h"
#include "tests/support/fakes.h"

namespace veltrana::bench {

namespace {

constexpr int kPhotos = 40;
constexpr std::size_t kPhotoBytes = 4 << 20;
constexpr int kRuns = 5;

// Forty 4 MB photos as a phone holds them, as little to compress as a JPEG.
std::vector<std::string> photos() {
    std::mt19937 random(7);
    std::vector<std::string> taken(kPhotos, std::string(kPhotoBytes, '\0'));
    for (std::string& photo : taken) {
        for (char& byte : photo) {
            byte = static_cast<char>(random());
        }
    }
    return taken;
}

std::string nameOf(int i) {
    return "IMG_" + std::to_string(1000 + i) + ".JPG";
}

void emptyFolder(const std::string& folder) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
}

// The baseline: the same bytes over one bare loopback connection, each photo after its length,
// into the same loop that lands a phone's file: written as they come, then flushed and named.
double bareSocketSeconds(FileSystem& files, const std::string& folder,
                         const std::vector<std::string>& sent) {
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const auto began = std::chrono::steady_clock::now();
    std::thread phone([&] {
        int connection = ::socket(AF_INET, SOCK_STREAM, 0);
        ::connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        for (const std::string& photo : sent) {
            std::uint64_t size = photo.size();
            ::send(connection, &size, sizeof(size), 0);
            for (std::size_t at = 0; at < photo.size();) {
                at += static_cast<std::size_t>(
                    ::send(connection, photo.data() + at, photo.size() - at, 0));
            }
        }
        ::close(connection);
    });
    int connection = ::accept(listener, nullptr, nullptr);
    std::vector<char> buffer(64 << 10);
    for (int i = 0; i < kPhotos; ++i) {
        std::uint64_t size = 0;
        ::recv(connection, &size, sizeof(size), MSG_WAITALL);
        auto file = files.receive(folder);
        while (size > 0) {
            ssize_t got = ::recv(connection, buffer.data(), std::min(buffer.size(), size), 0);
            file->write(buffer.data(), static_cast<std::size_t>(got));
            size -= static_cast<std::uint64_t>(got);
        }
        file->land(nameOf(i), OnClash::kKeepBoth);
    }
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - began;
    phone.join();
    ::close(connection);
    ::close(listener);
    return took.count();
}

}  // namespace

// The forty photos sent from one phone over the loopback, one request each as the page sends
// them, against the bare socket.
void benchPhone() {
    test::TempDir dir;
    const std::string folder = dir.path() + "/Data/学生1/物理/力学";
    const std::vector<std::string> sent = photos();
    StdFileSystem files;
    PhoneServer server(
        files, dir.path(),
        {{{"学生1", "学生1"}}, {{{"物理", "物理"}, {{"力学", "力学"}}}}, 0, 0, 0},
        [](const PhoneArrival&) {}, {}, [](const std::string&) {});
    httplib::Client phone("127.0.0.1", server.start("127.0.0.1"));
    phone.set_tcp_nodelay(true);  // as browsers send
    const std::string path = std::string(phone::kUploadRoute) + server.pagePath().substr(1) + "&" +
                             phone::kNodeParam + "=0.0.0&" + phone::kNameParam + "=";
    int landed = 0;
    auto send = [&] {
        for (int i = 0; i < kPhotos; ++i) {
            auto result = phone.Post((path + nameOf(i)).c_str(), sent[static_cast<std::size_t>(i)],
                                     "image/jpeg");
            landed += result && result->status == 200 ? 1 : 0;
        }
    };
    double ours = 1e300;
    double bare = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        emptyFolder(folder);
        landed = 0;
        ours = std::min(ours, bestSeconds(1, send));
        emptyFolder(folder);
        bare = std::min(bare, bareSocketSeconds(files, folder, sent));
    }
    if (landed != kPhotos || test::filesIn(folder).size() != sent.size()) {
        std::fprintf(stderr, "phone_upload_vs_socket: %d of %zu photos landed\n", landed,
                     sent.size());
    }
    report("phone_upload_vs_socket", ours, bare);
}

}  // namespace veltrana::bench
