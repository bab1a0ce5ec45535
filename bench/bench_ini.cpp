#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/ini.h"
#include "engine/platform/ini_file.h"

namespace {

constexpr int kObjects = 1000;
const char* const kKeys[] = {"class",    "texture", "x",      "y",    "z",
                             "rotation", "width",   "height", "mass", "static"};

// A world file as the editor writes it: a world section and one section per object.
std::string WorldText() {
    std::ostringstream text;
    text << "[world]\nname=Bench\nobjects=" << kObjects << "\n";
    for (int i = 0; i < kObjects; ++i) {
        text << "[object" << i << "]\nclass=crate\ntexture=gfx\\objects\\crate.png\nx=" << i * 37.5
             << "\ny=" << i * 12.25 << "\nz=0.5\nrotation=" << i % 360
             << "\nwidth=32\nheight=32\nmass=10\nstatic=0\n";
    }
    return text.str();
}

// The world file in a folder of its own, removed when the benchmarks end.
struct WorldFile {
    WorldFile() {
        std::string pattern = (std::filesystem::temp_directory_path() / "asphaltia_bench_XXXXXX").string();
        dir = mkdtemp(pattern.data()) ? pattern : "";
        path = dir + "/world0.dat";
        std::ofstream(path, std::ios::binary) << WorldText();
    }
    ~WorldFile() { std::filesystem::remove_all(dir); }

    std::string dir;
    std::string path;
};

const WorldFile& World() {
    static WorldFile world;
    return world;
}

void ReadEveryObject(benchmark::State& state, const std::string& file) {
    for (auto _ : state) {
        for (int i = 0; i < kObjects; ++i) {
            const std::string section = "object" + std::to_string(i);
            for (const char* key : kKeys) {
                benchmark::DoNotOptimize(GetIniString(section, key, "", file));
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kObjects * std::size(kKeys));
}

// Loading a world: every key of every object, one call each.
void BM_ReadWorldKeyByKey(benchmark::State& state) {
    ReadEveryObject(state, World().path);
}
BENCHMARK(BM_ReadWorldKeyByKey)->Unit(benchmark::kMillisecond);

// The same inside a read batch, as the race and the editor load their world file.
void BM_ReadWorldInAReadBatch(benchmark::State& state) {
    const CIniReadBatch batch(World().path);
    ReadEveryObject(state, World().path);
}
BENCHMARK(BM_ReadWorldInAReadBatch)->Unit(benchmark::kMillisecond);

// The same with the file named in other letter case, as data made on Windows may name it.
void BM_ReadWorldKeyByKeyOtherCase(benchmark::State& state) {
    ReadEveryObject(state, World().dir + "\\WORLD0.DAT");
}
BENCHMARK(BM_ReadWorldKeyByKeyOtherCase)->Unit(benchmark::kMillisecond);

// One parse of the whole file: what every single read would cost without the cache.
void BM_ParseWorldFile(benchmark::State& state) {
    const std::string text = WorldText();
    for (auto _ : state) {
        CIniDocument document(text);
        benchmark::DoNotOptimize(document.Find("object999", "static"));
    }
}
BENCHMARK(BM_ParseWorldFile)->Unit(benchmark::kMillisecond);

// One step of the editor's save: a key rewritten in the world file.
void BM_WriteKeyIntoWorld(benchmark::State& state) {
    int i = 0;
    for (auto _ : state) {
        WriteIniDouble("object" + std::to_string(i % kObjects), "x", i * 0.5, World().path);
        ++i;
    }
}
BENCHMARK(BM_WriteKeyIntoWorld)->Unit(benchmark::kMicrosecond);

// The editor's save of the shipped track: about 3400 keys written into a new file.
constexpr int kSavedObjects = 340;

void WriteSavedWorld(const std::string& file) {
    for (int i = 0; i < kSavedObjects; ++i) {
        const std::string section = "object" + std::to_string(i);
        for (const char* key : kKeys) {
            WriteIniDouble(section, key, i * 0.5, file);
        }
    }
}

// An empty file, as the editor saves into one it has just made.
std::string FreshSaveFile(benchmark::State& state) {
    state.PauseTiming();
    const std::string file = World().dir + "/saved.dat";
    std::ofstream(file, std::ios::binary | std::ios::trunc);
    state.ResumeTiming();
    return file;
}

// Each key stored in a replacement of the whole file.
void BM_Write3400KeysKeyByKey(benchmark::State& state) {
    for (auto _ : state) {
        WriteSavedWorld(FreshSaveFile(state));
    }
    state.SetItemsProcessed(state.iterations() * kSavedObjects * std::size(kKeys));
}
BENCHMARK(BM_Write3400KeysKeyByKey)->Unit(benchmark::kMillisecond);

// The same keys gathered in a batch and stored in one replacement.
void BM_Write3400KeysInOneBatch(benchmark::State& state) {
    for (auto _ : state) {
        const std::string file = FreshSaveFile(state);
        CIniWriteBatch batch(file);
        WriteSavedWorld(file);
        if (!batch.Commit()) {
            state.SkipWithError("the batch was not stored");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kSavedObjects * std::size(kKeys));
}
BENCHMARK(BM_Write3400KeysInOneBatch)->Unit(benchmark::kMillisecond);

}  // namespace
