#include "game/sim/race_rules.h"

#include <algorithm>
#include <numeric>

#include "engine/angle.h"
#include "game/sim/track.h"

ASP_RaceRules::ASP_RaceRules(const ASP_Track& track) : track(track) {}

const ASP_Checkpoint* ASP_RaceRules::NearestCheckpoint(Point from, int index) const {
    const ASP_Checkpoint* nearest = nullptr;
    double nearestDistance = 0.0;
    for (const ASP_Checkpoint* c : track.GetCheckpoints(index)) {
        // On equal distance the earlier one in the file wins.
        const double distance = Length(c->shape.Centre() - from);
        if (nearest == nullptr || distance < nearestDistance) {
            nearest = c;
            nearestDistance = distance;
        }
    }
    return nearest;
}

const ASP_Checkpoint* ASP_RaceRules::NextCheckpoint(Point from, int index) const {
    return NearestCheckpoint(from, index >= track.GetRequiredCheckpoints() ? 0 : index);
}

void ASP_RaceRules::SetCheckpointTarget(ASP_Car& car, int index) const {
    // With no checkpoint of that index the target stays as it was.
    if (const ASP_Checkpoint* nearest = NextCheckpoint(car.body.Centre(), index)) {
        car.record.compassTarget = nearest->shape.Centre();
    }
}

ASP_PutBack ASP_RaceRules::PutBackPlace(const ASP_Car& car, size_t index) const {
    const int lastIndex = car.record.lastCheckpoint;
    // Index -1 would ask for every checkpoint.
    const ASP_Checkpoint* last = lastIndex >= 0 ? NearestCheckpoint(car.body.Centre(), lastIndex) : nullptr;
    if (last == nullptr) {
        const std::vector<StartPosition>& grid = track.GetStartPositions();
        if (index < grid.size()) {
            return ASP_PutBack{Point(grid[index].x, grid[index].y), grid[index].rot};
        }
        return ASP_PutBack{Point(car.body.GetX(), car.body.GetY()), car.body.GetRotation()};
    }
    const Point at = last->shape.Centre();
    ASP_PutBack place{at - car.body.Pivot(), car.body.GetRotation()};
    if (const ASP_Checkpoint* ahead = NextCheckpoint(at, lastIndex + 1);
        ahead != nullptr && ahead->shape.Centre() != at) {
        place.rotation = HeadingOf(ahead->shape.Centre() - at);
    }
    return place;
}

void ASP_RaceRules::PutBack(ASP_Car& car, const ASP_PutBack& place) const {
    car.PutAt(place.topLeft, place.rotation);
    if (car.record.lastCheckpoint >= 0) {
        SetCheckpointTarget(car, car.record.lastCheckpoint + 1);
    }
}

void ASP_RaceRules::CopyState(const ASP_RaceRules& from) {
    step = from.step;
    reachedAt = from.reachedAt;
    finishedAt = from.finishedAt;
    raceEndIn = from.raceEndIn;
    over = from.over;
}

void ASP_RaceRules::Pass(ASP_Cars& cars, size_t i, const ASP_Checkpoint& checkpoint,
                         std::vector<ASP_RaceEvent>& events) {
    ASP_Car& car = *cars[i];
    ASP_RaceRecord& r = car.record;
    if (over || !checkpoint.Accepts(r.lastCheckpoint, track.GetRequiredCheckpoints())) {
        return;
    }
    const int number = static_cast<int>(i);
    r.lastCheckpoint = checkpoint.index;
    reachedAt.resize(cars.size(), 0);
    reachedAt[i] = step;
    SetCheckpointTarget(car, checkpoint.index + 1);
    events.push_back(ASP_RaceEvent{ASP_RaceEvent::Checkpoint, number, -1, checkpoint.index, 0.0, {}, 0.0});
    if (!checkpoint.isFinish) {
        return;
    }
    r.lap += 1;
    if (r.lapTime < r.bestLapTime) {
        r.bestLapTime = r.lapTime;
    }
    if (r.lap > 1) {
        events.push_back(ASP_RaceEvent{ASP_RaceEvent::Lap, number, -1, r.lap, r.lapTime, {}, 0.0});
    }
    r.lapTime = 0.0;
    // A finished car that takes the line again counts further laps and stays finished.
    if (r.lap > track.GetLaps() && !r.finished && !r.retired) {
        r.finished = true;
        finishedAt.resize(cars.size(), -1);
        finishedAt[i] = step;
        const int place = static_cast<int>(
            std::count_if(cars.begin(), cars.end(), [](const auto& c) { return c->record.finished; }));
        events.push_back(ASP_RaceEvent{ASP_RaceEvent::Finish, number, -1, place, r.raceTime, {}, 0.0});
        // Whoever finishes first, computer or human, starts the clock for everyone else.
        if (raceEndIn < 0.0 && track.GetFinishTimeout() > 0.0) {
            raceEndIn = track.GetFinishTimeout();
        }
    }
}

void ASP_RaceRules::Retire(ASP_Cars& cars, size_t i, std::vector<ASP_RaceEvent>& events) {
    ASP_RaceRecord& r = cars[i]->record;
    if (over || !r.Racing()) {
        return;
    }
    r.retired = true;
    events.push_back(ASP_RaceEvent{ASP_RaceEvent::Retired, static_cast<int>(i), -1, 0, r.raceTime, {}, 0.0});
}

void ASP_RaceRules::AfterStep(ASP_Cars& cars, const std::vector<bool>& humans, double dt,
                              std::vector<ASP_RaceEvent>& events) {
    if (over) {
        return;
    }
    ++step;
    Rank(cars, false);
    bool anyHuman = false;
    bool humansDone = true;
    for (size_t i = 0; i < cars.size(); ++i) {
        const bool human = i < humans.size() && humans[i];
        anyHuman = anyHuman || human;
        humansDone = humansDone && (!human || !cars[i]->record.Racing());
    }
    const bool allDone =
        std::none_of(cars.begin(), cars.end(), [](const auto& c) { return c->record.Racing(); });
    if (raceEndIn >= 0.0) {
        raceEndIn = std::max(0.0, raceEndIn - dt);
    }
    if (!cars.empty() && ((anyHuman ? humansDone : allDone) || raceEndIn == 0.0)) {
        Stop(cars, events);
    }
}

void ASP_RaceRules::Stop(ASP_Cars& cars, std::vector<ASP_RaceEvent>& events) {
    if (over) {
        return;
    }
    // The cars still driving are placed where they stand.
    Rank(cars, true);
    over = true;
    raceEndIn = -1.0;
    events.push_back(ASP_RaceEvent{ASP_RaceEvent::RaceOver, -1, -1, 0, 0.0, {}, 0.0});
}

void ASP_RaceRules::Rank(ASP_Cars& cars, bool byDistance) {
    reachedAt.resize(cars.size(), 0);
    finishedAt.resize(cars.size(), -1);
    std::vector<size_t> order(cars.size());
    std::iota(order.begin(), order.end(), 0);
    const auto toGo = [&cars](size_t i) {
        return Length(cars[i]->record.compassTarget - cars[i]->body.Centre());
    };
    const auto ahead = [&](size_t a, size_t b) {
        const ASP_RaceRecord& ra = cars[a]->record;
        const ASP_RaceRecord& rb = cars[b]->record;
        if (ra.finished != rb.finished) {
            return ra.finished;
        }
        if (ra.finished) {
            return finishedAt[a] < finishedAt[b];
        }
        if (ra.lap != rb.lap) {
            return ra.lap > rb.lap;
        }
        if (ra.lastCheckpoint != rb.lastCheckpoint) {
            return ra.lastCheckpoint > rb.lastCheckpoint;
        }
        // Before the first crossing there is no arrival to go by.
        if (byDistance || ra.lastCheckpoint == -1) {
            return toGo(a) < toGo(b);
        }
        return reachedAt[a] < reachedAt[b];
    };
    // Stable: equals keep the grid order.
    std::stable_sort(order.begin(), order.end(), ahead);
    for (size_t p = 0; p < order.size(); ++p) {
        cars[order[p]]->record.position = static_cast<int>(p) + 1;
    }
}
