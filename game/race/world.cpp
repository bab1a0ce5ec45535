#include "game/race/world.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <utility>

#include "engine/geometry.h"
#include "engine/ini.h"
#include "engine/particle_sprite.h"
#include "game/race/checkpoint_sprite.h"
#include "game/race/computer_driver.h"
#include "game/race/game.h"
#include "game/race/ground_sprite.h"
#include "game/race/interface.h"
#include "game/race/physics_sprite.h"
#include "game/race/player.h"
#include "game/race/static_sprite.h"

namespace {

const char* const kCarsFile = "dat\\cars.dat";
const char* const kInterfaceFile = "dat\\interface.dat";

// The pivot of a sprite in its own pixels: the rotation-centre fractions times its size.
Point PivotOf(const CImageSpriteEx& s) {
    const Point c = s.GetRotationCenter();
    return Point(c.x * s.GetWidth(), c.y * s.GetHeight());
}

}  // namespace

ASP_World::ASP_World(ASP_Game* game) : CSpriteManager(nullptr), game(game) {
    sortByZ = true;
    particles = new CParticleEngine(this);
    AddSprite(particles);
    collisionEmitter = LoadEmitter("part", "prot", kCarsFile);
    // The race is still building this world, so the interface gets its registries here.
    interface = std::make_unique<ASP_Interface>(game, game != nullptr ? game->GetFontFactory() : nullptr,
                                                textureManager);
    LogLine(LOG_STATUS, "Instance created.");
}

ASP_World::~ASP_World() {
    interface.reset();
    LogLine(LOG_STATUS, "Instance removed.");
}

// View transform

Point ASP_World::LocalToGlobal(Point p) const {
    RotatePoint(p, rotationCenter, rotation);
    const Point inParent = p * GetScale() + Point(GetX(), GetY());
    return GetParent() != nullptr ? GetParent()->LocalToGlobal(inParent) : inParent;
}

Point ASP_World::GlobalToLocal(Point p) const {
    const Point inParent = GetParent() != nullptr ? GetParent()->GlobalToLocal(p) : p;
    Point local = (inParent - Point(GetX(), GetY())) / GetScale();
    RotatePoint(local, rotationCenter, -rotation);
    return local;
}

double ASP_World::GetRotation() const {
    return rotation;
}

void ASP_World::SetRotation(double degrees) {
    if (!std::isfinite(degrees)) {
        return;
    }
    degrees = std::fmod(degrees, 360.0);
    rotation = degrees < 0.0 ? degrees + 360.0 : degrees;
}

double ASP_World::GetGlobalRotation() const {
    const auto* rotateableParent = dynamic_cast<const CRotateable*>(GetParent());
    return rotateableParent != nullptr ? rotateableParent->GetGlobalRotation() + rotation : rotation;
}

void ASP_World::SetGlobalRotation(double degrees) {
    const auto* rotateableParent = dynamic_cast<const CRotateable*>(GetParent());
    SetRotation(rotateableParent != nullptr ? degrees - rotateableParent->GetGlobalRotation() : degrees);
}

Point ASP_World::GetRotationCenter() const {
    return rotationCenter;
}

void ASP_World::SetRotationCenter(double cx, double cy) {
    rotationCenter = Point(cx, cy);
}

// Loading

void ASP_World::Load(std::string file) {
    if (!FileExists(file)) {
        LogLine(LOG_FATAL, "Failed to locate world file " + file);
        // Without its track the race cannot run; a non-zero status tells the caller it failed.
        std::exit(EXIT_FAILURE);
    }
    laps = GetIniInt("main", "laps", 1, file);
    requiredCheckpoints = GetIniInt("main", "requiredCheckpoints", 1, file);
    music = GetIniString("main", "music", "", file);
    LoadStartPositions(file);
    LoadGroundTiles(file);
    LoadModifiers(file);
    LoadObjects<ASP_StaticSprite>("static", "statics", file);
    LoadObjects<ASP_CheckpointSprite>("checkpoint", "checkpoints", file);
    LoadObjects<ASP_PhysicsSprite>("phys", "physObjects", file);
    interface->Load(kInterfaceFile);
    racingLine.Load(file, *this);
    LogLine(LOG_STATUS, "World file " + file + " loaded successfully.");
}

int ASP_World::ReadCount(const std::string& section, const std::string& key, const std::string& file) const {
    const int count = GetIniInt(section, key, 0, file);
    if (count > kMaxSections) {
        LogLine(LOG_ERROR, "Refused \"" + key + "\" = " + std::to_string(count) + " in section " + section +
                               " of " + file + ": more than " + NumberToText(kMaxSections) +
                               ", none loaded.");
        return 0;
    }
    return count;
}

void ASP_World::LoadStartPositions(const std::string& file) {
    const int count = ReadCount("main", "players", file);
    for (int i = 0; i < count; ++i) {
        const std::string section = "start" + NumberToText(i);
        StartPosition start;
        start.rot = GetIniDouble(section, "rot", 0.0, file);
        start.y = GetIniDouble(section, "y", 0.0, file);
        start.x = GetIniDouble(section, "x", 0.0, file);
        startPositions.push_back(start);
    }
}

void ASP_World::LoadGroundTiles(const std::string& file) {
    const int count = ReadCount("main", "mapTiles", file);
    for (int i = 0; i < count; ++i) {
        auto* tile = new ASP_GroundSprite(this);
        tile->Load("map" + NumberToText(i), file);
        AddSprite(tile);
        groundTiles.push_back(tile);
    }
}

void ASP_World::LoadModifiers(const std::string& file) {
    const int count = ReadCount("main", "modifiers", file);
    for (int i = 0; i < count; ++i) {
        const std::string section = "mod" + NumberToText(i);
        SurfaceModifier m;
        // One byte each: the low 8 bits of what the file says.
        m.b = static_cast<uint8_t>(GetIniInt(section, "b", 0, file) & 0xFF);
        m.g = static_cast<uint8_t>(GetIniInt(section, "g", 0, file) & 0xFF);
        m.r = static_cast<uint8_t>(GetIniInt(section, "r", 0, file) & 0xFF);
        m.accel = GetIniDouble(section, "accel", 1.0, file);
        m.brake = GetIniDouble(section, "brake", 1.0, file);
        m.frict = GetIniDouble(section, "frict", 1.0, file);
        m.activeAccel = GetIniDouble(section, "activeAccel", 0.0, file);
        m.topSpeed = GetIniDouble(section, "topSpeed", 1.0, file);
        m.particle = LoadEmitter(section + "part", section + "prot", file);
        modifiers.push_back(m);
    }
}

int ASP_World::LoadEmitter(const std::string& partSection, const std::string& protPrefix,
                           const std::string& file) {
    auto settings = std::make_unique<EmitterSettings>();
    EmitterSettings& s = *settings;
    const std::string& part = partSection;
    s.fadeOut = GetIniDouble(part, "fadeOut", 0.0, file);
    s.fadeIn = GetIniDouble(part, "fadeIn", 0.0, file);
    s.life = GetIniDouble(part, "life", 1.0, file);
    s.frict = GetIniDouble(part, "frict", 0.0, file);
    s.massMax = GetIniDouble(part, "massMax", 0.0, file);
    s.massMin = GetIniDouble(part, "massMin", 0.0, file);
    s.rotMax = GetIniDouble(part, "rotMax", 0.0, file);
    s.rotMin = GetIniDouble(part, "rotMin", 0.0, file);
    s.forceMax = GetIniDouble(part, "forceMax", 0.0, file);
    s.forceMin = GetIniDouble(part, "forceMin", 0.0, file);
    s.alphaMax = GetIniDouble(part, "alphaMax", 255.0, file);
    s.alphaMin = GetIniDouble(part, "alphaMin", 0.0, file);
    s.angleMax = GetIniDouble(part, "angleMax", 360.0, file);
    s.angleMin = GetIniDouble(part, "angleMin", 0.0, file);
    s.sizeMax = GetIniDouble(part, "sizeMax", 1.0, file);
    s.sizeMin = GetIniDouble(part, "sizeMin", 1.0, file);
    s.dYMax = GetIniDouble(part, "dYMax", 0.0, file);
    s.dYMin = GetIniDouble(part, "dYMin", 0.0, file);
    s.dXMax = GetIniDouble(part, "dXMax", 0.0, file);
    s.dXMin = GetIniDouble(part, "dXMin", 0.0, file);
    const int prototypes = ReadCount(part, "prototypes", file);
    for (int j = 0; j < prototypes; ++j) {
        const std::string prot = protPrefix + NumberToText(j);
        auto prototype = std::make_unique<CParticleSprite>(this);
        prototype->SetTexture(ContainerTexture(this, GetIniString(prot, "texture", "", file)));
        prototype->SetWidth(GetIniDouble(prot, "width", 0.0, file));
        prototype->SetHeight(GetIniDouble(prot, "height", 0.0, file));
        prototype->SetTileWidth(TruncateToInt(GetIniDouble(prot, "tileWidth", 0.0, file)));
        prototype->SetTileHeight(TruncateToInt(GetIniDouble(prot, "tileHeight", 0.0, file)));
        prototype->SetAnimStart(TruncateToInt(GetIniDouble(prot, "animStart", 0.0, file)));
        prototype->SetAnimEnd(TruncateToInt(GetIniDouble(prot, "animEnd", 0.0, file)));
        prototype->SetAnimSpeed(GetIniDouble(prot, "animSpeed", 0.0, file));
        s.prototypes.push_back(std::move(prototype));
    }
    return particles->AddEmitter(std::move(settings));
}

template <class Object>
void ASP_World::LoadObjects(const std::string& prefix, const std::string& countKey, const std::string& file) {
    const int count = ReadCount("main", countKey, file);
    for (int i = 0; i < count; ++i) {
        auto* object = new Object(this);
        object->Load(prefix + NumberToText(i), file);
        AddSprite(object);
    }
}

// Cars

bool ASP_World::AddPlayer(std::string carFile, std::string carSection, std::string controlsFile,
                          std::string controlsSection) {
    const size_t n = players.size();
    if (n >= kMaxPlayers || n >= startPositions.size()) {
        LogLine(LOG_ERROR, "Failed to add new player: maximum number of players reached.");
        return false;
    }
    auto* car = new ASP_Player(this);
    car->LoadControls(controlsFile, controlsSection);
    car->LoadCar(carFile, carSection);
    const StartPosition& start = startPositions[n];
    car->SetX(start.x);
    car->SetY(start.y);
    car->SetZ(0.0);
    car->SetRotation(start.rot);
    SetCheckpointTarget(car, 0);
    players.push_back(car);
    AddSprite(car);
    LogLine(LOG_STATUS, "Player " + NumberToText(static_cast<double>(players.size())) + " added.");
    return true;
}

void ASP_World::OnKeyDown(SDL_Event* e) {
    for (ASP_Player* car : players) {
        car->OnKeyDown(e->key.keysym.sym);
    }
}

void ASP_World::OnKeyUp(SDL_Event* e) {
    for (ASP_Player* car : players) {
        car->OnKeyUp(e->key.keysym.sym);
    }
}

// Ground

SurfaceModifier ASP_World::GetModifierAt(Point global) const {
    SurfaceColor color;
    for (const ASP_GroundSprite* tile : groundTiles) {
        // The earliest tile wins, even under a later one.
        if (PointInQuad(global, tile->GetCorners())) {
            color = tile->GetSurfaceColor(global);
            break;
        }
    }
    for (const SurfaceModifier& m : modifiers) {
        if (SurfaceColor{m.r, m.g, m.b} == color) {
            return m;
        }
    }
    return SurfaceModifier();
}

void ASP_World::EmitParticle(int emitter, Point global, double angle) {
    Emitter* e = emitter >= 0 ? particles->GetEmitter(emitter) : nullptr;
    if (e == nullptr || std::rand() % 10 != 0) {
        return;
    }
    EmitterSettings& s = *e->settings;
    const Point origin = particles->GlobalToLocal(global);
    s.originX = TruncateToInt(origin.x);
    s.originY = TruncateToInt(origin.y);
    s.angleMin += angle;
    s.angleMax += angle;
    particles->Emit(emitter, 1);
    s.angleMin -= angle;
    s.angleMax -= angle;
}

// Race rules that act through the world

std::vector<ASP_CheckpointSprite*> ASP_World::GetCheckpoints(int index) const {
    std::vector<ASP_CheckpointSprite*> found;
    for (int i = 0; i < GetSpriteCount(); ++i) {
        auto* checkpoint = dynamic_cast<ASP_CheckpointSprite*>(GetSprite(i));
        if (checkpoint != nullptr && (index == -1 || checkpoint->index == index)) {
            found.push_back(checkpoint);
        }
    }
    return found;
}

void ASP_World::SetCheckpointTarget(ASP_Player* car, int index) {
    if (index >= requiredCheckpoints) {
        index = 0;
    }
    const Point carPivot = car->LocalToGlobal(PivotOf(*car));
    const ASP_CheckpointSprite* nearest = nullptr;
    double nearestDistance = 0.0;
    for (const ASP_CheckpointSprite* checkpoint : GetCheckpoints(index)) {
        const double distance = Length(checkpoint->LocalToGlobal(PivotOf(*checkpoint)) - carPivot);
        if (nearest == nullptr || distance < nearestDistance) {
            nearest = checkpoint;
            nearestDistance = distance;
        }
    }
    if (nearest != nullptr) {
        car->compassTarget = GlobalToLocal(nearest->LocalToGlobal(PivotOf(*nearest)));
    }
}

void ASP_World::FinishPlayer(ASP_Player* car) {
    car->finished = true;
    for (const ASP_Player* other : GetViewedPlayers()) {
        if (!other->finished) {
            return;
        }
    }
    RankCarsStillRunning(*this);
    if (game != nullptr) {
        game->FinishRace();
    }
}

// Drawing

double ASP_World::ZoomForSpeed(double speed) {
    // Written so that a speed that is not a number zooms as a car at rest.
    if (!(speed > 100.0)) {
        return 0.6;
    }
    if (speed >= 800.0) {
        return 0.4;
    }
    return 0.6 - ((speed - 100.0) / 700.0) * 0.2;
}

void ASP_World::SetView(int x, int y, int w, int h) const {
    glViewport(x, y, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w, h, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void ASP_World::Draw(void* target) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int x0 = viewport[0];
    const int y0 = viewport[1];
    const int W = viewport[2];
    const int H = viewport[3];
    const std::vector<ASP_Player*> viewed = GetViewedPlayers();
    switch (viewed.size()) {
        case 1:
            SetView(x0, y0, W, H);
            DrawPlayerView(viewed[0], target);
            break;
        case 2:
            SetView(0, 0, W / 2, H);
            DrawPlayerView(viewed[0], target);
            SetView(W / 2, 0, W / 2, H);
            DrawPlayerView(viewed[1], target);
            break;
        case 3:
            SetView(W / 4, H / 2, W / 2, H / 2);
            DrawPlayerView(viewed[0], target);
            SetView(0, 0, W / 2, H / 2);
            DrawPlayerView(viewed[1], target);
            SetView(W / 2, 0, W / 2, H / 2);
            DrawPlayerView(viewed[2], target);
            break;
        case 4:
            SetView(0, H / 2, W / 2, H / 2);
            DrawPlayerView(viewed[0], target);
            SetView(W / 2, H / 2, W / 2, H / 2);
            DrawPlayerView(viewed[1], target);
            SetView(0, 0, W / 2, H / 2);
            DrawPlayerView(viewed[2], target);
            SetView(W / 2, 0, W / 2, H / 2);
            DrawPlayerView(viewed[3], target);
            break;
        default:
            break;
    }
    SetView(x0, y0, W, H);
}

std::vector<ASP_Player*> ASP_World::GetViewedPlayers() const {
    std::vector<ASP_Player*> humans;
    for (ASP_Player* car : players) {
        if (!car->IsComputer()) {
            humans.push_back(car);
        }
    }
    return humans.empty() ? players : humans;
}

void ASP_World::DrawPlayerView(ASP_Player* car, void* target) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const double zoom = ZoomForSpeed(Length(car->GetVelocity()));
    SetScale(zoom);
    rotationCenter = Point(car->GetX(), car->GetY()) + PivotOf(*car);
    SetRotation(car->fixedCamera ? -car->GetRotation() : 0.0);
    SetX(viewport[2] * 0.5 - zoom * rotationCenter.x);
    SetY(viewport[3] * 0.5 - zoom * rotationCenter.y);
    CSpriteManager::Draw(target);
    interface->Draw(car, target);
}
