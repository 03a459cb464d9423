#include "platform/socket.h"

#include <algorithm>
#include <cerrno>
#include <climits>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace veltrana {

namespace {

#ifdef _WIN32
using Length = int;
constexpr int kBothWays = SD_BOTH;
constexpr int kNoSignal = 0;
#else
using Length = std::size_t;
constexpr int kBothWays = SHUT_RDWR;
constexpr int kNoSignal = MSG_NOSIGNAL;
#endif

Length clamped(std::size_t size) {
    return static_cast<Length>(std::min<std::size_t>(size, INT_MAX));
}

}  // namespace

bool waitToRead(SocketHandle socket, std::chrono::milliseconds timeout) {
    pollfd waiting{};
    waiting.fd = socket;
    waiting.events = POLLIN;
    const int milliseconds = static_cast<int>(std::clamp<long long>(timeout.count(), 0, INT_MAX));
#ifdef _WIN32
    return WSAPoll(&waiting, 1, milliseconds) > 0;
#else
    int ready = 0;
    do {
        ready = ::poll(&waiting, 1, milliseconds);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
#endif
}

long receiveSome(SocketHandle socket, char* data, std::size_t size) {
    return static_cast<long>(::recv(socket, data, clamped(size), 0));
}

long sendSome(SocketHandle socket, const char* data, std::size_t size) {
    return static_cast<long>(::send(socket, data, clamped(size), kNoSignal));
}

std::string peerAddress(SocketHandle socket, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    port = 0;
    if (::getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return {};
    }
    char text[INET6_ADDRSTRLEN] = {};
    const void* bytes = nullptr;
    if (address.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
        bytes = &v4->sin_addr;
        port = ntohs(v4->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
        bytes = &v6->sin6_addr;
        port = ntohs(v6->sin6_port);
    } else {
        return {};
    }
    return ::inet_ntop(address.ss_family, bytes, text, sizeof(text)) ? text : std::string();
}

void ownPort(SocketHandle socket) {
    int yes = 1;
#ifdef _WIN32
    ::setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<char*>(&yes),
                 sizeof(yes));
#else
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
#endif
}

void closeSocket(SocketHandle socket) {
    ::shutdown(socket, kBothWays);
#ifdef _WIN32
    ::closesocket(socket);
#else
    ::close(socket);
#endif
}

}  // namespace veltrana
