#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

// The few calls on a connected socket that the phone server makes itself, beside its web server
// library, which opens, accepts and configures the sockets.

namespace veltrana {

#ifdef _WIN32
using SocketHandle = std::uintptr_t;  // SOCKET
#else
using SocketHandle = int;
#endif

// Waits up to timeout for bytes or the end of the connection to arrive; false when neither did.
bool waitToRead(SocketHandle socket, std::chrono::milliseconds timeout);
// The bytes that have arrived, up to size: their count, 0 at the end, negative on failure.
long receiveSome(SocketHandle socket, char* data, std::size_t size);
// Sends up to size bytes: their count, negative on failure (a peer that has gone raises no
// signal).
long sendSome(SocketHandle socket, const char* data, std::size_t size);
// The peer's address ("192.168.1.5") and port; empty when the system cannot tell.
std::string peerAddress(SocketHandle socket, int& port);
// Makes a socket about to listen the only one on its port: no other program may listen there
// too (the web server library's default on Linux shares the port, which would hand some phones
// to another copy of the program), while a restart need not wait for the last connections to
// time out.
void ownPort(SocketHandle socket);
// Ends both directions and closes the socket.
void closeSocket(SocketHandle socket);

}  // namespace veltrana
