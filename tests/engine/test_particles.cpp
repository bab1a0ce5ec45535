#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/log.h"
#include "engine/particle_engine.h"
#include "engine/particle_sprite.h"
#include "engine/texture_manager.h"
#include "tests/support/gl_test.h"

namespace {

constexpr double kPi = 3.141592653589793;

// The same reading of rand() the engine uses: one draw in 0..32767.
int Draw15() {
    return std::rand() % 32768;
}

double Between(double a, double b) {
    return a + Draw15() / 32767.0 * (b - a);
}

std::unique_ptr<CParticleSprite> Prototype(double w, double h) {
    auto p = std::make_unique<CParticleSprite>(nullptr);
    p->SetSize(w, h);
    return p;
}

// Settings with one w x h prototype that throws particles at origin (50, 80) without scatter,
// at full size and alpha, without push, living one second.
std::unique_ptr<EmitterSettings> PlainSettings(double w = 10.0, double h = 6.0) {
    auto s = std::make_unique<EmitterSettings>();
    s->prototypes.push_back(Prototype(w, h));
    s->originX = 50;
    s->originY = 80;
    s->sizeMin = s->sizeMax = 1.0;
    s->alphaMin = s->alphaMax = 255.0;
    s->attractX = 50;
    s->attractY = 80;
    return s;
}

int CountLines(const std::string& log, const std::string& line) {
    std::istringstream in(log);
    int n = 0;
    for (std::string l; std::getline(in, l);) {
        n += l == line ? 1 : 0;
    }
    return n;
}

const ParticleList& Live(CParticleEngine& engine, int index) {
    return engine.GetEmitter(index)->liveParticles;
}

void UpdateTimes(CParticleEngine& engine, int times, double dt) {
    for (int i = 0; i < times; ++i) {
        engine.Update(dt);
    }
}

class Particles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnableLogging(); }
};

TEST_F(Particles, EmissionThrowsTheCountWithinEveryRange) {
    auto s = PlainSettings(10.0, 6.0);
    s->dXMin = 5.0;
    s->dXMax = 10.0;
    s->dYMin = 2.0;
    s->dYMax = 4.0;
    s->sizeMin = 0.5;
    s->sizeMax = 2.0;
    s->alphaMin = 100.0;
    s->alphaMax = 200.0;
    s->massMin = 1.0;
    s->massMax = 3.0;
    s->rotMin = -90.0;
    s->rotMax = 90.0;
    s->angleMin = 0.0;
    s->angleMax = 360.0;
    s->forceMin = s->forceMax = 60.0;
    CParticleEngine engine(nullptr);
    const int index = engine.AddEmitter(std::move(s));
    ASSERT_EQ(index, 0);
    srand(7);
    engine.Emit(index, 300);

    const ParticleList& live = Live(engine, index);
    ASSERT_EQ(live.size(), 300u);
    int left = 0;
    int right = 0;
    int up = 0;
    int down = 0;
    for (const auto& p : live) {
        EXPECT_EQ(p->GetParent(), &engine);
        const double dx = p->GetX() + 5.0 - 50.0;
        const double dy = p->GetY() + 3.0 - 80.0;
        EXPECT_GE(std::fabs(dx), 5.0);
        EXPECT_LE(std::fabs(dx), 10.0);
        EXPECT_GE(std::fabs(dy), 2.0);
        EXPECT_LE(std::fabs(dy), 4.0);
        left += dx < 0 ? 1 : 0;
        right += dx > 0 ? 1 : 0;
        const double size = p->GetWidth() / 10.0;
        EXPECT_GE(size, 0.5);
        EXPECT_LE(size, 2.0);
        EXPECT_DOUBLE_EQ(p->GetHeight(), 6.0 * size);
        EXPECT_GE(p->GetBaseAlpha(), 100.0);
        EXPECT_LE(p->GetBaseAlpha(), 200.0);
        EXPECT_GE(p->GetMass(), 1.0);
        EXPECT_LE(p->GetMass(), 3.0);
        EXPECT_GE(p->GetRotationSpeed(), -90.0);
        EXPECT_LE(p->GetRotationSpeed(), 90.0);
        // Same strength in every direction: the speed is the force over the mass.
        EXPECT_NEAR(Length(p->GetVelocity()) * p->GetMass(), 60.0, 1e-9);
        up += p->GetVelocity().y < 0 ? 1 : 0;
        down += p->GetVelocity().y > 0 ? 1 : 0;
        EXPECT_TRUE(p->HasStarted());
        EXPECT_DOUBLE_EQ(p->GetZ(), 0.0);
    }
    EXPECT_GT(left, 50);
    EXPECT_GT(right, 50);
    EXPECT_GT(up, 50);
    EXPECT_GT(down, 50);
}

TEST_F(Particles, EachValueComesFromItsOwnRandDrawInOrder) {
    auto s = std::make_unique<EmitterSettings>();
    s->prototypes.push_back(Prototype(10.0, 4.0));
    s->prototypes.push_back(Prototype(20.0, 8.0));
    s->originX = 30;
    s->originY = -12;
    s->dXMin = 1.0;
    s->dXMax = 9.0;
    s->dYMin = 3.0;
    s->dYMax = 5.0;
    s->sizeMin = 0.5;
    s->sizeMax = 1.5;
    s->alphaMin = 20.0;
    s->alphaMax = 220.0;
    s->massMin = 0.5;
    s->massMax = 4.0;
    s->rotMin = -30.0;
    s->rotMax = 45.0;
    s->angleMin = 10.0;
    s->angleMax = 170.0;
    s->forceMin = 5.0;
    s->forceMax = 80.0;
    CParticleEngine engine(nullptr);
    const int index = engine.AddEmitter(std::move(s));
    srand(20240611);
    engine.Emit(index, 5);

    srand(20240611);
    const ParticleList& live = Live(engine, index);
    ASSERT_EQ(live.size(), 5u);
    for (const auto& p : live) {
        const double protoW = Draw15() % 2 == 0 ? 10.0 : 20.0;
        const double protoH = protoW == 10.0 ? 4.0 : 8.0;
        const bool xPlus = Draw15() % 2 == 1;
        const double dx = Between(1.0, 9.0);
        const double x = (xPlus ? 30 + dx : 30 - dx) - 0.5 * protoW;
        const bool yPlus = Draw15() % 2 == 1;
        const double dy = Between(3.0, 5.0);
        const double y = (yPlus ? -12 + dy : -12 - dy) - 0.5 * protoH;
        const double size = Between(0.5, 1.5);
        const double alpha = Between(20.0, 220.0);
        const double mass = Between(0.5, 4.0);
        const double spin = Between(-30.0, 45.0);
        const double angle = Between(10.0, 170.0) / 180.0 * kPi;
        const double force = Between(5.0, 80.0);

        EXPECT_DOUBLE_EQ(p->GetX(), x);
        EXPECT_DOUBLE_EQ(p->GetY(), y);
        EXPECT_DOUBLE_EQ(p->GetWidth(), protoW * size);
        EXPECT_DOUBLE_EQ(p->GetHeight(), protoH * size);
        EXPECT_DOUBLE_EQ(p->GetAlpha(), alpha);
        EXPECT_DOUBLE_EQ(p->GetMass(), mass);
        EXPECT_DOUBLE_EQ(p->GetRotationSpeed(), spin);
        EXPECT_DOUBLE_EQ(p->GetVelocity().x, std::sin(angle) * force / mass);
        EXPECT_DOUBLE_EQ(p->GetVelocity().y, -std::cos(angle) * force / mass);
    }
}

TEST_F(Particles, ZeroRangesCentreOnTheOriginAndKeepThePrototypeMass) {
    auto s = PlainSettings(10.0, 6.0);
    s->prototypes[0]->SetMass(2.5);
    CParticleEngine engine(nullptr);
    const int first = engine.AddEmitter(std::move(s));
    auto other = PlainSettings(4.0, 4.0);
    other->originX = -7;
    const int second = engine.AddEmitter(std::move(other));
    ASSERT_EQ(second, 1);

    engine.Emit(-1, 4);

    ASSERT_EQ(Live(engine, first).size(), 4u);
    ASSERT_EQ(Live(engine, second).size(), 4u);
    for (const auto& p : Live(engine, first)) {
        EXPECT_DOUBLE_EQ(p->GetX(), 50.0 - 5.0);
        EXPECT_DOUBLE_EQ(p->GetY(), 80.0 - 3.0);
        EXPECT_DOUBLE_EQ(p->GetMass(), 2.5);
        EXPECT_EQ(p->GetVelocity(), Point(0.0, 0.0));
    }
    EXPECT_DOUBLE_EQ(Live(engine, second)[0]->GetX(), -7.0 - 2.0);
}

TEST_F(Particles, AlphaRisesOverTheFadeInAndFallsOverTheFadeOut) {
    CParticleSprite p(nullptr);
    p.SetAlpha(200.0);
    p.Start(2.0, 0.5, 0.5);
    EXPECT_DOUBLE_EQ(p.GetAlpha(), 0.0);
    EXPECT_DOUBLE_EQ(p.GetBaseAlpha(), 200.0);

    const double expected[] = {50.0,  100.0, 150.0, 200.0, 200.0, 200.0, 200.0, 200.0,
                               200.0, 200.0, 200.0, 200.0, 150.0, 100.0, 50.0,  0.0};
    const double dt = 0.125;
    for (int step = 0; step < 16; ++step) {
        p.Update(dt);
        EXPECT_NEAR(p.GetAlpha(), expected[step], 1e-9) << "after " << (step + 1) * dt << " s";
    }
    // Its age stops at its life: the particle is dead from there on.
    EXPECT_TRUE(p.IsDead());
    p.Update(dt);
    EXPECT_DOUBLE_EQ(p.GetAge(), 2.0);
    EXPECT_DOUBLE_EQ(p.GetAlpha(), 0.0);
    EXPECT_TRUE(p.IsDead());
}

TEST_F(Particles, WithoutFadesTheBaseAlphaHoldsUntilTheLifeEnds) {
    CParticleSprite p(nullptr);
    p.SetAlpha(90.0);
    p.Start(1.0, 0.0, 0.0);
    EXPECT_DOUBLE_EQ(p.GetAlpha(), 90.0);
    for (int step = 0; step < 3; ++step) {
        p.Update(0.25);
        EXPECT_DOUBLE_EQ(p.GetAlpha(), 90.0);
        EXPECT_FALSE(p.IsDead());
    }
    p.Update(0.25);
    EXPECT_DOUBLE_EQ(p.GetAge(), 1.0);
    EXPECT_DOUBLE_EQ(p.GetAlpha(), 0.0);
    EXPECT_TRUE(p.IsDead());
    p.SetAlpha(30.0);
    p.Update(0.25);
    EXPECT_DOUBLE_EQ(p.GetAlpha(), 0.0);
    EXPECT_TRUE(p.IsDead());
}

TEST_F(Particles, AnUnstartedParticleKeepsItsAlphaAndNeverDies) {
    CParticleSprite p(nullptr);
    p.SetAlpha(70.0);
    p.Start(0.0, 0.2, 0.2);
    p.Start(-1.0, 0.0, 0.0);
    p.Update(5.0);
    EXPECT_FALSE(p.HasStarted());
    EXPECT_DOUBLE_EQ(p.GetAlpha(), 70.0);
    EXPECT_FALSE(p.IsDead());
}

TEST_F(Particles, ParticlesMoveAndSpinByTheirSpeedsUnlessFrozen) {
    CParticleSprite p(nullptr);
    p.SetSize(10.0, 10.0);
    p.SetPosition(5.0, 7.0);
    p.SetVelocity(Point(10.0, -20.0));
    p.SetRotationSpeed(90.0);
    p.Start(10.0, 0.0, 0.0);
    p.Update(0.5);
    EXPECT_DOUBLE_EQ(p.GetX(), 10.0);
    EXPECT_DOUBLE_EQ(p.GetY(), -3.0);
    EXPECT_DOUBLE_EQ(p.GetRotation(), 45.0);
    p.SetRotationSpeed(-200.0);
    p.Update(0.5);
    EXPECT_DOUBLE_EQ(p.GetRotation(), 305.0);

    p.SetFrozen(true);
    p.Update(0.5);
    EXPECT_DOUBLE_EQ(p.GetX(), 15.0);
    EXPECT_DOUBLE_EQ(p.GetY(), -13.0);
    EXPECT_DOUBLE_EQ(p.GetRotation(), 305.0);
    // Frozen particles still age.
    EXPECT_DOUBLE_EQ(p.GetAge(), 1.5);
}

TEST_F(Particles, MassIgnoresValuesThatAreNotPositive) {
    CParticleSprite p(nullptr);
    EXPECT_DOUBLE_EQ(p.GetMass(), 1.0);
    p.SetMass(0.0);
    p.SetMass(-3.0);
    EXPECT_DOUBLE_EQ(p.GetMass(), 1.0);
    p.SetMass(0.25);
    EXPECT_DOUBLE_EQ(p.GetMass(), 0.25);
}

TEST_F(Particles, FrictionSlowsAlongTheMotionAndNeverReversesIt) {
    CParticleSprite p(nullptr);
    p.SetMass(2.0);
    p.SetVelocity(Point(30.0, -40.0));
    p.ApplyFriction(20.0, 0.5);
    // 50 px/s slowed by 20 / 2 * 0.5 = 5 px/s, same direction.
    EXPECT_NEAR(p.GetVelocity().x, 27.0, 1e-12);
    EXPECT_NEAR(p.GetVelocity().y, -36.0, 1e-12);

    p.ApplyFriction(1000.0, 0.5);
    EXPECT_EQ(p.GetVelocity(), Point(0.0, 0.0));
    p.ApplyFriction(1000.0, 0.5);
    EXPECT_EQ(p.GetVelocity(), Point(0.0, 0.0));

    p.SetVelocity(Point(-8.0, 0.0));
    p.ApplyFriction(-50.0, 1.0);
    EXPECT_EQ(p.GetVelocity(), Point(-8.0, 0.0));
    p.ApplyFriction(4.0, -1.0);
    EXPECT_EQ(p.GetVelocity(), Point(-8.0, 0.0));

    // 8 px/s at 3 / 2 * 0.25 px/s per step: at rest after 22 steps, and staying there.
    for (int step = 0; step < 30; ++step) {
        p.ApplyFriction(3.0, 0.25);
        EXPECT_LE(p.GetVelocity().x, 0.0);
        EXPECT_DOUBLE_EQ(p.GetVelocity().y, 0.0);
    }
    EXPECT_EQ(p.GetVelocity(), Point(0.0, 0.0));
}

TEST_F(Particles, TheEngineAppliesForceFrictionAndAttractionBeforeMoving) {
    auto s = PlainSettings(10.0, 6.0);
    s->massMin = s->massMax = 2.0;
    s->angleMin = s->angleMax = 90.0;
    s->forceMin = s->forceMax = 100.0;
    s->forceX = 8.0;
    s->frict = 40.0;
    CParticleEngine engine(nullptr);
    const int index = engine.AddEmitter(std::move(s));
    engine.Emit(index, 1);
    CParticleSprite& p = *Live(engine, index)[0];
    ASSERT_NEAR(p.GetVelocity().x, 50.0, 1e-12);

    // The attractor sits on the particle's centre: no pull in the first update.
    engine.Update(0.5);
    // 50 + 8 / 2 * 0.5 = 52, then slowed by 40 / 2 * 0.5 = 10.
    EXPECT_NEAR(p.GetVelocity().x, 42.0, 1e-9);
    EXPECT_NEAR(p.GetVelocity().y, 0.0, 1e-9);
    EXPECT_NEAR(p.GetX(), 45.0 + 21.0, 1e-9);

    engine.GetEmitter(index)->settings->forceX = 0.0;
    engine.GetEmitter(index)->settings->frict = 0.0;
    engine.GetEmitter(index)->settings->attractX = 71 + 30;
    engine.GetEmitter(index)->settings->attractY = 80 - 10;
    p.SetVelocity(Point(0.0, 0.0));
    engine.Update(0.5);
    // d = (30, -10), n = 40: a pull of (0.75, -0.25) / 2 * 0.5.
    EXPECT_NEAR(p.GetVelocity().x, 0.1875, 1e-9);
    EXPECT_NEAR(p.GetVelocity().y, -0.0625, 1e-9);
}

TEST_F(Particles, FrozenEmittersSkipTheUpdateButCallTheirHook) {
    static int hookCalls;
    static size_t hookSeen;
    hookCalls = 0;
    auto s = PlainSettings();
    s->frozen = true;
    s->updateHook = [](EmitterSettings&, ParticleList& live, double dt) {
        ++hookCalls;
        hookSeen = live.size();
        EXPECT_DOUBLE_EQ(dt, 0.25);
    };
    CParticleEngine engine(nullptr);
    const int index = engine.AddEmitter(std::move(s));
    engine.Emit(index, 3);
    engine.Update(0.25);
    EXPECT_EQ(hookCalls, 1);
    EXPECT_EQ(hookSeen, 3u);
    EXPECT_DOUBLE_EQ(Live(engine, index)[0]->GetAge(), 0.0);
}

TEST_F(Particles, DeadParticlesAreCollectedOnTheThirtiethUpdate) {
    auto shortLived = PlainSettings();
    shortLived->life = 0.1;
    auto longLived = PlainSettings();
    longLived->life = 100.0;
    CParticleEngine engine(nullptr);
    const int dying = engine.AddEmitter(std::move(shortLived));
    const int staying = engine.AddEmitter(std::move(longLived));
    engine.Emit(dying, 5);
    engine.Emit(staying, 3);
    std::vector<const CParticleSprite*> order;
    for (const auto& p : Live(engine, staying)) {
        order.push_back(p.get());
    }

    UpdateTimes(engine, 29, 0.01);
    ASSERT_EQ(Live(engine, dying).size(), 5u);
    for (const auto& p : Live(engine, dying)) {
        EXPECT_TRUE(p->IsDead());
        EXPECT_DOUBLE_EQ(p->GetAlpha(), 0.0);
    }

    engine.Update(0.01);
    EXPECT_TRUE(Live(engine, dying).empty());
    ASSERT_EQ(Live(engine, staying).size(), 3u);
    for (size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(Live(engine, staying)[i].get(), order[i]);
    }
    // Emitters made to stay are kept even when empty.
    EXPECT_NE(engine.GetEmitter(dying), nullptr);

    engine.Emit(dying, 2);
    UpdateTimes(engine, 29, 0.01);
    EXPECT_EQ(Live(engine, dying).size(), 2u);
    engine.Update(0.01);
    EXPECT_TRUE(Live(engine, dying).empty());
}

TEST_F(Particles, AnEmitterThatDoesNotStayGoesWithItsLastParticle) {
    auto burst = PlainSettings();
    burst->life = 0.05;
    CParticleEngine engine(nullptr);
    const int index = engine.AddEmitter(std::move(burst), false);
    engine.AddEmitter(PlainSettings());
    engine.Emit(index, 2);
    UpdateTimes(engine, 30, 0.01);
    EXPECT_EQ(engine.GetEmitter(index), nullptr);
    EXPECT_EQ(engine.GetEmitterCount(), 2);
    // The free place is taken by the next emitter.
    EXPECT_EQ(engine.AddEmitter(PlainSettings()), index);
}

TEST_F(Particles, SettingsWithoutLifeWarnOnceAndTheirParticlesAreCollected) {
    auto s = PlainSettings();
    s->life = 0.0;
    CParticleEngine engine(nullptr);
    const int index = engine.AddEmitter(std::move(s));
    testing::internal::CaptureStdout();
    engine.Emit(index, 3);
    engine.Emit(index, 2);
    engine.Emit(-1, 1);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(CountLines(log,
                         "WARNING in class CParticleEngine: Emitter 0 gives its particles no life; "
                         "they are collected at the next clean-up."),
              1);
    ASSERT_EQ(Live(engine, index).size(), 6u);
    EXPECT_FALSE(Live(engine, index)[0]->HasStarted());

    UpdateTimes(engine, 29, 0.01);
    EXPECT_EQ(Live(engine, index).size(), 6u);
    engine.Update(0.01);
    EXPECT_TRUE(Live(engine, index).empty());
}

TEST_F(Particles, BadEmissionsAreLoggedAndHaveDefinedResults) {
    CParticleEngine engine(nullptr);
    const int index = engine.AddEmitter(PlainSettings());
    testing::internal::CaptureStdout();
    engine.Emit(3, 5);
    engine.Emit(-2, 5);
    engine.Emit(index, -4);
    engine.Emit(index, 2000000000);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(
        CountLines(log, "WARNING in class CParticleEngine: Emitter index 3 does not exist, nothing emitted."),
        1);
    EXPECT_EQ(CountLines(
                  log, "WARNING in class CParticleEngine: Emitter index -2 does not exist, nothing emitted."),
              1);
    EXPECT_EQ(
        CountLines(log, "WARNING in class CParticleEngine: Negative emission count -4, nothing emitted."), 1);
    EXPECT_EQ(CountLines(log,
                         "WARNING in class CParticleEngine: Emission count 2000000000 limited to 1000 per "
                         "emitter."),
              1);
    EXPECT_EQ(Live(engine, index).size(), static_cast<size_t>(CParticleEngine::kMaxEmission));

    engine.GetEmitter(index)->settings->prototypes.clear();
    testing::internal::CaptureStdout();
    engine.Emit(index, 1);
    engine.RemoveEmitter(7);
    const std::string later = testing::internal::GetCapturedStdout();
    EXPECT_EQ(
        CountLines(later, "WARNING in class CParticleEngine: Emitter 0 has no prototypes, nothing emitted."),
        1);
    EXPECT_EQ(
        CountLines(later,
                   "WARNING in class CParticleEngine: Emitter index 7 does not exist, nothing removed."),
        1);
    EXPECT_EQ(Live(engine, index).size(), static_cast<size_t>(CParticleEngine::kMaxEmission));
}

TEST_F(Particles, UnusableSettingsAddNoEmitter) {
    CParticleEngine engine(nullptr);
    testing::internal::CaptureStdout();
    EXPECT_EQ(engine.AddEmitter(nullptr), -1);
    EXPECT_EQ(engine.AddEmitter(std::make_unique<EmitterSettings>()), -1);
    auto holey = PlainSettings();
    holey->prototypes.push_back(nullptr);
    EXPECT_EQ(engine.AddEmitter(std::move(holey)), -1);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(CountLines(log, "ERROR in class CParticleEngine: No emitter settings given, no emitter added."),
              1);
    EXPECT_EQ(CountLines(log,
                         "STATUS in class CParticleEngine: Emitter settings have no prototypes, no emitter "
                         "added."),
              1);
    EXPECT_EQ(CountLines(log,
                         "ERROR in class CParticleEngine: Emitter settings hold an empty prototype, no "
                         "emitter added."),
              1);
    EXPECT_EQ(engine.GetEmitterCount(), 0);
}

TEST_F(Particles, RemovingAnEmitterFreesItsPlaceForTheNext) {
    CParticleEngine engine(nullptr);
    engine.AddEmitter(PlainSettings());
    engine.AddEmitter(PlainSettings());
    engine.AddEmitter(PlainSettings());
    engine.Emit(1, 4);
    engine.RemoveEmitter(1);
    EXPECT_EQ(engine.GetEmitter(1), nullptr);
    testing::internal::CaptureStdout();
    engine.Emit(1, 1);
    EXPECT_EQ(
        CountLines(testing::internal::GetCapturedStdout(),
                   "WARNING in class CParticleEngine: Emitter index 1 does not exist, nothing emitted."),
        1);
    engine.Emit(-1, 2);
    EXPECT_EQ(Live(engine, 0).size(), 2u);
    EXPECT_EQ(Live(engine, 2).size(), 2u);
    EXPECT_EQ(engine.AddEmitter(PlainSettings()), 1);
    EXPECT_EQ(engine.AddEmitter(PlainSettings()), 3);
}

TEST_F(Particles, TheEngineLogsItsLifeCycle) {
    testing::internal::CaptureStdout();
    { CParticleEngine engine(nullptr); }
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(CountLines(log, "STATUS in class CParticleEngine: Instance created."), 1);
    EXPECT_EQ(CountLines(log, "STATUS in class CParticleEngine: Instance removed."), 1);
}

// Drawing and copying with real textures.
class ParticleDrawing : public GLTest {
protected:
    // Logging on, so that a window that cannot be opened says why.
    static void SetUpTestSuite() {
        EnableLogging();
        GLTest::SetUpTestSuite();
    }
    void SetUp() override {
        GLTest::SetUp();
        char pattern[] = "/tmp/particles_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // A w x h texture file of one opaque colour.
    std::string WriteImage(const std::string& name, int w, int h, Uint8 r, Uint8 g, Uint8 b) {
        SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
        SDL_FillRect(s, nullptr, SDL_MapRGBA(s->format, r, g, b, 255));
        const std::string path = dir + "/" + name;
        SDL_SaveBMP(s, path.c_str());
        SDL_FreeSurface(s);
        return path;
    }

    std::string dir;
    CTextureManager textures;
};

TEST_F(ParticleDrawing, EmittedParticlesShowUntilTheyDie) {
    auto s = PlainSettings(8.0, 8.0);
    s->prototypes[0]->SetTexture(textures.GetTexture(WriteImage("white.bmp", 8, 8, 255, 255, 255)));
    s->originX = 64;
    s->originY = 64;
    s->dXMin = s->dXMax = 20.0;
    s->attractX = 64;
    s->attractY = 64;
    s->life = 0.5;
    CParticleEngine engine(nullptr);
    const int index = engine.AddEmitter(std::move(s));

    engine.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);

    engine.Emit(index, 4);
    engine.Draw(nullptr);
    // Each particle sits 20 px left or right of the origin, 8 x 8, opaque white.
    const int lit = CountLitPixels(0, 0, kWidth, kHeight);
    EXPECT_GE(lit, 64);
    EXPECT_LE(lit, 128);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, 60), 0);
    EXPECT_EQ(Pixel(64, 64).r, 0);
    const bool leftShown = Pixel(44, 64).r == 255;
    const bool rightShown = Pixel(84, 64).r == 255;
    EXPECT_TRUE(leftShown || rightShown);

    engine.Update(0.3);
    engine.Update(0.3);
    ASSERT_EQ(Live(engine, index).size(), 4u);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    engine.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
}

TEST_F(ParticleDrawing, AHiddenEngineDrawsNothing) {
    auto s = PlainSettings(8.0, 8.0);
    s->prototypes[0]->SetTexture(textures.GetTexture(WriteImage("white.bmp", 8, 8, 255, 255, 255)));
    CParticleEngine engine(nullptr);
    engine.Emit(engine.AddEmitter(std::move(s)), 1);
    engine.SetVisible(false);
    engine.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
    engine.SetVisible(true);
    engine.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 64);
}

TEST_F(ParticleDrawing, ACopyTakesEveryFieldOfTheParticle) {
    CTexture* sheet = textures.GetTexture(WriteImage("sheet.bmp", 64, 32, 10, 200, 30));
    CParticleEngine parent(nullptr);
    CParticleSprite original(&parent);
    original.SetTexture(sheet);
    original.SetTileWidth(16);
    original.SetTileHeight(16);
    original.SetAnimStart(1);
    original.SetAnimEnd(6);
    original.SetAnimSpeed(12.0);
    original.SetAnimPos(3.5);
    original.SetAnimated(true);
    original.depthTest = false;
    original.SetPosition(11.0, -4.0);
    original.SetZ(0.3);
    original.SetSize(16.0, 12.0);
    original.SetScale(1.5);
    original.SetVisible(false);
    original.SetRotation(33.0);
    original.SetRotationCenter(0.25, 0.75);
    original.SetAlpha(180.0);
    original.SetMass(3.0);
    original.SetVelocity(Point(-2.0, 5.0));
    original.SetRotationSpeed(15.0);
    original.SetFrozen(true);
    original.Start(4.0, 1.0, 2.0);
    original.Update(0.5);

    const CParticleSprite copy(original);

    EXPECT_EQ(copy.GetParent(), &parent);
    EXPECT_EQ(copy.GetTexture(), sheet);
    EXPECT_EQ(copy.GetTileWidth(), 16);
    EXPECT_EQ(copy.GetTileHeight(), 16);
    EXPECT_EQ(copy.GetAnimStart(), 1);
    EXPECT_EQ(copy.GetAnimEnd(), 6);
    EXPECT_DOUBLE_EQ(copy.GetAnimSpeed(), 12.0);
    EXPECT_DOUBLE_EQ(copy.GetAnimPos(), original.GetAnimPos());
    EXPECT_TRUE(copy.IsAnimated());
    EXPECT_FALSE(copy.depthTest);
    const TexCoords& a = original.GetTexCoords();
    const TexCoords& b = copy.GetTexCoords();
    EXPECT_EQ(std::vector<double>({a.s0, a.t0, a.s1, a.t1}), std::vector<double>({b.s0, b.t0, b.s1, b.t1}));
    EXPECT_DOUBLE_EQ(copy.GetX(), 11.0);
    EXPECT_DOUBLE_EQ(copy.GetY(), -4.0);
    EXPECT_DOUBLE_EQ(copy.GetZ(), 0.3);
    EXPECT_DOUBLE_EQ(copy.GetWidth(), 16.0);
    EXPECT_DOUBLE_EQ(copy.GetHeight(), 12.0);
    EXPECT_DOUBLE_EQ(copy.GetScale(), 1.5);
    EXPECT_FALSE(copy.IsVisible());
    EXPECT_DOUBLE_EQ(copy.GetRotation(), 33.0);
    EXPECT_EQ(copy.GetRotationCenter(), Point(0.25, 0.75));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(copy.GetCorners().p[i], original.GetCorners().p[i]);
    }
    EXPECT_DOUBLE_EQ(copy.GetAlpha(), original.GetAlpha());
    EXPECT_DOUBLE_EQ(copy.GetMass(), 3.0);
    EXPECT_EQ(copy.GetVelocity(), Point(-2.0, 5.0));
    EXPECT_DOUBLE_EQ(copy.GetRotationSpeed(), 15.0);
    EXPECT_TRUE(copy.IsFrozen());
    EXPECT_DOUBLE_EQ(copy.GetBaseAlpha(), 180.0);
    EXPECT_DOUBLE_EQ(copy.GetLife(), 4.0);
    EXPECT_DOUBLE_EQ(copy.GetFadeIn(), 1.0);
    EXPECT_DOUBLE_EQ(copy.GetFadeOut(), 2.0);
    EXPECT_DOUBLE_EQ(copy.GetAge(), 0.5);
}

}  // namespace
