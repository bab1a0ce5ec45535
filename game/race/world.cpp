#include "game/race/world.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "engine/angle.h"
#include "engine/geometry.h"
#include "engine/ini.h"
#include "engine/particle_sprite.h"
#include "engine/picture_decoder.h"
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

ASP_World::ASP_World(ASP_Game* game, CTextureManager* textures) : CSpriteManager(textures), game(game) {
    sortByZ = true;
    // A race draws hundreds of small sprites a frame from a few dozen pictures.
    textureManager->UseAtlas();
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

bool ASP_World::Load(std::string file) {
    if (!FileExists(file)) {
        // Without its track the race cannot run; the caller ends the program.
        LogLine(LOG_FATAL, "Failed to locate world file " + file);
        return false;
    }
    const CIniReadBatch batch(file);
    laps = GetIniInt("main", "laps", 1, file);
    requiredCheckpoints = GetIniInt("main", "requiredCheckpoints", 1, file);
    music = GetIniString("main", "music", "", file);
    finishTimeout = GetIniDouble("main", "finishTimeout", 0.0, file);
    LoadStartPositions(file);
    LoadGroundTiles(file);
    LoadModifiers(file);
    LoadObjects<ASP_StaticSprite>("static", "statics", file);
    LoadObjects<ASP_CheckpointSprite>("checkpoint", "checkpoints", file);
    LoadObjects<ASP_PhysicsSprite>("phys", "physObjects", file);
    interface->Load(kInterfaceFile);
    racingLine.Load(file, *this);
    LogLine(LOG_STATUS, "World file " + file + " loaded successfully.");
    return true;
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
    // The tiles' pictures are most of a race's load; workers decode them while this thread uploads.
    std::vector<std::string> pictures;
    for (int i = 0; i < count; ++i) {
        for (const std::string& picture : ASP_GroundSprite::Pictures("map" + NumberToText(i), file)) {
            // A tile kept from the last race on this track is not decoded again.
            if (!textureManager->Holds(picture)) {
                pictures.push_back(picture);
            }
        }
    }
    CPictureDecoder decoder(pictures);
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
        m.sound = LoadModifierSound(section, file);
        modifiers.push_back(m);
    }
}

int ASP_World::LoadModifierSound(const std::string& section, const std::string& file) const {
    const std::string sound = GetIniString(section, "sound", "", file);
    if (sound.empty() || game == nullptr || game->GetAudio() == nullptr) {
        return -1;
    }
    return game->GetAudio()->LoadSound(sound);
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
    // Every car counts, computer cars too: each takes the next start position.
    const size_t n = players.size();
    if (n >= kMaxPlayers || n >= startPositions.size()) {
        LogLine(LOG_ERROR, "Failed to add new player: maximum number of players reached.");
        return false;
    }
    auto* car = new ASP_Player(this);
    car->LoadControls(controlsFile, controlsSection, static_cast<int>(n), game ? game->joysticks : nullptr);
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
    OnInputEvent(e);
}

void ASP_World::OnKeyUp(SDL_Event* e) {
    OnInputEvent(e);
}

void ASP_World::OnInputEvent(SDL_Event* e) {
    for (ASP_Player* car : players) {
        car->OnInputEvent(*e);
    }
}

void ASP_World::SyncControls() {
    for (ASP_Player* car : players) {
        car->SyncControls();
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

const ASP_CheckpointSprite* ASP_World::NearestCheckpoint(const ASP_Player* car, int index) const {
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
    return nearest;
}

void ASP_World::SetCheckpointTarget(ASP_Player* car, int index) {
    if (index >= requiredCheckpoints) {
        index = 0;
    }
    if (const ASP_CheckpointSprite* nearest = NearestCheckpoint(car, index)) {
        car->compassTarget = GlobalToLocal(nearest->LocalToGlobal(PivotOf(*nearest)));
    }
}

void ASP_World::PutBack(ASP_Player* car) {
    car->SetVelocity(Point(0.0, 0.0));
    car->SetAngularVelocity(0.0);
    const Point pivot = PivotOf(*car);
    // Index -1 would ask for every checkpoint.
    const ASP_CheckpointSprite* last =
        car->lastCheckpoint >= 0 ? NearestCheckpoint(car, car->lastCheckpoint) : nullptr;
    if (last == nullptr) {
        const auto it = std::find(players.begin(), players.end(), car);
        const size_t n = static_cast<size_t>(it - players.begin());
        if (n < startPositions.size()) {
            const StartPosition& start = startPositions[n];
            car->SetX(start.x);
            car->SetY(start.y);
            car->SetRotation(start.rot);
        }
    } else {
        const Point at = GlobalToLocal(last->LocalToGlobal(PivotOf(*last)));
        car->SetX(at.x - pivot.x);
        car->SetY(at.y - pivot.y);
        SetCheckpointTarget(car, car->lastCheckpoint + 1);
        const Point ahead = car->compassTarget - at;
        if (ahead != Point(0.0, 0.0)) {
            car->SetRotation(HeadingOf(ahead));
        }
    }
    car->UpdateTail();
}

void ASP_World::FinishPlayer(ASP_Player* car) {
    const bool first = !car->finished;
    car->finished = true;
    if (first && game != nullptr) {
        game->CarFinished(*car);
    }
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

void ASP_World::RankCarsBeforeFirstCrossing() {
    auto distanceToGo = [](const ASP_Player* car) {
        return Length(car->compassTarget - (Point(car->GetX(), car->GetY()) + PivotOf(*car)));
    };
    for (ASP_Player* car : players) {
        if (car->lastCheckpoint != -1) {
            continue;
        }
        int p = 1;
        for (const ASP_Player* q : players) {
            // Equal distances keep the grid order.
            const bool ahead = q->lastCheckpoint != -1 || distanceToGo(q) < distanceToGo(car) ||
                               (distanceToGo(q) == distanceToGo(car) && q < car);
            p += q != car && ahead;
        }
        car->position = p;
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
    DrawViewDividers(viewed.size(), W, H);
}

void ASP_World::DrawViewDividers(size_t n, int width, int height) const {
    if (n < 2) {
        return;
    }
    const double halfW = width / 2;
    const double halfH = height / 2;
    glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glLineWidth(2.0f);
    glColor3ub(16, 16, 20);
    glBegin(GL_LINES);
    if (n == 2 || n == 4) {
        glVertex2d(halfW, 0.0);
        glVertex2d(halfW, height);
    } else {
        // Three views: one in the top middle, two below.
        glVertex2d(halfW, halfH);
        glVertex2d(halfW, height);
    }
    if (n >= 3) {
        glVertex2d(0.0, halfH);
        glVertex2d(width, halfH);
    }
    glEnd();
    glPopAttrib();
}

Bounds ASP_World::ShownArea(int w, int h) const {
    Bounds shown = BoundsOf(Quad{{GlobalToLocal(Point(0, h)), GlobalToLocal(Point(w, h)),
                                  GlobalToLocal(Point(w, 0)), GlobalToLocal(Point(0, 0))}});
    // A pixel's worth of slack for rounding at the edges.
    const double margin = 2.0 / GetScale();
    return Bounds{shown.minX - margin, shown.minY - margin, shown.maxX + margin, shown.maxY + margin};
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
    if (cullViews) {
        DrawIn(target, ShownArea(viewport[2], viewport[3]));
    } else {
        CSpriteManager::Draw(target);
    }
    interface->Draw(car, target);
}
