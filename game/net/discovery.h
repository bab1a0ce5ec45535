#pragma once

#include <enet/enet.h>

#include <string>
#include <vector>

#include "engine/log.h"
#include "game/net/protocol.h"

// A server that answered a LAN search: where to join it and what it says of itself.
struct ASP_FoundServer {
    // HOST:PORT, as typed to join.
    std::string address;
    ASP_ServerInfo info;
};

// The client side of the LAN search: the question goes out once to every address given (the
// broadcast address finds the LAN's servers, 127.0.0.1 this machine's), then answers are collected
// for a while. Nothing waits: Update takes what has arrived, so a menu stays responsive meanwhile.
class ASP_LanSearch : public CLogSource {
public:
    static constexpr double kSeconds = 1.0;

    ASP_LanSearch() = default;
    ~ASP_LanSearch() override;
    ASP_LanSearch(const ASP_LanSearch&) = delete;
    ASP_LanSearch& operator=(const ASP_LanSearch&) = delete;

    // Forgets what was found and asks again; false, logged, when no question could be sent.
    bool Start(const std::vector<std::string>& addresses = {"255.255.255.255", "127.0.0.1"},
               uint16_t port = kDiscoveryPort);
    // Takes the answers that arrived; the search ends dt seconds nearer its end.
    void Update(double dt);
    bool Searching() const { return socket != ENET_SOCKET_NULL; }
    // Each server once, in the order they answered.
    const std::vector<ASP_FoundServer>& Found() const { return found; }

private:
    void Stop();

    ENetSocket socket = ENET_SOCKET_NULL;
    double left = 0.0;
    std::vector<ASP_FoundServer> found;
};
