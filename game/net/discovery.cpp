#include "game/net/discovery.h"

#include <algorithm>

namespace {

std::string AddressText(const ENetAddress& address) {
    char host[64] = "";
    if (enet_address_get_host_ip(&address, host, sizeof host) != 0) {
        return "";
    }
    return std::string(host);
}

}  // namespace

ASP_LanSearch::~ASP_LanSearch() {
    Stop();
}

void ASP_LanSearch::Stop() {
    if (socket != ENET_SOCKET_NULL) {
        enet_socket_destroy(socket);
        socket = ENET_SOCKET_NULL;
    }
}

bool ASP_LanSearch::Start(const std::vector<std::string>& addresses, uint16_t port) {
    Stop();
    found.clear();
    if (enet_initialize() != 0) {
        LogLine(LOG_ERROR, "The network cannot be started: no search on the LAN.");
        return false;
    }
    socket = enet_socket_create(ENET_SOCKET_TYPE_DATAGRAM);
    if (socket == ENET_SOCKET_NULL || enet_socket_set_option(socket, ENET_SOCKOPT_NONBLOCK, 1) != 0 ||
        enet_socket_set_option(socket, ENET_SOCKOPT_BROADCAST, 1) != 0) {
        LogLine(LOG_ERROR, "No socket for a search on the LAN.");
        Stop();
        return false;
    }
    const std::vector<uint8_t> question = EncodeSearch();
    int sent = 0;
    for (const std::string& name : addresses) {
        ENetAddress to{};
        to.port = port;
        if (enet_address_set_host_ip(&to, name.c_str()) != 0) {
            LogLine(LOG_WARNING, "The search skips " + name + ": it is no IPv4 address.");
            continue;
        }
        ENetBuffer buffer;
        buffer.data = const_cast<uint8_t*>(question.data());
        buffer.dataLength = question.size();
        // A network without broadcast refuses that one; the other addresses are still asked.
        sent += enet_socket_send(socket, &to, &buffer, 1) > 0 ? 1 : 0;
    }
    if (sent == 0) {
        LogLine(LOG_WARNING, "The search on the LAN could not be sent.");
        Stop();
        return false;
    }
    left = kSeconds;
    return true;
}

void ASP_LanSearch::Update(double dt) {
    if (socket == ENET_SOCKET_NULL) {
        return;
    }
    uint8_t data[256];
    ENetBuffer buffer;
    buffer.data = data;
    buffer.dataLength = sizeof data;
    ENetAddress from{};
    for (int got = enet_socket_receive(socket, &from, &buffer, 1); got > 0;
         got = enet_socket_receive(socket, &from, &buffer, 1)) {
        const std::optional<ASP_ServerInfo> info = DecodeServerInfo(data, static_cast<size_t>(got));
        const std::string host = AddressText(from);
        if (!info || host.empty()) {
            continue;
        }
        ASP_FoundServer server{host + ":" + std::to_string(info->port), *info};
        // Asked both by broadcast and directly, a server answers twice.
        if (std::none_of(found.begin(), found.end(),
                         [&](const ASP_FoundServer& f) { return f.address == server.address; })) {
            found.push_back(std::move(server));
        }
    }
    left -= dt;
    if (left <= 0.0) {
        Stop();
    }
}
