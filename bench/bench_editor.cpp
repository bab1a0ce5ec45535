#include <GL/gl.h>
#include <SDL/SDL.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/ini.h"
#include "worldedit/asp_we_main.h"

// The world editor's two slow moments, end to end: opening the shipped track (window, world
// file, every picture, the first frame) and saving a track of 5,000 objects, the dialogue's
// answers given. Run from the data folder:
//   cd data && SDL_AUDIODRIVER=dummy ../tools/with_xvfb.sh ../build/bench/bench_editor

namespace {

constexpr int kObjects = 5000;

// The shipped track with kObjects more statics, in a folder of its own.
class BigTrack {
public:
    BigTrack() {
        char pattern[] = "/tmp/asphaltia_editor_XXXXXX";
        folder = mkdtemp(pattern);
        file = folder + "/big.dat";
        std::filesystem::copy_file(MakeAbsolutePath("dat/world0.dat"), file);
        const int shipped = GetIniInt("main", "statics", 0, file);
        std::ofstream out(file, std::ios::app);
        for (int i = 0; i < kObjects; ++i) {
            out << "[static" << shipped + i << "]\nx=" << i % 100 * 40 << "\ny=" << i / 100 * 60
                << "\nwidth=32\nheight=32\ntexture=gfx\\objects\\cone.png\n";
        }
        out.close();
        WriteIniInt("main", "statics", shipped + kObjects, file);
    }
    ~BigTrack() { std::filesystem::remove_all(folder); }

    std::string folder;
    std::string file;
};

void BM_OpenShippedTrack(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "x11", 0);
    for (auto _ : state) {
        std::stringstream in;
        in << "dat\\world0.dat\n";
        std::ostringstream out;
        ASP_WE_Main editor(in, out);
        editor.OnInit();
        editor.OnRender(editor.screen);
        glFinish();
        state.PauseTiming();
        editor.OnCleanup();
        state.ResumeTiming();
    }
}

void BM_SaveBigTrack(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "x11", 0);
    const BigTrack track;
    std::stringstream in;
    in << track.file << "\n";
    std::ostringstream out;
    ASP_WE_Main editor(in, out);
    editor.OnInit();
    for (auto _ : state) {
        in.clear();
        in << "y\n" << track.folder << "/saved.dat\n";
        if (!editor.SaveWorld()) {
            state.SkipWithError(out.str().c_str());
        }
    }
    state.counters["objects"] = editor.world->GetSpriteCount();
    editor.OnCleanup();
}

}  // namespace

BENCHMARK(BM_OpenShippedTrack)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveBigTrack)->Iterations(5)->Unit(benchmark::kMillisecond);
