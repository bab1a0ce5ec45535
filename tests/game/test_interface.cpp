#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/label_sprite.h"
#include "engine/log.h"
#include "engine/sprite_manager.h"
#include "game/interface.h"
#include "game/player.h"
#include "tests/game/temp_folder.h"
#include "tests/support/gl_test.h"

TEST(FormatTimeTest, MinutesSecondsAndHundredthsOfTwoDigitsEach) {
    EXPECT_EQ(FormatTime(0.0), "00:00:00");
    EXPECT_EQ(FormatTime(59.999), "00:59:99");
    EXPECT_EQ(FormatTime(60.0), "01:00:00");
    EXPECT_EQ(FormatTime(65.437), "01:05:43");
    EXPECT_EQ(FormatTime(3600.0), "60:00:00");
    EXPECT_EQ(FormatTime(599.5), "09:59:50");
    // A hundred minutes and more keep only the first two digits.
    EXPECT_EQ(FormatTime(6000.0), "10:00:00");
    EXPECT_EQ(FormatTime(7384.25), "12:04:25");
}

TEST(FormatTimeTest, TimesThatCannotBeRaceTimesReadZero) {
    EXPECT_EQ(FormatTime(-3.5), "00:00:00");
    EXPECT_EQ(FormatTime(std::nan("")), "00:00:00");
    EXPECT_EQ(FormatTime(INFINITY), "00:00:00");
}

TEST(OrdinalTest, SuffixFollowsTheLastDigitsAsWritten) {
    EXPECT_EQ(Ordinal(1), "1st");
    EXPECT_EQ(Ordinal(2), "2nd");
    EXPECT_EQ(Ordinal(3), "3rd");
    EXPECT_EQ(Ordinal(4), "4th");
    EXPECT_EQ(Ordinal(0), "0th");
    EXPECT_EQ(Ordinal(11), "11th");
    EXPECT_EQ(Ordinal(12), "12th");
    EXPECT_EQ(Ordinal(13), "13th");
    EXPECT_EQ(Ordinal(111), "111th");
    EXPECT_EQ(Ordinal(21), "21st");
    EXPECT_EQ(Ordinal(22), "22nd");
    EXPECT_EQ(Ordinal(23), "23rd");
    EXPECT_EQ(Ordinal(101), "101st");
}

namespace {

const std::string kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Every text element 60 x 14 in white; the compass 16 x 16 turning about its centre. Layout cases:
// timeTotal from the left and top, timeBest from the centres, timeCurrent from the right and bottom,
// position anchored nowhere, lap right of the centre; finished two lines at the bottom left.
std::string InterfaceFile(const std::string& finishedCaption) {
    const std::string sections[] = {"timeTotal", "timeBest", "timeCurrent", "position", "lap", "finished"};
    const std::string captions[] = {"Time", "Best", "Lap time", "Pos", "Lap", finishedCaption};
    const std::string placements[] = {
        "x=4\ny=2\nheight=14\n",
        "anchorH=1\nanchorV=1\nx=-30\ny=5\nheight=14\n",
        "anchorH=2\nanchorV=2\nx=-64\ny=-20\nheight=14\n",
        "anchorH=3\nanchorV=7\nx=40\ny=40\nheight=14\n",
        "anchorH=1\nx=10\ny=30\nheight=14\n",
        "multiLine=1\nx=0\ny=88\nheight=40\n",
    };
    std::string text;
    for (int i = 0; i < 6; ++i) {
        text += "[" + sections[i] + "]\nfont=" + kSans +
                "\nsize=10\nwidth=60\ncolor_r=255\ncolor_g=255\ncolor_b=255\ncaption=" + captions[i] + "\n" +
                placements[i];
    }
    text += "[compass]\nwidth=16\nheight=16\nx=-20\nanchorH=2\ny=2\n";
    return text;
}

}  // namespace

class InterfaceTest : public GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        EnableLogging();
        hud.Load(dir.Write("interface.dat", InterfaceFile("You are [p]![n]Well done")));
        // A 20 x 10 car whose pivot lies at (50, 50).
        car.SetPosition(40, 45);
        car.SetSize(20, 10);
    }

    std::string Text(ASP_Interface::Element e) const {
        CLabelSprite* label = hud.GetLabel(e);
        return label != nullptr ? label->GetText() : "<no label>";
    }

    double CompassAfterRefresh() {
        hud.Refresh(&car, race);
        return hud.GetCompass()->GetRotation();
    }

    TempFolder dir;
    CTextureManager textures;
    ASP_Interface hud{nullptr, app->GetFontFactory(), &textures};
    ASP_Player car{nullptr};
    ASP_Interface::RaceFacts race{3, 4, nullptr};
};

TEST_F(InterfaceTest, TextsShowTheCarsRecord) {
    car.raceTime = 65.437;
    car.bestLapTime = 0.0;
    car.lapTime = 5.5;
    car.position = 2;
    car.lap = 1;
    hud.Refresh(&car, race);
    EXPECT_EQ(Text(ASP_Interface::TIME_TOTAL), "Time 01:05:43");
    EXPECT_EQ(Text(ASP_Interface::TIME_BEST), "Best 00:00:00");
    EXPECT_EQ(Text(ASP_Interface::TIME_CURRENT), "Lap time 00:05:50");
    EXPECT_EQ(Text(ASP_Interface::POSITION), "Pos 2nd /4");
    EXPECT_EQ(Text(ASP_Interface::LAP), "Lap 1 /3");
    EXPECT_EQ(Text(ASP_Interface::FINISHED), "You are 2nd!\nWell done");
    EXPECT_EQ(hud.GetLabel(ASP_Interface::COMPASS), nullptr);
}

TEST_F(InterfaceTest, LapStaysAtTheRaceLapsAfterTheFinish) {
    car.lap = 0;
    hud.Refresh(&car, race);
    EXPECT_EQ(Text(ASP_Interface::LAP), "Lap 0 /3");
    car.lap = 3;
    hud.Refresh(&car, race);
    EXPECT_EQ(Text(ASP_Interface::LAP), "Lap 3 /3");
    car.lap = 4;
    car.position = 11;
    hud.Refresh(&car, race);
    EXPECT_EQ(Text(ASP_Interface::LAP), "Lap 3 /3");
    EXPECT_EQ(Text(ASP_Interface::POSITION), "Pos 11th /4");
}

TEST_F(InterfaceTest, AnchorsPlaceElementsFromTheViewsEdgesAndCentre) {
    hud.GetLabel(ASP_Interface::POSITION)->SetPosition(17, 23);
    hud.Layout(200, 101);
    const auto at = [&](ASP_Interface::Element e) {
        const CSprite* s = hud.GetElement(e).sprite.get();
        return Point(s->GetX(), s->GetY());
    };
    EXPECT_EQ(at(ASP_Interface::TIME_TOTAL), Point(4, 2));
    // The centre is the integer half of the view.
    EXPECT_EQ(at(ASP_Interface::TIME_BEST), Point(70, 55));
    EXPECT_EQ(at(ASP_Interface::TIME_CURRENT), Point(136, 81));
    EXPECT_EQ(at(ASP_Interface::POSITION), Point(17, 23));
    EXPECT_EQ(at(ASP_Interface::LAP), Point(110, 30));
    EXPECT_EQ(at(ASP_Interface::COMPASS), Point(180, 2));
}

TEST_F(InterfaceTest, CompassPointsAtTheTarget) {
    car.compassTarget = Point(50, 0);
    EXPECT_NEAR(CompassAfterRefresh(), 0.0, 1e-9);
    car.compassTarget = Point(0, 50);
    EXPECT_NEAR(CompassAfterRefresh(), 90.0, 1e-9);
    car.compassTarget = Point(90, 50);
    EXPECT_NEAR(CompassAfterRefresh(), 270.0, 1e-9);
    car.compassTarget = Point(50, 80);
    EXPECT_NEAR(CompassAfterRefresh(), 180.0, 1e-9);
    // The car's own turn does not matter while the view stays upright.
    car.SetRotation(30);
    car.compassTarget = Point(0, 0);
    EXPECT_NEAR(CompassAfterRefresh(), 45.0, 1e-9);
}

TEST_F(InterfaceTest, CompassOfAFixedCameraTurnsAgainstTheCar) {
    car.fixedCamera = true;
    car.SetRotation(30);
    // The pivot stays at (50, 50) whatever the car's rotation.
    car.compassTarget = Point(50, 0);
    EXPECT_NEAR(CompassAfterRefresh(), 330.0, 1e-9);
    car.compassTarget = Point(90, 50);
    EXPECT_NEAR(CompassAfterRefresh(), 240.0, 1e-9);
}

TEST_F(InterfaceTest, CompassKeepsItsLastBearingOnTheTarget) {
    car.compassTarget = Point(0, 50);
    EXPECT_NEAR(CompassAfterRefresh(), 90.0, 1e-9);
    car.compassTarget = Point(50, 50);
    const double onTarget = CompassAfterRefresh();
    EXPECT_FALSE(std::isnan(onTarget));
    EXPECT_NEAR(onTarget, 90.0, 1e-9);
    // Another car pointing elsewhere in between does not change what this one keeps.
    ASP_Player other(nullptr);
    other.compassTarget = Point(100, 0);
    hud.Refresh(&other, race);
    EXPECT_NEAR(CompassAfterRefresh(), 90.0, 1e-9);
    // With a fixed camera the kept bearing still turns against the car.
    car.fixedCamera = true;
    car.SetRotation(30);
    EXPECT_NEAR(CompassAfterRefresh(), 60.0, 1e-9);
    // A car that never had a direction points up.
    ASP_Player fresh(nullptr);
    fresh.SetSize(20, 20);
    fresh.compassTarget = Point(10, 10);
    hud.Refresh(&fresh, race);
    EXPECT_NEAR(hud.GetCompass()->GetRotation(), 0.0, 1e-9);
}

TEST_F(InterfaceTest, CompassMeasuresInTheWorldsFrame) {
    // A world moved and zoomed on screen; the car lives in it and its target is a world point.
    CSpriteManager world(&textures);
    world.SetX(100);
    world.SetY(50);
    world.SetScale(2);
    auto* inWorld = new ASP_Player(&world);
    world.AddSprite(inWorld);
    inWorld->SetPosition(40, 45);
    inWorld->SetSize(20, 10);
    inWorld->compassTarget = Point(90, 50);
    race.world = &world;
    hud.Refresh(inWorld, race);
    EXPECT_NEAR(hud.GetCompass()->GetRotation(), 270.0, 1e-9);
}

TEST_F(InterfaceTest, FinishedTextIsDrawnOnlyForAFinishedCar) {
    car.position = 1;
    hud.Draw(&car, race, nullptr);
    EXPECT_GT(CountLitPixels(0, 0, kWidth, 20), 0);
    EXPECT_EQ(CountLitPixels(0, 88, 30, 40), 0);
    car.finished = true;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    hud.Draw(&car, race, nullptr);
    EXPECT_GT(CountLitPixels(0, 88, 30, 40), 0);
    // Laid out in the 128 x 128 window.
    EXPECT_EQ(hud.GetCompass()->GetX(), kWidth - 20.0);
}

TEST_F(InterfaceTest, MissingFileGivesEmptyElementsAndNoCarDrawsNothing) {
    ASP_Interface empty(nullptr, app->GetFontFactory(), &textures);
    empty.Refresh(&car, race);
    empty.Layout(100, 100);
    empty.Load(dir.File("absent.dat"));
    car.finished = true;
    empty.Draw(&car, race, nullptr);
    hud.Draw(nullptr, race, nullptr);
    EXPECT_EQ(empty.GetLabel(ASP_Interface::LAP)->GetText(), " 0 /3");
    EXPECT_EQ(empty.GetCompass()->GetWidth(), 0.0);
    EXPECT_EQ(CountLitPixels(0, 0, kWidth, kHeight), 0);
}
