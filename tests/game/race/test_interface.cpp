#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <utility>

#include "engine/label_sprite.h"
#include "engine/sprite_manager.h"
#include "game/race/interface.h"
#include "game/race/player.h"
#include "tests/support/gl_test.h"
#include "tests/support/temp_folder.h"

// A hundred minutes and more keep only their first two digits; what cannot be a race time reads zero.
// Ordinal suffixes follow the last digits as written.
TEST(InterfaceTextTest, TimesHaveTwoDigitsPerFieldAndOrdinalsTheirSuffix) {
    const std::pair<double, const char*> times[] = {
        {0.0, "00:00:00"},     {59.999, "00:59:99"}, {65.437, "01:05:43"},       {3600.0, "60:00:00"},
        {7384.25, "12:04:25"}, {-3.5, "00:00:00"},   {std::nan(""), "00:00:00"}, {INFINITY, "00:00:00"}};
    for (const auto& [t, text] : times) {
        EXPECT_EQ(FormatTime(t), text) << t;
    }
    const std::pair<int, const char*> ordinals[] = {
        {1, "1st"},   {2, "2nd"},   {3, "3rd"},   {4, "4th"},   {0, "0th"},     {11, "11th"},
        {12, "12th"}, {13, "13th"}, {21, "21st"}, {22, "22nd"}, {111, "111th"}, {101, "101st"}};
    for (const auto& [k, text] : ordinals) {
        EXPECT_EQ(Ordinal(k), text);
    }
}

namespace {

// Every text element 60 x 14 in white (finished 60 x 40), the compass 16 x 16 turning about its centre.
// Anchors: timeTotal from the left and top, timeBest from the centres, timeCurrent from the right and bottom,
// position anchored nowhere, lap right of the centre; finished is two lines at the bottom left, the
// wrong-way sign at the left under the total.
std::string InterfaceFile() {
    const char* const elements[][3] = {{"timeTotal", "Time", "x=4\ny=2\n"},
                                       {"timeBest", "Best", "anchorH=1\nanchorV=1\nx=-30\ny=5\n"},
                                       {"timeCurrent", "Lap time", "anchorH=2\nanchorV=2\nx=-64\ny=-20\n"},
                                       {"position", "Pos", "anchorH=3\nanchorV=7\n"},
                                       {"lap", "Lap", "anchorH=1\nx=10\ny=30\n"},
                                       {"finished", "You are [p]![n]in [t]", "multiLine=1\ny=88\n"},
                                       {"wrongWay", "Wrong", "y=40\n"}};
    const char* const font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    std::string text;
    for (const auto& [section, caption, placement] : elements) {
        const char* height = std::string(section) == "finished" ? "40" : "14";
        text += "[" + std::string(section) + "]\nfont=" + font + "\nsize=10\nwidth=60\nheight=" + height +
                "\ncolor_r=255\ncolor_g=255\ncolor_b=255\ncaption=" + caption + "\n" + placement;
    }
    return text + "[compass]\nwidth=16\nheight=16\nx=-20\nanchorH=2\ny=2\n";
}

}  // namespace

class InterfaceTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        hud.Load(dir.Write("interface.dat", InterfaceFile()));
        // A 20 x 10 car whose pivot lies at (50, 50).
        car.SetPosition(40, 45);
        car.SetSize(20, 10);
    }

    std::string Text(ASP_Interface::Element e) const { return hud.GetLabel(e)->GetText(); }

    double CompassTowards(Point target, ASP_Player& which) {
        which.compassTarget = target;
        hud.Refresh(&which, race);
        return hud.GetCompass()->GetRotation();
    }

    TempFolder dir;
    CTextureManager textures;
    ASP_Interface hud{nullptr, app->GetFontFactory(), &textures};
    ASP_Player car{nullptr};
    ASP_Interface::RaceFacts race{3, 4, nullptr};
};

TEST_F(InterfaceTest, TextsShowTheCarsRecordAndTheLapStopsAtTheRacesLaps) {
    std::tie(car.raceTime, car.lapTime, car.position, car.finished, car.lap) =
        std::tuple(65.437, 5.5, 2, true, 3);
    hud.Refresh(&car, race);
    const char* const texts[] = {"Time 01:05:43", "Best 00:00:00", "Lap time 00:05:50",
                                 "Pos 2nd /4",    "Lap 3 /3",      "You are 2nd!\nin 01:05:43"};
    for (int e = ASP_Interface::TIME_TOTAL; e <= ASP_Interface::FINISHED; ++e) {
        EXPECT_EQ(Text(static_cast<ASP_Interface::Element>(e)), texts[e]);
    }
    car.lap = 4;  // a finished car keeps crossing the line
    hud.Refresh(&car, race);
    EXPECT_EQ(Text(ASP_Interface::LAP), "Lap 3 /3");
}

// The shipped interface also shrinks below 640 x 480, to under a third of a quarter of 800 x 600.
TEST_F(InterfaceTest, AnchorsPlaceElementsFromTheViewsEdgesAndCentreAndSmallViewsShrinkThem) {
    hud.GetLabel(ASP_Interface::POSITION)->SetPosition(17, 23);
    hud.Layout(200, 101);
    const auto at = [&](auto e) {
        return Point(hud.GetElement(e).sprite->GetX(), hud.GetElement(e).sprite->GetY());
    };
    EXPECT_EQ(at(ASP_Interface::TIME_TOTAL), Point(4, 2));
    // The centre is the integer half of the view.
    EXPECT_EQ(at(ASP_Interface::TIME_BEST), Point(70, 55));
    EXPECT_EQ(at(ASP_Interface::TIME_CURRENT), Point(136, 81));
    EXPECT_EQ(at(ASP_Interface::POSITION), Point(17, 23)) << "other anchors leave it alone";
    EXPECT_EQ(at(ASP_Interface::LAP), Point(110, 30));
    EXPECT_EQ(at(ASP_Interface::COMPASS), Point(180, 2));
    hud.Load("dat\\interface.dat");
    for (const auto& [w, h, k] : {std::tuple{1280, 960, 1.0}, std::tuple{400, 300, 0.625}}) {
        hud.Layout(w, h);
        double covered = 0.0;
        for (int e = ASP_Interface::TIME_TOTAL; e <= ASP_Interface::COMPASS; ++e) {
            const CSprite* s = hud.GetElement(static_cast<ASP_Interface::Element>(e)).sprite.get();
            EXPECT_TRUE(s->GetScale() == k && s->GetX() >= 0 && s->GetX() + s->GetGlobalWidth() <= w) << e;
            covered += e == ASP_Interface::FINISHED ? 0.0 : s->GetGlobalWidth() * s->GetGlobalHeight();
        }
        EXPECT_LT(covered, w * h / 3.0);
    }
}

// Bearings are counter-clockwise from up on screen; the car's pivot is at (50, 50). On its target a
// car keeps its last bearing, also when another car points elsewhere in between; a car that never
// had a direction points up. A fixed camera turns the bearing against the car, kept ones too.
TEST_F(InterfaceTest, CompassPointsAtTheTargetKeepsItsBearingOnItAndTurnsWithAFixedCamera) {
    ASP_Player other(nullptr);
    // Target x and y, car rotation, fixed camera, bearing; the "other" car in the rows marked 1.
    const double cases[][6] = {{50, 0, 0, 0, 0, 0},    {90, 50, 0, 0, 270, 0},  {50, 80, 0, 0, 180, 0},
                               {0, 50, 0, 0, 90, 0},   {50, 50, 0, 0, 90, 0},   {0, 0, 0, 0, 0, 1},
                               {100, 0, 0, 0, 270, 1}, {50, 50, 0, 0, 90, 0},   {0, 0, 30, 0, 45, 0},
                               {50, 0, 30, 1, 330, 0}, {90, 50, 30, 1, 240, 0}, {50, 50, 30, 1, 240, 0}};
    for (const auto& c : cases) {
        ASP_Player& which = c[5] != 0 ? other : car;
        which.SetRotation(c[2]);
        which.fixedCamera = c[3] != 0;
        EXPECT_NEAR(CompassTowards(Point(c[0], c[1]), which), c[4], 1e-9) << c[0] << ", " << c[1];
    }
    // A world moved and zoomed on screen; a car lives in it and its target is a world point.
    CSpriteManager world(&textures);
    world.SetX(100);
    world.SetY(50);
    world.SetScale(2);
    auto* inWorld = new ASP_Player(&world);
    world.AddSprite(inWorld);
    inWorld->SetPosition(40, 45);
    inWorld->SetSize(20, 10);
    race.world = &world;
    EXPECT_NEAR(CompassTowards(Point(90, 50), *inWorld), 270.0, 1e-9);
}

TEST_F(InterfaceTest, FinishedTextAndWrongWaySignOnlyWhenDueAndNothingWithoutACarOrFile) {
    hud.Draw(&car, race, nullptr);
    EXPECT_GT(CountLitPixels(0, 0, kWidth, 20), 0);
    EXPECT_EQ(CountLitPixels(0, 88, 30, 40) + CountLitPixels(0, 40, 30, 14), 0);
    car.wrongWayTime = ASP_Player::kWrongWaySeconds;
    hud.Draw(&car, race, nullptr);
    EXPECT_GT(CountLitPixels(0, 40, 30, 14), 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    car.finished = true;
    hud.Draw(&car, race, nullptr);
    EXPECT_GT(CountLitPixels(0, 88, 30, 40), 0);
    EXPECT_EQ(CountLitPixels(0, 40, 30, 14), 0) << "a finished car is never wrong";
    EXPECT_EQ(hud.GetCompass()->GetX(), kWidth - 20.0) << "laid out in the 128 x 128 window";
    // Nothing without a car, nor from an interface not loaded or loaded from a missing file.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    hud.Refresh(nullptr, race);
    hud.Draw(nullptr, race, nullptr);
    ASP_Interface empty(nullptr, app->GetFontFactory(), &textures);
    empty.Draw(&car, race, nullptr);
    empty.Load(dir.File("absent.dat"));
    empty.Draw(&car, race, nullptr);
    EXPECT_EQ(empty.GetLabel(ASP_Interface::LAP)->GetText(), " 0 /3");
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
}
