#include <gtest/gtest.h>

#include <vector>

#include "game/sim/body.h"

// The shortest way out of several outlines at once: out of one across its nearest face, out of a
// corner of two walls diagonally, and past a wall that blocks the shorter way.
TEST(ShortestWayOutTest, LeavesEveryOutlineAtOnce) {
    // A 10 x 10 box at (0, 0).
    const Quad mover = BoxQuad(0, 0, 10, 10);
    const struct {
        std::vector<Quad> around;
        Point way;
    } cases[] = {
        {{}, Point()},
        {{BoxQuad(8, -50, 100, 100)}, Point(-2, 0)},
        // A right wall and a top wall meeting at the corner.
        {{BoxQuad(8, -50, 100, 100), BoxQuad(-50, -97, 200, 100)}, Point(-2, 3)},
        // A wall just to the left: back out of the right one leads into it, so down past both.
        {{BoxQuad(8, -50, 100, 100), BoxQuad(-101, -50, 100, 100)}, Point(0, 50)},
    };
    for (const auto& c : cases) {
        Point way(1e9, 1e9);
        ASSERT_TRUE(ShortestWayOut(mover, c.around, 0.0, &way));
        EXPECT_NEAR(way.x, c.way.x, 1e-9);
        EXPECT_NEAR(way.y, c.way.y, 1e-9);
    }
}
