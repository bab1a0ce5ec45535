#include <gtest/gtest.h>

#include "engine/image_sprite.h"
#include "engine/sprite.h"

namespace {

class PlainSprite : public CSprite {
public:
    explicit PlainSprite(CSprite* parent = nullptr) : CSprite(parent) {}
    void Draw(void* target) override { (void)target; }
    void Update(double dt) override { (void)dt; }
};

}  // namespace

TEST(Sprite, SizeAndScaleRefuseValuesThatAreNotPositive) {
    PlainSprite s;
    s.SetWidth(12);
    s.SetScale(3);
    s.SetWidth(-1);
    s.SetScale(0);
    s.SetGlobalScale(0);
    EXPECT_EQ(Point(s.GetWidth(), s.GetScale()), Point(12.0, 3.0));
    // A zero size is allowed: it is an outline without area.
    s.SetWidth(0);
    EXPECT_EQ(s.GetWidth(), 0.0);
}

TEST(Sprite, GlobalValuesWalkTheParentChainBothWays) {
    PlainSprite parent;
    parent.SetX(100);
    parent.SetY(50);
    parent.SetScale(2);
    parent.SetZ(0.2);
    PlainSprite child(&parent);
    child.SetX(10);
    child.SetZ(0.1);
    child.SetWidth(5);
    EXPECT_DOUBLE_EQ(child.GetGlobalZ(), 0.3);
    child.SetGlobalY(30);
    child.SetGlobalHeight(2);
    EXPECT_DOUBLE_EQ(child.GetHeight(), 1);
    // The child's own scale is the wanted global one divided by the chain's.
    child.SetGlobalScale(3);
    EXPECT_DOUBLE_EQ(child.GetScale(), 1.5);

    PlainSprite grandchild(&child);
    grandchild.SetX(2);
    grandchild.SetY(4);
    const Point g = grandchild.LocalToGlobal(Point(1, 1));
    EXPECT_NEAR(Length(g - Point(100 + 2 * (10 + 1.5 * (2 + 1)), 50 + 2 * (-10 + 1.5 * (4 + 1)))), 0.0, 1e-9);
    EXPECT_NEAR(Length(grandchild.GlobalToLocal(g) - Point(1, 1)), 0.0, 1e-12);
    parent.SetVisible(false);
    EXPECT_FALSE(grandchild.IsVisible());
}

TEST(Sprite, OnlyOutlinesWithAreaCollide) {
    CImageSprite a(nullptr);
    CImageSprite b(nullptr);
    a.SetSize(10, 10);
    b.SetSize(10, 10);
    b.SetPosition(5, 5);
    Point contact;
    EXPECT_TRUE(a.Collides(&b, &contact));
    // A plain sprite's outline is a point at the origin: it collides with nothing, even a box over it.
    b.SetPosition(-5, -5);
    PlainSprite plain;
    EXPECT_FALSE(plain.Collides(&b, nullptr) || b.Collides(&plain, nullptr));
    // Unhandled by default, so that the other sprite of the pair is told too.
    EXPECT_TRUE(plain.OnCollision(&b, contact));
}
