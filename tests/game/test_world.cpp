#include <GL/gl.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/ini.h"
#include "engine/log.h"
#include "game/checkpoint_sprite.h"
#include "game/game.h"
#include "game/ground_sprite.h"
#include "game/physics_sprite.h"
#include "game/player.h"
#include "game/static_sprite.h"
#include "game/world.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"

namespace {

using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

// A w x h map of one colour, saved as a BMP file.
std::string SaveMap(const TempFolder& folder, const std::string& name, int w, int h, Uint8 r, Uint8 g,
                    Uint8 b) {
    Surface s(SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0));
    SDL_FillRect(s.get(), nullptr, SDL_MapRGB(s->format, r, g, b));
    const std::string file = folder.File(name);
    SDL_SaveBMP(s.get(), file.c_str());
    return file;
}

// Records the viewport of every view it is drawn in.
class ViewportProbe : public CSprite {
public:
    explicit ViewportProbe(std::vector<std::array<GLint, 4>>* seen) : CSprite(nullptr), seen(seen) {}
    void Draw(void* target) override {
        (void)target;
        std::array<GLint, 4> v{};
        glGetIntegerv(GL_VIEWPORT, v.data());
        seen->push_back(v);
    }
    void Update(double dt) override { (void)dt; }

private:
    std::vector<std::array<GLint, 4>>* seen;
};

class WorldTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        glViewport(0, 0, kWidth, kHeight);
        game = std::make_unique<ASP_Game>(app.get());
        world = game->GetWorld();
    }
    void TearDown() override { game.reset(); }

    // A world file with the given sections after a "main" section with these keys.
    std::string WriteWorld(const std::string& mainKeys, const std::string& sections) {
        return folder.Write("world.dat", "[main]\n" + mainKeys + sections);
    }
    std::string Starts(int n) {
        std::string text;
        for (int i = 0; i < n; ++i) {
            text += "[start" + std::to_string(i) + "]\nx=" + std::to_string(100 * i) +
                    "\ny=50\nrot=" + std::to_string(10 * i) + "\n";
        }
        return text;
    }
    // A plain car of 20 x 40 pixels without wheels.
    std::string CarFile() { return folder.Write("cars.dat", "[box]\nwidth=20\nheight=40\nmass=2\n"); }
    void AddCars(int n) {
        const std::string cars = CarFile();
        for (int i = 0; i < n; ++i) {
            world->AddPlayer(cars, "box", folder.File("config.ini"), "controls" + std::to_string(i));
        }
    }
    template <class T>
    int CountChildren() const {
        int n = 0;
        for (int i = 0; i < world->GetSpriteCount(); ++i) {
            n += dynamic_cast<T*>(world->GetSprite(i)) != nullptr ? 1 : 0;
        }
        return n;
    }

    TempFolder folder;
    std::unique_ptr<ASP_Game> game;
    ASP_World* world = nullptr;
};

}  // namespace

TEST_F(WorldTest, LoadsTheTrackValuesStartsAndObjects) {
    const std::string file = WriteWorld(
        "laps=3\nrequiredCheckpoints=2\nmusic=mus\\track.ogg\nplayers=2\nstatics=2\ncheckpoints=2\n"
        "physObjects=1\n",
        Starts(2) +
            "[static0]\nx=1\n[static1]\nx=2\n[checkpoint0]\nindex=0\nisFinish=1\n[checkpoint1]\nindex=1\n"
            "[phys0]\nx=300\ny=300\nwidth=10\nheight=10\n");
    world->Load(file);
    EXPECT_EQ(world->GetLaps(), 3);
    EXPECT_EQ(world->GetRequiredCheckpoints(), 2);
    EXPECT_EQ(world->GetMusic(), "mus\\track.ogg");
    ASSERT_EQ(world->GetStartPositions().size(), 2u);
    EXPECT_DOUBLE_EQ(world->GetStartPositions()[1].x, 100.0);
    EXPECT_DOUBLE_EQ(world->GetStartPositions()[1].rot, 10.0);
    EXPECT_EQ(CountChildren<ASP_CheckpointSprite>(), 2);
    EXPECT_EQ(CountChildren<ASP_StaticSprite>(), 4);
    EXPECT_EQ(CountChildren<ASP_PhysicsSprite>(), 1);
    EXPECT_EQ(world->GetCheckpoints(1).size(), 1u);
    EXPECT_EQ(world->GetCheckpoints(-1).size(), 2u);
    // The particle engine is the first child.
    EXPECT_EQ(world->GetSprite(0), world->GetParticles());
}

TEST_F(WorldTest, ModifiersKeepTheLowByteAndGetTheirEmitters) {
    const std::string file = WriteWorld("modifiers=2\n",
                                        "[mod0]\nr=300\ng=2\nb=3\naccel=0.5\nactiveAccel=-40\ntopSpeed=0.8\n"
                                        "[mod0part]\nprototypes=1\nlife=2\n[mod0prot0]\nwidth=4\nheight=4\n"
                                        "[mod1]\nr=1\n[mod1part]\nlife=2\n");
    world->Load(file);
    ASSERT_EQ(world->GetModifiers().size(), 2u);
    const SurfaceModifier& grass = world->GetModifiers()[0];
    EXPECT_EQ(grass.r, 44);
    EXPECT_EQ(grass.g, 2);
    EXPECT_EQ(grass.b, 3);
    EXPECT_DOUBLE_EQ(grass.accel, 0.5);
    EXPECT_DOUBLE_EQ(grass.brake, 1.0);
    EXPECT_DOUBLE_EQ(grass.frict, 1.0);
    EXPECT_DOUBLE_EQ(grass.activeAccel, -40.0);
    EXPECT_DOUBLE_EQ(grass.topSpeed, 0.8);
    EXPECT_GE(grass.particle, 0);
    EXPECT_NE(grass.particle, world->GetCollisionEmitter());
    EXPECT_EQ(world->GetModifiers()[1].particle, -1);

    // One emission in ten, on average.
    std::srand(7);
    for (int i = 0; i < 200; ++i) {
        world->EmitParticle(grass.particle, Point(50.0, 60.0), 90.0);
        world->EmitParticle(-1, Point(50.0, 60.0), 90.0);
    }
    const size_t emitted = world->GetParticles()->GetEmitter(grass.particle)->liveParticles.size();
    EXPECT_GT(emitted, 5u);
    EXPECT_LT(emitted, 50u);
    // The angle range is shifted for the emission only.
    EXPECT_DOUBLE_EQ(world->GetParticles()->GetEmitter(grass.particle)->settings->angleMax, 360.0);
}

TEST_F(WorldTest, FirstTileUnderThePointGivesTheColourAndOffTheMapIsBlack) {
    const std::string red = SaveMap(folder, "red.bmp", 64, 64, 255, 0, 0);
    const std::string blue = SaveMap(folder, "blue.bmp", 64, 64, 0, 0, 255);
    const std::string tile = SaveMap(folder, "tile.bmp", 64, 64, 90, 90, 90);
    const std::string file = WriteWorld("mapTiles=2\nmodifiers=2\n",
                                        "[map0]\ntexture=" + tile + "\nx=0\ny=0\nsurface=" + red +
                                            "\n[map1]\ntexture=" + tile + "\nx=32\ny=0\nsurface=" + blue +
                                            "\n[mod0]\nr=255\naccel=0.25\n[mod1]\nb=255\naccel=0.75\n");
    world->Load(file);
    ASSERT_EQ(world->GetGroundTiles().size(), 2u);
    EXPECT_DOUBLE_EQ(world->GetGroundTiles()[0]->GetWidth(), 64.0);
    EXPECT_DOUBLE_EQ(world->GetModifierAt(Point(10, 10)).accel, 0.25);
    // Where both tiles lie, the earlier one wins even though the later one is drawn over it.
    EXPECT_DOUBLE_EQ(world->GetModifierAt(Point(40, 10)).accel, 0.25);
    EXPECT_DOUBLE_EQ(world->GetModifierAt(Point(80, 10)).accel, 0.75);
    // Off the map, without a black modifier: the neutral ground.
    const SurfaceModifier off = world->GetModifierAt(Point(500, 500));
    EXPECT_DOUBLE_EQ(off.accel, 1.0);
    EXPECT_DOUBLE_EQ(off.topSpeed, 1.0);
    EXPECT_DOUBLE_EQ(off.activeAccel, 0.0);
    EXPECT_EQ(off.particle, -1);
}

TEST_F(WorldTest, ABlackModifierAppliesOffTheMapAndMovesPhysicsObjects) {
    const std::string file = WriteWorld("modifiers=1\nphysObjects=3\n",
                                        "[mod0]\nactiveAccel=300\n[phys0]\nmass=1000\n[phys1]\nmass=1000\n"
                                        "[phys2]\nmass=1000\n");
    world->Load(file);
    EXPECT_DOUBLE_EQ(world->GetModifierAt(Point(-1000, 7)).activeAccel, 300.0);
    std::vector<ASP_PhysicsSprite*> objects;
    for (int i = 0; i < world->GetSpriteCount(); ++i) {
        if (auto* o = dynamic_cast<ASP_PhysicsSprite*>(world->GetSprite(i))) {
            objects.push_back(o);
        }
    }
    ASSERT_EQ(objects.size(), 3u);
    const double dt = 1.0 / 60.0;
    objects[0]->SetVelocity(Point(100.0, 0.0));
    objects[0]->Update(dt);
    // The drag of 200000 and the push of 300 along the motion, both over the mass.
    EXPECT_NEAR(objects[0]->GetVelocity().x, 100.0 - 200.0 * dt + 0.3 * dt, 1e-9);
    // At rest the surface gives no force and nothing turns into NaN.
    objects[1]->Update(dt);
    EXPECT_EQ(objects[1]->GetVelocity(), Point(0.0, 0.0));
    EXPECT_TRUE(std::isfinite(objects[1]->GetX()));
}

TEST_F(WorldTest, CountsBeyondTheBoundAreRefusedWhole) {
    const std::string file = WriteWorld("statics=2000000000\ncheckpoints=1\nmodifiers=10001\n",
                                        "[static0]\nx=1\n[checkpoint0]\nindex=0\n[mod0]\nr=1\n");
    world->Load(file);
    EXPECT_EQ(CountChildren<ASP_CheckpointSprite>(), 1);
    EXPECT_EQ(CountChildren<ASP_StaticSprite>(), 1);
    EXPECT_TRUE(world->GetModifiers().empty());
}

TEST_F(WorldTest, AcceptsNoMoreCarsThanStartPositions) {
    world->Load(WriteWorld("players=2\n", Starts(2)));
    const std::string cars = CarFile();
    EXPECT_TRUE(world->AddPlayer(cars, "box", folder.File("config.ini"), "controls0"));
    EXPECT_TRUE(world->AddPlayer(cars, "box", folder.File("config.ini"), "controls1"));
    EXPECT_FALSE(world->AddPlayer(cars, "box", folder.File("config.ini"), "controls2"));
    ASSERT_EQ(world->GetPlayers().size(), 2u);
    ASP_Player* second = world->GetPlayers()[1];
    EXPECT_DOUBLE_EQ(second->GetX(), 100.0);
    EXPECT_DOUBLE_EQ(second->GetY(), 50.0);
    EXPECT_DOUBLE_EQ(second->GetRotation(), 10.0);
    EXPECT_DOUBLE_EQ(second->GetWidth(), 20.0);
}

TEST_F(WorldTest, NeverMoreThanFourCars) {
    world->Load(WriteWorld("players=6\n", Starts(6)));
    AddCars(6);
    EXPECT_EQ(world->GetPlayers().size(), 4u);
}

TEST_F(WorldTest, CompassPointsAtTheNearestCheckpointOfTheIndex) {
    world->Load(WriteWorld("players=1\ncheckpoints=3\nrequiredCheckpoints=2\n",
                           Starts(1) + "[checkpoint0]\nx=1000\ny=0\nwidth=10\nheight=10\n"
                                       "[checkpoint1]\nx=20\ny=0\nwidth=10\nheight=10\n"
                                       "[checkpoint2]\nindex=1\nx=500\ny=500\nwidth=10\nheight=10\n"));
    AddCars(1);
    ASP_Player* car = world->GetPlayers()[0];
    EXPECT_EQ(car->compassTarget, Point(25.0, 5.0));
    world->SetCheckpointTarget(car, 1);
    EXPECT_EQ(car->compassTarget, Point(505.0, 505.0));
    // Past the last checkpoint the target is checkpoint 0 again.
    world->SetCheckpointTarget(car, 2);
    EXPECT_EQ(car->compassTarget, Point(25.0, 5.0));
}

TEST(WorldZoom, ZoomsOutWithSpeed) {
    EXPECT_DOUBLE_EQ(ASP_World::ZoomForSpeed(0.0), 0.6);
    EXPECT_DOUBLE_EQ(ASP_World::ZoomForSpeed(100.0), 0.6);
    EXPECT_DOUBLE_EQ(ASP_World::ZoomForSpeed(450.0), 0.5);
    EXPECT_DOUBLE_EQ(ASP_World::ZoomForSpeed(800.0), 0.4);
    EXPECT_DOUBLE_EQ(ASP_World::ZoomForSpeed(5000.0), 0.4);
    EXPECT_DOUBLE_EQ(ASP_World::ZoomForSpeed(NAN), 0.6);
}

TEST_F(WorldTest, ViewsSplitTheWindowByTheNumberOfCars) {
    const int W = kWidth;
    const int H = kHeight;
    using V = std::array<GLint, 4>;
    const std::vector<std::vector<V>> expected = {
        {{0, 0, W, H}},
        {{0, 0, W / 2, H}, {W / 2, 0, W / 2, H}},
        {{W / 4, H / 2, W / 2, H / 2}, {0, 0, W / 2, H / 2}, {W / 2, 0, W / 2, H / 2}},
        {{0, H / 2, W / 2, H / 2},
         {W / 2, H / 2, W / 2, H / 2},
         {0, 0, W / 2, H / 2},
         {W / 2, 0, W / 2, H / 2}},
    };
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        game = std::make_unique<ASP_Game>(app.get());
        world = game->GetWorld();
        world->Load(WriteWorld("players=4\n", Starts(4)));
        AddCars(n);
        std::vector<V> seen;
        world->AddSprite(new ViewportProbe(&seen));
        world->Draw(nullptr);
        EXPECT_EQ(seen, expected[static_cast<size_t>(n - 1)]);
        V after{};
        glGetIntegerv(GL_VIEWPORT, after.data());
        EXPECT_EQ(after, (V{0, 0, W, H}));
    }
}

TEST_F(WorldTest, ViewIsCentredOnTheCarAndTurnsWithAFixedCamera) {
    folder.Write("config.ini", "[controls0]\nfixedCamera=1\n");
    world->Load(WriteWorld("players=1\n", "[start0]\nx=300\ny=200\nrot=90\n"));
    AddCars(1);
    world->Draw(nullptr);
    ASP_Player* car = world->GetPlayers()[0];
    // The car's pivot lies at the centre of the view at the zoom of a car at rest.
    const Point pivot = car->LocalToGlobal(Point(10.0, 20.0));
    EXPECT_NEAR(pivot.x, kWidth / 2.0, 1e-9);
    EXPECT_NEAR(pivot.y, kHeight / 2.0, 1e-9);
    EXPECT_DOUBLE_EQ(world->GetScale(), 0.6);
    EXPECT_DOUBLE_EQ(world->GetRotation(), 270.0);
    // The car's front (local -y) points up on the screen.
    const Point front = car->LocalToGlobal(Point(10.0, 0.0));
    EXPECT_NEAR(front.x, kWidth / 2.0, 1e-9);
    EXPECT_LT(front.y, pivot.y);
}

TEST_F(WorldTest, TurnedViewMapsBackExactly) {
    world->SetRotationCenter(40.0, 30.0);
    world->SetRotation(-450.0);
    EXPECT_DOUBLE_EQ(world->GetRotation(), 270.0);
    world->SetScale(0.5);
    world->SetX(12.0);
    const Point back = world->GlobalToLocal(world->LocalToGlobal(Point(7.0, -3.0)));
    EXPECT_NEAR(back.x, 7.0, 1e-9);
    EXPECT_NEAR(back.y, -3.0, 1e-9);
}

TEST_F(WorldTest, MissingFileEndsTheProgramWithAFailureStatus) {
    // The child runs this test afresh, with a window of its own, instead of forking this one's.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            EnableLogging();
            world->Load(folder.File("world0.dat"));
        },
        ::testing::ExitedWithCode(EXIT_FAILURE), "");
}
