#include <gtest/gtest.h>

#include <memory>

#include "engine/geometry.h"
#include "engine/rotateable.h"
#include "engine/sprite.h"

namespace {

class PlainSprite : public CSprite {
public:
    explicit PlainSprite(CSprite* parent = nullptr) : CSprite(parent) {}
    void Draw(void* target) override { (void)target; }
    void Update(double dt) override { (void)dt; }
};

// A sprite whose outline is its global box, as image sprites report it.
class BoxSprite : public PlainSprite {
public:
    BoxSprite(double x, double y, double w, double h) {
        SetX(x);
        SetY(y);
        SetWidth(w);
        SetHeight(h);
    }
    Quad GetCorners() const override {
        const double gx = GetGlobalX();
        const double gy = GetGlobalY();
        Quad q;
        q.p[0] = Point(gx, gy + GetGlobalHeight());
        q.p[1] = Point(gx + GetGlobalWidth(), gy + GetGlobalHeight());
        q.p[2] = Point(gx + GetGlobalWidth(), gy);
        q.p[3] = Point(gx, gy);
        return q;
    }
};

// Counts how often it is destroyed, to check deletion through the base pointer.
class CountedSprite : public PlainSprite {
public:
    explicit CountedSprite(int* destroyed) : destroyed(destroyed) {}
    ~CountedSprite() override { ++*destroyed; }

private:
    int* destroyed;
};

}  // namespace

TEST(Sprite, DefaultsAndSettersThatIgnoreBadValues) {
    PlainSprite s;
    EXPECT_EQ(s.GetParent(), nullptr);
    EXPECT_EQ(s.GetWidth(), 1.0);
    EXPECT_EQ(s.GetHeight(), 1.0);
    EXPECT_EQ(s.GetScale(), 1.0);
    EXPECT_TRUE(s.IsVisible());

    s.SetWidth(12);
    s.SetHeight(7);
    s.SetScale(3);
    s.SetWidth(-1);
    s.SetHeight(-1);
    s.SetScale(0);
    s.SetScale(-2);
    s.SetGlobalScale(0);
    EXPECT_EQ(s.GetWidth(), 12.0);
    EXPECT_EQ(s.GetHeight(), 7.0);
    EXPECT_EQ(s.GetScale(), 3.0);
    s.SetWidth(0);
    EXPECT_EQ(s.GetWidth(), 0.0);
}

TEST(Sprite, ParentChainGivesGlobalValues) {
    PlainSprite parent;
    parent.SetX(100);
    parent.SetY(50);
    parent.SetScale(2);
    parent.SetZ(0.2);
    PlainSprite child(&parent);
    child.SetX(10);
    child.SetY(10);
    child.SetZ(0.1);
    child.SetWidth(5);
    child.SetHeight(4);

    EXPECT_DOUBLE_EQ(child.GetGlobalX(), 120);
    EXPECT_DOUBLE_EQ(child.GetGlobalY(), 70);
    EXPECT_DOUBLE_EQ(child.GetGlobalZ(), 0.3);
    EXPECT_DOUBLE_EQ(child.GetGlobalScale(), 2);
    EXPECT_DOUBLE_EQ(child.GetGlobalWidth(), 10);
    EXPECT_DOUBLE_EQ(child.GetGlobalHeight(), 8);

    child.SetGlobalX(140);
    EXPECT_DOUBLE_EQ(child.GetX(), 20);
    child.SetGlobalY(30);
    EXPECT_DOUBLE_EQ(child.GetY(), -10);

    child.SetGlobalWidth(30);
    EXPECT_DOUBLE_EQ(child.GetWidth(), 15);
    child.SetGlobalHeight(2);
    EXPECT_DOUBLE_EQ(child.GetHeight(), 1);

    // The child's own scale is the wanted global one divided by the chain's.
    child.SetGlobalScale(3);
    EXPECT_DOUBLE_EQ(child.GetScale(), 1.5);
    EXPECT_DOUBLE_EQ(child.GetGlobalScale(), 3);

    // A grandchild goes through both frames, and back.
    PlainSprite grandchild(&child);
    grandchild.SetX(2);
    grandchild.SetY(4);
    const Point g = grandchild.LocalToGlobal(Point(1, 1));
    EXPECT_DOUBLE_EQ(g.x, 100 + 2 * (20 + 1.5 * (2 + 1)));
    EXPECT_DOUBLE_EQ(g.y, 50 + 2 * (-10 + 1.5 * (4 + 1)));
    const Point back = grandchild.GlobalToLocal(g);
    EXPECT_NEAR(back.x, 1, 1e-12);
    EXPECT_NEAR(back.y, 1, 1e-12);

    child.SetParent(nullptr);
    EXPECT_DOUBLE_EQ(child.GetGlobalX(), 20);
    EXPECT_DOUBLE_EQ(child.GetGlobalZ(), 0.1);
}

TEST(Sprite, VisibilityFollowsTheParent) {
    PlainSprite parent;
    PlainSprite child(&parent);
    parent.SetVisible(false);
    EXPECT_FALSE(child.IsVisible());
    parent.SetVisible(true);
    EXPECT_TRUE(child.IsVisible());
    child.SetVisible(false);
    EXPECT_FALSE(child.IsVisible());
    EXPECT_TRUE(parent.IsVisible());
}

TEST(Sprite, CollisionOfOutlinesAndTheDefaultHook) {
    PlainSprite plain;
    const Quad q = plain.GetCorners();
    for (const Point& p : q.p) {
        EXPECT_EQ(p, Point(0, 0));
    }

    BoxSprite a(0, 0, 10, 10);
    BoxSprite far(20, 0, 10, 10);
    BoxSprite near(5, 5, 10, 10);
    Point contact(-1, -1);
    EXPECT_FALSE(a.Collides(&far, &contact));
    EXPECT_EQ(contact, Point(-1, -1));
    EXPECT_TRUE(a.Collides(&near, &contact));
    EXPECT_EQ(contact, Point(10, 10));
    EXPECT_TRUE(a.Collides(&near, nullptr));

    // A plain sprite has no outline and collides with nothing, not even a box over the origin.
    BoxSprite overOrigin(-5, -5, 10, 10);
    EXPECT_FALSE(plain.Collides(&overOrigin, nullptr));
    EXPECT_FALSE(overOrigin.Collides(&plain, nullptr));

    EXPECT_TRUE(a.OnCollision(&near, contact));
}

TEST(Sprite, DeletedThroughTheBasePointer) {
    int destroyed = 0;
    std::unique_ptr<CSprite> s = std::make_unique<CountedSprite>(&destroyed);
    s.reset();
    EXPECT_EQ(destroyed, 1);
}

TEST(Rotateable, TheInterfaceItselfIsInert) {
    CRotateable r;
    r.SetRotation(45);
    r.SetGlobalRotation(90);
    r.SetRotationCenter(0, 1);
    EXPECT_EQ(r.GetRotation(), 0.0);
    EXPECT_EQ(r.GetGlobalRotation(), 0.0);
    EXPECT_EQ(r.GetRotationCenter(), Point(0.5, 0.5));
}
