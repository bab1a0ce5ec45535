#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

#include "engine/log.h"
#include "engine/physics_sprite.h"

namespace {

const double kPi = 3.141592653589793;
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// A body of w x h pixels at (x, y) without parent.
std::unique_ptr<CPhysicsSprite> Body(double x, double y, double w = 10, double h = 10, double mass = 1) {
    auto body = std::make_unique<CPhysicsSprite>(nullptr);
    body->SetPosition(x, y);
    body->SetSize(w, h);
    body->SetMass(mass);
    return body;
}

}  // namespace

TEST(PhysicsSprite, MassVelocitySpinAndCentreStayDefined) {
    auto body = Body(0.0, 0.0, 20.0, 10.0);
    body->SetMass(0.0);
    body->SetMass(kNaN);
    body->SetMass(kInf);
    body->SetVelocity(Point(kNaN, 7.0));
    EXPECT_DOUBLE_EQ(body->GetMass(), 1.0);
    EXPECT_EQ(body->GetVelocity(), Point(0.0, 7.0));
    // A body without extent has no inertia and is not spun into infinity.
    CPhysicsSprite dot(nullptr);
    dot.ApplyForceAt(0.0, -100.0, 0.1, 20.0, 5.0);
    EXPECT_EQ(dot.GetAngularVelocity(), 0.0);
    // Corner masses set the total and move the centre to their mean; a push there does not spin.
    const double right[4] = {0.0, 3.0, 1.0, 0.0};
    body->SetMassDistribution(right);
    EXPECT_DOUBLE_EQ(body->GetMass(), 4.0);
    EXPECT_EQ(body->GetRotationCenter(), Point(1.0, 0.75));
    body->ApplyForceAt(0.0, 50.0, 0.1, 20.0, 7.5);
    EXPECT_EQ(body->GetAngularVelocity(), 0.0);
    // Without a total there is no mean: the body stays as it was.
    const double cancelling[4] = {1.0, -1.0, 0.0, 0.0};
    body->SetMassDistribution(cancelling);
    body->SetMassDistribution(nullptr);
    EXPECT_EQ(body->GetRotationCenter(), Point(1.0, 0.75));
}

TEST(PhysicsSprite, IntegratesByTheGivenStepAndUndoesTheLastOne) {
    auto body = Body(10.0, 20.0);
    body->SetVelocity(Point(30.0, -40.0));
    body->SetAngularVelocity(90.0);
    body->Update(0.5);
    body->Update(4.0);
    body->RestorePrevious();
    EXPECT_EQ(Point(body->GetX(), body->GetY()), Point(25.0, 0.0));
    EXPECT_DOUBLE_EQ(body->GetRotation(), 45.0);
    // A body with a fixed rotation keeps its angle when the step is undone.
    body->Update(0.5);
    body->SetFixedRotation(true);
    body->RestorePrevious();
    EXPECT_DOUBLE_EQ(body->GetRotation(), 90.0);
}

TEST(PhysicsSprite, ForcesAccelerateAndOffCentreForcesSpin) {
    auto body = Body(0.0, 0.0, 20.0, 10.0, 2.0);
    // A uniform rectangle: (w² + h²) m / 12.
    const double inertia = (400.0 + 100.0) * 2.0 / 12.0;
    body->ApplyForce(10.0, -4.0, 0.5);
    EXPECT_EQ(body->GetVelocity(), Point(2.5, -1.0));
    // Pushing the right end up: r = (10, 0), r⊥ = (0, 10), torque -800.
    body->ApplyForceAt(0.0, -80.0, 0.1, 20.0, 5.0);
    EXPECT_EQ(body->GetVelocity(), Point(2.5, -5.0));
    const double spin = -800.0 * 0.1 * 180.0 / (inertia * kPi);
    EXPECT_DOUBLE_EQ(body->GetAngularVelocity(), spin);
    // The point's own velocity adds the turn: r⊥ · ω in radians per second.
    const Point atEnd = body->GetPointVelocity(Point(20.0, 5.0));
    EXPECT_NEAR(Length(atEnd - Point(2.5, -5.0 + 10.0 * spin * kPi / 180.0)), 0.0, 1e-9);
    body->SetFixedRotation(true);
    body->ApplyForceAt(0.0, -80.0, 0.1, 20.0, 5.0);
    EXPECT_DOUBLE_EQ(body->GetAngularVelocity(), spin);
    body->SetFixedPosition(true);
    body->ApplyForce(1000.0, 1000.0, 1.0);
    EXPECT_EQ(body->GetVelocity(), Point(2.5, -9.0));
}

TEST(PhysicsSprite, ResistanceBrakesAlongItsLineAndNeverReversesTheMotion) {
    auto body = Body(0.0, 0.0, 10.0, 10.0, 2.0);
    // A force along the motion brakes it as well: by 10 * 0.1 / 2.
    body->SetVelocity(Point(10.0, 0.0));
    body->ApplyResistance(10.0, 0.0, 0.1);
    EXPECT_DOUBLE_EQ(body->GetVelocity().x, 9.5);
    // Stronger than needed: the motion along the line stops exactly, the rest stays.
    body->SetVelocity(Point(3.0, 4.0));
    body->ApplyResistance(0.0, -1024.0, 0.1);
    EXPECT_EQ(body->GetVelocity(), Point(3.0, 0.0));

    // Step by step to rest, never backwards: braked against the motion, and at a point (with the
    // rotation fixed) along it.
    auto sled = Body(0.0, 0.0);
    sled->SetFixedRotation(true);
    body->SetVelocity(Point(10.0, -10.0));
    sled->SetVelocity(Point(0.0, 5.0));
    for (int i = 0; i < 200; ++i) {
        body->ApplyResistance(-8.0, 8.0, 0.1);
        sled->ApplyResistanceAt(0.0, 4.0, 0.1, 0.0, 0.0);
        ASSERT_GE(body->GetVelocity().x, 0.0);
        ASSERT_LE(body->GetVelocity().y, 0.0);
        ASSERT_GE(sled->GetVelocity().y, 0.0);
    }
    EXPECT_EQ(body->GetVelocity(), Point(0.0, 0.0));
    EXPECT_EQ(sled->GetVelocity(), Point(0.0, 0.0));
}

TEST(PhysicsSprite, AFixedBodyThrowsTheOtherBackWithoutMovingOrTurning) {
    auto ball = Body(0.0, 0.0);
    auto wall = Body(6.0, 6.0);
    wall->SetFixedPosition(true);
    wall->SetFixedRotation(true);
    ball->SetVelocity(Point(10.0, 10.0));
    // Contact (10, 10) lies on the line of the centres: a head-on hit mirrors the velocity.
    EXPECT_FALSE(ball->OnCollision(wall.get(), Point(10.0, 10.0)));
    EXPECT_NEAR(Length(ball->GetVelocity() - Point(-10.0, -10.0)), 0.0, 1e-9);
    EXPECT_EQ(wall->GetVelocity(), Point(0.0, 0.0));
    EXPECT_EQ(wall->GetX(), 6.0);
    // The push-apart moved the ball back along the normal just until the outlines part.
    EXPECT_FALSE(ball->Collides(wall.get(), nullptr));
    EXPECT_DOUBLE_EQ(ball->GetX(), ball->GetY());
    EXPECT_GT(ball->GetX(), -4.1);

    // An off-centre hit spins the free body only.
    ball->SetPosition(0.0, 3.0);
    ball->SetVelocity(Point(10.0, 0.0));
    wall->SetPosition(8.0, 0.0);
    ball->OnCollision(wall.get(), Point(8.0, 10.0));
    EXPECT_LT(ball->GetVelocity().x, 0.0);
    EXPECT_NE(ball->GetAngularVelocity(), 0.0);
    EXPECT_EQ(wall->GetAngularVelocity(), 0.0);
}

TEST(PhysicsSprite, TwoFreeBodiesKeepTheirMomentumAndPartAtTheMeanRestitution) {
    auto a = Body(0.0, 0.0, 10.0, 10.0, 2.0);
    auto b = Body(7.0, 4.0, 10.0, 10.0, 3.0);
    a->SetBounce(0.5);
    b->SetBounce(0.7);
    a->SetVelocity(Point(5.0, 3.0));
    b->SetVelocity(Point(-4.0, 1.0));
    const auto momentum = [&] { return a->GetVelocity() * 2.0 + b->GetVelocity() * 3.0; };
    const Point before = momentum();
    const Point n = Point(5.0, 5.0) - Point(12.0, 9.0);
    const double approach = Dot(a->GetVelocity() - b->GetVelocity(), n);
    ASSERT_LT(approach, 0.0);
    EXPECT_FALSE(a->OnCollision(b.get(), Point(10.0, 10.0)));
    EXPECT_NEAR(Length(momentum() - before), 0.0, 1e-9);
    EXPECT_NEAR(Dot(a->GetVelocity() - b->GetVelocity(), n), -0.6 * approach, 1e-9);
    EXPECT_NE(a->GetAngularVelocity(), 0.0);
    // Both moved apart by the same steps along the normal, in opposite senses.
    EXPECT_FALSE(a->Collides(b.get(), nullptr));
    EXPECT_NEAR(a->GetX(), -(b->GetX() - 7.0), 1e-9);
    EXPECT_NEAR(a->GetY(), -(b->GetY() - 4.0), 1e-9);
}

TEST(PhysicsSprite, PairsThatAreNoRigidBodyCollisionOrHaveNoNormalAreLeftAlone) {
    auto a = Body(0.0, 0.0);
    auto b = Body(5.0, 5.0);
    CImageSpriteEx checkpoint(nullptr);
    a->SetVelocity(Point(3.0, 0.0));
    // Not a body, another layer, not collidable: passed on to the other sprite.
    EXPECT_TRUE(a->OnCollision(&checkpoint, Point(5.0, 5.0)));
    b->SetZ(0.1);
    EXPECT_TRUE(a->OnCollision(b.get(), Point(5.0, 5.0)));
    b->SetCollidable(false);
    b->SetZ(0.0);
    EXPECT_TRUE(a->OnCollision(b.get(), Point(5.0, 5.0)));
    // Coinciding centres give no normal, and neither do coordinates out of the number range.
    for (double x : {0.0, kNaN, kInf}) {
        auto c = Body(x, 0.0);
        EXPECT_FALSE(a->OnCollision(c.get(), Point(5.0, 5.0)));
        EXPECT_FALSE(c->OnCollision(a.get(), Point(5.0, 5.0)));
        EXPECT_EQ(c->GetVelocity(), Point(0.0, 0.0));
    }
    EXPECT_EQ(a->GetVelocity(), Point(3.0, 0.0));
    EXPECT_EQ(a->GetX(), 0.0);
}

TEST(PhysicsSprite, ThePushApartGivesUpWhereItsStepsNoLongerMoveTheBodies) {
    // So far out that a step of 0.05 pixels no longer changes a coordinate.
    EnableLogging();
    auto first = Body(1e17, 1e17, 64.0, 64.0);
    auto second = Body(1e17 + 32.0, 1e17 + 16.0, 64.0, 64.0);
    ASSERT_TRUE(first->Collides(second.get(), nullptr));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(first->OnCollision(second.get(), second->GetCorners().p[3]));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(
        log.find("WARNING in class CPhysicsSprite: Bodies still overlap after 100000 push-apart steps."),
        std::string::npos)
        << log;
}
