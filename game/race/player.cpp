#include "game/race/player.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/angle.h"
#include "engine/ini.h"
#include "engine/particle_engine.h"
#include "engine/sprite_manager.h"
#include "game/race/computer_driver.h"
#include "game/race/world.h"

namespace {

Point Rotated(Point p, double degrees) {
    RotatePoint(p, Point(), degrees);
    return p;
}

ASP_Player::FrameRange ReadFrameRange(const std::string& file, const std::string& section,
                                      const std::string& name) {
    ASP_Player::FrameRange range;
    range.end = GetIniInt(section, "anim" + name + "End", 0, file);
    range.start = GetIniInt(section, "anim" + name + "Start", 0, file);
    return range;
}

}  // namespace

ASP_Player::ASP_Player(CSprite* parent)
    : CPhysicsSprite(parent),
      input(std::make_unique<ASP_KeyboardInput>(ASP_Controls::Defaults(0).keys)),
      tail(new CImageSpriteEx(this)) {}

ASP_Player::~ASP_Player() = default;

ASP_World* ASP_Player::World() const {
    return dynamic_cast<ASP_World*>(GetParent());
}

SurfaceModifier ASP_Player::SurfaceAt(Point global) const {
    ASP_World* world = World();
    return world ? world->GetModifierAt(global) : SurfaceModifier();
}

void ASP_Player::EmitDust(int emitter, Point global, double angle) const {
    if (ASP_World* world = World()) {
        world->EmitParticle(emitter, global, angle);
    }
}

void ASP_Player::LoadControls(std::string file, std::string section, int player,
                              const ASP_Joysticks* joysticks) {
    const ASP_Controls controls = ASP_Controls::Read(file, section, player);
    fixedCamera = controls.fixedCamera;
    input = MakeInputSource(controls, joysticks, "Player " + NumberToText(player + 1));
}

void ASP_Player::LoadCar(std::string file, std::string section) {
    carName = section;
    topSpeed = GetIniDouble(section, "topSpeed", 0.0, file);
    accel = GetIniDouble(section, "accel", 0.0, file);
    brake = GetIniDouble(section, "brake", 0.0, file);
    reverseMod = GetIniDouble(section, "reverseMod", 0.0, file);
    const double carMass = GetIniDouble(section, "mass", 1.0, file);
    frict = GetIniDouble(section, "frict", 0.0, file);
    steer = GetIniDouble(section, "steer", 0.0, file);

    int wheelCount = GetIniInt(section, "wheels", 0, file);
    if (wheelCount > kMaxWheels) {
        LogLine(LOG_ERROR, "Car " + section + " has " + std::to_string(wheelCount) +
                               " wheels; only the first " + std::to_string(kMaxWheels) + " are used.");
        wheelCount = kMaxWheels;
    }
    wheels.clear();
    for (int i = 0; i < wheelCount; ++i) {
        const std::string key = "wheel" + NumberToText(i);
        Wheel wheel;
        wheel.y = GetIniDouble(section, key + "y", 0.0, file);
        wheel.x = GetIniDouble(section, key + "x", 0.0, file);
        wheel.drive = GetIniBool(section, key + "drive", true, file);
        wheel.steer = GetIniBool(section, key + "steer", true, file);
        wheels.push_back(wheel);
    }

    SetTexture(SmoothTexture(GetIniString(section, "texture", "", file)));
    const double rotY = GetIniDouble(section, "rotY", 0.5, file);
    const double rotX = GetIniDouble(section, "rotX", 0.5, file);
    SetRotationCenter(rotX, rotY);
    SetWidth(GetIniDouble(section, "width", 1.0, file));
    SetHeight(GetIniDouble(section, "height", 1.0, file));
    SetTileWidth(GetIniInt(section, "tileWidth", 1, file));
    SetTileHeight(GetIniInt(section, "tileHeight", 1, file));
    SetAnimSpeed(GetIniDouble(section, "animSpeed", 1.0, file));
    SetBounce(GetIniDouble(section, "bounce", 0.0, file));
    SetMass(carMass);

    straight = ReadFrameRange(file, section, "Straight");
    left = ReadFrameRange(file, section, "Left");
    leftBack = ReadFrameRange(file, section, "LeftBack");
    right = ReadFrameRange(file, section, "Right");
    rightBack = ReadFrameRange(file, section, "RightBack");
    PlayAnimation(true, straight.start, straight.end);

    LoadTail(file, section + "-tail");
}

void ASP_Player::LoadTail(const std::string& file, const std::string& section) {
    tailAnchor.y = GetIniDouble(section, "y", 0.0, file);
    tailAnchor.x = GetIniDouble(section, "x", 0.0, file);
    tailWidth = GetIniDouble(section, "width", 1.0, file);
    tailHeight = GetIniDouble(section, "height", 1.0, file);
    tailScaledWidth = GetIniDouble(section, "widthScale", 1.0, file) * tailWidth;
    tailScaledHeight = GetIniDouble(section, "heightScale", 1.0, file) * tailHeight;
    angleDeltaCW = GetIniDouble(section, "angleDeltaCW", 180.0, file);
    angleDeltaCCW = GetIniDouble(section, "angleDeltaCCW", 180.0, file);
    minSpeed = GetIniDouble(section, "minSpeed", 0.0, file);
    maxSpeed = GetIniDouble(section, "maxSpeed", 100.0, file);
    tailAnimSpeed = GetIniDouble(section, "animSpeed", 1.0, file);

    // Just above the car, so the tail is drawn over it.
    tail->SetZ(1e-7);
    tail->depthTest = true;
    tail->SetTexture(SmoothTexture(GetIniString(section, "texture", "", file)));
    tail->SetWidth(tailWidth);
    tail->SetHeight(tailHeight);
    const double rotY = GetIniDouble(section, "rotY", 0.5, file);
    const double rotX = GetIniDouble(section, "rotX", 0.5, file);
    tail->SetRotationCenter(rotX, rotY);
    tail->SetTileWidth(GetIniInt(section, "tileWidth", 1, file));
    tail->SetTileHeight(GetIniInt(section, "tileHeight", 1, file));
    const int animStart = GetIniInt(section, "animStart", 0, file);
    const int animEnd = GetIniInt(section, "animEnd", 0, file);
    tail->SetAnimStart(animStart);
    tail->SetAnimEnd(animEnd);
    tail->SetAnimSpeed(tailAnimSpeed);
    tail->SetAnimated(animStart < animEnd);
    UpdateTail();
}

// Cars are turned to any angle, so they are filtered linearly, unlike the pixel-exact ground.
CTexture* ASP_Player::SmoothTexture(const std::string& file) const {
    if (file.empty()) {
        return nullptr;
    }
    auto* manager = dynamic_cast<CSpriteManager*>(GetParent());
    if (!manager || !manager->textureManager) {
        LogLine(LOG_ERROR,
                "No texture manager for texture " + file + ": the car lives outside a sprite manager.");
        return nullptr;
    }
    CTexture* texture = manager->textureManager->GetTexture(file, true, false);
    if (texture->loaded) {
        texture->SetSmooth(true);
    }
    return texture;
}

void ASP_Player::PlayAnimation(bool loop, int start, int end) {
    const double remaining = std::floor(GetAnimEnd() - GetAnimPos());
    SetAnimStart(start);
    SetAnimEnd(end);
    animLoop = loop;
    // A turn released half-way turns back from half-way: the new sequence skips as many frames as
    // the old one still had to play. Taken as an absolute frame, that count would widen the range.
    const double pos = std::clamp(start + remaining, static_cast<double>(start), static_cast<double>(end));
    SetAnimPos(start != 0 ? pos : 0.0);
    SetAnimated(start < end);
}

void ASP_Player::OnAnimationLoop() {
    if (!animLoop) {
        SetAnimPos(GetAnimEnd());
        SetAnimated(false);
    }
}

bool ASP_Player::MovingForward() const {
    const Point v = GetVelocity();
    if (v == Point()) {
        return false;
    }
    // The projection of the facing on v points along v exactly when this is positive.
    return Dot(Facing(GetRotation()), v) > 0.0;
}

bool ASP_Player::OnInputEvent(const SDL_Event& e) {
    // A computer's car does not listen to the players' keys.
    return driver == nullptr && input->OnEvent(e, *this);
}

bool ASP_Player::OnKeyDown(SDLKey key) {
    SDL_Event e{};
    e.type = e.key.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    return OnInputEvent(e);
}

bool ASP_Player::OnKeyUp(SDLKey key) {
    SDL_Event e{};
    e.type = e.key.type = SDL_KEYUP;
    e.key.keysym.sym = key;
    return OnInputEvent(e);
}

void ASP_Player::Drive(ASP_Action action, double amount) {
    switch (action) {
        case ASP_Action::Forward:
            forwardHeld = amount > 0.0;
            break;
        case ASP_Action::Backward:
            backwardHeld = amount > 0.0;
            break;
        case ASP_Action::Left:
            Steer(leftAmount, amount, left, leftBack);
            break;
        case ASP_Action::Right:
            Steer(rightAmount, amount, right, rightBack);
            break;
        case ASP_Action::Reset:
            if (amount > 0.0) {
                RequestReset();
            }
            break;
    }
}

void ASP_Player::Steer(double& held, double amount, const FrameRange& in, const FrameRange& out) {
    const bool wasHeld = held > 0.0;
    held = std::clamp(amount, 0.0, 1.0);
    if (held > 0.0 && !wasHeld) {
        PlayAnimation(false, in.start, in.end);
    } else if (held == 0.0) {
        PlayAnimation(false, out.start, out.end);
    }
}

void ASP_Player::RequestReset() {
    // Asking again while waiting does not restart the wait.
    if (resetTime <= 0.0) {
        resetTime = kResetDelay;
    }
}

void ASP_Player::SyncControls() {
    if (driver != nullptr) {
        return;
    }
    struct Held : ASP_Drivable {
        std::array<double, kActions> amounts{};
        void Drive(ASP_Action action, double amount) override {
            amounts[static_cast<size_t>(action)] = amount;
        }
    } held;
    input->Sync(held);
    const auto wanted = [&held](ASP_Action a) { return held.amounts[static_cast<size_t>(a)]; };
    // Only changes are driven: letting go of a wheel that is not held would replay its animation.
    if ((wanted(ASP_Action::Forward) > 0.0) != forwardHeld) {
        Drive(ASP_Action::Forward, wanted(ASP_Action::Forward));
    }
    if ((wanted(ASP_Action::Backward) > 0.0) != backwardHeld) {
        Drive(ASP_Action::Backward, wanted(ASP_Action::Backward));
    }
    if (wanted(ASP_Action::Left) != leftAmount) {
        Drive(ASP_Action::Left, wanted(ASP_Action::Left));
    }
    if (wanted(ASP_Action::Right) != rightAmount) {
        Drive(ASP_Action::Right, wanted(ASP_Action::Right));
    }
}

Point ASP_Player::Pivot() const {
    const Point center = GetRotationCenter();
    return Point(center.x * GetWidth(), center.y * GetHeight());
}

void ASP_Player::SetControls(bool forward, bool backward, bool leftWanted, bool rightWanted) {
    forwardHeld = forward;
    backwardHeld = backward;
    // Only changes steer: letting go of a wheel that is not held would replay its animation.
    if (leftWanted != IsLeftHeld()) {
        Drive(ASP_Action::Left, leftWanted ? 1.0 : 0.0);
    }
    if (rightWanted != IsRightHeld()) {
        Drive(ASP_Action::Right, rightWanted ? 1.0 : 0.0);
    }
}

void ASP_Player::SetDriver(std::unique_ptr<ASP_CarDriver> newDriver) {
    driver = std::move(newDriver);
}

void ASP_Player::OnUpdate(double dt) {
    CountDownReset(dt);
    if (driver != nullptr) {
        driver->Drive(*this, dt);
    } else {
        input->Poll(*this);
    }
    const Point c = Pivot();
    if (!wheels.empty()) {
        if (driveBlockTime > 0.0) {
            driveBlockTime -= dt;
        }
        const bool fwd = MovingForward();
        const double T = Throttle(fwd);
        for (const Wheel& wheel : wheels) {
            DriveWheel(wheel, c, T, fwd, dt);
        }
    }
    LimitTopSpeed(c, dt);
    StopSlowSpin();
    CPhysicsSprite::OnUpdate(dt);
    tail->Update(dt);
    UpdateTail();
    CountRaceTime(dt);
    UpdateWrongWay(dt);
}

// Negative values push towards the car's front, which is local -y.
double ASP_Player::Throttle(bool fwd) const {
    double T = 0.0;
    if (forwardHeld) {
        T = (fwd || GetVelocity() == Point()) ? -accel : -brake;
    }
    if (backwardHeld) {
        T += fwd ? brake : reverseMod * accel;
    }
    return T;
}

void ASP_Player::DriveWheel(const Wheel& wheel, Point c, double T, bool fwd, double dt) {
    const double a = GetRotation();
    Point p(wheel.x, wheel.y);
    RotatePoint(p, c, a);
    const Point g = LocalToGlobal(Point(wheel.x, wheel.y));

    double w = a;
    if (wheel.steer && !finished) {
        w -= steer * leftAmount;
        w += steer * rightAmount;
    }

    const SurfaceModifier m = SurfaceAt(g);

    if (driveBlockTime <= 0.0 && wheel.drive && !finished) {
        const Point F = Rotated(Point(0.0, m.accel * T), w);
        ApplyForceAt(F.x, F.y, dt, p.x, p.y);
        // Dust flies backwards from the wheel when driving forwards, forwards when reversing.
        if (forwardHeld && fwd) {
            EmitDust(m.particle, g, -(w - 180.0));
        } else if (backwardHeld && !fwd) {
            EmitDust(m.particle, g, -w);
        }
    }

    if ((!forwardHeld && !backwardHeld) || finished) {
        const Point R = Rotated(Point(0.0, 0.2 * frict), w) * m.frict;
        Resist(R, dt, p);
    }

    const Point L = Rotated(Point(0.0, frict), w - 90.0) * m.frict;
    Resist(L, dt, p);

    // A car at rest has no direction of motion for the surface to push along.
    const Point v = GetVelocity();
    const double speed = Length(v);
    if (m.activeAccel != 0.0 && speed > 0.0) {
        const Point u = v / speed;
        const Point A = u * m.activeAccel;
        if (m.activeAccel > 0.0) {
            ApplyForceAt(A.x, A.y, dt, p.x, p.y);
        } else {
            Resist(A, dt, p);
        }
    }
}

void ASP_Player::Resist(Point force, double dt, Point at) {
    if (force != Point()) {
        ApplyResistanceAt(force.x, force.y, dt, at.x, at.y);
    }
}

// A soft limit: while too fast the car brakes with twice its acceleration.
void ASP_Player::LimitTopSpeed(Point c, double dt) {
    const SurfaceModifier m = SurfaceAt(LocalToGlobal(c));
    const Point v = GetVelocity();
    const double s = Length(v);
    if (s > 0.0 && s > topSpeed * m.topSpeed) {
        ApplyResistance(2.0 * accel * v.x / s, 2.0 * accel * v.y / s, dt);
    }
}

void ASP_Player::StopSlowSpin() {
    if (!IsLeftHeld() && !IsRightHeld() && std::fabs(GetAngularVelocity()) < 5.0) {
        SetAngularVelocity(0.0);
    }
}

void ASP_Player::CountDownReset(double dt) {
    if (resetTime <= 0.0) {
        return;
    }
    resetTime -= dt;
    if (resetTime <= 0.0) {
        resetTime = 0.0;
        if (ASP_World* world = World()) {
            world->PutBack(this);
        }
    }
}

void ASP_Player::CountRaceTime(double dt) {
    if (finished) {
        return;
    }
    raceTime += dt;
    lapTime += dt;
    // The first full lap is the first best lap.
    if (lap == 1) {
        bestLapTime = lapTime;
    }
}

void ASP_Player::UpdateWrongWay(double dt) {
    // Slower than this is manoeuvring (turning round, backing out of a wall), not driving away.
    const double kMinSpeed = 60.0;
    // Away means more than about 115 degrees off the bearing to the target.
    const double kAwayCosine = -0.42;
    const Point d = compassTarget - (Point(GetX(), GetY()) + Pivot());
    const Point v = GetVelocity();
    const double speed = Length(v);
    const double distance = Length(d);
    const bool away =
        !finished && speed > kMinSpeed && distance > 0.0 && Dot(v, d) < kAwayCosine * speed * distance;
    wrongWayTime = away ? wrongWayTime + dt : 0.0;
}

void ASP_Player::UpdateTail() {
    const Point a(tailAnchor.x * GetWidth(), tailAnchor.y * GetHeight());
    const Point va = GetPointVelocity(a);
    const double s = Length(va);

    if (s <= minSpeed || s == 0.0) {
        tail->SetAnimSpeed(0.0);
        tail->SetWidth(tailScaledWidth);
        tail->SetHeight(tailScaledHeight);
    } else {
        const double alpha = HeadingOf(va);
        double d = alpha - GetRotation();
        while (d < 0.0) {
            d += 360.0;
        }
        while (d >= 360.0) {
            d -= 360.0;
        }
        const double boundCW = angleDeltaCW;
        const double boundCCW = 360.0 - angleDeltaCCW;
        if (boundCW < d && d < boundCCW) {
            d = std::fabs(d - boundCW) < std::fabs(d - boundCCW) ? boundCW : boundCCW;
        }
        tail->SetRotation(d);

        const double sForward = std::fabs(Dot(va, Facing(GetRotation())));
        // Without a range to grow over, the tail is at full size as soon as it is above minSpeed.
        const double k =
            maxSpeed > minSpeed ? std::clamp((sForward - minSpeed) / (maxSpeed - minSpeed), 0.0, 1.0) : 1.0;
        tail->SetWidth((tailWidth - tailScaledWidth) * k + tailScaledWidth);
        tail->SetHeight((tailHeight - tailScaledHeight) * k + tailScaledHeight);
        tail->SetAnimSpeed(tailAnimSpeed * k);
    }

    const Point tailPivot = tail->GetRotationCenter();
    tail->SetX(a.x - tail->GetWidth() * tailPivot.x);
    tail->SetY(a.y - tail->GetHeight() * tailPivot.y);
}

void ASP_Player::Render(void* target) {
    CPhysicsSprite::Render(target);
    tail->Draw(target);
}

bool ASP_Player::OnCollision(CSprite* other, Point contact) {
    if (CPhysicsSprite::OnCollision(other, contact)) {
        return true;
    }
    auto* otherCar = dynamic_cast<ASP_Player*>(other);
    if (!otherCar) {
        return true;
    }
    driveBlockTime = kDriveBlockSeconds;
    otherCar->driveBlockTime = kDriveBlockSeconds;
    ThrowCrashParticles(contact);
    return false;
}

void ASP_Player::ThrowCrashParticles(Point contact) const {
    ASP_World* world = World();
    // Emitter -1 would mean every emitter of the world, surface dust included.
    if (!world || !world->GetParticles() || world->GetCollisionEmitter() < 0) {
        return;
    }
    CParticleEngine* particles = world->GetParticles();
    Emitter* emitter = particles->GetEmitter(world->GetCollisionEmitter());
    if (!emitter) {
        return;
    }
    const Point origin = particles->GlobalToLocal(contact);
    emitter->settings->originX = static_cast<int>(origin.x);
    emitter->settings->originY = static_cast<int>(origin.y);
    particles->Emit(world->GetCollisionEmitter(), 3);
}
