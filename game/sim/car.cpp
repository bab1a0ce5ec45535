#include "game/sim/car.h"

#include <algorithm>
#include <cmath>

#include "engine/angle.h"
#include "engine/ini.h"
#include "game/sim/track.h"

namespace {

Point Rotated(Point p, double degrees) {
    RotatePoint(p, Point(), degrees);
    return p;
}

}  // namespace

std::vector<std::string> ReadCarList(const std::string& file) {
    const int cars = GetIniInt("main", "cars", 0, file);
    std::vector<std::string> names;
    if (cars > kMaxCarList) {
        Log(LOG_ERROR,
            file + " lists " + std::to_string(cars) + " cars, more than " + NumberToText(kMaxCarList) +
                "; none of them is offered.",
            "ASP_Main");
        return names;
    }
    for (int i = 0; i < cars; ++i) {
        names.push_back(GetIniString("main", "car" + NumberToText(i), "", file));
    }
    return names;
}

ASP_CarModel ASP_CarModel::Load(const std::string& file, const std::string& section) {
    ASP_CarModel car;
    car.name = section;
    car.topSpeed = GetIniDouble(section, "topSpeed", 0.0, file);
    car.accel = GetIniDouble(section, "accel", 0.0, file);
    car.brake = GetIniDouble(section, "brake", 0.0, file);
    car.reverseMod = GetIniDouble(section, "reverseMod", 0.0, file);
    car.mass = GetIniDouble(section, "mass", 1.0, file);
    car.frict = GetIniDouble(section, "frict", 0.0, file);
    car.steer = GetIniDouble(section, "steer", 0.0, file);
    int wheelCount = GetIniInt(section, "wheels", 0, file);
    if (wheelCount > kMaxWheels) {
        Log(LOG_ERROR,
            "Car " + section + " has " + std::to_string(wheelCount) + " wheels; only the first " +
                std::to_string(kMaxWheels) + " are used.",
            "ASP_CarModel");
        wheelCount = kMaxWheels;
    }
    for (int i = 0; i < wheelCount; ++i) {
        const std::string key = "wheel" + NumberToText(i);
        Wheel wheel;
        wheel.y = GetIniDouble(section, key + "y", 0.0, file);
        wheel.x = GetIniDouble(section, key + "x", 0.0, file);
        wheel.drive = GetIniBool(section, key + "drive", true, file);
        wheel.steer = GetIniBool(section, key + "steer", true, file);
        car.wheels.push_back(wheel);
    }
    car.rotY = GetIniDouble(section, "rotY", 0.5, file);
    car.rotX = GetIniDouble(section, "rotX", 0.5, file);
    car.width = GetIniDouble(section, "width", 1.0, file);
    car.height = GetIniDouble(section, "height", 1.0, file);
    car.bounce = GetIniDouble(section, "bounce", 0.0, file);
    return car;
}

ASP_Car::ASP_Car(const ASP_CarModel& carModel) : model(carModel) {
    body.SetRotationCenter(model.rotX, model.rotY);
    body.SetSize(model.width, model.height);
    body.motion.SetBounce(model.bounce);
    body.motion.SetMass(model.mass);
}

void ASP_Car::Control(const ASP_Command& command) {
    forwardHeld = command.forward > 0;
    backwardHeld = command.backward > 0;
    leftAmount = ASP_Command::Part(command.left);
    rightAmount = ASP_Command::Part(command.right);
    // Asking again while waiting does not restart the wait.
    if ((command.flags & ASP_Command::kReset) != 0 && resetTime <= 0.0) {
        resetTime = kResetDelay;
    }
}

bool ASP_Car::CountDownReset(double dt) {
    if (resetTime <= 0.0) {
        return false;
    }
    resetTime -= dt;
    if (resetTime > 0.0) {
        return false;
    }
    resetTime = 0.0;
    return true;
}

void ASP_Car::Step(double dt, const ASP_Track& track) {
    const Point c = body.Pivot();
    if (!model.wheels.empty()) {
        if (driveBlockTime > 0.0) {
            driveBlockTime -= dt;
        }
        const bool fwd = MovingForward();
        const double T = Throttle(fwd);
        for (const ASP_CarModel::Wheel& wheel : model.wheels) {
            DriveWheel(wheel, c, T, fwd, dt, track);
        }
    }
    LimitTopSpeed(c, dt, track);
    StopSlowSpin();
    body.Integrate(dt);
    CountRaceTime(dt);
    UpdateWrongWay(dt);
}

void ASP_Car::Launch(const ASP_Track& track) {
    // One push towards the top of the world gets every car off the grid.
    body.motion.ApplyForce(Point(0.0, -50.0), 1.0);
    Step(0.1, track);
}

void ASP_Car::PutAt(Point topLeft, double rotation) {
    body.motion.SetVelocity(Point());
    body.motion.SetSpin(0.0);
    body.SetPosition(topLeft.x, topLeft.y);
    body.SetRotation(rotation);
}

bool ASP_Car::MovingForward() const {
    const Point v = body.motion.GetVelocity();
    if (v == Point()) {
        return false;
    }
    // The projection of the facing on v points along v exactly when this is positive.
    return Dot(Facing(body.GetRotation()), v) > 0.0;
}

bool ASP_Car::Drives(const ASP_CarModel::Wheel& wheel) const {
    return driveBlockTime <= 0.0 && wheel.drive && record.Racing();
}

double ASP_Car::WheelHeading(const ASP_CarModel::Wheel& wheel) const {
    double w = body.GetRotation();
    if (wheel.steer && record.Racing()) {
        w -= model.steer * leftAmount;
        w += model.steer * rightAmount;
    }
    return w;
}

// Negative values push towards the car's front, which is local -y.
double ASP_Car::Throttle(bool fwd) const {
    double T = 0.0;
    if (forwardHeld) {
        T = (fwd || body.motion.GetVelocity() == Point()) ? -model.accel : -model.brake;
    }
    if (backwardHeld) {
        T += fwd ? model.brake : model.reverseMod * model.accel;
    }
    return T;
}

void ASP_Car::DriveWheel(const ASP_CarModel::Wheel& wheel, Point c, double T, bool fwd, double dt,
                         const ASP_Track& track) {
    (void)fwd;
    Point p(wheel.x, wheel.y);
    RotatePoint(p, c, body.GetRotation());
    // Forces act at the wheel as turned with the car, measured from the rotation centre.
    const Point r = p - c;
    const double w = WheelHeading(wheel);
    const SurfaceModifier m = track.ModifierAt(body.ToWorld(Point(wheel.x, wheel.y)));

    if (Drives(wheel)) {
        body.motion.ApplyForceAt(Rotated(Point(0.0, m.accel * T), w), dt, r);
    }
    if ((!forwardHeld && !backwardHeld) || !record.Racing()) {
        Resist(Rotated(Point(0.0, 0.2 * model.frict), w) * m.frict, dt, r);
    }
    Resist(Rotated(Point(0.0, model.frict), w - 90.0) * m.frict, dt, r);

    // A car at rest has no direction of motion for the surface to push along.
    const Point v = body.motion.GetVelocity();
    const double speed = Length(v);
    if (m.activeAccel != 0.0 && speed > 0.0) {
        const Point A = v / speed * m.activeAccel;
        if (m.activeAccel > 0.0) {
            body.motion.ApplyForceAt(A, dt, r);
        } else {
            Resist(A, dt, r);
        }
    }
}

void ASP_Car::Resist(Point force, double dt, Point at) {
    if (force != Point()) {
        body.motion.ApplyResistanceAt(force, dt, at);
    }
}

// A soft limit: while too fast the car brakes with twice its acceleration.
void ASP_Car::LimitTopSpeed(Point c, double dt, const ASP_Track& track) {
    const SurfaceModifier m = track.ModifierAt(body.ToWorld(c));
    const Point v = body.motion.GetVelocity();
    const double s = Length(v);
    if (s > 0.0 && s > model.topSpeed * m.topSpeed) {
        body.motion.ApplyResistance(Point(2.0 * model.accel * v.x / s, 2.0 * model.accel * v.y / s), dt);
    }
}

void ASP_Car::StopSlowSpin() {
    if (leftAmount == 0.0 && rightAmount == 0.0 && std::fabs(body.motion.GetSpin()) < 5.0) {
        body.motion.SetSpin(0.0);
    }
}

void ASP_Car::CountRaceTime(double dt) {
    if (!record.Racing()) {
        return;
    }
    record.raceTime += dt;
    record.lapTime += dt;
    // The first full lap is the first best lap.
    if (record.lap == 1) {
        record.bestLapTime = record.lapTime;
    }
}

void ASP_Car::UpdateWrongWay(double dt) {
    // Slower than this is manoeuvring (turning round, backing out of a wall), not driving away.
    const double kMinSpeed = 60.0;
    // Away means more than about 115 degrees off the bearing to the target.
    const double kAwayCosine = -0.42;
    const Point d = record.compassTarget - body.Centre();
    const Point v = body.motion.GetVelocity();
    const double speed = Length(v);
    const double distance = Length(d);
    const bool away =
        record.Racing() && speed > kMinSpeed && distance > 0.0 && Dot(v, d) < kAwayCosine * speed * distance;
    record.wrongWayTime = away ? record.wrongWayTime + dt : 0.0;
}
