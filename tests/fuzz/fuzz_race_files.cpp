// The race's own files and settings on any input, with their properties: a record made reads back
// and no record read is absurd, the track list is never empty and names only files inside the
// game's folders, a pad control bound in the controls menu reads back from the settings, and
// progress, point, direction and curvature along any line the racing line accepts are numbers.
// The first byte picks the reader; the rest is its input.
#include <SDL/SDL.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/ini.h"
#include "engine/platform/paths.h"
#include "game/input/controls.h"
#include "game/input/joysticks.h"
#include "game/menus/controls_menu.h"
#include "game/race/lap_records.h"
#include "game/sim/racing_line.h"
#include "tests/fuzz/check.h"
#include "tests/support/temp_folder.h"
#include "track/track_list.h"

namespace {

const TempFolder folder("/dev/shm");
constexpr double kDay = 24.0 * 3600.0;

// Any double, no number and infinities included.
double AnyDouble(FuzzedDataProvider& input) {
    const uint64_t bits = input.ConsumeIntegral<uint64_t>();
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void Records(FuzzedDataProvider& input) {
    const std::string track = input.ConsumeRandomLengthString(40);
    const std::string car = input.ConsumeRandomLengthString(40);
    const double lap =
        input.ConsumeBool() ? AnyDouble(input) : input.ConsumeFloatingPointInRange(0.0, 2 * kDay);
    const double race =
        input.ConsumeBool() ? AnyDouble(input) : input.ConsumeFloatingPointInRange(0.0, 2 * kDay);
    const std::string file = folder.Write("records.ini", input.ConsumeRemainingBytesAsString());
    ASP_LapRecords records(file);
    const ASP_TrackRecords kept = records.Get(track);
    Check((!kept.lap.IsSet() || kept.lap.time < kDay) && (!kept.race.IsSet() || kept.race.time < kDay));
    const ASP_NewRecords made = records.Submit(track, car, lap, race, "2026-12-07");
    const ASP_TrackRecords now = records.Get(track);
    Check(!made.lap || (now.lap.time == lap && now.lap.car == car));
    Check(!made.race || (now.race.time == race && now.race.car == car));
}

void Tracks(FuzzedDataProvider& input) {
    const std::string file = folder.Write("tracks.dat", input.ConsumeRemainingBytesAsString());
    const std::vector<ASP_TrackEntry> tracks = LoadTrackList(file);
    Check(!tracks.empty());
    for (const ASP_TrackEntry& t : tracks) {
        Check(StaysInsideRoots(t.WorldFile()) && (t.preview.empty() || StaysInsideRoots(t.preview)));
    }
}

SDL_Event PadEvent(FuzzedDataProvider& input) {
    SDL_Event e{};
    switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0:
            e.type = SDL_JOYBUTTONDOWN;
            e.jbutton.button = input.ConsumeIntegral<Uint8>();
            break;
        case 1:
            e.type = SDL_JOYAXISMOTION;
            e.jaxis.axis = input.ConsumeIntegral<Uint8>();
            e.jaxis.value = input.ConsumeIntegral<Sint16>();
            break;
        default:
            e.type = SDL_JOYHATMOTION;
            e.jhat.hat = input.ConsumeIntegral<Uint8>();
            e.jhat.value = input.ConsumeIntegral<Uint8>();
    }
    return e;
}

// Whether another action of the player, or of a player on the same pad, has the control.
bool Taken(const std::string& settings, int player, int action, const ASP_PadControl& control) {
    for (int p = 0; p < ASP_ControlsMenu::kPlayers; ++p) {
        const ASP_Controls c = ASP_Controls::Read(settings, ControlsSection(p), p);
        for (int a = 0; a < kActions; ++a) {
            const bool other = p != player ? c.joystick == 0 : a != action;
            if (other && c.pad[static_cast<size_t>(a)] == control) {
                return true;
            }
        }
    }
    return false;
}

void Pads(FuzzedDataProvider& input) {
    const int player = input.ConsumeIntegralInRange(0, ASP_ControlsMenu::kPlayers - 1);
    const int action = input.ConsumeIntegralInRange(0, kActions - 1);
    SDL_Event e = PadEvent(input);
    const std::string name = input.ConsumeRandomLengthString(1200);
    const std::string settings = folder.Write("config.ini", input.ConsumeRemainingBytesAsString());
    ASP_Joysticks pads;
    pads.deviceList = folder.File("no_devices");
    pads.Add(name);
    ASP_ControlsMenu menu(nullptr, settings, &pads);
    menu.ShowPlayer(player);
    menu.ChooseRow(action);
    const ASP_PadControl pushed = ASP_PadControl::PushedBy(e);
    const bool taken = Taken(settings, player, action, pushed);
    // An axis counts as it moves out from where it rested.
    SDL_Event rest = e;
    rest.jaxis.value = 0;
    menu.OnJoystick(&rest);
    menu.OnJoystick(&e);
    const ASP_Controls c = ASP_Controls::Read(settings, ControlsSection(player), player);
    Check(pushed.kind == ASP_PadControl::NONE || taken ||
          (c.pad[static_cast<size_t>(action)] == pushed && c.joystick == 0));
}

void Line(FuzzedDataProvider& input) {
    std::vector<Point> points(input.ConsumeIntegralInRange<size_t>(0, 64));
    for (Point& p : points) {
        const bool any = input.ConsumeBool();
        p.x = any ? AnyDouble(input) : input.ConsumeFloatingPointInRange(-3000.0, 3000.0);
        p.y = any ? AnyDouble(input) : input.ConsumeFloatingPointInRange(-3000.0, 3000.0);
    }
    ASP_RacingLine line;
    line.SetPoints(points);
    if (line.IsEmpty()) {
        return;
    }
    const double length = line.GetLength();
    Check(std::isfinite(length) && length > 0.0);
    while (input.remaining_bytes() > 0) {
        const double s = input.ConsumeFloatingPointInRange(-10.0 * length, 10.0 * length);
        const Point p(input.ConsumeFloatingPointInRange(-1e6, 1e6),
                      input.ConsumeFloatingPointInRange(-1e6, 1e6));
        const double progress = line.ProgressOf(p, input.ConsumeBool() ? s : -1.0);
        const Point at = line.PointAt(s), d = line.DirectionAt(s);
        Check(std::isfinite(progress + line.Ahead(s, progress) + at.x + at.y + d.x + d.y +
                            line.CurvatureAt(s)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    FuzzedDataProvider input(data + 1, size - 1);
    // Files rewritten behind the INI cache, perhaps within one clock tick: a stored write clears it.
    WriteIniString("s", "k", "v", folder.File("reset.ini"));
    void (*const readers[])(FuzzedDataProvider&) = {Records, Tracks, Pads, Line};
    readers[data[0] % 4](input);
    return 0;
}
