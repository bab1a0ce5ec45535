#include <gtest/gtest.h>

#include <vector>

#include "game/net/net_race.h"
#include "game/net/protocol.h"
#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"

namespace {

ASP_Command Held(uint8_t forward, uint8_t left, uint8_t flags = 0) {
    ASP_Command c;
    c.forward = forward;
    c.left = left;
    c.flags = flags;
    return c;
}

}  // namespace

// Commands held from step to step cost a bit each; whatever they are, they read back exactly, with
// what the machine says it has of the server's steps.
TEST(NetProtocol, HeldCommandsCostABitAndAllReadBackExactly) {
    struct Case {
        uint8_t cars;
        int steps;
        bool varied;
        size_t most;
    };
    // Header 5, counts 2, acknowledgment 5; the bits; then the first step's changes (and the
    // others'), three bytes a car.
    const Case cases[] = {{8, 120, false, 12 + 120 + 8 * 3},
                          {4, 12, false, 12 + 6 + 4 * 3},
                          {3, 5, true, 200},
                          {1, 1, false, 12 + 1 + 3}};
    for (const Case& c : cases) {
        ASP_InputsMessage m;
        m.firstStep = 70000;
        m.cars = c.cars;
        m.stepsUpTo = 69990;
        m.missing = c.varied;
        for (int i = 0; i < c.steps * c.cars; ++i) {
            const int k = c.varied ? i : i % c.cars;
            m.commands.push_back(Held(static_cast<uint8_t>(200 + k % 3), static_cast<uint8_t>(k % 7 * 30),
                                      k % 11 == 0 ? ASP_Command::kReset : 0));
        }
        const std::vector<uint8_t> bytes = Encode(m);
        EXPECT_LE(bytes.size(), c.most) << int(c.cars) << " cars, " << c.steps << " steps";
        const std::optional<ASP_Message> read = Decode(bytes.data(), bytes.size());
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->inputs.commands, m.commands);
        EXPECT_EQ(read->inputs.firstStep, m.firstStep);
        EXPECT_EQ(read->inputs.stepsUpTo, m.stepsUpTo);
        EXPECT_EQ(read->inputs.missing, m.missing);
    }
}

// Each list of commands has one way to be written: a packet that says a command changed and then
// gives it unchanged, sets bits past its commands, or says more than yes or no is not ours.
TEST(NetProtocol, RefusesCommandsWrittenOtherwise) {
    // Inputs from step 5, one car, one step: bits, then which fields and their values; then steps
    // up to 9 and the missing flag.
    const auto packet = [](const std::vector<uint8_t>& commands, uint8_t missing = 0) {
        std::vector<uint8_t> p = {static_cast<uint8_t>(ASP_MessageType::Inputs), 5, 0, 0, 0, 1, 1};
        for (const uint8_t b : commands) {
            p.push_back(b);
        }
        for (const uint8_t b : {9, 0, 0, 0, static_cast<int>(missing)}) {
            p.push_back(b);
        }
        return p;
    };
    const struct {
        std::vector<uint8_t> bytes;
        bool ok;
    } cases[] = {
        {packet({0}), true},           {packet({1, 1, 255}), true},  {packet({1, 1, 0}), false},
        {packet({1, 0}), false},       {packet({3, 1, 255}), false}, {packet({0}, 2), false},
        {packet({1, 32, 255}), false}, {packet({1, 16, 4}), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decode(c.bytes.data(), c.bytes.size()).has_value(), c.ok)
            << testing::PrintToString(c.bytes);
    }
}

// Steps that come after some lost on the way wait for those; once they come again, the race runs
// on to the server's state.
TEST(NetRace, StepsAfterLostOnesWaitUntilTheLostOnesComeAgain) {
    ASP_PictureFiles pictures;
    ASP_StartMessage start;
    start.seed = 3;
    start.world = "world0.dat";
    start.cars = {ASP_StartCar{"Vulcan", 0, "Ada"}, ASP_StartCar{"Vulcan", 1, "Bo"}};
    ASP_NetRace net;
    ASSERT_TRUE(net.Setup(start, 0, pictures));
    std::unique_ptr<ASP_Race> server = ASP_NetRace::Build(start, pictures);
    ASSERT_NE(server, nullptr);
    std::vector<ASP_Command> commands;
    std::vector<uint64_t> hashes;
    for (int s = 0; s < 12; ++s) {
        const std::vector<ASP_Command> step = {Held(255, static_cast<uint8_t>(s * 20)), Held(200, 0)};
        s == 0 ? server->Start(step) : server->Step(step);
        commands.insert(commands.end(), step.begin(), step.end());
        hashes.push_back(server->StateHash());
    }
    const auto steps = [&](uint32_t from, uint32_t upTo) {
        ASP_StepsMessage m;
        m.firstStep = from;
        m.cars = 2;
        m.commands.assign(commands.begin() + from * 2, commands.begin() + upTo * 2);
        m.hash = hashes[upTo - 1];
        net.Receive(m);
    };
    const struct {
        uint32_t from, upTo;
        long long confirmed;
        bool missing;
    } arrivals[] = {{0, 4, 4, false}, {6, 10, 4, true},   {2, 6, 6, true},
                    {6, 8, 8, true},  {4, 12, 12, false}, {8, 12, 12, false}};
    for (const auto& a : arrivals) {
        steps(a.from, a.upTo);
        EXPECT_EQ(net.ConfirmedSteps(), a.confirmed) << a.from << " to " << a.upTo;
        EXPECT_EQ(net.Missing(), a.missing) << a.from << " to " << a.upTo;
    }
    EXPECT_FALSE(net.Diverged());
    EXPECT_EQ(net.Confirmed().StateHash(), server->StateHash());
}
