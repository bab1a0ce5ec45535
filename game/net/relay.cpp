#include "game/net/relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace {

int OpenSocket(uint16_t port) {
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        fcntl(s, F_SETFL, fcntl(s, F_GETFL) | O_NONBLOCK) != 0) {
        close(s);
        return -1;
    }
    return s;
}

bool SameAddress(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

}  // namespace

ASP_NetRelay::ASP_NetRelay(uint16_t port, Impairment i, ASP_NetClock c, uint32_t seed)
    : serverPort(port), impairment(i), clock(std::move(c)), random(seed) {}

ASP_NetRelay::~ASP_NetRelay() {
    for (const Line& line : lines) {
        close(line.socket);
    }
    if (listener >= 0) {
        close(listener);
    }
}

bool ASP_NetRelay::Open(uint16_t port) {
    listener = OpenSocket(port);
    return listener >= 0;
}

void ASP_NetRelay::Hold(int socket, const sockaddr_in& to, const uint8_t* data, size_t size) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    if (unit(random) < impairment.loss) {
        ++dropped;
        return;
    }
    const double due = clock() + impairment.delay + impairment.jitter * unit(random);
    held.push_back(Held{due, socket, to, std::vector<uint8_t>(data, data + size)});
}

void ASP_NetRelay::Pump() {
    uint8_t data[4096];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    for (ssize_t got;
         (got = recvfrom(listener, data, sizeof data, 0, reinterpret_cast<sockaddr*>(&from), &length)) > 0;
         length = sizeof from) {
        auto line = std::find_if(lines.begin(), lines.end(),
                                 [&](const Line& l) { return SameAddress(l.machine, from); });
        if (line == lines.end()) {
            const int s = OpenSocket(0);
            if (s < 0) {
                continue;
            }
            lines.push_back(Line{from, s});
            line = lines.end() - 1;
        }
        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        server.sin_port = htons(serverPort);
        Hold(line->socket, server, data, static_cast<size_t>(got));
    }
    for (const Line& line : lines) {
        for (ssize_t got; (got = recv(line.socket, data, sizeof data, 0)) > 0;) {
            Hold(listener, line.machine, data, static_cast<size_t>(got));
        }
    }
    const double now = clock();
    std::stable_sort(held.begin(), held.end(), [](const Held& a, const Held& b) { return a.due < b.due; });
    auto due = held.begin();
    for (; due != held.end() && due->due <= now; ++due) {
        sendto(due->socket, due->bytes.data(), due->bytes.size(), 0,
               reinterpret_cast<const sockaddr*>(&due->to), sizeof due->to);
    }
    held.erase(held.begin(), due);
}
