#include <gtest/gtest.h>

#include "engine/geometry.h"

namespace {

Quad TurnedBox(double x, double y, double w, double h, double degrees) {
    Quad q = BoxQuad(x, y, w, h);
    const Point c = QuadCentre(q);
    for (Point& p : q.p) {
        RotatePoint(p, c, degrees);
    }
    return q;
}

}  // namespace

TEST(QuadsOverlap, ContactIsTheFirstCornerInsideTheOtherTurnedBoxesUseTheirOwnAxesAndBordersCount) {
    // A small box inside a big one gives its corner 0 whether it is A or B.
    Point contact;
    EXPECT_TRUE(QuadsOverlap(BoxQuad(0, 0, 10, 10), BoxQuad(4, 4, 2, 2), &contact) && contact == Point(4, 6));

    // Two bars crossing as a plus sign have no corner inside the other: the caller's value stays.
    contact = Point(-7, -7);
    ASSERT_TRUE(QuadsOverlap(BoxQuad(0, 10, 30, 4), BoxQuad(13, 0, 4, 30), &contact));
    EXPECT_EQ(contact, Point(-7, -7));

    // Off a square's corner a diamond is apart along its own edge axis, though the bounding circles overlap.
    const Quad square = BoxQuad(0, 0, 10, 10);
    const Quad diamond = TurnedBox(9.2, 9.2, 10, 10, 45);
    EXPECT_FALSE(QuadsOverlap(square, diamond, nullptr) || QuadsOverlap(diamond, square, nullptr));
    const Quad closer = TurnedBox(6, 6, 10, 10, 45);
    EXPECT_TRUE(QuadsOverlap(square, closer, &contact));
    EXPECT_TRUE(PointInQuad(contact, square) && PointInQuad(contact, closer));
    // Borders count, for outlines and for points.
    EXPECT_TRUE(QuadsOverlap(square, BoxQuad(10, 0, 10, 10), nullptr));
    EXPECT_FALSE(QuadsOverlap(square, BoxQuad(10.5, 0, 10, 10), nullptr));
    const Quad box = BoxQuad(10, 20, 30, 40);
    EXPECT_TRUE(PointInQuad(Point(10, 20), box) && PointInQuad(Point(40, 60), box));
    EXPECT_FALSE(PointInQuad(Point(9.99, 40), box) || PointInQuad(Point(25, 60.01), box));
}
