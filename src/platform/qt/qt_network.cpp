#include <QNetworkInterface>
#include <QUdpSocket>

#include "platform/network.h"

namespace veltrana {

namespace {

// The address the system sends from towards the internet: connecting a UDP socket only looks up
// the route, and sends nothing. Empty without a default route (a network without internet
// access may still have one; a cable between two computers has none).
std::string defaultRouteAddress() {
    QUdpSocket socket;
    socket.connectToHost(QHostAddress(QStringLiteral("192.0.2.1")), 9);  // a documentation address
    if (!socket.waitForConnected(500)) {
        return {};
    }
    return socket.localAddress().toString().toStdString();
}

}  // namespace

std::vector<NetworkAddress> phoneAddresses() {
    std::vector<NetworkAddress> candidates;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack)) {
            continue;
        }
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                candidates.push_back({interface.humanReadableName().toStdString(),
                                      entry.ip().toString().toStdString()});
            }
        }
    }
    return phoneReachable(candidates, defaultRouteAddress());
}

}  // namespace veltrana
