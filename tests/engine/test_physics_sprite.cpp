#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "engine/physics_sprite.h"
#include "tests/support/logged.h"

namespace {

const double kPi = 3.141592653589793;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::unique_ptr<CPhysicsSprite> Body(double x, double y, double w = 10, double h = 10, double mass = 1) {
    auto body = std::make_unique<CPhysicsSprite>(nullptr);
    body->SetPosition(x, y);
    body->SetSize(w, h);
    body->SetMass(mass);
    return body;
}

}  // namespace

TEST(PhysicsSprite, ValuesStayDefinedStepsFollowDtForcesAccelerateAndSpinAndResistanceNeverReverses) {
    auto body = Body(0.0, 0.0, 20.0, 10.0);
    body->SetMass(kInf);
    EXPECT_DOUBLE_EQ(body->GetMass(), 1.0);
    // Nothing that is not finite gets into a body, and what is too small to show is rest.
    body->SetVelocity(Point(kNaN, 7.0));
    EXPECT_EQ(body->GetVelocity(), Point(0.0, 7.0));
    body->SetVelocity(Point(-kInf, 1e-7));
    EXPECT_EQ(body->GetVelocity(), Point(0.0, 0.0));
    // A body without extent has no inertia and is not spun into infinity.
    CPhysicsSprite dot(nullptr);
    dot.ApplyForceAt(0.0, -100.0, 0.1, 20.0, 5.0);
    EXPECT_EQ(dot.GetAngularVelocity(), 0.0);
    // Corner masses set the total and move the centre to their mean; a push there does not spin.
    const double right[4] = {0.0, 3.0, 1.0, 0.0};
    body->SetMassDistribution(right);
    EXPECT_EQ(std::pair(body->GetMass(), body->GetRotationCenter()), std::pair(4.0, Point(1.0, 0.75)));
    body->ApplyForceAt(0.0, 50.0, 0.1, 20.0, 7.5);
    EXPECT_EQ(body->GetAngularVelocity(), 0.0);

    auto moving = Body(10.0, 20.0);
    moving->SetVelocity(Point(30.0, -40.0));
    moving->SetAngularVelocity(90.0);
    moving->Update(0.5);
    moving->Update(4.0);
    moving->RestorePrevious();
    EXPECT_EQ(Point(moving->GetX(), moving->GetY()), Point(25.0, 0.0));
    EXPECT_DOUBLE_EQ(moving->GetRotation(), 45.0);

    auto pushed = Body(0.0, 0.0, 20.0, 10.0, 2.0);
    // Stronger than needed: the motion along the line stops exactly, the rest stays.
    pushed->SetVelocity(Point(3.0, 4.0));
    pushed->ApplyResistance(0.0, -1024.0, 0.1);
    EXPECT_EQ(pushed->GetVelocity(), Point(3.0, 0.0));
    pushed->SetVelocity(Point());
    // A uniform rectangle: (w² + h²) m / 12.
    const double inertia = (400.0 + 100.0) * 2.0 / 12.0;
    pushed->ApplyForce(10.0, -4.0, 0.5);
    EXPECT_EQ(pushed->GetVelocity(), Point(2.5, -1.0));
    // Pushing the right end up: r = (10, 0), r⊥ = (0, 10), torque -800.
    pushed->ApplyForceAt(0.0, -80.0, 0.1, 20.0, 5.0);
    EXPECT_EQ(pushed->GetVelocity(), Point(2.5, -5.0));
    const double spin = -800.0 * 0.1 * 180.0 / (inertia * kPi);
    EXPECT_DOUBLE_EQ(pushed->GetAngularVelocity(), spin);
    pushed->SetFixedRotation(true);
    pushed->ApplyForceAt(0.0, -80.0, 0.1, 20.0, 5.0);
    EXPECT_DOUBLE_EQ(pushed->GetAngularVelocity(), spin);
    pushed->SetFixedPosition(true);
    pushed->ApplyForce(1000.0, 1000.0, 1.0);
    EXPECT_EQ(pushed->GetVelocity(), Point(2.5, -9.0));
}

// Any spins, masses and restitutions: an impulse keeps free bodies' momentum and parts them. That none
// adds energy is watched on every collision pass of the race's walls test, barrels and spinning car included.
TEST(PhysicsSprite, CollisionsKeepTheMomentumOfFreeBodiesAndLeaveTheBodiesApart) {
    std::srand(11);
    const auto random = [](double low, double high) { return low + (high - low) * std::rand() / RAND_MAX; };
    int hits = 0;
    for (int i = 0; i < 300; ++i) {
        auto a = Body(random(-20, 20), random(-20, 20), random(5, 80), random(5, 80), random(1, 9));
        auto b = Body(0.0, 0.0, random(5, 80), random(5, 80), random(1, 9));
        const bool wall = i % 4 == 0;
        b->SetFixedPosition(wall);
        b->SetFixedRotation(wall);
        for (CPhysicsSprite* body : {a.get(), b.get()}) {
            body->SetRotation(i % 3 == 0 ? 0.0 : random(0, 360));
            body->SetBounce(random(0, 1));
            body->SetVelocity(wall && body == b.get() ? Point()
                                                      : Point(random(-300, 300), random(-300, 300)));
            body->SetAngularVelocity(wall && body == b.get() ? 0.0 : random(-500, 500));
        }
        Point contact;
        if (!a->Collides(b.get(), &contact)) {
            continue;
        }
        ++hits;
        const auto momentum = [&] {
            return a->GetVelocity() * a->GetMass() + b->GetVelocity() * b->GetMass();
        };
        const Point p = momentum();
        ASSERT_FALSE(a->OnCollision(b.get(), contact));
        ASSERT_TRUE(wall || Length(momentum() - p) < 1e-6 * (1.0 + Length(p))) << i;
        ASSERT_FALSE(a->Collides(b.get(), nullptr)) << i;
    }
    EXPECT_GT(hits, 120);
}

// Without spin, the textbook response: head-on bodies exchange speeds by the mean restitution, a fixed one
// throws the other back, parting ones are only pushed apart (in 0.05 pixel steps), all along the axis of
// least penetration, so that a box hitting a long wall far from its centre leaves at right angles.
TEST(PhysicsSprite, ResponseAlongTheAxisOfLeastPenetrationNoneForOddPairsAndAStuckPushApartGivesUp) {
    // Boxes as x, y, width, height; equal restitution e on both sides; b fixed or free.
    const struct {
        const char* what;
        double a[4], b[4];
        Point aV, bV;
        bool bFixed;
        double e;
        Point aAfter, aMovedTo;
    } cases[] = {
        {"elastic", {0, 0, 10, 10}, {9, 0, 10, 10}, {10, 0}, {-10, 0}, false, 1, {-10, 0}, {-0.55, 0}},
        {"inelastic", {0, 0, 10, 10}, {9, 0, 10, 10}, {10, 0}, {0, 0}, false, 0, {5, 0}, {-0.55, 0}},
        {"parting", {0, 0, 10, 10}, {9, 0, 10, 10}, {-10, 0}, {10, 0}, false, 1, {-10, 0}, {-0.55, 0}},
        {"fixed", {0, 0, 10, 10}, {0, 8, 10, 10}, {0, 10}, {0, 0}, true, 0.5, {0, -5}, {0, -2.05}},
        {"long wall", {200, 50, 40, 40}, {0, 0, 256, 64}, {0, -100}, {0, 0}, true, 0, {0, 0}, {200, 64.05}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto a = Body(c.a[0], c.a[1], c.a[2], c.a[3]);
        auto b = Body(c.b[0], c.b[1], c.b[2], c.b[3]);
        b->SetFixedPosition(c.bFixed);
        b->SetFixedRotation(c.bFixed);
        a->SetVelocity(c.aV);
        b->SetVelocity(c.bV);
        a->SetBounce(c.e);
        b->SetBounce(c.e);
        Point contact;
        ASSERT_TRUE(a->Collides(b.get(), &contact));
        EXPECT_FALSE(a->OnCollision(b.get(), contact));
        EXPECT_NEAR(Length(a->GetVelocity() - c.aAfter), 0.0, 1e-9);
        EXPECT_NEAR(Length(Point(a->GetX(), a->GetY()) - c.aMovedTo), 0.0, 1e-9);
    }

    auto a = Body(0.0, 0.0);
    auto b = Body(5.0, 5.0);
    auto c = Body(5.0, 5.0);
    CImageSpriteEx checkpoint(nullptr);
    a->SetVelocity(Point(3.0, 0.0));
    // Not a body, another layer, not collidable: passed on to the other sprite.
    b->SetZ(0.1);
    c->SetCollidable(false);
    for (CSprite* other : std::initializer_list<CSprite*>{&checkpoint, b.get(), c.get()}) {
        EXPECT_TRUE(a->OnCollision(other, Point(5.0, 5.0)));
    }
    // Coordinates out of the number range give no overlap to work with.
    auto far = Body(kInf, 0.0);
    EXPECT_FALSE(a->OnCollision(far.get(), Point(5.0, 5.0)) || far->OnCollision(a.get(), Point(5.0, 5.0)));
    EXPECT_EQ(std::pair(a->GetVelocity(), Point(a->GetX(), a->GetY())), std::pair(Point(3.0, 0.0), Point()));
    // Coinciding centres are parted like any other overlap.
    auto twin = Body(0.0, 0.0);
    EXPECT_FALSE(a->OnCollision(twin.get(), Point(0.0, 0.0)) || a->Collides(twin.get(), nullptr));

    // So far out that a step of 0.05 pixels no longer changes a coordinate.
    auto first = Body(1e17, 1e17, 64.0, 64.0);
    auto second = Body(1e17 + 32.0, 1e17 + 16.0, 64.0, 64.0);
    ASSERT_TRUE(first->Collides(second.get(), nullptr));
    const std::string log =
        Logged([&] { EXPECT_FALSE(first->OnCollision(second.get(), second->GetCorners().p[3])); });
    EXPECT_NE(log.find("WARNING in class CPhysicsSprite: Bodies still overlap after 329 push-apart steps."),
              std::string::npos)
        << log;
}
