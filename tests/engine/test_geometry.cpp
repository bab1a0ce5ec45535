#include <gtest/gtest.h>

#include <cmath>

#include "engine/geometry.h"

namespace {

// The outline of an axis-aligned w x h box at (x, y), corners in outline order.
Quad Box(double x, double y, double w, double h) {
    Quad q;
    q.p[0] = Point(x, y + h);
    q.p[1] = Point(x + w, y + h);
    q.p[2] = Point(x + w, y);
    q.p[3] = Point(x, y);
    return q;
}

// The same box turned about its centre.
Quad TurnedBox(double x, double y, double w, double h, double degrees) {
    Quad q = Box(x, y, w, h);
    const Point c = QuadCenter(q);
    for (Point& p : q.p) {
        RotatePoint(p, c, degrees);
    }
    return q;
}

void ExpectNear(Point actual, Point expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

}  // namespace

TEST(Point, OperatorsFollowVectorAlgebra) {
    const Point a(3, 4);
    const Point b(-1, 2);
    EXPECT_EQ(a + b, Point(2, 6));
    EXPECT_EQ(a - b, Point(4, 2));
    EXPECT_EQ(-a, Point(-3, -4));
    EXPECT_EQ(a * 2.0, Point(6, 8));
    EXPECT_EQ(0.5 * a, Point(1.5, 2));
    EXPECT_EQ(a / 4.0, Point(0.75, 1));
    EXPECT_DOUBLE_EQ(Dot(a, b), 5.0);
    EXPECT_DOUBLE_EQ(Length(a), 5.0);
    EXPECT_DOUBLE_EQ(Length(Point()), 0.0);
    Point c = a;
    c += b;
    c -= Point(1, 1);
    EXPECT_EQ(c, Point(1, 5));
    EXPECT_NE(c, a);
}

TEST(RotatePoint, TurnsCounterClockwiseOnScreen) {
    Point up(0, -1);
    RotatePoint(up, Point(), 90);
    ExpectNear(up, Point(-1, 0));

    const double a = 30.0 / 180.0 * 3.141592653589793;
    Point facing(0, -1);
    RotatePoint(facing, Point(), 30);
    ExpectNear(facing, Point(-std::sin(a), -std::cos(a)));

    // A quarter turn back is the perpendicular (-y, x).
    Point r(3, 7);
    RotatePoint(r, Point(), -90);
    ExpectNear(r, Point(-7, 3));

    Point aboutPivot(12, 10);
    RotatePoint(aboutPivot, Point(10, 10), 180);
    ExpectNear(aboutPivot, Point(8, 10));

    Point unchanged(1.25, -3.5);
    RotatePoint(unchanged, Point(100, 100), 0);
    EXPECT_EQ(unchanged, Point(1.25, -3.5));
}

TEST(QuadsOverlap, SeparatedAndTouchingBoxes) {
    EXPECT_FALSE(QuadsOverlap(Box(0, 0, 10, 10), Box(20, 0, 10, 10), nullptr));
    EXPECT_FALSE(QuadsOverlap(Box(0, 0, 10, 10), Box(10.5, 0, 10, 10), nullptr));
    // Shared edges count as overlap.
    EXPECT_TRUE(QuadsOverlap(Box(0, 0, 10, 10), Box(10, 0, 10, 10), nullptr));
    // Both orders agree.
    EXPECT_TRUE(QuadsOverlap(Box(5, 5, 10, 10), Box(0, 0, 10, 10), nullptr));
}

TEST(QuadsOverlap, ContactIsTheFirstCornerInsideTheOther) {
    Point contact(-1, -1);
    ASSERT_TRUE(QuadsOverlap(Box(0, 0, 10, 10), Box(5, 5, 10, 10), &contact));
    // A's corner 0 (0, 10) is outside B, B's corner 0 (5, 15) outside A, A's corner 1 (10, 10) inside.
    EXPECT_EQ(contact, Point(10, 10));

    // A small box inside a big one: the small one's corner 0 comes first when it is A...
    ASSERT_TRUE(QuadsOverlap(Box(4, 4, 2, 2), Box(0, 0, 10, 10), &contact));
    EXPECT_EQ(contact, Point(4, 6));
    // ...and still first as B, because no corner of the big one lies inside the small one.
    ASSERT_TRUE(QuadsOverlap(Box(0, 0, 10, 10), Box(4, 4, 2, 2), &contact));
    EXPECT_EQ(contact, Point(4, 6));
}

TEST(QuadsOverlap, CrossingWithoutContainedCornerKeepsTheCallersContact) {
    // A wide flat bar and a tall thin bar forming a plus sign.
    Point contact(-7, -7);
    ASSERT_TRUE(QuadsOverlap(Box(0, 10, 30, 4), Box(13, 0, 4, 30), &contact));
    EXPECT_EQ(contact, Point(-7, -7));
}

TEST(QuadsOverlap, SeparatingAxisOfATurnedBoxRejectsWhatTheCirclesAccept) {
    // A diamond (square turned 45 degrees) off the corner of an upright square, centres 13 apart
    // along the diagonal: the bounding circles (radii 7.07 each) overlap, but along the diamond's
    // own edge axis the two reach only 7.07 + 5 towards each other.
    const Quad square = Box(0, 0, 10, 10);
    const Quad diamond = TurnedBox(9.2, 9.2, 10, 10, 45);
    EXPECT_LT(Length(QuadCenter(diamond) - QuadCenter(square)), 2 * Length(Point(5, 5)));
    EXPECT_FALSE(QuadsOverlap(square, diamond, nullptr));
    EXPECT_FALSE(QuadsOverlap(diamond, square, nullptr));
    // Moved closer, the square's corner (10, 10) lies inside the diamond.
    const Quad closer = TurnedBox(6, 6, 10, 10, 45);
    Point contact;
    EXPECT_TRUE(QuadsOverlap(square, closer, &contact));
    EXPECT_TRUE(PointInQuad(contact, square));
    EXPECT_TRUE(PointInQuad(contact, closer));
}

TEST(QuadsOverlap, OutlinesWithoutAreaOverlapNothing) {
    const Quad none{};
    Point contact(3, 3);
    EXPECT_FALSE(QuadsOverlap(none, none, &contact));
    EXPECT_FALSE(QuadsOverlap(none, Box(-5, -5, 10, 10), &contact));
    EXPECT_FALSE(QuadsOverlap(Box(-5, -5, 10, 10), Box(0, 0, 10, 0), &contact));
    EXPECT_EQ(contact, Point(3, 3));
}

TEST(PointInQuad, InsideBorderOutsideAndTurned) {
    const Quad box = Box(10, 20, 30, 40);
    EXPECT_TRUE(PointInQuad(Point(25, 40), box));
    EXPECT_TRUE(PointInQuad(Point(10, 20), box));
    EXPECT_TRUE(PointInQuad(Point(40, 60), box));
    EXPECT_FALSE(PointInQuad(Point(9.99, 40), box));
    EXPECT_FALSE(PointInQuad(Point(25, 60.01), box));
    EXPECT_FALSE(PointInQuad(Point(500, -300), box));

    // A point inside the bounding circle but beside a turned box's edge.
    const Quad diamond = TurnedBox(0, 0, 10, 10, 45);
    EXPECT_TRUE(PointInQuad(Point(5, 5), diamond));
    EXPECT_TRUE(PointInQuad(Point(5, 5 - 7.0), diamond));
    EXPECT_FALSE(PointInQuad(Point(1, 1), diamond));
    EXPECT_FALSE(PointInQuad(Point(0, 0), Quad{}));
}
