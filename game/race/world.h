#pragma once

#include <SDL/SDL.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/geometry.h"
#include "engine/particle_engine.h"
#include "engine/rotateable.h"
#include "engine/sprite_manager.h"
#include "game/race/racing_line.h"

class ASP_CheckpointSprite;
class ASP_Game;
class ASP_GroundSprite;
class ASP_Interface;
class ASP_Player;

// What one colour of the surface maps means for the things that move over it. The defaults are
// also the answer for ground that no modifier describes.
struct SurfaceModifier {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    // Factor on a car's driving force.
    double accel = 1.0;
    // Braking factor; read, not used by the cars.
    double brake = 1.0;
    // Factor on a wheel's rolling resistance and side grip.
    double frict = 1.0;
    // Force along the motion: positive pushes, negative drags.
    double activeAccel = 0.0;
    // Factor on a car's top speed.
    double topSpeed = 1.0;
    // This surface's emitter in the world's particle engine; -1 for none.
    int particle = -1;
    // The race's sound of tyres on this surface; -1 for none.
    int sound = -1;
};

// Where a car starts: its top-left corner in world pixels and its rotation in degrees.
struct StartPosition {
    double x = 0.0;
    double y = 0.0;
    double rot = 0.0;
};

// The race world: the container of the ground tiles, objects, checkpoints, cars and particles of a
// track read from a world file, the answer to which ground lies under a point, and the camera that
// draws one view per car in a split screen. The whole world turns about a point under a car.
class ASP_World : public CSpriteManager, public CRotateable {
public:
    static constexpr int kMaxPlayers = 4;
    // More sections of one kind than this is a broken world file, not a track.
    static constexpr int kMaxSections = 10000;

    // Without textures, the world has a texture registry of its own.
    explicit ASP_World(ASP_Game* game, CTextureManager* textures = nullptr);
    ~ASP_World() override;

    Point LocalToGlobal(Point p) const override;
    Point GlobalToLocal(Point p) const override;
    // One view per car, split by the number of cars.
    void Draw(void* target) override;

    double GetRotation() const override;
    void SetRotation(double degrees) override;
    double GetGlobalRotation() const override;
    void SetGlobalRotation(double degrees) override;
    // In the world's own pixels, not fractions.
    Point GetRotationCenter() const override;
    void SetRotationCenter(double cx, double cy) override;

    // Reads the track. False, with a FATAL ERROR line, if the file is missing.
    bool Load(std::string file);
    // Adds a car on the next free start position; false (logged) when there is none.
    bool AddPlayer(std::string carFile, std::string carSection, std::string controlsFile,
                   std::string controlsSection);
    SurfaceModifier GetModifierAt(Point global) const;
    // Surface particles thrown at a global point, on one call in ten; angle in degrees, 0 up.
    void EmitParticle(int emitter, Point global, double angle);
    // The checkpoints of this index in child order, or all of them for -1.
    std::vector<ASP_CheckpointSprite*> GetCheckpoints(int index) const;
    // Points the car's compass at the nearest checkpoint of this index (0 after the last one).
    void SetCheckpointTarget(ASP_Player* car, int index);
    // Puts the car at rest on its last accepted checkpoint (the nearest of that index), facing the
    // next one; before the first it goes back to its start position.
    void PutBack(ASP_Player* car);
    // Marks the car finished; the race ends when every human's car is (every car's, without
    // humans), the computer cars still running ranked where they stand.
    void FinishPlayer(ASP_Player* car);
    void OnKeyDown(SDL_Event* e);
    void OnKeyUp(SDL_Event* e);
    // Key and joystick events, for every car.
    void OnInputEvent(SDL_Event* e);
    // Every car takes its controls as they are held now.
    void SyncControls();

    // Views leave out the children they cannot show; off, every view draws every child.
    bool cullViews = true;

    // The zoom of a car's view at a speed in pixels per second: 0.6 up to 100, 0.4 from 800.
    static double ZoomForSpeed(double speed);

    // Before their first pass over the finish line, cars are placed by how near they are to it,
    // behind every car that has passed it.
    void RankCarsBeforeFirstCrossing();
    // Thin lines between the given number of views of a split screen of this size.
    void DrawViewDividers(size_t views, int width, int height) const;

    int GetLaps() const { return laps; }
    // Seconds the others have after the first car finishes; 0 waits for every car.
    double GetFinishTimeout() const { return finishTimeout; }
    int GetRequiredCheckpoints() const { return requiredCheckpoints; }
    const std::string& GetMusic() const { return music; }
    const std::vector<ASP_Player*>& GetPlayers() const { return players; }
    const std::vector<StartPosition>& GetStartPositions() const { return startPositions; }
    const std::vector<SurfaceModifier>& GetModifiers() const { return modifiers; }
    const std::vector<ASP_GroundSprite*>& GetGroundTiles() const { return groundTiles; }
    CParticleEngine* GetParticles() const { return particles; }
    int GetCollisionEmitter() const { return collisionEmitter; }
    ASP_Interface* GetInterface() const { return interface.get(); }
    ASP_Game* GetGame() const { return game; }
    const ASP_RacingLine& GetRacingLine() const { return racingLine; }
    // The cars that get a view: the humans', or every car when none is a human's.
    std::vector<ASP_Player*> GetViewedPlayers() const;

private:
    // The count of sections behind key of "main"; refused whole (logged) beyond kMaxSections.
    int ReadCount(const std::string& section, const std::string& key, const std::string& file) const;
    void LoadStartPositions(const std::string& file);
    void LoadGroundTiles(const std::string& file);
    void LoadModifiers(const std::string& file);
    // The sound index of a modifier's "sound" key; -1 without one or without a race.
    int LoadModifierSound(const std::string& section, const std::string& file) const;
    // An emitter of the particle engine from a settings section and its prototype sections
    // protPrefix + j; its index, or -1 without prototypes.
    int LoadEmitter(const std::string& partSection, const std::string& protPrefix, const std::string& file);
    template <class Object>
    void LoadObjects(const std::string& prefix, const std::string& countKey, const std::string& file);
    // The checkpoint of this index whose pivot is nearest the car's; the earlier one on a tie.
    const ASP_CheckpointSprite* NearestCheckpoint(const ASP_Player* car, int index) const;
    void SetView(int x, int y, int w, int h) const;
    void DrawPlayerView(ASP_Player* car, void* target);
    // What a view of w x h pixels shows of the world's own frame, with the current camera.
    Bounds ShownArea(int w, int h) const;

    // Also the first child, so the world owns it.
    CParticleEngine* particles;
    int collisionEmitter = -1;
    int laps = 1;
    int requiredCheckpoints = 1;
    double finishTimeout = 0.0;
    double rotation = 0.0;
    Point rotationCenter;
    std::vector<ASP_GroundSprite*> groundTiles;
    std::vector<SurfaceModifier> modifiers;
    std::vector<StartPosition> startPositions;
    std::vector<ASP_Player*> players;
    ASP_Game* game;
    std::unique_ptr<ASP_Interface> interface;
    std::string music;
    ASP_RacingLine racingLine;
};
