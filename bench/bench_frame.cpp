#include <GL/gl.h>
#include <SDL/SDL.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/ini.h"
#include "engine/platform/gl_context.h"
#include "game/app/asp_main.h"
#include "game/app/screens/cars_screen.h"
#include "game/app/screens/main_menu_screen.h"
#include "game/app/screens/players_screen.h"
#include "game/app/screens/race_screen.h"
#include "game/app/screens/tracks_screen.h"

// Whole frames of the shipped race as a player gets them: the game is driven from the main menu
// through the car (and track) choice into a race of 1, 2 or 4 humans' cars and some computer cars
// (four cars in all, or a full grid of eight), every car accelerating, and each measured
// frame is the main loop's work without its pacing (update, clear, draw, swap, finish). Reported
// per frame: CPU time of all threads (the software renderer draws on threads of its own) and of
// the main thread. Also: the time from the last choice to the first race frame with the CPU
// time it took (all threads and the loading thread: on a busy machine the wall time says little),
// and the process's peak resident size (meaningful when one case runs alone). Run from the data
// folder:
//   cd data && SDL_AUDIODRIVER=dummy ../tools/with_xvfb.sh ../build/bench/bench_frame
//   ... --benchmark_filter='BM_RaceFrame/4/0/1280/720' for the peak size of a 4-car race alone

namespace {

constexpr double kFrame = 1.0 / 60.0;
constexpr int kFrames = 200;

double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The shipped settings with another window size and number of computer opponents, in a folder of
// its own.
class Settings {
public:
    Settings(int width, int height, int opponents = 3) {
        char pattern[] = "/tmp/asphaltia_frame_XXXXXX";
        folder = mkdtemp(pattern);
        file = folder + "/config.ini";
        std::filesystem::copy_file(MakeAbsolutePath("config.ini"), file);
        WriteIniInt("system", "width", width, file);
        WriteIniInt("system", "height", height, file);
        WriteIniInt("computer", "opponents", opponents, file);
    }
    ~Settings() { std::filesystem::remove_all(folder); }

    std::string folder;
    std::string file;
};

void Frame(ASP_Main& app) {
    app.OnUpdate(kFrame);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    app.OnRender(app.screen);
    SDL_GL_SwapBuffers();
    glFinish();
}

void PressForward(ASP_Main& app, int player) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = static_cast<SDLKey>(
        GetIniInt("controls" + NumberToText(player), "forward", SDLK_UP, app.Settings().File()));
    // Held as a real key is: at GO the race takes the keys as SDL says they are held.
    SDL_GetKeyState(nullptr)[e.key.keysym.sym] = 1;
    app.OnKeyDown(&e);
}

void BM_StartUp(benchmark::State& state) {
    EnableThreadedDisplay();
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        ASP_Main app;
        app.SetLoadInBackground(false);
        app.OnInit();
        Frame(app);
        state.counters["menu_ms"] = Milliseconds(std::chrono::steady_clock::now() - start);
        app.OnCleanup();
    }
}

// From the main menu to the first frame of a race of `cars` cars on the first track. The load's
// wall time and CPU time go into the counters, named after `what`.
void RaceFromMenus(ASP_Main& app, int cars, benchmark::State& state, const std::string& what) {
    app.Screen<ASP_MainMenuScreen>().Play();
    app.Screen<ASP_PlayersScreen>().Count(
        dynamic_cast<ASP_Button*>(app.Screen<ASP_PlayersScreen>().Menu()->GetSprite(cars)));
    for (int i = 0; i + 1 < cars; i++) {
        app.Screen<ASP_CarsScreen>().Chosen();
    }
    auto clicked = std::chrono::steady_clock::now();
    double loadAll = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    double loadMain = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    app.Screen<ASP_CarsScreen>().Chosen();
    if (app.GetState() == ASP_Main::STATE_TRACKS) {
        // With more than one track the last choice is the track's (the first one here).
        clicked = std::chrono::steady_clock::now();
        loadAll = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        loadMain = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        app.Screen<ASP_TracksScreen>().Chosen();
    }
    Frame(app);
    state.counters[what + "_ms"] = Milliseconds(std::chrono::steady_clock::now() - clicked);
    state.counters[what + "_cpu_all_ms"] = (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - loadAll) * 1000.0;
    state.counters[what + "_cpu_main_ms"] = (CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - loadMain) * 1000.0;
}

void BM_RaceFrame(benchmark::State& state) {
    EnableThreadedDisplay();
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    const int cars = static_cast<int>(state.range(0));
    Settings settings(static_cast<int>(state.range(2)), static_cast<int>(state.range(3)),
                      static_cast<int>(state.range(1)));
    ASP_Main app(settings.file);
    app.SetLoadInBackground(false);
    app.OnInit();
    RaceFromMenus(app, cars, state, "load");
    for (int i = 0; i < cars; i++) {
        PressForward(app, i);
    }
    // Past the countdown and up to speed.
    for (double t = 0; t < 6.0; t += kFrame) {
        Frame(app);
    }
    const double all = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double main = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (auto _ : state) {
        Frame(app);
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["cpu_all_ms"] = (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - all) * 1000.0 / frames;
    state.counters["cpu_main_ms"] = (CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - main) * 1000.0 / frames;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mib"] = usage.ru_maxrss / 1024.0;
    app.OnCleanup();
}

// The same race left and chosen again: the second load finds the track's pictures decoded. Also
// the time from leaving the race to the first frame of the main menu, which takes its pictures
// back then.
void BM_RaceAgain(benchmark::State& state) {
    EnableThreadedDisplay();
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    for (auto _ : state) {
        ASP_Main app;
        app.SetLoadInBackground(false);
        app.OnInit();
        RaceFromMenus(app, 1, state, "load");
        app.Screen<ASP_RaceScreen>().Game()->QuitRace();
        const auto left = std::chrono::steady_clock::now();
        SDL_Event key{};
        key.type = SDL_KEYUP;
        app.DispatchEvent(&key);
        Frame(app);
        state.counters["back_ms"] = Milliseconds(std::chrono::steady_clock::now() - left);
        RaceFromMenus(app, 1, state, "again");
        app.OnCleanup();
    }
}

}  // namespace

BENCHMARK(BM_StartUp)->Iterations(1)->Unit(benchmark::kMillisecond);
// Humans, computer opponents, window width and height.
BENCHMARK(BM_RaceFrame)
    ->Args({1, 3, 800, 600})
    ->Args({2, 2, 800, 600})
    ->Args({4, 0, 800, 600})
    ->Args({1, 7, 800, 600})
    ->Args({4, 4, 800, 600})
    ->Args({1, 3, 1280, 720})
    ->Args({2, 2, 1280, 720})
    ->Args({4, 0, 1280, 720})
    ->Args({1, 7, 1280, 720})
    ->Args({4, 4, 1280, 720})
    ->Iterations(kFrames)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RaceAgain)->Iterations(1)->Unit(benchmark::kMillisecond);
