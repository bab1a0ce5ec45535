#pragma once

#include <SDL/SDL.h>

#include <cmath>
#include <vector>

#include "engine/angle.h"
#include "engine/geometry.h"
#include "game/race/player.h"

// The keys of one car's controls; the default ones are player 1's.
struct DriverKeys {
    SDLKey forward = SDLK_UP;
    SDLKey backward = SDLK_DOWN;
    SDLKey left = SDLK_LEFT;
    SDLKey right = SDLK_RIGHT;
    SDLKey reset = SDLK_BACKSPACE;
};

// A driver who steers at the compass target, slows for sharp turns, and backs out for a while
// whenever it has been stuck (against a wall, say) for a second; stuck a third time on the way to
// one checkpoint, it asks to be put back on the last one, as a player would.
class ScriptedDriver {
public:
    ScriptedDriver(ASP_Player* car, double speed, DriverKeys keys = DriverKeys())
        : car(car), speed(speed), keys(keys) {}
    // Points along the road, in driving order, to aim at instead of straight at the next checkpoint,
    // which may lie behind solid objects.
    ScriptedDriver(ASP_Player* car, double speed, std::vector<Point> route)
        : car(car), speed(speed), route(std::move(route)) {
        AimAtNearest();
    }

    void Drive(double dt) {
        const double v = Length(car->GetVelocity());
        stuckFor = v < 20.0 ? stuckFor + dt : 0.0;
        if (car->lastCheckpoint != checkpoint) {
            checkpoint = car->lastCheckpoint;
            timesStuck = 0;
        }
        if (stuckFor > 1.0) {
            reverseFor = 2.0;
            stuckFor = 0.0;
            if (++timesStuck == 3) {
                car->OnKeyDown(keys.reset);
                car->OnKeyUp(keys.reset);
                timesStuck = 0;
                lostSince = true;
            }
        }
        reverseFor -= dt;
        const double turn = TurnToTarget();
        const bool reversing = reverseFor > 0.0;
        // Backing out, the wheels point the other way to swing the nose round.
        const double steer = reversing ? -turn : turn;
        const double wanted = std::abs(turn) > 30.0 ? speed * 0.3 : speed;
        Hold(keys.left, steer > 4.0, car->IsLeftHeld());
        Hold(keys.right, steer < -4.0, car->IsRightHeld());
        Hold(keys.forward, !reversing && v < wanted, car->IsForwardHeld());
        Hold(keys.backward, reversing || v > wanted + 100.0, car->IsBackwardHeld());
    }

private:
    void Hold(SDLKey key, bool wanted, bool held) {
        if (wanted != held) {
            wanted ? car->OnKeyDown(key) : car->OnKeyUp(key);
        }
    }

    Point PivotPoint() const {
        const Point centre = car->GetRotationCenter();
        return Point(car->GetX() + car->GetWidth() * centre.x, car->GetY() + car->GetHeight() * centre.y);
    }

    void AimAtNearest() {
        size_t nearest = 0;
        for (size_t i = 0; i < route.size(); ++i) {
            if (Length(route[i] - PivotPoint()) < Length(route[nearest] - PivotPoint())) {
                nearest = i;
            }
        }
        next = (nearest + 1) % route.size();
    }

    Point Target() {
        if (route.empty()) {
            return car->compassTarget;
        }
        // A reset moves the car: find its place on the route again once it is back at rest.
        if (lostSince && Length(car->GetVelocity()) == 0.0) {
            AimAtNearest();
            lostSince = false;
        }
        if (Length(route[next] - PivotPoint()) < 300.0) {
            next = (next + 1) % route.size();
        }
        return route[next];
    }

    // The turn, counter-clockwise positive, that faces the car at its target.
    double TurnToTarget() {
        Point facing(0.0, -1.0);
        RotatePoint(facing, Point(0.0, 0.0), car->GetRotation());
        return -AngleBetween(true, Target() - PivotPoint(), facing);
    }

    ASP_Player* car;
    double speed;
    DriverKeys keys;
    double stuckFor = 0.0;
    double reverseFor = 0.0;
    int checkpoint = -1;
    int timesStuck = 0;
    std::vector<Point> route;
    size_t next = 0;
    bool lostSince = false;
};
