#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "game/net/discovery.h"
#include "game/net/server.h"

namespace {

// Ports of this test process, apart from those of other tests running beside it.
uint16_t Port(int k) {
    return static_cast<uint16_t>(36000 + (getpid() % 5000) * 5 + k);
}

// Services the server until the search has heard from it (at most about two seconds).
void Collect(ASP_NetServer& server, ASP_LanSearch& search) {
    for (int round = 0; round < 400 && search.Found().empty(); ++round) {
        server.Service(5);
        search.Update(0.0);
    }
}

TEST(LanSearch, FindsAServerOnceWithItsPortAndEndsAfterItsTime) {
    ASP_ServerSettings settings;
    settings.port = Port(0);
    settings.discoveryPort = Port(1);
    settings.name = "Garage";
    settings.maxPlayers = 6;
    ASP_NetServer server(settings);
    ASSERT_TRUE(server.Open());

    // The same server asked twice is listed once.
    ASP_LanSearch search;
    ASSERT_TRUE(search.Start({"127.0.0.1", "127.0.0.1", "no address"}, Port(1)));
    Collect(server, search);
    for (int round = 0; round < 20; ++round) {
        server.Service(5);
        search.Update(0.0);
    }
    ASSERT_EQ(search.Found().size(), 1u);
    const ASP_FoundServer& found = search.Found()[0];
    EXPECT_EQ(found.address, "127.0.0.1:" + std::to_string(Port(0)));
    EXPECT_EQ(found.info.name, "Garage");
    EXPECT_EQ(found.info.maxPlayers, 6);
    EXPECT_TRUE(search.Searching());
    search.Update(ASP_LanSearch::kSeconds);
    EXPECT_FALSE(search.Searching());

    // A new search forgets the old answers; one with nothing it can ask fails at once.
    EXPECT_FALSE(search.Start({"no address"}, Port(1)));
    EXPECT_TRUE(search.Found().empty());
    EXPECT_FALSE(search.Searching());
}

TEST(LanSearch, TheBroadcastReachesAServerOfThisMachineWhereTheNetworkHasOne) {
    ASP_ServerSettings settings;
    settings.port = Port(2);
    settings.discoveryPort = Port(3);
    ASP_NetServer server(settings);
    ASSERT_TRUE(server.Open());
    ASP_LanSearch search;
    if (!search.Start({"255.255.255.255"}, Port(3))) {
        GTEST_SKIP() << "This machine's network sends no broadcast.";
    }
    Collect(server, search);
    ASSERT_EQ(search.Found().size(), 1u);
    EXPECT_EQ(search.Found()[0].info.port, Port(2));
}

}  // namespace
