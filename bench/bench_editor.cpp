#include <GL/gl.h>
#include <SDL/SDL.h>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/ini.h"
#include "engine/platform/paths.h"
#include "worldedit/asp_we_main.h"
#include "worldedit/road/road_builder.h"

// The world editor's slow moments, end to end: opening the shipped track (window, world file,
// every picture, the first frame), saving a track of 5,000 objects, the dialogue's answers given,
// and painting and writing the 12 tiles of a 4096 x 3072 track built from a road. Run from the
// data folder:
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

void BM_BuildRoadTrack(benchmark::State& state) {
    char pattern[] = "/tmp/asphaltia_road_XXXXXX";
    const std::string folder = std::string(mkdtemp(pattern)) + "/";
    const PathRoots saved = GetPathRoots();
    SetPathRoots({saved.data, folder, folder});
    std::ostringstream out;
    ASP_WE_RoadStyle style;
    style.Load(ASP_WE_RoadStyle::kFile, out);
    ASP_WE_Road road;
    road.line.points = {{2048, 500}, {3500, 700}, {3500, 2400}, {2048, 2600}, {600, 2400}, {600, 700}};
    ASP_WE_TrackPictures pictures;
    pictures.across = 4;
    pictures.down = 3;
    for (auto _ : state) {
        if (!WriteTrackPictures(style, road, "bench", pictures, out)) {
            state.SkipWithError(out.str().c_str());
        }
    }
    state.counters["tiles"] = static_cast<double>(pictures.ground.size());
    SetPathRoots(saved);
    std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_BuildRoadTrack)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenShippedTrack)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveBigTrack)->Iterations(5)->Unit(benchmark::kMillisecond);
