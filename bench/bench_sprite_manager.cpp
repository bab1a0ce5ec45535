#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine/physics_sprite.h"
#include "engine/sprite_manager.h"

namespace {

constexpr double kSize = 32.0;
constexpr double kFrame = 1.0 / 60.0;

struct Start {
    Point position;
    Point velocity;
    double rotation;
};

enum class Layout { Scattered, Grid };

// Bodies of 32x32 pixels on a square field that grows with their number. Scattered at random,
// about half of them overlap another one whatever the count; on a grid two sizes apart none
// touch, which leaves the cost of integration and of the pair tests alone.
class Field {
public:
    Field(int count, Layout layout) : world(nullptr) {
        const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
        const double side = columns * kSize * 2.0;
        std::srand(7);
        for (int i = 0; i < count; ++i) {
            auto* body = new CPhysicsSprite(nullptr);
            body->SetSize(kSize, kSize);
            world.AddSprite(body);
            bodies.push_back(body);
            const Point onGrid((i % columns) * kSize * 2.0, (i / columns) * kSize * 2.0);
            const Point atRandom(Random(side), Random(side));
            starts.push_back(Start{layout == Layout::Grid ? onGrid : atRandom,
                                   Point(Random(200.0) - 100.0, Random(200.0) - 100.0), Random(360.0)});
        }
        Reset();
    }

    // Puts every body back where it started, so that each frame measured sees the same overlaps.
    void Reset() {
        for (size_t i = 0; i < bodies.size(); ++i) {
            bodies[i]->SetPosition(starts[i].position.x, starts[i].position.y);
            bodies[i]->SetRotation(starts[i].rotation);
            bodies[i]->SetVelocity(starts[i].velocity);
            bodies[i]->SetAngularVelocity(0.0);
        }
    }

    int OverlappingPairs() {
        int pairs = 0;
        for (size_t i = 0; i < bodies.size(); ++i) {
            for (size_t j = i + 1; j < bodies.size(); ++j) {
                pairs += bodies[i]->Collides(bodies[j], nullptr) ? 1 : 0;
            }
        }
        return pairs;
    }

    CSpriteManager world;

private:
    static double Random(double range) { return std::rand() / static_cast<double>(RAND_MAX) * range; }

    std::vector<CPhysicsSprite*> bodies;
    std::vector<Start> starts;
};

void UpdateAndCollide(benchmark::State& state, Layout layout) {
    Field field(static_cast<int>(state.range(0)), layout);
    state.counters["overlapping_pairs"] = field.OverlappingPairs();
    for (auto _ : state) {
        state.PauseTiming();
        field.Reset();
        state.ResumeTiming();
        field.world.Update(kFrame);
        field.world.CheckCollisions();
    }
}

void BM_UpdateAndCollide(benchmark::State& state) {
    UpdateAndCollide(state, Layout::Scattered);
}

void BM_UpdateAndCollideApart(benchmark::State& state) {
    UpdateAndCollide(state, Layout::Grid);
}

}  // namespace

BENCHMARK(BM_UpdateAndCollide)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UpdateAndCollideApart)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
