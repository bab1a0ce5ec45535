#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct _ENetPeer;

#include "game/sim/command.h"

// What the game and its server say to each other over the network, and how it is packed: a type
// byte, then the fields, little-endian, strings as a length byte and their bytes. Decoding checks
// every size and value; a packet that breaks any rule is refused whole (and counted by the caller),
// never half read.

constexpr uint16_t kProtocolVersion = 4;
// The port a server listens on unless told otherwise, and the one servers answer LAN searches on.
constexpr uint16_t kDefaultPort = 27960;
constexpr uint16_t kDiscoveryPort = 27961;
// Cars a network race takes at most, and local players one machine brings.
constexpr int kMaxNetCars = 8;
constexpr int kMaxLocalPlayers = 4;
// The machine number of a computer car.
constexpr uint8_t kComputerClient = 255;
// Steps of commands one packet carries at most.
constexpr int kMaxStepsPerPacket = 120;
// Longest name, car or track text a packet carries.
constexpr size_t kMaxText = 64;

// How both ends treat the line: a machine that stops answering is taken for gone within seconds,
// not half a minute; and a line that grows slow is not made slower still by holding packets back
// (the game sends little, and every packet of it is needed now).
void ConfigurePeer(_ENetPeer* peer);

// Seconds on a steady clock; tests run the network's clocks on one of their own.
using ASP_NetClock = std::function<double()>;
ASP_NetClock SteadyClock();

enum class ASP_MessageType : uint8_t {
    Hello = 1,
    Refused,
    Welcome,
    Lobby,
    Ready,
    ChooseTrack,
    Start,
    Inputs,
    Steps,
    Over,
};

// A player's machine asks to join: its version, the password, its name and its players' cars.
struct ASP_HelloMessage {
    uint16_t protocol = kProtocolVersion;
    std::string gameVersion;
    std::string password;
    std::string name;
    std::vector<std::string> cars;
};

struct ASP_RefusedMessage {
    std::string reason;
};

// The machine is in: its number, which also tells its cars in the lobby.
struct ASP_WelcomeMessage {
    uint8_t client = 0;
};

struct ASP_LobbyPlayer {
    // kComputerClient for a computer car.
    uint8_t client = 0;
    std::string name;
    std::string car;
    bool ready = false;
};

struct ASP_LobbyMessage {
    std::string world;
    std::string trackName;
    uint8_t laps = 1;
    uint8_t maxPlayers = kMaxNetCars;
    std::vector<ASP_LobbyPlayer> players;
};

// A machine is ready (or no longer), with its players' cars.
struct ASP_ReadyMessage {
    bool ready = false;
    std::vector<std::string> cars;
};

// The host picks the track.
struct ASP_ChooseTrackMessage {
    std::string world;
};

struct ASP_StartCar {
    std::string car;
    // The machine whose player drives it; kComputerClient for a computer car.
    uint8_t client = kComputerClient;
    std::string name;
};

// A race begins: everything each machine needs to run the same race.
struct ASP_StartMessage {
    uint64_t seed = 0;
    std::string world;
    uint8_t laps = 1;
    uint8_t difficulty = 1;
    std::vector<ASP_StartCar> cars;
};

// A machine's commands for its cars, for steps from firstStep on, by step then car; and what it has
// of the server's steps: all of them before stepsUpTo, and whether later ones came without some of
// those between (so the server sends it the missing ones again).
struct ASP_InputsMessage {
    uint32_t firstStep = 0;
    uint8_t cars = 0;
    std::vector<ASP_Command> commands;
    uint32_t stepsUpTo = 0;
    bool missing = false;
};

// The race as the server ran it: the command every car drove with at each step from firstStep
// on (by step then car, computer cars' too); the cars computer drivers took over from a step on;
// how many steps early (positive) or late the receiving machine's commands arrive; and the state
// hash after the last step.
struct ASP_StepsMessage {
    uint32_t firstStep = 0;
    uint8_t cars = 0;
    std::vector<ASP_Command> commands;
    std::vector<std::pair<uint32_t, uint8_t>> takeovers;
    int8_t lead = 0;
    // The receiving machine's commands are all in up to this step (exclusive): it sends no more of
    // them again.
    uint32_t inputsUpTo = 0;
    uint64_t hash = 0;
};

// The race is over after this step; its final state hash.
struct ASP_OverMessage {
    uint32_t lastStep = 0;
    uint64_t hash = 0;
};

// One message of any type.
struct ASP_Message {
    ASP_MessageType type = ASP_MessageType::Hello;
    ASP_HelloMessage hello;
    ASP_RefusedMessage refused;
    ASP_WelcomeMessage welcome;
    ASP_LobbyMessage lobby;
    ASP_ReadyMessage ready;
    ASP_ChooseTrackMessage chooseTrack;
    ASP_StartMessage start;
    ASP_InputsMessage inputs;
    ASP_StepsMessage steps;
    ASP_OverMessage over;
};

std::vector<uint8_t> Encode(const ASP_HelloMessage& m);
std::vector<uint8_t> Encode(const ASP_RefusedMessage& m);
std::vector<uint8_t> Encode(const ASP_WelcomeMessage& m);
std::vector<uint8_t> Encode(const ASP_LobbyMessage& m);
std::vector<uint8_t> Encode(const ASP_ReadyMessage& m);
std::vector<uint8_t> Encode(const ASP_ChooseTrackMessage& m);
std::vector<uint8_t> Encode(const ASP_StartMessage& m);
std::vector<uint8_t> Encode(const ASP_InputsMessage& m);
std::vector<uint8_t> Encode(const ASP_StepsMessage& m);
std::vector<uint8_t> Encode(const ASP_OverMessage& m);

// The message of a packet, or nothing for one that breaks a rule of its type.
std::optional<ASP_Message> Decode(const uint8_t* data, size_t size);

// The question a machine broadcasts on the LAN, and a server's answer: its port, name, track and
// players.
struct ASP_ServerInfo {
    uint16_t port = kDefaultPort;
    std::string name;
    std::string trackName;
    uint8_t players = 0;
    uint8_t maxPlayers = kMaxNetCars;
};
std::vector<uint8_t> EncodeSearch();
bool IsSearch(const uint8_t* data, size_t size);
std::vector<uint8_t> Encode(const ASP_ServerInfo& info);
std::optional<ASP_ServerInfo> DecodeServerInfo(const uint8_t* data, size_t size);
