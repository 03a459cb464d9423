#pragma once

#include <functional>
#include <memory>
#include <string>

#include "phone/landing.h"

// Photos straight from a phone: a small web server on this computer that serves one upload page
// and hands the files it receives to the landing while the "手机上传" dialog is open.

namespace veltrana {

// The port the server listens on, the same each time so that one firewall rule lets phones in
// every time, and the ports after it for when another program holds it. In the dynamic range,
// which is never assigned to a service; no common software listens there, unlike on 8080, 8000
// or 8888.
inline constexpr int kPhonePort = 53127;
inline constexpr int kPhonePorts = 5;

// The server. It answers only requests that carry its token; the page's link carries it.
class PhoneServer {
public:
    // One line per request, for whoever looks into a problem; the token is never in it.
    using Log = std::function<void(const std::string&)>;

    // arrived is called on the server's threads, one call per file; log by default writes to the
    // standard error.
    PhoneServer(FileSystem& fileSystem, std::string appPath, PhoneCatalogue catalogue,
                PhoneLanding::Listener arrived, PhoneLimits limits = {}, Log log = {});
    ~PhoneServer();
    PhoneServer(const PhoneServer&) = delete;
    PhoneServer& operator=(const PhoneServer&) = delete;

    // Serves on host ("0.0.0.0" for every interface) on the first free port of kPhonePort and
    // those after it, or on any free port when all are taken; returns the port.
    int start(const std::string& host);
    // True once a request that carried the token came: a phone found the page.
    bool reached() const;
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
