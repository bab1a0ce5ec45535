#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "game/input/input_source.h"
#include "game/input/joysticks.h"
#include "tests/support/logged.h"
#include "tests/support/sdl_events.h"
#include "tests/support/temp_folder.h"

namespace {

// What a source asked of the car, in order.
struct Recorder : ASP_Drivable {
    void Drive(ASP_Action action, double amount) override { calls.emplace_back(action, amount); }
    std::vector<std::pair<ASP_Action, double>> calls;
};

}  // namespace

TEST(PadControlTest, StoredFormsReadBackAndAnythingElseIsRefused) {
    for (const char* text : {"button0", "button12", "axis3+", "axis0-", "hat0up", "hat1left"}) {
        ASP_PadControl c;
        ASSERT_TRUE(ASP_PadControl::Parse(text, &c)) << text;
        EXPECT_EQ(c.Text(), text);
    }
    for (const char* text :
         {"", "button", "buttonx", "button1+", "axis2", "axis2*", "hat0", "hat0north", "1"}) {
        ASP_PadControl c;
        EXPECT_FALSE(ASP_PadControl::Parse(text, &c)) << text;
    }
}

// Dead zone 8000 of 32767: an axis counts from there, in proportion, up to its end.
TEST(PadControlTest, AmountOfAnEventForTheControlItIsAbout) {
    ASP_PadControl left, fire, up;
    ASP_PadControl::Parse("axis0-", &left);
    ASP_PadControl::Parse("button2", &fire);
    ASP_PadControl::Parse("hat0up", &up);
    const std::tuple<const ASP_PadControl&, SDL_Event, double> cases[] = {
        {left, JoyAxis(1, 0, -32767), 1.0},
        {left, JoyAxis(1, 0, -32768), 1.0},
        {left, JoyAxis(1, 0, -(8000 + 24767 / 2)), 0.5},
        {left, JoyAxis(1, 0, -8000), 0.0},
        {left, JoyAxis(1, 0, 20000), 0.0},
        {left, JoyAxis(1, 1, -32767), -1.0},
        {left, JoyAxis(0, 0, -32767), -1.0},
        {left, JoyButton(1, 0, true), -1.0},
        {fire, JoyButton(1, 2, true), 1.0},
        {fire, JoyButton(1, 2, false), 0.0},
        {fire, JoyButton(1, 3, true), -1.0},
        {up, JoyHat(1, SDL_HAT_LEFTUP), 1.0},
        {up, JoyHat(1, SDL_HAT_CENTERED), 0.0}};
    for (const auto& [control, e, amount] : cases) {
        EXPECT_NEAR(control.Amount(e, 1, 8000), amount, 1e-4) << control.Text() << " " << int(e.type);
    }
    EXPECT_EQ(ASP_PadControl::PushedBy(JoyAxis(0, 2, 20000)).Text(), "axis2+");
    // Not half-way, a diagonal, a release.
    for (const SDL_Event& e : {JoyAxis(0, 2, -10000), JoyHat(0, SDL_HAT_RIGHTUP), JoyButton(0, 7, false)}) {
        EXPECT_EQ(ASP_PadControl::PushedBy(e).kind, ASP_PadControl::NONE) << int(e.type);
    }
}

TEST(ControlsTest, SectionsGiveKeysPadAndDeviceWithDefaultsForEachPlayer) {
    TempFolder dir;
    const std::string file =
        dir.Write("config.ini",
                  "[controls1]\nforward=119\npadLeft=hat0left\npadRight=sideways\njoystick=1\n"
                  "joystickName=Pad X\ndeadZone=90000\n");
    ASP_Controls c;
    const std::string log = Logged([&] { c = ASP_Controls::Read(file, "controls1", 1); });
    EXPECT_EQ(c.keys, (std::array<int, kActions>{SDLK_w, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT, SDLK_q}));
    EXPECT_EQ(c.pad[2].Text() + c.pad[3].Text() + c.pad[0].Text(), "hat0leftaxis0+button0");
    EXPECT_EQ(
        log,
        "WARNING: Pad control \"sideways\" of padRight in controls1 names no control; axis0+ is used.\n");
    EXPECT_EQ(c.deadZone, 32766);
    // Each player has a reset key of their own; absent sections drive with the keyboard.
    const int resets[] = {SDLK_BACKSPACE, SDLK_q, SDLK_u, SDLK_KP0};
    for (int p = 0; p < 4; ++p) {
        c = ASP_Controls::Read(file, "controls9", p);
        EXPECT_EQ(c.keys[4], resets[p]);
    }
}

// A stick steers in proportion past the dead zone (767 here), the d-pad fully, buttons throttle and
// brake, and the car hears only changes; events of another joystick and the keys do nothing while
// the pad is there.
TEST(JoystickInputTest, PadDrivesUntilUnpluggedThenTheKeysDoWithAWarning) {
    TempFolder dir;
    ASP_Joysticks joysticks;
    joysticks.deviceList = dir.Write("devices", "I: Bus=0003\nN: Name=\"Other\"\n\nN: Name=\"Pad\"\n");
    joysticks.Add("Other");
    joysticks.Add("Pad");
    ASP_Controls controls = ASP_Controls::Defaults(0);
    std::tie(controls.joystick, controls.joystickName, controls.deadZone) = std::tuple(0, "Pad", 767);
    std::unique_ptr<ASP_InputSource> source;
    const std::string absent = Logged([&] {
        EXPECT_EQ(dynamic_cast<ASP_JoystickInput*>(MakeInputSource(controls, nullptr, "Player 1").get()),
                  nullptr);
        source = MakeInputSource(controls, &joysticks, "Player 1");
    });
    EXPECT_EQ(
        absent,
        "WARNING: The joystick of Player 1 (0, Pad) is not attached; Player 1 drives with the keyboard.\n");
    Recorder car;
    for (const SDL_Event& e :
         {JoyAxis(1, 0, -32767), JoyAxis(1, 0, -32767), JoyAxis(0, 0, 32767), JoyAxis(1, 0, 500),
          JoyAxis(1, 0, 16767), JoyHat(1, SDL_HAT_LEFT), JoyHat(1, SDL_HAT_CENTERED), JoyButton(1, 0, true),
          JoyButton(1, 1, true), JoyButton(1, 0, false), KeyEvent(SDLK_UP)}) {
        source->OnEvent(e, car);
    }
    using A = ASP_Action;
    const std::vector<std::pair<A, double>> padCalls = {
        {A::Left, 1.0}, {A::Left, 0.0},    {A::Right, 0.5},    {A::Left, 1.0},
        {A::Left, 0.0}, {A::Forward, 1.0}, {A::Backward, 1.0}, {A::Forward, 0.0}};
    EXPECT_EQ(car.calls, padCalls);

    joysticks.Update(0.5);
    source->Poll(car);
    EXPECT_EQ(car.calls.size(), padCalls.size()) << "the list is read once a second";
    dir.Write("devices", "N: Name=\"Other\"\n");
    car.calls.clear();
    const std::string log = Logged([&] {
        joysticks.Update(0.5);
        source->Poll(car);
    });
    EXPECT_EQ(log,
              "WARNING in class ASP_Joysticks: Joystick 1 (Pad) was unplugged.\n"
              "WARNING: The joystick of Player 1 is gone; Player 1 drives with the keyboard.\n");
    source->OnEvent(JoyButton(1, 0, true), car);
    source->OnEvent(KeyEvent(SDLK_UP), car);
    EXPECT_EQ(car.calls,
              (std::vector<std::pair<A, double>>{{A::Backward, 0.0}, {A::Right, 0.0}, {A::Forward, 1.0}}))
        << "what the pad held is let go, then only the keys count";
}

TEST(JoystickInputTest, DeviceListJudgesOnlyTheJoysticksItShowedAtStart) {
    TempFolder dir;
    ASP_Joysticks joysticks;
    joysticks.deviceList = dir.File("devices");
    joysticks.Add("Pad");
    dir.Write("devices", "N: Name=\"Other\"\n");
    joysticks.Update(5.0);
    EXPECT_TRUE(joysticks.IsAttached(0));
    EXPECT_EQ(joysticks.Find(3, "Pad"), 0) << "by name first";
    EXPECT_EQ(joysticks.Find(0, "Other"), 0) << "then the pad in its place";
    EXPECT_EQ(joysticks.Find(1, "Other"), -1);
}

// Controls held before the race saw their events are taken from the devices' state: the pad's
// while it is there, the keys' (SDL's key state) otherwise. Every action is told.
TEST(JoystickInputTest, SyncTakesWhatIsHeldNow) {
    struct HeldPad : ASP_Joysticks {
        double Held(int index, const ASP_PadControl& c, int) const override {
            return index == 0 && c == ASP_PadControl{ASP_PadControl::AXIS, 0, 1} ? 0.5 : 0.0;
        }
    } joysticks;
    joysticks.Add("Pad");
    ASP_Controls controls = ASP_Controls::Defaults(0);
    std::tie(controls.joystick, controls.joystickName) = std::tuple(0, "Pad");
    const std::unique_ptr<ASP_InputSource> pad = MakeInputSource(controls, &joysticks, "Player 1");
    ASP_KeyboardInput keys(controls.keys);
    Uint8* held = SDL_GetKeyState(nullptr);
    held[controls.keys[0]] = 1;
    using A = ASP_Action;
    for (const auto& [source, told] :
         {std::pair{
              pad.get(),
              std::vector<std::pair<A, double>>{
                  {A::Forward, 0.0}, {A::Backward, 0.0}, {A::Left, 0.0}, {A::Right, 0.5}, {A::Reset, 0.0}}},
          std::pair{static_cast<ASP_InputSource*>(&keys),
                    std::vector<std::pair<A, double>>{{A::Forward, 1.0},
                                                      {A::Backward, 0.0},
                                                      {A::Left, 0.0},
                                                      {A::Right, 0.0},
                                                      {A::Reset, 0.0}}}}) {
        Recorder car;
        source->Sync(car);
        EXPECT_EQ(car.calls, told);
    }
    held[controls.keys[0]] = 0;
}
