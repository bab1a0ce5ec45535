#pragma once

#include <SDL/SDL.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/audio.h"
#include "engine/font_factory.h"
#include "engine/geometry.h"
#include "engine/particle_engine.h"
#include "engine/sprite_manager.h"
#include "game/race/interface.h"
#include "game/race/track_pictures.h"
#include "game/sim/computer_driver.h"
#include "game/sim/race.h"

class ASP_GroundSprite;
class ASP_Joysticks;
class ASP_PhysicsSprite;
class ASP_Player;

// What a view shows of the world: the point in its middle, the zoom and the turn (degrees, the
// world turned counter-clockwise on screen). Applied when the view is drawn; the world itself
// never moves for a camera.
struct ASP_Camera {
    Point centre;
    double zoom = 1.0;
    double rotation = 0.0;

    // A world point on a view of w x h pixels, and back.
    Point ToView(Point world, int w, int h) const;
    Point ToWorld(Point view, int w, int h) const;
};

// What a race draws and plays with, all optional: its pictures (a registry of its own without
// one), the surface maps read before (kept across races), fonts and sound for the interface and
// the surfaces, the joysticks the players may drive with.
struct ASP_RaceServices {
    CTextureManager* textures = nullptr;
    ASP_PictureFiles* pictures = nullptr;
    CFontFactory* fonts = nullptr;
    CAudio* audio = nullptr;
    const ASP_Joysticks* joysticks = nullptr;
};

// The race as the players see it: a container of the sprites that show the race (ground tiles,
// objects, checkpoints, cars, particles) and the interface over each player's view, drawn in a
// split screen of one view per human's car. It owns the race itself, steps it with the humans'
// commands and follows it: sprites take the race's places, and dust, sparks and the surfaces'
// sounds follow what the race publishes. Nothing it draws changes the race.
class ASP_World : public CSpriteManager {
public:
    // Views of a split screen: a quarter of the window is the smallest.
    static constexpr size_t kMaxViews = 4;

    using Services = ASP_RaceServices;

    explicit ASP_World(const Services& services = Services(), uint64_t seed = 0);
    ~ASP_World() override;

    // One view per human's car, split by their number.
    void Draw(void* target) override;

    // Reads the track into the race and what shows it. False, with a FATAL ERROR line, if the file
    // is missing.
    bool Load(std::string file);
    // Adds a human's car on the next free start position; false (logged) when there is none.
    bool AddPlayer(std::string carFile, std::string carSection, std::string controlsFile,
                   std::string controlsSection);
    // Adds a car driven by a computer driver on the next free start position.
    bool AddComputerCar(const std::string& carFile, const std::string& carSection, ASP_Difficulty difficulty);

    // What every player holds for the next step (nothing for computer cars).
    std::vector<ASP_Command> TakeCommands();
    // GO: the race starts with the commands held then.
    void StartRace(const std::vector<ASP_Command>& held);
    // One step of the race with these commands, then what follows it (dust, sparks).
    void Step(const std::vector<ASP_Command>& commands);
    // The sprites take the race's places; before drawing.
    void Follow();

    SurfaceModifier GetModifierAt(Point world) const { return race.GetTrack().ModifierAt(world); }
    // Surface particles thrown at a world point, on one call in ten; angle in degrees, 0 up.
    void EmitParticle(int emitter, Point world, double angle);
    void OnKeyDown(SDL_Event* e);
    void OnKeyUp(SDL_Event* e);
    // Key and joystick events, for every car.
    void OnInputEvent(SDL_Event* e);
    // Every human's car takes its controls as they are held now.
    void SyncControls();
    // Every human still driving leaves the race with the next step.
    void GiveUp();

    // Views leave out the children they cannot show; off, every view draws every child.
    bool cullViews = true;
    // What the interface tells of the race besides each car's own record (finishers, time left).
    ASP_Interface::RaceFacts facts;

    // The zoom of a car's view at a speed in pixels per second: 0.6 up to 100, 0.4 from 800.
    static double ZoomForSpeed(double speed);
    // The camera of a car's view: on its centre, zoomed by its speed, turned with it when asked.
    ASP_Camera CameraOf(const ASP_Player& car) const;
    // Thin lines between the given number of views of a split screen of this size.
    void DrawViewDividers(size_t views, int width, int height) const;

    ASP_Race& GetRace() { return race; }
    const ASP_Race& GetRace() const { return race; }
    int GetLaps() const { return race.GetTrack().GetLaps(); }
    double GetFinishTimeout() const { return race.GetTrack().GetFinishTimeout(); }
    int GetRequiredCheckpoints() const { return race.GetTrack().GetRequiredCheckpoints(); }
    const std::string& GetMusic() const { return race.GetTrack().GetMusic(); }
    const std::vector<StartPosition>& GetStartPositions() const {
        return race.GetTrack().GetStartPositions();
    }
    const std::vector<SurfaceModifier>& GetModifiers() const { return race.GetTrack().GetModifiers(); }
    const ASP_RacingLine& GetRacingLine() const { return race.GetTrack().GetRacingLine(); }
    // The cars, in the race's order.
    const std::vector<ASP_Player*>& GetPlayers() const { return players; }
    const std::vector<ASP_GroundSprite*>& GetGroundTiles() const { return groundTiles; }
    CParticleEngine* GetParticles() const { return particles; }
    int GetCollisionEmitter() const { return collisionEmitter; }
    ASP_Interface* GetInterface() const { return interface.get(); }
    // The sound of tyres on each modifier's surface, by modifier; -1 for none.
    const std::vector<int>& GetSurfaceSounds() const { return surfaceSounds; }
    // The cars that get a view, at most kMaxViews: those asked for, or the humans', or the first cars
    // when none is a human's.
    std::vector<ASP_Player*> GetViewedPlayers() const;
    // The cars (race indices) that get a view instead of the humans', as a replay shows its race.
    std::vector<int> viewed;

private:
    void LoadGroundTiles(const std::string& file);
    void LoadSurfaceEffects(const std::string& file);
    // An emitter of the particle engine from a settings section and its prototype sections
    // protPrefix + j; its index, or -1 without prototypes.
    int LoadEmitter(const std::string& partSection, const std::string& protPrefix, const std::string& file);
    template <class Object>
    std::vector<Object*> LoadObjects(const std::string& prefix, const std::string& countKey,
                                     const std::string& file);
    bool AddCar(int index, const std::string& carFile, const std::string& carSection);
    // Dust from the wheels and the objects that move, sparks where cars met.
    void ThrowParticles();
    void ThrowCrashParticles(Point contact);
    void SetView(int x, int y, int w, int h) const;
    void DrawPlayerView(ASP_Player* car, void* target);
    // What a view of w x h pixels shows of the world with this camera.
    static Bounds ShownArea(const ASP_Camera& camera, int w, int h);

    ASP_Race race;
    ASP_PictureFiles ownPictures;
    ASP_PictureFiles* pictures;
    CFontFactory* fonts;
    CAudio* audio;
    const ASP_Joysticks* joysticks;
    // Also the first child, so the world owns it.
    CParticleEngine* particles;
    int collisionEmitter = -1;
    // By modifier of the track.
    std::vector<int> surfaceParticles;
    std::vector<int> surfaceSounds;
    std::vector<ASP_GroundSprite*> groundTiles;
    // By object of the race.
    std::vector<ASP_PhysicsSprite*> objects;
    std::vector<ASP_Player*> players;
    std::unique_ptr<ASP_Interface> interface;
    // The dust's own chances, apart from the race's.
    std::minstd_rand dust;
};
