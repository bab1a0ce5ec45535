// The packets a server or a game takes from the network, as a hostile machine could send them: the
// decoder refuses or reads them whole, and what it reads encodes to the very same bytes (each
// message has one way to be written) and reads back the same.
#include <cstdint>
#include <vector>

#include "game/net/protocol.h"
#include "tests/fuzz/check.h"

namespace {

std::vector<uint8_t> EncodeAny(const ASP_Message& m) {
    switch (m.type) {
        case ASP_MessageType::Hello:
            return Encode(m.hello);
        case ASP_MessageType::Refused:
            return Encode(m.refused);
        case ASP_MessageType::Welcome:
            return Encode(m.welcome);
        case ASP_MessageType::Lobby:
            return Encode(m.lobby);
        case ASP_MessageType::Ready:
            return Encode(m.ready);
        case ASP_MessageType::ChooseTrack:
            return Encode(m.chooseTrack);
        case ASP_MessageType::Start:
            return Encode(m.start);
        case ASP_MessageType::Inputs:
            return Encode(m.inputs);
        case ASP_MessageType::Steps:
            return Encode(m.steps);
        case ASP_MessageType::Over:
            return Encode(m.over);
    }
    return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const std::optional<ASP_Message> m = Decode(data, size)) {
        const std::vector<uint8_t> bytes = EncodeAny(*m);
        const std::optional<ASP_Message> again = Decode(bytes.data(), bytes.size());
        Check(bytes == std::vector<uint8_t>(data, data + size));
        Check(again.has_value() && again->type == m->type && EncodeAny(*again) == bytes);
        if (m->type == ASP_MessageType::Inputs) {
            Check(m->inputs.cars > 0 && m->inputs.commands.size() % m->inputs.cars == 0);
        } else if (m->type == ASP_MessageType::Steps) {
            Check(m->steps.cars > 0 && m->steps.commands.size() % m->steps.cars == 0);
        }
    }
    if (const std::optional<ASP_ServerInfo> info = DecodeServerInfo(data, size)) {
        const std::vector<uint8_t> bytes = Encode(*info);
        Check(DecodeServerInfo(bytes.data(), bytes.size()).has_value());
    }
    IsSearch(data, size);
    return 0;
}
