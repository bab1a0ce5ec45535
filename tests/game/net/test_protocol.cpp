#include <gtest/gtest.h>

#include "game/net/protocol.h"

// Held commands cost a bit each, and read back exactly.
TEST(NetProtocol, HeldCommandsCostABitEach) {
    ASP_InputsMessage m{70000, 8, std::vector<ASP_Command>(960, ASP_Command{200, 0, 30, 0, 1}), 69990, true};
    m.commands[500].left = 31;
    const std::vector<uint8_t> bytes = Encode(m);
    // Header and acknowledgment, a bit a command, each car's first command, a change and back.
    EXPECT_EQ(bytes.size(), 12u + 120 + 8 * 4 + 2 * 2);
    const std::optional<ASP_Message> read = Decode(bytes.data(), bytes.size());
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->inputs.commands, m.commands);
    EXPECT_EQ(std::tie(read->inputs.firstStep, read->inputs.stepsUpTo, read->inputs.missing),
              std::tie(m.firstStep, m.stepsUpTo, m.missing));
}
