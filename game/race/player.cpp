#include "game/race/player.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/angle.h"
#include "engine/ini.h"
#include "engine/sprite_manager.h"

namespace {

ASP_Player::FrameRange ReadFrameRange(const std::string& file, const std::string& section,
                                      const std::string& name) {
    ASP_Player::FrameRange range;
    range.end = GetIniInt(section, "anim" + name + "End", 0, file);
    range.start = GetIniInt(section, "anim" + name + "Start", 0, file);
    return range;
}

}  // namespace

ASP_Player::ASP_Player(CSprite* parent, const ASP_Car& car, bool computer)
    : CImageSpriteEx(parent),
      car(car),
      computer(computer),
      input(std::make_unique<ASP_KeyboardInput>(ASP_Controls::Defaults(0).keys)),
      tail(new CImageSpriteEx(this)) {}

ASP_Player::~ASP_Player() = default;

void ASP_Player::LoadControls(std::string file, std::string section, int player,
                              const ASP_Joysticks* joysticks) {
    const ASP_Controls controls = ASP_Controls::Read(file, section, player);
    fixedCamera = controls.fixedCamera;
    input = MakeInputSource(controls, joysticks, "Player " + NumberToText(player + 1));
}

void ASP_Player::LoadCar(std::string file, std::string section) {
    carName = section;
    SetTexture(SmoothTexture(GetIniString(section, "texture", "", file)));
    const double rotY = GetIniDouble(section, "rotY", 0.5, file);
    const double rotX = GetIniDouble(section, "rotX", 0.5, file);
    SetRotationCenter(rotX, rotY);
    SetWidth(GetIniDouble(section, "width", 1.0, file));
    SetHeight(GetIniDouble(section, "height", 1.0, file));
    SetTileWidth(GetIniInt(section, "tileWidth", 1, file));
    SetTileHeight(GetIniInt(section, "tileHeight", 1, file));
    SetAnimSpeed(GetIniDouble(section, "animSpeed", 1.0, file));

    straight = ReadFrameRange(file, section, "Straight");
    left = ReadFrameRange(file, section, "Left");
    leftBack = ReadFrameRange(file, section, "LeftBack");
    right = ReadFrameRange(file, section, "Right");
    rightBack = ReadFrameRange(file, section, "RightBack");
    PlayAnimation(true, straight.start, straight.end);

    LoadTail(file, section + "-tail");
    Follow();
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

bool ASP_Player::OnInputEvent(const SDL_Event& e) {
    return !computer && input->OnEvent(e, *this);
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
    const uint8_t a = ASP_Command::Amount(amount);
    switch (action) {
        case ASP_Action::Forward:
            held.forward = a > 0 ? 255 : 0;
            break;
        case ASP_Action::Backward:
            held.backward = a > 0 ? 255 : 0;
            break;
        case ASP_Action::Left:
            held.left = a;
            break;
        case ASP_Action::Right:
            held.right = a;
            break;
        case ASP_Action::Reset:
            resetAsked = resetAsked || a > 0;
            break;
    }
}

void ASP_Player::SyncControls() {
    if (computer) {
        return;
    }
    struct Held : ASP_Drivable {
        std::array<double, kActions> amounts{};
        void Drive(ASP_Action action, double amount) override {
            amounts[static_cast<size_t>(action)] = amount;
        }
    } now;
    input->Sync(now);
    // Reset is not held but pressed, so it is left alone.
    for (ASP_Action a : {ASP_Action::Forward, ASP_Action::Backward, ASP_Action::Left, ASP_Action::Right}) {
        Drive(a, now.amounts[static_cast<size_t>(a)]);
    }
}

ASP_Command ASP_Player::TakeCommand() {
    if (!computer) {
        input->Poll(*this);
    }
    ASP_Command command = held;
    command.flags =
        static_cast<uint8_t>((resetAsked ? ASP_Command::kReset : 0) | (givingUp ? ASP_Command::kGiveUp : 0));
    resetAsked = false;
    givingUp = false;
    return command;
}

void ASP_Player::FollowSteering(double& seen, double amount, const FrameRange& in, const FrameRange& out) {
    if (amount > 0.0 && seen == 0.0) {
        PlayAnimation(false, in.start, in.end);
    } else if (amount == 0.0 && seen > 0.0) {
        PlayAnimation(false, out.start, out.end);
    }
    seen = amount;
}

void ASP_Player::Follow() {
    const ASP_Body& body = car.body;
    SetX(body.GetX() + shownOffset.x);
    SetY(body.GetY() + shownOffset.y);
    SetRotation(body.GetRotation());
    FollowSteering(leftShown, car.GetLeftAmount(), left, leftBack);
    FollowSteering(rightShown, car.GetRightAmount(), right, rightBack);
    UpdateTail();
}

void ASP_Player::UpdateTail() {
    const Point a(tailAnchor.x * GetWidth(), tailAnchor.y * GetHeight());
    const Point va = car.body.motion.PointVelocity(a - car.body.Pivot());
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
    CImageSpriteEx::Render(target);
    tail->Draw(target);
}
