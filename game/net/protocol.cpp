#include "game/net/protocol.h"

#include <enet/enet.h>

#include <chrono>
#include <cstring>

namespace {

const char kSearchMagic[] = "ASPHALTIA?";
const char kInfoMagic[] = "ASPHALTIA!";

class Writer {
public:
    explicit Writer(ASP_MessageType type) { U8(static_cast<uint8_t>(type)); }
    Writer() = default;
    void U8(uint8_t v) { bytes.push_back(v); }
    void U16(uint16_t v) { Unsigned(v, 2); }
    void U32(uint32_t v) { Unsigned(v, 4); }
    void U64(uint64_t v) { Unsigned(v, 8); }
    void Text(const std::string& text) {
        const size_t n = std::min(text.size(), kMaxText);
        U8(static_cast<uint8_t>(n));
        bytes.insert(bytes.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    }
    void Raw(const char* text) { bytes.insert(bytes.end(), text, text + std::strlen(text)); }
    std::vector<uint8_t> bytes;

private:
    void Unsigned(uint64_t v, int n) {
        for (int i = 0; i < n; ++i) {
            U8(static_cast<uint8_t>(v >> (8 * i)));
        }
    }
};

// Reads fields off a packet; once a read runs past its end, or a value breaks a rule, every later
// read fails too and the packet is refused.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : data(data), size(size) {}
    bool ok = true;
    uint8_t U8() { return static_cast<uint8_t>(Unsigned(1)); }
    uint16_t U16() { return static_cast<uint16_t>(Unsigned(2)); }
    uint32_t U32() { return static_cast<uint32_t>(Unsigned(4)); }
    uint64_t U64() { return Unsigned(8); }
    // A count of at most limit.
    size_t Count(size_t limit) {
        const size_t n = U8();
        ok = ok && n <= limit;
        return ok ? n : 0;
    }
    std::string Text() {
        const size_t n = Count(kMaxText);
        if (!Need(n)) {
            return "";
        }
        std::string text(reinterpret_cast<const char*>(data + at), n);
        at += n;
        return text;
    }
    bool Raw(const char* text) {
        const size_t n = std::strlen(text);
        ok = ok && Need(n) && std::memcmp(data + at, text, n) == 0;
        at += ok ? n : 0;
        return ok;
    }
    void Check(bool rule) { ok = ok && rule; }
    // Every byte read, and every rule kept.
    bool Done() const { return ok && at == size; }

private:
    bool Need(size_t n) {
        ok = ok && n <= size - at;
        return ok;
    }
    uint64_t Unsigned(int n) {
        if (!Need(static_cast<size_t>(n))) {
            return 0;
        }
        uint64_t v = 0;
        for (int i = 0; i < n; ++i) {
            v |= static_cast<uint64_t>(data[at + static_cast<size_t>(i)]) << (8 * i);
        }
        at += static_cast<size_t>(n);
        return v;
    }

    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

// Commands by step then car. First a bit for each command (eight to a byte): set when it differs
// from the same car's command of the step before (the first step's from no command). Then, for each
// that differs, a byte telling which of the five fields changed, and those fields. Players hold
// their controls for many steps, so most commands cost that one bit.
void Commands(Writer& w, uint8_t cars, const std::vector<ASP_Command>& commands) {
    const size_t steps = cars == 0 ? 0 : commands.size() / cars;
    const size_t count = steps * cars;
    w.U8(cars);
    w.U8(static_cast<uint8_t>(steps));
    std::vector<uint8_t> changes(count);
    std::vector<uint8_t> bits((count + 7) / 8);
    for (size_t i = 0; i < count; ++i) {
        const ASP_Command before = i >= cars ? commands[i - cars] : ASP_Command();
        const uint8_t now[] = {commands[i].forward, commands[i].backward, commands[i].left, commands[i].right,
                               commands[i].flags};
        const uint8_t was[] = {before.forward, before.backward, before.left, before.right, before.flags};
        for (int f = 0; f < 5; ++f) {
            changes[i] = static_cast<uint8_t>(changes[i] | (now[f] != was[f]) << f);
        }
        bits[i / 8] = static_cast<uint8_t>(bits[i / 8] | (changes[i] != 0) << (i % 8));
    }
    w.bytes.insert(w.bytes.end(), bits.begin(), bits.end());
    for (size_t i = 0; i < count; ++i) {
        if (changes[i] == 0) {
            continue;
        }
        w.U8(changes[i]);
        const uint8_t now[] = {commands[i].forward, commands[i].backward, commands[i].left, commands[i].right,
                               commands[i].flags};
        for (int f = 0; f < 5; ++f) {
            if ((changes[i] >> f & 1) != 0) {
                w.U8(now[f]);
            }
        }
    }
}

void Commands(Reader& r, uint8_t* cars, std::vector<ASP_Command>* commands) {
    *cars = static_cast<uint8_t>(r.Count(kMaxNetCars));
    const size_t count = r.Count(kMaxStepsPerPacket) * *cars;
    std::vector<uint8_t> bits((count + 7) / 8);
    for (uint8_t& b : bits) {
        b = r.U8();
    }
    // Bits past the last command are not ours to set.
    r.Check(count % 8 == 0 || bits.empty() || bits.back() >> (count % 8) == 0);
    for (size_t i = 0; r.ok && i < count; ++i) {
        ASP_Command c = i >= *cars ? (*commands)[i - *cars] : ASP_Command();
        if ((bits[i / 8] >> (i % 8) & 1) != 0) {
            // A command said to differ differs in some field.
            const uint8_t changed = r.U8();
            r.Check(changed != 0 && changed < 32);
            const ASP_Command before = c;
            uint8_t* fields[] = {&c.forward, &c.backward, &c.left, &c.right, &c.flags};
            for (int f = 0; f < 5; ++f) {
                if ((changed >> f & 1) != 0) {
                    *fields[f] = r.U8();
                }
            }
            // Nor does one say a field changed that keeps its value: each command has one encoding.
            const uint8_t now[] = {c.forward, c.backward, c.left, c.right, c.flags};
            const uint8_t was[] = {before.forward, before.backward, before.left, before.right, before.flags};
            for (int f = 0; f < 5; ++f) {
                r.Check((changed >> f & 1) == 0 || now[f] != was[f]);
            }
        }
        // Flags beyond reset and giving up mean nothing yet: a packet with them is not ours.
        r.Check((c.flags & ~(ASP_Command::kReset | ASP_Command::kGiveUp)) == 0);
        commands->push_back(c);
    }
}

}  // namespace

std::vector<uint8_t> Encode(const ASP_HelloMessage& m) {
    Writer w(ASP_MessageType::Hello);
    w.U16(m.protocol);
    w.Text(m.gameVersion);
    w.Text(m.password);
    w.Text(m.name);
    w.U8(static_cast<uint8_t>(m.cars.size()));
    for (const std::string& car : m.cars) {
        w.Text(car);
    }
    return w.bytes;
}

std::vector<uint8_t> Encode(const ASP_RefusedMessage& m) {
    Writer w(ASP_MessageType::Refused);
    w.Text(m.reason);
    return w.bytes;
}

std::vector<uint8_t> Encode(const ASP_WelcomeMessage& m) {
    Writer w(ASP_MessageType::Welcome);
    w.U8(m.client);
    return w.bytes;
}

std::vector<uint8_t> Encode(const ASP_LobbyMessage& m) {
    Writer w(ASP_MessageType::Lobby);
    w.Text(m.world);
    w.Text(m.trackName);
    w.U8(m.laps);
    w.U8(m.maxPlayers);
    w.U8(static_cast<uint8_t>(m.players.size()));
    for (const ASP_LobbyPlayer& p : m.players) {
        w.U8(p.client);
        w.Text(p.name);
        w.Text(p.car);
        w.U8(p.ready ? 1 : 0);
    }
    return w.bytes;
}

std::vector<uint8_t> Encode(const ASP_ReadyMessage& m) {
    Writer w(ASP_MessageType::Ready);
    w.U8(m.ready ? 1 : 0);
    w.U8(static_cast<uint8_t>(m.cars.size()));
    for (const std::string& car : m.cars) {
        w.Text(car);
    }
    return w.bytes;
}

std::vector<uint8_t> Encode(const ASP_ChooseTrackMessage& m) {
    Writer w(ASP_MessageType::ChooseTrack);
    w.Text(m.world);
    return w.bytes;
}

std::vector<uint8_t> Encode(const ASP_StartMessage& m) {
    Writer w(ASP_MessageType::Start);
    w.U64(m.seed);
    w.Text(m.world);
    w.U8(m.laps);
    w.U8(m.difficulty);
    w.U8(static_cast<uint8_t>(m.cars.size()));
    for (const ASP_StartCar& car : m.cars) {
        w.Text(car.car);
        w.U8(car.client);
        w.Text(car.name);
    }
    return w.bytes;
}

std::vector<uint8_t> Encode(const ASP_InputsMessage& m) {
    Writer w(ASP_MessageType::Inputs);
    w.U32(m.firstStep);
    Commands(w, m.cars, m.commands);
    w.U32(m.stepsUpTo);
    w.U8(m.missing ? 1 : 0);
    return w.bytes;
}

std::vector<uint8_t> Encode(const ASP_StepsMessage& m) {
    Writer w(ASP_MessageType::Steps);
    w.U32(m.firstStep);
    Commands(w, m.cars, m.commands);
    w.U8(static_cast<uint8_t>(m.takeovers.size()));
    for (const auto& [step, car] : m.takeovers) {
        w.U32(step);
        w.U8(car);
    }
    w.U8(static_cast<uint8_t>(m.lead));
    w.U32(m.inputsUpTo);
    w.U64(m.hash);
    return w.bytes;
}

std::vector<uint8_t> Encode(const ASP_OverMessage& m) {
    Writer w(ASP_MessageType::Over);
    w.U32(m.lastStep);
    w.U64(m.hash);
    return w.bytes;
}

std::optional<ASP_Message> Decode(const uint8_t* data, size_t size) {
    Reader r(data, size);
    ASP_Message m;
    const uint8_t type = r.U8();
    m.type = static_cast<ASP_MessageType>(type);
    switch (m.type) {
        case ASP_MessageType::Hello: {
            m.hello.protocol = r.U16();
            m.hello.gameVersion = r.Text();
            m.hello.password = r.Text();
            m.hello.name = r.Text();
            const size_t cars = r.Count(kMaxLocalPlayers);
            for (size_t i = 0; i < cars; ++i) {
                m.hello.cars.push_back(r.Text());
            }
            r.Check(cars >= 1);
            break;
        }
        case ASP_MessageType::Refused:
            m.refused.reason = r.Text();
            break;
        case ASP_MessageType::Welcome:
            m.welcome.client = r.U8();
            break;
        case ASP_MessageType::Lobby: {
            m.lobby.world = r.Text();
            m.lobby.trackName = r.Text();
            m.lobby.laps = r.U8();
            m.lobby.maxPlayers = r.U8();
            const size_t players = r.Count(kMaxNetCars);
            for (size_t i = 0; i < players; ++i) {
                ASP_LobbyPlayer p;
                p.client = r.U8();
                p.name = r.Text();
                p.car = r.Text();
                const uint8_t ready = r.U8();
                r.Check(ready <= 1);
                p.ready = ready == 1;
                m.lobby.players.push_back(p);
            }
            r.Check(m.lobby.laps >= 1 && m.lobby.maxPlayers >= 1 && m.lobby.maxPlayers <= kMaxNetCars);
            break;
        }
        case ASP_MessageType::Ready: {
            const uint8_t ready = r.U8();
            r.Check(ready <= 1);
            m.ready.ready = ready == 1;
            const size_t cars = r.Count(kMaxLocalPlayers);
            for (size_t i = 0; i < cars; ++i) {
                m.ready.cars.push_back(r.Text());
            }
            break;
        }
        case ASP_MessageType::ChooseTrack:
            m.chooseTrack.world = r.Text();
            break;
        case ASP_MessageType::Start: {
            m.start.seed = r.U64();
            m.start.world = r.Text();
            m.start.laps = r.U8();
            m.start.difficulty = r.U8();
            const size_t cars = r.Count(kMaxNetCars);
            for (size_t i = 0; i < cars; ++i) {
                ASP_StartCar car;
                car.car = r.Text();
                car.client = r.U8();
                car.name = r.Text();
                m.start.cars.push_back(car);
            }
            r.Check(m.start.laps >= 1 && m.start.difficulty <= 2 && cars >= 1 && !m.start.world.empty());
            break;
        }
        case ASP_MessageType::Inputs: {
            m.inputs.firstStep = r.U32();
            Commands(r, &m.inputs.cars, &m.inputs.commands);
            m.inputs.stepsUpTo = r.U32();
            const uint8_t missing = r.U8();
            r.Check(m.inputs.cars >= 1 && missing <= 1);
            m.inputs.missing = missing == 1;
            break;
        }
        case ASP_MessageType::Steps: {
            m.steps.firstStep = r.U32();
            Commands(r, &m.steps.cars, &m.steps.commands);
            const size_t takeovers = r.Count(kMaxNetCars);
            for (size_t i = 0; i < takeovers; ++i) {
                const uint32_t step = r.U32();
                const uint8_t car = r.U8();
                r.Check(car < m.steps.cars);
                m.steps.takeovers.emplace_back(step, car);
            }
            m.steps.lead = static_cast<int8_t>(r.U8());
            m.steps.inputsUpTo = r.U32();
            m.steps.hash = r.U64();
            r.Check(m.steps.cars >= 1);
            break;
        }
        case ASP_MessageType::Over:
            m.over.lastStep = r.U32();
            m.over.hash = r.U64();
            break;
        default:
            return std::nullopt;
    }
    if (!r.Done()) {
        return std::nullopt;
    }
    return m;
}

void ConfigurePeer(ENetPeer* peer) {
    enet_peer_timeout(peer, 32, 3000, 6000);
    enet_peer_throttle_configure(peer, ENET_PEER_PACKET_THROTTLE_INTERVAL, ENET_PEER_PACKET_THROTTLE_SCALE,
                                 0);
}

ASP_NetClock SteadyClock() {
    return [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    };
}

std::vector<uint8_t> EncodeSearch() {
    Writer w;
    w.Raw(kSearchMagic);
    w.U16(kProtocolVersion);
    return w.bytes;
}

bool IsSearch(const uint8_t* data, size_t size) {
    Reader r(data, size);
    r.Raw(kSearchMagic);
    r.Check(r.U16() == kProtocolVersion);
    return r.Done();
}

std::vector<uint8_t> Encode(const ASP_ServerInfo& info) {
    Writer w;
    w.Raw(kInfoMagic);
    w.U16(info.port);
    w.Text(info.name);
    w.Text(info.trackName);
    w.U8(info.players);
    w.U8(info.maxPlayers);
    return w.bytes;
}

std::optional<ASP_ServerInfo> DecodeServerInfo(const uint8_t* data, size_t size) {
    Reader r(data, size);
    ASP_ServerInfo info;
    r.Raw(kInfoMagic);
    info.port = r.U16();
    info.name = r.Text();
    info.trackName = r.Text();
    info.players = r.U8();
    info.maxPlayers = r.U8();
    r.Check(info.port != 0 && info.players <= info.maxPlayers && info.maxPlayers <= kMaxNetCars);
    if (!r.Done()) {
        return std::nullopt;
    }
    return info;
}
