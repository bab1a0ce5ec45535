#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>
#include <utility>

#include "engine/particle_engine.h"
#include "engine/texture_manager.h"
#include "tests/support/bmp_file.h"
#include "tests/support/gl_test.h"
#include "tests/support/logged.h"
#include "tests/support/temp_folder.h"

namespace {

// One w x h prototype of mass 1 thrown at (50, 80), unscattered, at full size and alpha, unpushed.
std::unique_ptr<EmitterSettings> Plain(double w = 10.0, double h = 6.0, double life = 1.0) {
    auto s = std::make_unique<EmitterSettings>();
    s->prototypes.push_back(std::make_unique<CParticleSprite>(nullptr));
    s->prototypes[0]->SetSize(w, h);
    s->originX = s->attractX = 50;
    s->originY = s->attractY = 80;
    s->sizeMin = s->sizeMax = 1.0;
    s->alphaMin = s->alphaMax = 255.0;
    s->life = life;
    return s;
}

const ParticleList& Live(CParticleEngine& engine, int index) {
    return engine.GetEmitter(index)->liveParticles;
}

TEST(Particles,
     AParticleFadesMovesSlowsAndDiesByDtEmittedValuesStayInRangeAndTheEngineMovesThemUnlessFrozen) {
    CParticleSprite lone(nullptr);
    lone.SetMass(2.0);
    lone.SetMass(0.0);
    lone.SetAlpha(200.0);
    lone.SetVelocity(Point(30.0, -40.0));
    lone.SetRotationSpeed(-90.0);
    lone.Start(2.0, 0.5, 0.5);
    EXPECT_EQ(lone.GetAlpha(), 0.0);
    const double expected[] = {50, 100, 150, 200, 200, 200, 200, 200, 200, 200, 200, 200, 150, 100, 50, 0};
    for (int step = 0; step < 16; ++step) {
        EXPECT_FALSE(lone.IsDead());
        lone.Update(0.125);
        EXPECT_NEAR(lone.GetAlpha(), expected[step], 1e-9) << "after " << (step + 1) * 0.125 << " s";
    }
    EXPECT_EQ(lone.GetRotation(), 180.0);
    // The age stops at the life, exactly; a frozen particle does not move.
    lone.SetFrozen(true);
    lone.Update(0.125);
    EXPECT_TRUE(lone.IsDead());
    EXPECT_EQ(Point(lone.GetX(), lone.GetY()), Point(60.0, -80.0));
    // 50 px/s slowed by 20 / 2 * 0.5 = 5 px/s (the mass 0 was refused); no friction below 0.
    lone.ApplyFriction(20.0, 0.5);
    lone.ApplyFriction(-50.0, 1.0);
    EXPECT_NEAR(Length(lone.GetVelocity() - Point(27.0, -36.0)), 0.0, 1e-12);
    // Far more friction than motion: at rest, never reversed.
    lone.ApplyFriction(1000.0, 0.5);
    lone.ApplyFriction(1000.0, 0.5);
    EXPECT_EQ(lone.GetVelocity(), Point(0.0, 0.0));

    auto r = Plain(10.0, 4.0);
    std::tie(r->dXMin, r->dXMax, r->dYMin, r->dYMax, r->sizeMin, r->sizeMax) =
        std::tuple(1, 9, 3, 5, 0.5, 1.5);
    std::tie(r->alphaMin, r->alphaMax, r->massMin, r->massMax, r->rotMin, r->rotMax) =
        std::tuple(20, 220, 0.5, 4, -30, 45);
    CParticleEngine engine(nullptr);
    const int rangedIndex = engine.AddEmitter(std::move(r));
    engine.Emit(rangedIndex, 200);
    for (const auto& p : Live(engine, rangedIndex)) {
        const double size = p->GetWidth() / 10.0;
        // Placed by the prototype's size, 10 x 4.
        const double dx = std::abs(p->GetX() + 5 - 50), dy = std::abs(p->GetY() + 2 - 80);
        ASSERT_TRUE(size >= 0.5 && size <= 1.5 && std::abs(p->GetHeight() - 4.0 * size) < 1e-9) << size;
        ASSERT_TRUE(dx >= 1 - 1e-9 && dx <= 9 + 1e-9 && dy >= 3 - 1e-9 && dy <= 5 + 1e-9) << dx << " " << dy;
        ASSERT_TRUE(p->GetAlpha() >= 20 && p->GetAlpha() <= 220 && p->GetMass() >= 0.5 && p->GetMass() <= 4);
        ASSERT_TRUE(p->GetRotationSpeed() >= -30 && p->GetRotationSpeed() <= 45);
    }

    auto s = Plain(10.0, 6.0, 10.0);
    // A zero mass range keeps the prototype's mass.
    s->prototypes[0]->SetMass(2.0);
    s->angleMin = s->angleMax = 90;
    s->forceMin = s->forceMax = 100;
    s->forceX = 8.0;
    s->frict = 40.0;
    const int index = engine.AddEmitter(std::move(s));
    engine.Emit(index, 1);
    CParticleSprite& p = *Live(engine, index)[0];
    // No pull (the attractor is on the centre); 50 + 8 / 2 * 0.5 = 52, slowed by 40 / 2 * 0.5 = 10, moved.
    engine.Update(0.5);
    EXPECT_NEAR(p.GetX(), 45.0 + 21.0, 1e-9);
    EmitterSettings& settings = *engine.GetEmitter(index)->settings;
    settings.forceX = settings.frict = 0.0;
    settings.attractX = 71 + 30;
    settings.attractY = 80 - 10;
    p.SetVelocity(Point(0.0, 0.0));
    engine.Update(0.5);
    // d = (30, -10) over |30| + |-10|, per unit mass: (0.75, -0.25) / 2 * 0.5.
    EXPECT_NEAR(Length(p.GetVelocity() - Point(0.1875, -0.0625)), 0.0, 1e-9);
    // A frozen emitter leaves its particles alone but still calls its hook.
    static double hookSaw = 0.0;
    settings.frozen = true;
    settings.updateHook = [](EmitterSettings&, ParticleList& live, double dt) { hookSaw = live.size() * dt; };
    engine.Update(0.25);
    EXPECT_EQ(std::pair(hookSaw, p.GetAge()), std::pair(0.25, 1.0));
}

TEST(Particles, DeadAndLifelessParticlesGoOnEveryThirtiethUpdateAndBadRequestsChangeNothing) {
    CParticleEngine engine(nullptr);
    auto holey = Plain();
    holey->prototypes.push_back(nullptr);
    EXPECT_EQ(engine.AddEmitter(nullptr) + engine.AddEmitter(std::make_unique<EmitterSettings>()) +
                  engine.AddEmitter(std::move(holey)),
              -3);
    const int dying = engine.AddEmitter(Plain(10, 6, 0.1));
    const int staying = engine.AddEmitter(Plain());
    const int going = engine.AddEmitter(Plain(10, 6, 0.1), false);
    const int unstarted = engine.AddEmitter(Plain(10, 6, 0.0));
    // Settings without a life are reported once.
    EXPECT_EQ(
        Logged([&] {
            engine.Emit(-1, 2);
            engine.Emit(unstarted, 1);
        }),
        "WARNING in class CParticleEngine: Emitter 3 gives its particles no life; they are collected at "
        "the next clean-up.\n");
    const CParticleSprite* first = Live(engine, staying)[0].get();
    for (int i = 0; i < 29; ++i) {
        engine.Update(0.01);
    }
    EXPECT_EQ(Live(engine, dying).size() + Live(engine, unstarted).size(), 5u);
    engine.Update(0.01);
    EXPECT_EQ(Live(engine, dying).size() + Live(engine, unstarted).size(), 0u);
    EXPECT_TRUE(Live(engine, staying)[0].get() == first && engine.GetEmitter(going) == nullptr);
    EXPECT_EQ(engine.AddEmitter(Plain()), going);  // Its place is free for the next one.
    engine.RemoveEmitter(going);
    engine.Emit(going, 5);
    engine.Emit(dying, -4);
    EXPECT_TRUE(Live(engine, dying).empty());
    EXPECT_EQ(Logged([&] { engine.Emit(-1, 2000000000); }),
              "WARNING in class CParticleEngine: Emission count 2000000000 limited to 1000 per emitter.\n");
    EXPECT_EQ(Live(engine, dying).size(), static_cast<size_t>(CParticleEngine::kMaxEmission));
}

class ParticleDrawing : public GLTest {};

TEST_F(ParticleDrawing, EmittedParticlesShowUntilTheyDieAndNotWhileTheEngineIsHidden) {
    TempFolder folder;
    CTextureManager textures;
    auto s = Plain(8.0, 8.0, 0.5);
    s->prototypes[0]->SetTexture(textures.GetTexture(WriteSolidBmp(folder.File("w.bmp"), 8, 8, 0xFFFFFF)));
    s->originX = s->originY = s->attractX = s->attractY = 64;
    s->dXMin = s->dXMax = 20;
    CParticleEngine engine(nullptr);
    engine.Emit(engine.AddEmitter(std::move(s)), 4);
    engine.SetVisible(false);
    engine.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
    // Each particle sits 20 px left or right of the origin, 8 x 8, opaque white.
    engine.SetVisible(true);
    engine.Draw(nullptr);
    const int left = CountLitPixels(40, 60, 8, 8);
    const int right = CountLitPixels(80, 60, 8, 8);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), left + right);
    EXPECT_EQ(left + right, left > 0 && right > 0 ? 128 : 64);
    // A view reaching 5 px into the left particles draws them whole and leaves the right ones out.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    engine.DrawIn(nullptr, Bounds{0, 0, 45, 128});
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), left);
    // Dead, but not yet collected: transparent.
    engine.Update(0.6);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    engine.Draw(nullptr);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
}

}  // namespace
