#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "engine/log.h"
#include "engine/physics_sprite.h"
#include "engine/sprite_manager.h"

namespace {

const double kPi = 3.141592653589793;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// A body of w x h pixels at (x, y) without parent.
std::unique_ptr<CPhysicsSprite> Body(double x, double y, double w = 10.0, double h = 10.0) {
    auto body = std::make_unique<CPhysicsSprite>(nullptr);
    body->SetPosition(x, y);
    body->SetSize(w, h);
    return body;
}

Point Momentum(const CPhysicsSprite& a, const CPhysicsSprite& b) {
    return a.GetVelocity() * a.GetMass() + b.GetVelocity() * b.GetMass();
}

std::string Captured(const std::function<void()>& body) {
    testing::internal::CaptureStdout();
    body();
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(PhysicsSprite, PerpendicularAndSameDirection) {
    EXPECT_EQ(Perpendicular(Point(3.0, 4.0)), Point(-4.0, 3.0));
    Point turned(3.0, 4.0);
    RotatePoint(turned, Point(0.0, 0.0), -90.0);
    EXPECT_NEAR(turned.x, -4.0, 1e-12);
    EXPECT_NEAR(turned.y, 3.0, 1e-12);

    EXPECT_TRUE(SameDirection(Point(1.0, 2.0), Point(3.0, 0.5)));
    EXPECT_TRUE(SameDirection(Point(-1.0, 0.0), Point(-3.0, 5.0)));
    EXPECT_TRUE(SameDirection(Point(0.0, -1.0), Point(0.0, -2.0)));
    EXPECT_FALSE(SameDirection(Point(1.0, 2.0), Point(-1.0, 2.0)));
    EXPECT_FALSE(SameDirection(Point(1.0, -2.0), Point(1.0, 2.0)));
    EXPECT_FALSE(SameDirection(Point(0.0, 0.0), Point(1.0, 1.0)));
    EXPECT_FALSE(SameDirection(Point(1.0, 1.0), Point(0.0, 0.0)));
}

TEST(PhysicsSprite, DefaultsAndSettersThatKeepTheBodyDefined) {
    CPhysicsSprite body(nullptr);
    EXPECT_DOUBLE_EQ(body.GetMass(), 1.0);
    EXPECT_DOUBLE_EQ(body.GetBounce(), 1.0);
    EXPECT_DOUBLE_EQ(body.GetInertia(), 0.0);
    EXPECT_TRUE(body.IsCollidable());
    EXPECT_FALSE(body.IsFixedPosition());
    EXPECT_FALSE(body.IsFixedRotation());

    body.SetSize(30.0, 40.0);
    EXPECT_DOUBLE_EQ(body.GetInertia(), 2500.0 / 12.0);
    body.SetMass(0.0);
    body.SetMass(kNaN);
    body.SetMass(kInf);
    EXPECT_DOUBLE_EQ(body.GetMass(), 1.0);
    body.SetMass(3.0);
    EXPECT_DOUBLE_EQ(body.GetInertia(), 2500.0 * 3.0 / 12.0);
    body.SetWidth(60.0);
    EXPECT_DOUBLE_EQ(body.GetInertia(), 5200.0 * 3.0 / 12.0);
    body.SetHeight(-5.0);
    body.SetWidth(-5.0);
    EXPECT_DOUBLE_EQ(body.GetInertia(), 5200.0 * 3.0 / 12.0);
    body.SetMass(-1.0);
    EXPECT_DOUBLE_EQ(body.GetMass(), -1.0);

    body.SetVelocity(Point(kNaN, 7.0));
    EXPECT_EQ(body.GetVelocity(), Point(0.0, 7.0));
    body.SetVelocity(Point(2.0, kNaN));
    EXPECT_EQ(body.GetVelocity(), Point(2.0, 0.0));
}

TEST(PhysicsSprite, IntegratesWithTheGivenStepAndRestores) {
    CSpriteManager world(nullptr);
    auto* body = new CPhysicsSprite(nullptr);
    body->SetPosition(10.0, 20.0);
    body->SetSize(10.0, 10.0);
    world.AddSprite(body);
    body->SetVelocity(Point(30.0, -40.0));
    body->SetAngularVelocity(90.0);

    world.Update(0.5);
    EXPECT_DOUBLE_EQ(body->GetX(), 25.0);
    EXPECT_DOUBLE_EQ(body->GetY(), 0.0);
    EXPECT_DOUBLE_EQ(body->GetRotation(), 45.0);
    world.Update(4.0);
    EXPECT_DOUBLE_EQ(body->GetX(), 145.0);
    EXPECT_DOUBLE_EQ(body->GetRotation(), 45.0);

    body->RestorePrevious();
    EXPECT_DOUBLE_EQ(body->GetX(), 25.0);
    EXPECT_DOUBLE_EQ(body->GetY(), 0.0);
    EXPECT_DOUBLE_EQ(body->GetRotation(), 45.0);

    body->SetAngularVelocity(-30.0);
    world.Update(1.0);
    EXPECT_DOUBLE_EQ(body->GetRotation(), 15.0);
    body->SetFixedRotation(true);
    body->RestorePrevious();
    EXPECT_DOUBLE_EQ(body->GetX(), 25.0);
    EXPECT_DOUBLE_EQ(body->GetRotation(), 15.0);

    world.Update(0.0);
    EXPECT_DOUBLE_EQ(body->GetX(), 25.0);
}

TEST(PhysicsSprite, ForcesChangeVelocityAndForcesOffCentreSpin) {
    auto body = Body(0.0, 0.0, 20.0, 10.0);
    body->SetMass(2.0);
    const double inertia = (400.0 + 100.0) * 2.0 / 12.0;
    ASSERT_DOUBLE_EQ(body->GetInertia(), inertia);

    body->ApplyForce(10.0, -4.0, 0.5);
    EXPECT_EQ(body->GetVelocity(), Point(2.5, -1.0));

    // At the centre only the linear part acts.
    body->ApplyForceAt(0.0, 20.0, 0.1, 10.0, 5.0);
    EXPECT_EQ(body->GetVelocity(), Point(2.5, 0.0));
    EXPECT_DOUBLE_EQ(body->GetAngularVelocity(), 0.0);

    // Pushing the right end up: r = (10, 0), r⊥ = (0, 10), torque -1000.
    body->ApplyForceAt(0.0, -100.0, 0.1, 20.0, 5.0);
    EXPECT_EQ(body->GetVelocity(), Point(2.5, -5.0));
    const double spin = -1000.0 * 0.1 * 180.0 / (inertia * kPi);
    EXPECT_DOUBLE_EQ(body->GetAngularVelocity(), spin);

    // The point's own velocity adds the turn: r⊥ · ω in radians per second.
    const Point atEnd = body->GetPointVelocity(Point(20.0, 5.0));
    EXPECT_DOUBLE_EQ(atEnd.x, 2.5);
    EXPECT_DOUBLE_EQ(atEnd.y, -5.0 + 10.0 * spin * kPi / 180.0);
    EXPECT_EQ(body->GetPointVelocity(Point(10.0, 5.0)), Point(2.5, -5.0));

    body->SetFixedRotation(true);
    body->ApplyForceAt(0.0, -100.0, 0.1, 20.0, 5.0);
    EXPECT_DOUBLE_EQ(body->GetAngularVelocity(), spin);
    EXPECT_EQ(body->GetVelocity(), Point(2.5, -10.0));

    body->SetFixedPosition(true);
    body->ApplyForce(1000.0, 1000.0, 1.0);
    body->ApplyForceAt(1000.0, 1000.0, 1.0, 0.0, 0.0);
    EXPECT_EQ(body->GetVelocity(), Point(2.5, -10.0));
    body->SetVelocity(Point(1.0, 1.0));
    EXPECT_EQ(body->GetVelocity(), Point(1.0, 1.0));

    // A body without extent has no inertia and is not spun into infinity.
    CPhysicsSprite dot(nullptr);
    dot.ApplyForceAt(0.0, -100.0, 0.1, 20.0, 5.0);
    EXPECT_DOUBLE_EQ(dot.GetAngularVelocity(), 0.0);
    EXPECT_EQ(dot.GetVelocity(), Point(0.0, -10.0));
}

TEST(PhysicsSprite, ResistanceSlowsAndStopsButNeverReverses) {
    auto body = Body(0.0, 0.0);
    body->SetMass(2.0);

    // Along the motion or against it, the force brakes: 10 * 0.1 / 2 = 0.5 per step.
    body->SetVelocity(Point(10.0, 0.0));
    body->ApplyResistance(10.0, 0.0, 0.1);
    EXPECT_DOUBLE_EQ(body->GetVelocity().x, 9.5);
    body->ApplyResistance(-10.0, 0.0, 0.1);
    EXPECT_DOUBLE_EQ(body->GetVelocity().x, 9.0);

    // At right angles to the motion, or without direction, nothing happens.
    body->ApplyResistance(0.0, 500.0, 0.1);
    body->ApplyResistance(0.0, 0.0, 0.1);
    EXPECT_EQ(body->GetVelocity(), Point(9.0, 0.0));

    // Stronger than needed: the motion along the line stops exactly, the rest stays.
    body->SetVelocity(Point(3.0, 4.0));
    body->ApplyResistance(0.0, -1024.0, 0.1);
    EXPECT_EQ(body->GetVelocity(), Point(3.0, 0.0));

    // Braking step by step ends at rest, never going backwards.
    body->SetVelocity(Point(10.0, -10.0));
    for (int i = 0; i < 200; ++i) {
        body->ApplyResistance(8.0, -8.0, 0.1);
        ASSERT_GE(body->GetVelocity().x, 0.0);
        ASSERT_LE(body->GetVelocity().y, 0.0);
    }
    EXPECT_EQ(body->GetVelocity(), Point(0.0, 0.0));

    // At a point with the rotation fixed the same holds for the point's motion.
    body->SetFixedRotation(true);
    body->SetVelocity(Point(0.0, 5.0));
    for (int i = 0; i < 100; ++i) {
        body->ApplyResistanceAt(0.0, 4.0, 0.1, 0.0, 0.0);
        ASSERT_GE(body->GetPointVelocity(Point(0.0, 0.0)).y, 0.0);
    }
    EXPECT_EQ(body->GetVelocity(), Point(0.0, 0.0));
    EXPECT_DOUBLE_EQ(body->GetAngularVelocity(), 0.0);

    // A turning body resists with the velocity of the point, here its turning alone.
    auto wheel = Body(0.0, 0.0, 20.0, 10.0);
    wheel->SetAngularVelocity(90.0);
    const Point before = wheel->GetPointVelocity(Point(20.0, 5.0));
    wheel->ApplyResistanceAt(0.0, 1.0, 0.1, 20.0, 5.0);
    EXPECT_LT(wheel->GetVelocity().y, 0.0);
    EXPECT_LT(std::fabs(wheel->GetPointVelocity(Point(20.0, 5.0)).y), std::fabs(before.y));
}

TEST(PhysicsSprite, MassDistributionMovesTheRotationCentre) {
    auto body = Body(0.0, 0.0, 20.0, 10.0);
    const double equal[4] = {1.0, 1.0, 1.0, 1.0};
    body->SetMassDistribution(equal);
    EXPECT_DOUBLE_EQ(body->GetMass(), 4.0);
    EXPECT_EQ(body->GetRotationCenter(), Point(0.5, 0.5));

    const double bottom[4] = {2.0, 2.0, 0.0, 0.0};
    body->SetMassDistribution(bottom);
    EXPECT_EQ(body->GetRotationCenter(), Point(0.5, 1.0));

    const double right[4] = {0.0, 3.0, 1.0, 0.0};
    body->SetMassDistribution(right);
    EXPECT_DOUBLE_EQ(body->GetMass(), 4.0);
    EXPECT_EQ(body->GetRotationCenter(), Point(1.0, 0.75));
    EXPECT_DOUBLE_EQ(body->GetInertia(), (400.0 + 100.0) * 4.0 / 12.0);

    // Forces now turn the body about the new centre: a push at it does not spin.
    body->ApplyForceAt(0.0, 50.0, 0.1, 20.0, 7.5);
    EXPECT_DOUBLE_EQ(body->GetAngularVelocity(), 0.0);

    // Without total mass there is no mean; the body stays as it was.
    EnableLogging();
    const double none[4] = {0.0, 0.0, 0.0, 0.0};
    const double cancelling[4] = {1.0, -1.0, 0.0, 0.0};
    const std::string log = Captured([&] {
        body->SetMassDistribution(none);
        body->SetMassDistribution(cancelling);
        body->SetMassDistribution(nullptr);
    });
    EXPECT_EQ(body->GetRotationCenter(), Point(1.0, 0.75));
    EXPECT_DOUBLE_EQ(body->GetMass(), 4.0);
    EXPECT_NE(log.find("WARNING in class CPhysicsSprite: Mass distribution"), std::string::npos);
}

TEST(PhysicsSprite, AFixedBodyThrowsTheOtherBackWithoutMoving) {
    CSpriteManager world(nullptr);
    auto* ball = new CPhysicsSprite(nullptr);
    ball->SetPosition(0.0, 0.0);
    ball->SetSize(10.0, 10.0);
    auto* wall = new CPhysicsSprite(nullptr);
    wall->SetPosition(6.0, 6.0);
    wall->SetSize(10.0, 10.0);
    wall->SetFixedPosition(true);
    wall->SetFixedRotation(true);
    world.AddSprite(ball);
    world.AddSprite(wall);
    ball->SetVelocity(Point(10.0, 10.0));

    // Contact (10, 10) lies on the line of the centres: a head-on hit without spin, and with a
    // bounce of 1 the velocity is mirrored.
    world.CheckCollisions();
    EXPECT_NEAR(ball->GetVelocity().x, -10.0, 1e-12);
    EXPECT_NEAR(ball->GetVelocity().y, -10.0, 1e-12);
    EXPECT_DOUBLE_EQ(ball->GetAngularVelocity(), 0.0);
    EXPECT_EQ(wall->GetVelocity(), Point(0.0, 0.0));
    EXPECT_DOUBLE_EQ(wall->GetAngularVelocity(), 0.0);
    EXPECT_EQ(wall->GetX(), 6.0);
    EXPECT_EQ(wall->GetY(), 6.0);

    // The push-apart moved the ball back along the normal until the outlines part.
    EXPECT_FALSE(ball->Collides(wall, nullptr));
    EXPECT_DOUBLE_EQ(ball->GetX(), ball->GetY());
    EXPECT_LT(ball->GetX(), -4.0);
    EXPECT_GT(ball->GetX(), -4.1);

    // An off-centre hit spins the free body; the fixed one still does not turn.
    ball->SetPosition(0.0, 3.0);
    ball->SetVelocity(Point(10.0, 0.0));
    wall->SetPosition(8.0, 0.0);
    world.CheckCollisions();
    EXPECT_NE(ball->GetAngularVelocity(), 0.0);
    EXPECT_DOUBLE_EQ(wall->GetAngularVelocity(), 0.0);
    EXPECT_LT(ball->GetVelocity().x, 0.0);
}

TEST(PhysicsSprite, TwoFreeBodiesKeepTheirMomentum) {
    CSpriteManager world(nullptr);
    auto* a = new CPhysicsSprite(nullptr);
    a->SetPosition(0.0, 0.0);
    a->SetSize(10.0, 10.0);
    a->SetMass(2.0);
    a->SetBounce(0.5);
    auto* b = new CPhysicsSprite(nullptr);
    b->SetPosition(7.0, 4.0);
    b->SetSize(10.0, 10.0);
    b->SetMass(3.0);
    b->SetBounce(0.7);
    world.AddSprite(a);
    world.AddSprite(b);
    a->SetVelocity(Point(5.0, 3.0));
    b->SetVelocity(Point(-4.0, 1.0));
    const Point momentum = Momentum(*a, *b);
    const Point n = Point(5.0, 5.0) - Point(12.0, 9.0);
    const double d = Dot(a->GetVelocity() - b->GetVelocity(), n);
    ASSERT_LT(d, 0.0);

    world.CheckCollisions();
    const Point after = Momentum(*a, *b);
    EXPECT_NEAR(after.x, momentum.x, 1e-9);
    EXPECT_NEAR(after.y, momentum.y, 1e-9);
    // Restitution 0.6 on the normal: the approach turns into a slower separation.
    EXPECT_NEAR(Dot(a->GetVelocity() - b->GetVelocity(), n), -0.6 * d, 1e-9);
    EXPECT_FALSE(a->Collides(b, nullptr));
    // Both moved apart by the same steps along the normal, in opposite senses.
    EXPECT_NEAR(a->GetX() - 0.0, -(b->GetX() - 7.0), 1e-9);
    EXPECT_NEAR(a->GetY() - 0.0, -(b->GetY() - 4.0), 1e-9);
    EXPECT_NE(a->GetAngularVelocity(), 0.0);
    EXPECT_NE(b->GetAngularVelocity(), 0.0);
}

TEST(PhysicsSprite, PairsThatAreNotRigidBodyCollisionsArePassedOn) {
    auto a = Body(0.0, 0.0);
    auto b = Body(5.0, 5.0);
    a->SetVelocity(Point(1.0, 1.0));
    CImageSpriteEx checkpoint(nullptr);
    checkpoint.SetSize(10.0, 10.0);

    EXPECT_TRUE(a->OnCollision(&checkpoint, Point(5.0, 5.0)));
    b->SetZ(0.1);
    EXPECT_TRUE(a->OnCollision(b.get(), Point(5.0, 5.0)));
    b->SetZ(0.0);
    b->SetCollidable(false);
    EXPECT_TRUE(a->OnCollision(b.get(), Point(5.0, 5.0)));
    b->SetCollidable(true);
    a->SetCollidable(false);
    EXPECT_TRUE(a->OnCollision(b.get(), Point(5.0, 5.0)));
    EXPECT_EQ(a->GetVelocity(), Point(1.0, 1.0));
    EXPECT_EQ(b->GetVelocity(), Point(0.0, 0.0));
    EXPECT_EQ(a->GetX(), 0.0);

    // Both positions fixed: the impulse may turn them, but nothing is pushed.
    a->SetCollidable(true);
    a->SetFixedPosition(true);
    b->SetFixedPosition(true);
    EXPECT_FALSE(a->OnCollision(b.get(), Point(10.0, 10.0)));
    EXPECT_EQ(a->GetX(), 0.0);
    EXPECT_EQ(b->GetX(), 5.0);
    EXPECT_EQ(a->GetVelocity(), Point(1.0, 1.0));

    // Centres side by side: impulse yes, push-apart no.
    auto left = Body(0.0, 0.0);
    auto right = Body(8.0, 0.0);
    left->SetVelocity(Point(4.0, 0.0));
    EXPECT_FALSE(left->OnCollision(right.get(), Point(10.0, 5.0)));
    EXPECT_EQ(left->GetVelocity(), Point(0.0, 0.0));
    EXPECT_EQ(right->GetVelocity(), Point(4.0, 0.0));
    EXPECT_EQ(left->GetX(), 0.0);
    EXPECT_EQ(right->GetX(), 8.0);
}

TEST(PhysicsSprite, DegenerateBodiesNeverHangTheCollisionResponse) {
    // Coinciding centres give no normal: the pair is skipped.
    auto a = Body(0.0, 0.0);
    auto b = Body(0.0, 0.0);
    a->SetVelocity(Point(3.0, 0.0));
    EXPECT_FALSE(a->OnCollision(b.get(), Point(5.0, 5.0)));
    EXPECT_EQ(a->GetVelocity(), Point(3.0, 0.0));
    EXPECT_EQ(b->GetVelocity(), Point(0.0, 0.0));
    EXPECT_EQ(a->GetX(), 0.0);

    // Not-a-number and infinite coordinates: the call returns and leaves the velocities defined.
    for (double bad : {kNaN, kInf, -kInf}) {
        auto lost = Body(bad, 0.0);
        auto other = Body(5.0, 5.0);
        lost->SetVelocity(Point(1.0, 2.0));
        EXPECT_FALSE(lost->OnCollision(other.get(), Point(5.0, 5.0)));
        EXPECT_FALSE(other->OnCollision(lost.get(), Point(5.0, 5.0)));
        EXPECT_EQ(lost->GetVelocity(), Point(1.0, 2.0));
        EXPECT_EQ(other->GetVelocity(), Point(0.0, 0.0));
        EXPECT_EQ(other->GetX(), 5.0);
    }

    // So far out that a step of 0.05 pixels no longer changes a coordinate: the push-apart gives up.
    EnableLogging();
    const double far = 1e17;
    auto first = Body(far, far, 64.0, 64.0);
    auto second = Body(far + 32.0, far + 16.0, 64.0, 64.0);
    ASSERT_TRUE(first->Collides(second.get(), nullptr));
    ASSERT_NE(first->LocalToGlobal(Point(32.0, 32.0)), second->LocalToGlobal(Point(32.0, 32.0)));
    const std::string log =
        Captured([&] { EXPECT_FALSE(first->OnCollision(second.get(), second->GetCorners().p[3])); });
    EXPECT_NE(log.find("WARNING in class CPhysicsSprite: Bodies still overlap after"), std::string::npos);
    EXPECT_TRUE(first->Collides(second.get(), nullptr));
}
