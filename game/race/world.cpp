#include "game/race/world.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/angle.h"
#include "engine/geometry.h"
#include "engine/ini.h"
#include "engine/particle_sprite.h"
#include "engine/picture_decoder.h"
#include "game/race/checkpoint_sprite.h"
#include "game/race/ground_sprite.h"
#include "game/race/physics_sprite.h"
#include "game/race/player.h"
#include "game/race/static_sprite.h"
#include "track/world_keys.h"
#include "track/world_objects.h"

using namespace world_key;

namespace {

const char* const kInterfaceFile = "dat\\interface.dat";

}  // namespace

Point ASP_Camera::ToView(Point world, int w, int h) const {
    Point p = world - centre;
    RotatePoint(p, Point(), rotation);
    return p * zoom + Point(w * 0.5, h * 0.5);
}

Point ASP_Camera::ToWorld(Point view, int w, int h) const {
    Point p = (view - Point(w * 0.5, h * 0.5)) / zoom;
    RotatePoint(p, Point(), -rotation);
    return p + centre;
}

ASP_World::ASP_World(const Services& services, uint64_t seed)
    : CSpriteManager(services.textures),
      race(seed),
      pictures(services.pictures != nullptr ? services.pictures : &ownPictures),
      fonts(services.fonts),
      audio(services.audio),
      joysticks(services.joysticks) {
    sortByZ = true;
    // A race draws hundreds of small sprites a frame from a few dozen pictures.
    textureManager->UseAtlas();
    particles = new CParticleEngine(this);
    AddSprite(particles);
    collisionEmitter = LoadEmitter(kEmitterSuffix, kPrototypeSuffix, kCarFile);
    interface = std::make_unique<ASP_Interface>(fonts, textureManager);
    LogLine(LOG_STATUS, "Instance created.");
}

ASP_World::~ASP_World() {
    interface.reset();
    LogLine(LOG_STATUS, "Instance removed.");
}

// Loading

bool ASP_World::Load(std::string file) {
    {
        // The tiles' pictures and surface maps are most of a race's load: workers decode them
        // while this thread reads the track and uploads.
        std::vector<std::string> wanted;
        for (const std::string& picture : TrackPictures(file)) {
            // A picture kept from the last race on this track is not decoded again.
            if (!picture.empty() && !textureManager->Holds(picture)) {
                wanted.push_back(picture);
            }
        }
        CPictureDecoder decoder(wanted);
        if (!race.Load(file, *pictures)) {
            return false;
        }
        LoadGroundTiles(file);
    }
    const CIniReadBatch batch(file);
    LoadSurfaceEffects(file);
    LoadObjects<ASP_StaticSprite>(kStaticPrefix, kStaticCount, file);
    LoadObjects<ASP_CheckpointSprite>(kCheckpointPrefix, kCheckpointCount, file);
    objects = LoadObjects<ASP_PhysicsSprite>(kPhysicsPrefix, kPhysicsCount, file);
    interface->Load(kInterfaceFile);
    LogLine(LOG_STATUS, "World file " + file + " loaded successfully.");
    return true;
}

void ASP_World::LoadGroundTiles(const std::string& file) {
    const int count = race.GetTrack().ReadCount(kMain, kTileCount, file);
    for (int i = 0; i < count; ++i) {
        auto* tile = new ASP_GroundSprite(this);
        tile->Load(kTilePrefix + NumberToText(i), file);
        AddSprite(tile);
        groundTiles.push_back(tile);
    }
}

void ASP_World::LoadSurfaceEffects(const std::string& file) {
    const int count = static_cast<int>(race.GetTrack().GetModifiers().size());
    for (int i = 0; i < count; ++i) {
        const std::string section = kModifierPrefix + NumberToText(i);
        surfaceParticles.push_back(LoadEmitter(section + kEmitterSuffix, section + kPrototypeSuffix, file));
        const std::string sound = ReadModifier(section, file).sound;
        surfaceSounds.push_back(sound.empty() || audio == nullptr ? -1 : audio->LoadSound(sound));
    }
}

int ASP_World::LoadEmitter(const std::string& partSection, const std::string& protPrefix,
                           const std::string& file) {
    auto settings = std::make_unique<EmitterSettings>();
    EmitterSettings& s = *settings;
    const std::string& part = partSection;
    s.fadeOut = GetIniDouble(part, kFadeOut, 0.0, file);
    s.fadeIn = GetIniDouble(part, kFadeIn, 0.0, file);
    s.life = GetIniDouble(part, kLife, 1.0, file);
    s.frict = GetIniDouble(part, kParticleFriction, 0.0, file);
    s.massMax = GetIniDouble(part, kMassMax, 0.0, file);
    s.massMin = GetIniDouble(part, kMassMin, 0.0, file);
    s.rotMax = GetIniDouble(part, kRotMax, 0.0, file);
    s.rotMin = GetIniDouble(part, kRotMin, 0.0, file);
    s.forceMax = GetIniDouble(part, kForceMax, 0.0, file);
    s.forceMin = GetIniDouble(part, kForceMin, 0.0, file);
    s.alphaMax = GetIniDouble(part, kAlphaMax, 255.0, file);
    s.alphaMin = GetIniDouble(part, kAlphaMin, 0.0, file);
    s.angleMax = GetIniDouble(part, kAngleMax, 360.0, file);
    s.angleMin = GetIniDouble(part, kAngleMin, 0.0, file);
    s.sizeMax = GetIniDouble(part, kSizeMax, 1.0, file);
    s.sizeMin = GetIniDouble(part, kSizeMin, 1.0, file);
    s.dYMax = GetIniDouble(part, kDYMax, 0.0, file);
    s.dYMin = GetIniDouble(part, kDYMin, 0.0, file);
    s.dXMax = GetIniDouble(part, kDXMax, 0.0, file);
    s.dXMin = GetIniDouble(part, kDXMin, 0.0, file);
    const int prototypes = race.GetTrack().ReadCount(part, kPrototypes, file);
    for (int j = 0; j < prototypes; ++j) {
        const std::string prot = protPrefix + NumberToText(j);
        auto prototype = std::make_unique<CParticleSprite>(this);
        prototype->SetTexture(ContainerTexture(this, GetIniString(prot, kTexture, "", file)));
        prototype->SetWidth(GetIniDouble(prot, kWidth, 0.0, file));
        prototype->SetHeight(GetIniDouble(prot, kHeight, 0.0, file));
        prototype->SetTileWidth(TruncateToInt(GetIniDouble(prot, kTileWidth, 0.0, file)));
        prototype->SetTileHeight(TruncateToInt(GetIniDouble(prot, kTileHeight, 0.0, file)));
        prototype->SetAnimStart(TruncateToInt(GetIniDouble(prot, kAnimStart, 0.0, file)));
        prototype->SetAnimEnd(TruncateToInt(GetIniDouble(prot, kAnimEnd, 0.0, file)));
        prototype->SetAnimSpeed(GetIniDouble(prot, kAnimSpeed, 0.0, file));
        s.prototypes.push_back(std::move(prototype));
    }
    return particles->AddEmitter(std::move(settings));
}

template <class Object>
std::vector<Object*> ASP_World::LoadObjects(const std::string& prefix, const std::string& countKey,
                                            const std::string& file) {
    std::vector<Object*> loaded;
    const int count = race.GetTrack().ReadCount(kMain, countKey, file);
    for (int i = 0; i < count; ++i) {
        auto* object = new Object(this);
        object->Load(prefix + NumberToText(i), file);
        AddSprite(object);
        loaded.push_back(object);
    }
    return loaded;
}

// Cars

bool ASP_World::AddPlayer(std::string carFile, std::string carSection, std::string controlsFile,
                          std::string controlsSection) {
    const int index = race.AddCar(ASP_CarModel::Load(carFile, carSection));
    if (index < 0 || !AddCar(index, carFile, carSection)) {
        return false;
    }
    players.back()->LoadControls(controlsFile, controlsSection, index, joysticks);
    return true;
}

bool ASP_World::AddComputerCar(const std::string& carFile, const std::string& carSection,
                               ASP_Difficulty difficulty) {
    const int index = race.AddCar(ASP_CarModel::Load(carFile, carSection),
                                  std::make_unique<ASP_ComputerDriver>(difficulty));
    return index >= 0 && AddCar(index, carFile, carSection);
}

bool ASP_World::AddCar(int index, const std::string& carFile, const std::string& carSection) {
    const size_t i = static_cast<size_t>(index);
    auto* car = new ASP_Player(this, race.GetCar(i), race.IsComputer(i));
    car->LoadCar(carFile, carSection);
    car->SetZ(0.0);
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

void ASP_World::GiveUp() {
    for (ASP_Player* car : players) {
        car->GiveUp();
    }
}

// Following the race

std::vector<ASP_Command> ASP_World::TakeCommands() {
    std::vector<ASP_Command> commands;
    for (ASP_Player* car : players) {
        commands.push_back(car->TakeCommand());
    }
    return commands;
}

void ASP_World::StartRace(const std::vector<ASP_Command>& held) {
    race.Start(held);
    Follow();
}

void ASP_World::Step(const std::vector<ASP_Command>& commands) {
    race.Step(commands);
    ThrowParticles();
}

void ASP_World::Follow() {
    for (ASP_Player* car : players) {
        car->Follow();
    }
    const std::vector<ASP_TrackObject>& bodies = race.GetObjects();
    for (size_t i = 0; i < objects.size() && i < bodies.size(); ++i) {
        objects[i]->Follow(bodies[i].body);
    }
}

void ASP_World::EmitParticle(int emitter, Point world, double angle) {
    Emitter* e = emitter >= 0 ? particles->GetEmitter(emitter) : nullptr;
    if (e == nullptr || dust() % 10 != 0) {
        return;
    }
    EmitterSettings& s = *e->settings;
    s.originX = TruncateToInt(world.x);
    s.originY = TruncateToInt(world.y);
    s.angleMin += angle;
    s.angleMax += angle;
    particles->Emit(emitter, 1);
    s.angleMin -= angle;
    s.angleMax -= angle;
}

void ASP_World::ThrowParticles() {
    const ASP_Track& track = race.GetTrack();
    const auto emitterAt = [&](Point p) {
        const int m = track.ModifierIndexAt(p);
        return m >= 0 && static_cast<size_t>(m) < surfaceParticles.size()
                   ? surfaceParticles[static_cast<size_t>(m)]
                   : -1;
    };
    for (const auto& car : race.GetCars()) {
        const bool fwd = car->MovingForward();
        for (const ASP_CarModel::Wheel& wheel : car->GetModel().wheels) {
            if (!car->Drives(wheel)) {
                continue;
            }
            const Point at = car->body.ToWorld(Point(wheel.x, wheel.y));
            const double w = car->WheelHeading(wheel);
            // Dust flies backwards from the wheel when driving forwards, forwards when reversing.
            if (car->IsForwardHeld() && fwd) {
                EmitParticle(emitterAt(at), at, -(w - 180.0));
            } else if (car->IsBackwardHeld() && !fwd) {
                EmitParticle(emitterAt(at), at, -w);
            }
        }
    }
    for (const ASP_TrackObject& object : race.GetObjects()) {
        const Point v = object.body.motion.GetVelocity();
        if (v != Point()) {
            EmitParticle(emitterAt(object.body.Centre()), object.body.Centre(), HeadingOf(v));
        }
    }
    const size_t cars = race.GetCars().size();
    for (const ASP_RaceEvent& e : race.GetEvents()) {
        if (e.kind == ASP_RaceEvent::Contact && static_cast<size_t>(e.other) < cars) {
            ThrowCrashParticles(e.at);
        }
    }
}

void ASP_World::ThrowCrashParticles(Point contact) {
    // Emitter -1 would mean every emitter of the world, surface dust included.
    Emitter* emitter = collisionEmitter >= 0 ? particles->GetEmitter(collisionEmitter) : nullptr;
    if (emitter == nullptr) {
        return;
    }
    emitter->settings->originX = static_cast<int>(contact.x);
    emitter->settings->originY = static_cast<int>(contact.y);
    particles->Emit(collisionEmitter, 3);
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

ASP_Camera ASP_World::CameraOf(const ASP_Player& car) const {
    const ASP_Body& body = car.GetCar().body;
    return ASP_Camera{body.Centre(), ZoomForSpeed(Length(body.motion.GetVelocity())),
                      car.fixedCamera ? -body.GetRotation() : 0.0};
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

Bounds ASP_World::ShownArea(const ASP_Camera& camera, int w, int h) {
    Bounds shown = BoundsOf(Quad{{camera.ToWorld(Point(0, h), w, h), camera.ToWorld(Point(w, h), w, h),
                                  camera.ToWorld(Point(w, 0), w, h), camera.ToWorld(Point(0, 0), w, h)}});
    // A pixel's worth of slack for rounding at the edges.
    const double margin = 2.0 / camera.zoom;
    return Bounds{shown.minX - margin, shown.minY - margin, shown.maxX + margin, shown.maxY + margin};
}

std::vector<ASP_Player*> ASP_World::GetViewedPlayers() const {
    std::vector<ASP_Player*> shown;
    if (!viewed.empty()) {
        for (int i : viewed) {
            if (i >= 0 && static_cast<size_t>(i) < players.size()) {
                shown.push_back(players[static_cast<size_t>(i)]);
            }
        }
    } else {
        for (ASP_Player* car : players) {
            if (!car->IsComputer()) {
                shown.push_back(car);
            }
        }
        if (shown.empty()) {
            shown = players;
        }
    }
    // The screen splits into at most four views, though the race may hold more cars.
    shown.resize(std::min<size_t>(shown.size(), kMaxViews));
    return shown;
}

void ASP_World::DrawPlayerView(ASP_Player* car, void* target) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const ASP_Camera camera = CameraOf(*car);
    // The camera is the view's transform: the world's sprites stay where the race put them.
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslated(viewport[2] * 0.5, viewport[3] * 0.5, 0.0);
    glScaled(camera.zoom, camera.zoom, 1.0);
    glRotated(-camera.rotation, 0.0, 0.0, 1.0);
    glTranslated(-camera.centre.x, -camera.centre.y, 0.0);
    if (cullViews) {
        DrawIn(target, ShownArea(camera, viewport[2], viewport[3]));
    } else {
        CSpriteManager::Draw(target);
    }
    glPopMatrix();
    interface->Draw(car, facts, target);
}
