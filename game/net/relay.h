#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <random>
#include <vector>

#include "game/net/protocol.h"

// A line as bad as the internet can be, on one machine: a UDP relay between the game's machines and
// a server that holds every datagram for a delay with some jitter (so that some overtake others)
// and drops a share of them. Tests and the network benchmark race through it.
class ASP_NetRelay {
public:
    struct Impairment {
        // Seconds each way, and up to this much more at random.
        double delay = 0.0;
        double jitter = 0.0;
        // Share of datagrams lost, each way.
        double loss = 0.0;
    };

    ASP_NetRelay(uint16_t serverPort, Impairment impairment, ASP_NetClock clock, uint32_t seed);
    ~ASP_NetRelay();
    ASP_NetRelay(const ASP_NetRelay&) = delete;
    ASP_NetRelay& operator=(const ASP_NetRelay&) = delete;

    // Listens on the port the machines send to; false when it cannot.
    bool Open(uint16_t port);
    // Takes what arrived on either side and passes on what is due.
    void Pump();
    int GetDropped() const { return dropped; }

private:
    // One machine's end: its address, and the socket the relay speaks to the server from for it.
    struct Line {
        sockaddr_in machine{};
        int socket = -1;
    };
    struct Held {
        double due = 0.0;
        int socket = -1;
        sockaddr_in to{};
        std::vector<uint8_t> bytes;
    };

    void Hold(int socket, const sockaddr_in& to, const uint8_t* data, size_t size);

    uint16_t serverPort;
    Impairment impairment;
    ASP_NetClock clock;
    std::mt19937 random;
    int listener = -1;
    std::vector<Line> lines;
    std::vector<Held> held;
    int dropped = 0;
};
