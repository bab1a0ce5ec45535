#pragma once

#include <string>
#include <vector>

#include "engine/geometry.h"
#include "engine/log.h"
#include "game/sim/body.h"
#include "game/sim/command.h"

class ASP_Track;

// The car file: every car's section, and the list of cars in section "main".
constexpr const char* kCarFile = "dat\\cars.dat";
// A car list longer than this is a broken file, not a garage.
constexpr int kMaxCarList = 1000;

// The car names a car file lists, in its order; none (logged) for a list too long to be one.
std::vector<std::string> ReadCarList(const std::string& file);

// How a car is built and drives, from its section of the car file (its name). Lengths in pixels,
// speeds in pixels per second, angles in degrees.
struct ASP_CarModel {
    // A wheel in the car's unrotated local frame, origin at the car's top-left corner, pixels.
    struct Wheel {
        double x = 0.0;
        double y = 0.0;
        // Turns with the steering.
        bool steer = true;
        // Transmits the throttle force.
        bool drive = true;
    };

    // More wheels than this is a broken car file, not a car.
    static constexpr int kMaxWheels = 64;

    std::string name;
    double topSpeed = 0.0;
    double accel = 0.0;
    double brake = 0.0;
    double reverseMod = 0.0;
    double mass = 1.0;
    double frict = 0.0;
    // Wheel turn at full lock.
    double steer = 0.0;
    std::vector<Wheel> wheels;
    double width = 1.0;
    double height = 1.0;
    double rotX = 0.5;
    double rotY = 0.5;
    double bounce = 0.0;

    // Reads the car of this section (logged where the file asks too much).
    static ASP_CarModel Load(const std::string& file, const std::string& section);
};

// Where a car stands in the race: written by the race rules, read by the interface and results.
struct ASP_RaceRecord {
    // Total time since the start, frozen at the finish.
    double raceTime = 0.0;
    // Time of the current lap.
    double lapTime = 0.0;
    // Best complete lap; during the first lap, the running one.
    double bestLapTime = 0.0;
    // Accepted finish-line crossings.
    int lap = 0;
    // Index of the last accepted checkpoint; -1 before the first.
    int lastCheckpoint = -1;
    // Race position, 1-based.
    int position = 1;
    bool finished = false;
    // Left the race unplaced (gave up).
    bool retired = false;
    // World point the compass points at: the next checkpoint.
    Point compassTarget;
    // Seconds the car has been driving away from its next checkpoint.
    double wrongWayTime = 0.0;

    // How long driving away from the next checkpoint counts as a slip rather than the wrong way.
    static constexpr double kWrongWaySeconds = 1.0;
    bool IsWrongWay() const { return wrongWayTime >= kWrongWaySeconds; }
    // The best lap the car completed; 0 before it completed one (the first crossing starts lap 1).
    double BestCompleteLap() const { return lap >= 2 ? bestLapTime : 0.0; }
    // Still driving for a place.
    bool Racing() const { return !finished && !retired; }
};

// Where a reset puts a car: the top-left corner of its box and the way it then faces.
struct ASP_PutBack {
    Point topLeft;
    double rotation = 0.0;
};

// A car of the race: a rigid body that turns what its driver holds into forces at its wheels,
// each wheel feeling the ground under it, and carries its race record.
class ASP_Car : public CLogSource {
public:
    // How long both cars of a crash have no drive.
    static constexpr double kDriveBlockSeconds = 0.2;
    // Seconds from the reset to the car standing on its last checkpoint: what a reset costs, so
    // that it is never quicker than driving.
    static constexpr double kResetDelay = 1.5;

    explicit ASP_Car(const ASP_CarModel& model);

    // Holds the controls of a command; a reset asks to be put back.
    void Control(const ASP_Command& command);
    // Counts down a pending reset; true in the step it is due.
    bool CountDownReset(double dt);
    // The driving model and the move of one step over the track's ground.
    void Step(double dt, const ASP_Track& track);
    // The push every car gets off the grid at GO, and its first move.
    void Launch(const ASP_Track& track);
    // Stands still at this place and heading.
    void PutAt(Point topLeft, double rotation);
    // Both cars of a crash lose drive for a moment.
    void BlockDrive() { driveBlockTime = kDriveBlockSeconds; }

    // Whether the car rolls towards its front; false at rest and when sliding exactly sideways.
    bool MovingForward() const;
    // Whether a wheel drives now: a driving wheel of a car that may drive and is asked to.
    bool Drives(const ASP_CarModel::Wheel& wheel) const;
    // The way a wheel points, degrees, with the steering.
    double WheelHeading(const ASP_CarModel::Wheel& wheel) const;

    const ASP_CarModel& GetModel() const { return model; }
    bool IsForwardHeld() const { return forwardHeld; }
    bool IsBackwardHeld() const { return backwardHeld; }
    double GetLeftAmount() const { return leftAmount; }
    double GetRightAmount() const { return rightAmount; }
    double GetDriveBlockTime() const { return driveBlockTime; }
    // Seconds until the car is put back; 0 without a pending reset.
    double GetResetTime() const { return resetTime; }

    ASP_Body body;
    ASP_RaceRecord record;
    // Where the pending reset puts the car, settled when it was asked for.
    ASP_PutBack putBack;
    // Put back onto another car, it passes through cars until it is clear of them all.
    bool passesThroughCars = false;

private:
    double Throttle(bool fwd) const;
    void DriveWheel(const ASP_CarModel::Wheel& wheel, Point c, double T, bool fwd, double dt,
                    const ASP_Track& track);
    void LimitTopSpeed(Point c, double dt, const ASP_Track& track);
    void StopSlowSpin();
    void CountRaceTime(double dt);
    void UpdateWrongWay(double dt);
    // Applies a resisting force at a local point; a zero force resists nothing.
    void Resist(Point force, double dt, Point at);

    ASP_CarModel model;
    bool forwardHeld = false;
    bool backwardHeld = false;
    // Part of full lock, 0 to 1: keys give all or nothing, a stick anything between.
    double leftAmount = 0.0;
    double rightAmount = 0.0;
    double driveBlockTime = 0.0;
    double resetTime = 0.0;
};
