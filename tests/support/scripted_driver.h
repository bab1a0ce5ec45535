#pragma once

#include <SDL/SDL.h>

#include <cmath>

#include "engine/angle.h"
#include "engine/geometry.h"
#include "game/race/player.h"

// The keys of one car's controls; the default ones are player 1's.
struct DriverKeys {
    SDLKey forward = SDLK_UP;
    SDLKey backward = SDLK_DOWN;
    SDLKey left = SDLK_LEFT;
    SDLKey right = SDLK_RIGHT;
};

// A driver who steers at the compass target, slows for sharp turns, and backs out for a while
// whenever it has been stuck (against a wall, say) for a second.
class ScriptedDriver {
public:
    ScriptedDriver(ASP_Player* car, double speed, DriverKeys keys = DriverKeys())
        : car(car), speed(speed), keys(keys) {}

    void Drive(double dt) {
        const double v = Length(car->GetVelocity());
        stuckFor = v < 20.0 ? stuckFor + dt : 0.0;
        if (stuckFor > 1.0) {
            reverseFor = 2.0;
            stuckFor = 0.0;
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

    // The turn, counter-clockwise positive, that faces the car at its target.
    double TurnToTarget() const {
        const Point centre = car->GetRotationCenter();
        const Point pivot(car->GetX() + car->GetWidth() * centre.x,
                          car->GetY() + car->GetHeight() * centre.y);
        Point facing(0.0, -1.0);
        RotatePoint(facing, Point(0.0, 0.0), car->GetRotation());
        return -AngleBetween(true, car->compassTarget - pivot, facing);
    }

    ASP_Player* car;
    double speed;
    DriverKeys keys;
    double stuckFor = 0.0;
    double reverseFor = 0.0;
};
