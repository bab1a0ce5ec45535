#include "game/sim/race.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/ini.h"

namespace {

// Pixels per second squared times mass: how hard the ground holds a sliding object.
constexpr double kGroundDrag = 200000.0;
// Fraction of an object's spin lost per second, and the spin, degrees per second, below which it stops.
constexpr double kSpinDamping = 0.95;
constexpr double kMinSpin = 5.0;

class Fnv1a {
public:
    void Add(const void* data, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) {
            hash = (hash ^ bytes[i]) * 0x100000001B3ull;
        }
    }
    void Add(double v) {
        // -0 and 0 are one state.
        v = v == 0.0 ? 0.0 : v;
        Add(&v, sizeof v);
    }
    void Add(long long v) { Add(&v, sizeof v); }
    void Add(Point p) {
        Add(p.x);
        Add(p.y);
    }
    void Add(const ASP_Body& b) {
        Add(Point(b.GetX(), b.GetY()));
        Add(b.GetRotation());
        Add(b.motion.GetVelocity());
        Add(b.motion.GetSpin());
    }
    uint64_t hash = 0xCBF29CE484222325ull;
};

}  // namespace

ASP_Race::ASP_Race(uint64_t seed) : seed(seed), random(seed), rules(track) {
    LogLine(LOG_STATUS, "Instance initialized.");
}

ASP_Race::~ASP_Race() {
    LogLine(LOG_STATUS, "Instance removed.");
}

bool ASP_Race::Load(const std::string& worldFile, ASP_TrackPictures& pictures) {
    if (!track.Load(worldFile, pictures)) {
        return false;
    }
    objects = track.GetObjects();
    return true;
}

int ASP_Race::AddCar(const ASP_CarSpec& spec, std::unique_ptr<ASP_CarDriver> driver) {
    const size_t n = cars.size();
    if (n >= kMaxCars || n >= track.GetStartPositions().size()) {
        LogLine(LOG_ERROR, "Failed to add new player: maximum number of players reached.");
        return -1;
    }
    auto car = std::make_unique<ASP_Car>(spec);
    const StartPosition& start = track.GetStartPositions()[n];
    car->PutAt(Point(start.x, start.y), start.rot);
    rules.SetCheckpointTarget(*car, 0);
    cars.push_back(std::move(car));
    drivers.push_back(std::move(driver));
    wrongWay.push_back(false);
    onCheckpoint.emplace_back(track.GetAllCheckpoints().size(), 0);
    return static_cast<int>(n);
}

ASP_Command ASP_Race::CommandFor(size_t car, const std::vector<ASP_Command>& commands, double dt) {
    if (IsComputer(car)) {
        return drivers[car]->Drive(*this, car, dt);
    }
    return car < commands.size() ? commands[car] : ASP_Command();
}

void ASP_Race::Start(const std::vector<ASP_Command>& held) {
    events.clear();
    started = true;
    applied.assign(cars.size(), ASP_Command());
    for (size_t i = 0; i < cars.size(); ++i) {
        ASP_Car& car = *cars[i];
        car.body.motion.ApplyForce(Point(0.0, -50.0), 1.0);
        applied[i] = CommandFor(i, held, 0.1);
        car.Control(applied[i]);
        car.Step(0.1, track);
    }
}

void ASP_Race::Abandon() {
    events.clear();
    rules.Stop(cars, events);
    LogHashes();
}

void ASP_Race::Step(const std::vector<ASP_Command>& commands) {
    events.clear();
    if (IsOver()) {
        return;
    }
    ++steps;
    applied.assign(cars.size(), ASP_Command());
    for (size_t i = 0; i < cars.size(); ++i) {
        ASP_Car& car = *cars[i];
        const ASP_Command command = CommandFor(i, commands, kStep);
        applied[i] = command;
        if ((command.flags & ASP_Command::kGiveUp) != 0) {
            rules.Retire(cars, i, events);
        }
        car.Control(command);
        if (car.CountDownReset(kStep)) {
            rules.PutBack(car, i);
            SettleOnCheckpoints(i);
        }
        car.Step(kStep, track);
    }
    StepObjects(kStep);
    Collide();
    PassCheckpoints();
    FollowWrongWay();
    std::vector<bool> humans;
    for (size_t i = 0; i < cars.size(); ++i) {
        humans.push_back(!IsComputer(i));
    }
    rules.AfterStep(cars, humans, kStep, events);
    LogHashes();
}

void ASP_Race::LogHashes() {
    for (const ASP_RaceEvent& e : events) {
        if (e.kind == ASP_RaceEvent::Lap) {
            LogLine(LOG_STATUS, "State hash after lap " + NumberToText(e.value - 1) + " of car " +
                                    NumberToText(e.car + 1) + ": " + HashText(StateHash()));
        } else if (e.kind == ASP_RaceEvent::RaceOver) {
            LogLine(LOG_STATUS, "State hash at the end: " + HashText(StateHash()));
        }
    }
}

void ASP_Race::StepObjects(double dt) {
    for (ASP_TrackObject& object : objects) {
        ASP_Body& body = object.body;
        CRigidBody& m = body.motion;
        const Point v = m.GetVelocity();
        const double s = Length(v);
        // At rest the motion has no direction, so the ground neither drags nor pushes.
        if (s > 0.0) {
            const Point u = v / s;
            m.ApplyResistance(u * kGroundDrag, dt);
            const double push = track.ModifierAt(body.Centre()).activeAccel;
            if (push >= 0.0) {
                m.ApplyForce(u * push, dt);
            } else {
                m.ApplyResistance(u * push, dt);
            }
        }
        m.SetSpin(m.GetSpin() * (1.0 - dt * kSpinDamping));
        if (std::abs(m.GetSpin()) < kMinSpin) {
            m.SetSpin(0.0);
        }
        body.Integrate(dt);
    }
}

ASP_Body& ASP_Race::BodyAt(size_t i) {
    return i < cars.size() ? cars[i]->body : objects[i - cars.size()].body;
}

void ASP_Race::Collide() {
    const size_t count = cars.size() + objects.size();
    // The pairs and their order are those of testing every pair i < j; the grid only skips the
    // pairs whose outlines cannot overlap.
    broadPhase.Start(count, [this](size_t i) { return BodyAt(i).Outline(); });
    std::vector<size_t> candidates;
    for (size_t i = 0; i < count; ++i) {
        candidates = broadPhase.Candidates(i, i);
        for (size_t k = 0; k < candidates.size();) {
            const size_t j = candidates[k++];
            ASP_Body& a = BodyAt(i);
            ASP_Body& b = BodyAt(j);
            ASP_Contact contact;
            if (!CanCollide(a, b) || !QuadsOverlap(a.Outline(), b.Outline(), nullptr) ||
                !::Collide(a, b, &contact)) {
                continue;
            }
            events.push_back(ASP_RaceEvent{ASP_RaceEvent::Contact, static_cast<int>(i), static_cast<int>(j),
                                           0, 0.0, contact.at, contact.impulse});
            if (j < cars.size()) {
                cars[i]->BlockDrive();
                cars[j]->BlockDrive();
            }
            // The push-apart moved the pair, which changes which of the later bodies i can meet.
            broadPhase.Refresh(j);
            if (broadPhase.Refresh(i)) {
                candidates = broadPhase.Candidates(i, j);
                k = 0;
            }
        }
    }
}

void ASP_Race::PassCheckpoints() {
    const std::vector<ASP_Checkpoint>& all = track.GetAllCheckpoints();
    for (size_t i = 0; i < cars.size(); ++i) {
        for (size_t k = 0; k < all.size(); ++k) {
            const bool on = QuadsOverlap(cars[i]->body.Outline(), all[k].shape.Outline(), nullptr);
            if (on && !onCheckpoint[i][k]) {
                rules.Pass(cars, i, all[k], events);
            }
            onCheckpoint[i][k] = on;
        }
    }
}

void ASP_Race::SettleOnCheckpoints(size_t car) {
    const std::vector<ASP_Checkpoint>& all = track.GetAllCheckpoints();
    for (size_t k = 0; k < all.size(); ++k) {
        onCheckpoint[car][k] = QuadsOverlap(cars[car]->body.Outline(), all[k].shape.Outline(), nullptr);
    }
}

void ASP_Race::FollowWrongWay() {
    for (size_t i = 0; i < cars.size(); ++i) {
        const bool now = cars[i]->record.IsWrongWay();
        if (now && !wrongWay[i]) {
            events.push_back(
                ASP_RaceEvent{ASP_RaceEvent::WrongWay, static_cast<int>(i), -1, 0, 0.0, {}, 0.0});
        }
        wrongWay[i] = now;
    }
}

uint64_t ASP_Race::StateHash() const {
    Fnv1a h;
    h.Add(steps);
    for (const auto& car : cars) {
        const ASP_RaceRecord& r = car->record;
        h.Add(car->body);
        h.Add(r.raceTime);
        h.Add(r.lapTime);
        h.Add(r.bestLapTime);
        h.Add(static_cast<long long>(r.lap));
        h.Add(static_cast<long long>(r.lastCheckpoint));
        h.Add(static_cast<long long>(r.position));
        h.Add(static_cast<long long>(r.finished) << 1 | static_cast<long long>(r.retired));
    }
    for (const ASP_TrackObject& object : objects) {
        h.Add(object.body);
    }
    return h.hash;
}

std::string ASP_Race::HashText(uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}
