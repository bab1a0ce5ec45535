#include "game/sim/race.h"

#include <algorithm>
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
    FileStaticObjects();
    return true;
}

int ASP_Race::AddCar(const ASP_CarModel& model, std::unique_ptr<ASP_CarDriver> driver) {
    const size_t n = cars.size();
    if (n >= kMaxCars || n >= track.GetStartPositions().size()) {
        LogLine(LOG_ERROR, "Failed to add new player: maximum number of players reached.");
        return -1;
    }
    auto car = std::make_unique<ASP_Car>(model);
    const StartPosition& start = track.GetStartPositions()[n];
    car->PutAt(Point(start.x, start.y), start.rot);
    rules.SetCheckpointTarget(*car, 0);
    cars.push_back(std::move(car));
    drivers.push_back(std::move(driver));
    FileStaticObjects();
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

void ASP_Race::TakeOver(size_t car, std::unique_ptr<ASP_CarDriver> driver) {
    if (car < drivers.size()) {
        drivers[car] = std::move(driver);
    }
}

void ASP_Race::CopyState(const ASP_Race& from) {
    random = from.random;
    for (size_t i = 0; i < cars.size() && i < from.cars.size(); ++i) {
        *cars[i] = *from.cars[i];
        drivers[i] = from.drivers[i] != nullptr ? from.drivers[i]->Clone() : nullptr;
    }
    objects = from.objects;
    rules.CopyState(from.rules);
    events = from.events;
    applied = from.applied;
    wrongWay = from.wrongWay;
    onCheckpoint = from.onCheckpoint;
    steps = from.steps;
    started = from.started;
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
        const bool waiting = car.GetResetTime() > 0.0;
        car.Control(command);
        if (!waiting && car.GetResetTime() > 0.0) {
            // Settled when asked for, not when due: a checkpoint taken while waiting does not move
            // it, so a network race's guess of the wait puts the car where the server does.
            car.putBack = rules.PutBackPlace(car, i);
        }
        if (car.CountDownReset(kStep)) {
            rules.PutBack(car, car.putBack);
            // Pushed apart from a car already there, both would fly off however they happen to
            // overlap, which the machines of a network race guess differently.
            car.passesThroughCars = true;
            SettleOnCheckpoints(i);
        }
        car.Step(kStep, track);
    }
    StepObjects(kStep);
    for (size_t i = 0; i < cars.size(); ++i) {
        cars[i]->passesThroughCars = cars[i]->passesThroughCars && OverlapsACar(i);
    }
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
    for (size_t k = 0; k < objects.size(); ++k) {
        // Most objects stand still all race: nothing drags, pushes or turns them.
        if (!Awake(cars.size() + k)) {
            continue;
        }
        ASP_Body& body = objects[k].body;
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

namespace {

// Cells of the grid of objects that never move: a few cells per wall.
constexpr double kCell = 256.0;

uint64_t CellKey(int64_t x, int64_t y) {
    return static_cast<uint64_t>(x) << 32 ^ (static_cast<uint64_t>(y) & 0xFFFFFFFFull);
}

// The cells a box covers, or none for a box too large or far to be filed (NaN, 1e300).
template <class Visit>
bool ForEachCell(const Bounds& b, Visit visit) {
    const double x0 = std::floor(b.minX / kCell), x1 = std::floor(b.maxX / kCell);
    const double y0 = std::floor(b.minY / kCell), y1 = std::floor(b.maxY / kCell);
    if (!((x1 - x0 + 1.0) * (y1 - y0 + 1.0) <= 4096.0 && std::fabs(x0) < 1e9 && std::fabs(x1) < 1e9 &&
          std::fabs(y0) < 1e9 && std::fabs(y1) < 1e9)) {
        return false;
    }
    for (double y = y0; y <= y1; ++y) {
        for (double x = x0; x <= x1; ++x) {
            visit(CellKey(static_cast<int64_t>(x), static_cast<int64_t>(y)));
        }
    }
    return true;
}

// Whether two bodies' outlines meet, their boxes asked first.
bool OutlinesMeet(const ASP_Body& a, const ASP_Body& b) {
    return !Apart(a.Box(), b.Box()) && QuadsOverlap(a.Outline(), b.Outline(), nullptr);
}

}  // namespace

void ASP_Race::FileStaticObjects() {
    movable.clear();
    staticCells.clear();
    for (size_t i = 0; i < cars.size(); ++i) {
        movable.push_back(i);
    }
    for (size_t k = 0; k < objects.size(); ++k) {
        const size_t i = cars.size() + k;
        const CRigidBody& m = objects[k].body.motion;
        // A fixed body too large or far for the grid is tested like a movable one.
        if (m.Moves() || m.Turns() ||
            !ForEachCell(objects[k].body.Box(), [&](uint64_t key) { staticCells[key].push_back(i); })) {
            movable.push_back(i);
        }
    }
}

bool ASP_Race::Awake(size_t i) const {
    if (i < cars.size()) {
        return true;
    }
    const CRigidBody& m = objects[i - cars.size()].body.motion;
    return m.GetVelocity() != Point() || m.GetSpin() != 0.0;
}

void ASP_Race::Collide() {
    // Only bodies that move can meet anything new: every such body against the others that may
    // move (each pair once) and against the fixed ones around it; pairs are answered in the order
    // of the bodies, so the same race meets the same way.
    for (size_t i : movable) {
        if (!Awake(i)) {
            continue;
        }
        for (size_t j : movable) {
            if (j != i && !(j < i && Awake(j))) {
                CollidePair(std::min(i, j), std::max(i, j));
            }
        }
        found.clear();
        ForEachCell(BodyAt(i).Box(), [&](uint64_t key) {
            const auto cell = staticCells.find(key);
            if (cell != staticCells.end()) {
                found.insert(found.end(), cell->second.begin(), cell->second.end());
            }
        });
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        for (size_t j : found) {
            CollidePair(std::min(i, j), std::max(i, j));
        }
    }
    // Parted pair by pair, a body between two fixed ones (a corner of two walls, a tree against a
    // wall) is pushed out of each into the other; they are asked together at the end.
    std::sort(pressed.begin(), pressed.end());
    pressed.erase(std::unique(pressed.begin(), pressed.end()), pressed.end());
    for (size_t i : pressed) {
        SettleAmongFixed(i);
    }
    pressed.clear();
}

void ASP_Race::SettleAmongFixed(size_t i) {
    // Farther than this, pixels, a body is not moved out of walls: it goes back to where it stood
    // before the step instead.
    constexpr double kFarthestWayOut = 100.0;
    ASP_Body& body = BodyAt(i);
    if (!body.motion.Moves()) {
        return;
    }
    const Bounds box = body.Box();
    const Bounds near{box.minX - kFarthestWayOut, box.minY - kFarthestWayOut, box.maxX + kFarthestWayOut,
                      box.maxY + kFarthestWayOut};
    found.clear();
    ForEachCell(near, [&](uint64_t key) {
        const auto cell = staticCells.find(key);
        if (cell != staticCells.end()) {
            found.insert(found.end(), cell->second.begin(), cell->second.end());
        }
    });
    for (size_t j : movable) {
        if (!BodyAt(j).motion.Moves()) {
            found.push_back(j);
        }
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    std::vector<Quad> around;
    bool inside = false;
    for (size_t j : found) {
        const ASP_Body& fixed = BodyAt(j);
        if (j != i && CanCollide(body, fixed) && !Apart(fixed.Box(), near)) {
            around.push_back(fixed.Outline());
            inside = inside || QuadsOverlap(body.Outline(), fixed.Outline(), nullptr);
        }
    }
    if (!inside) {
        return;
    }
    Point way;
    if (ShortestWayOut(body.Outline(), around, kPushStep, &way) && Length(way) <= kFarthestWayOut) {
        body.MoveBy(way);
    } else {
        body.RestorePrevious();
    }
}

void ASP_Race::CollidePair(size_t i, size_t j) {
    ASP_Body& a = BodyAt(i);
    ASP_Body& b = BodyAt(j);
    ASP_Contact contact;
    if (!CanCollide(a, b) || !OutlinesMeet(a, b) ||
        (j < cars.size() && (cars[i]->passesThroughCars || cars[j]->passesThroughCars)) ||
        !::Collide(a, b, &contact)) {
        return;
    }
    events.push_back(ASP_RaceEvent{ASP_RaceEvent::Contact, static_cast<int>(i), static_cast<int>(j), 0, 0.0,
                                   contact.at, contact.impulse});
    pressed.push_back(i);
    pressed.push_back(j);
    if (j < cars.size()) {
        cars[i]->BlockDrive();
        cars[j]->BlockDrive();
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

bool ASP_Race::OverlapsACar(size_t car) const {
    return std::any_of(cars.begin(), cars.end(), [&](const auto& other) {
        return other != cars[car] && OutlinesMeet(other->body, cars[car]->body);
    });
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
        h.Add(static_cast<long long>(car->passesThroughCars));
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
