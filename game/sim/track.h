#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/geometry.h"
#include "engine/log.h"
#include "game/sim/body.h"
#include "game/sim/racing_line.h"
#include "game/sim/surface_map.h"
#include "track/world_objects.h"

// A ground tile as the race feels it: the area of its picture and the surface map over it.
struct ASP_TrackTile {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
    std::shared_ptr<const ASP_SurfaceMap> map;
};

// A line the cars must pass in order; finish lines count the laps.
struct ASP_Checkpoint {
    ASP_Body shape;
    // Place in the order of checkpoints, counted from 0.
    int index = 0;
    bool isFinish = false;

    // Whether a car whose last taken checkpoint is lastCheckpoint may take this one.
    bool Accepts(int lastCheckpoint, int requiredCheckpoints) const {
        return lastCheckpoint == index - 1 || (isFinish && lastCheckpoint == requiredCheckpoints - 1);
    }
};

// A movable object (cone, barrel, crate, or with a fixed position a wall) where it stands at the
// start, with its mass and restitution.
struct ASP_TrackObject {
    ASP_Body body;
};

// Where the pictures a track names come from: the size of a tile's picture and the decoded
// surface maps. The game reads them from the files; the race itself never decodes a picture.
class ASP_TrackPictures {
public:
    virtual ~ASP_TrackPictures() = default;
    // The size in pixels of the picture a data file names; false when it cannot be told.
    virtual bool PictureSize(const std::string& file, int* width, int* height) = 0;
    // The surface map a data file names; null, logged, when it cannot be read.
    virtual std::shared_ptr<const ASP_SurfaceMap> SurfaceMap(const std::string& file) = 0;
};

// A track as the race runs on it, read from a world file: laps and rules, the grid, the ground
// and its surfaces, the checkpoints, the movable objects and the computer cars' racing line.
// Pictures, sounds and particles are the drawing's business and not read here.
class ASP_Track : public CLogSource {
public:
    // More sections of one kind than this is a broken world file, not a track.
    static constexpr int kMaxSections = 10000;

    // Reads the track. False, with a FATAL ERROR line, if the file is missing.
    bool Load(const std::string& file, ASP_TrackPictures& pictures);

    // The count of sections behind key of "main"; refused whole (logged) beyond kMaxSections.
    int ReadCount(const std::string& section, const std::string& key, const std::string& file) const;

    // The index of the modifier of the ground under a world point, -1 where none describes it.
    int ModifierIndexAt(Point p) const;
    // That modifier, or the neutral one.
    SurfaceModifier ModifierAt(Point p) const;
    // The checkpoints of this index in file order, or all of them for -1.
    std::vector<const ASP_Checkpoint*> GetCheckpoints(int index) const;

    const std::string& GetFile() const { return file; }
    int GetLaps() const { return laps; }
    // Races of this track run this many laps instead (a server's choice); at least one.
    void SetLaps(int count) { laps = count >= 1 ? count : laps; }
    int GetRequiredCheckpoints() const { return requiredCheckpoints; }
    // Seconds the others have after the first car finishes; 0 waits for every car.
    double GetFinishTimeout() const { return finishTimeout; }
    const std::string& GetMusic() const { return music; }
    const std::vector<StartPosition>& GetStartPositions() const { return startPositions; }
    const std::vector<ASP_TrackTile>& GetTiles() const { return tiles; }
    const std::vector<SurfaceModifier>& GetModifiers() const { return modifiers; }
    const std::vector<ASP_Checkpoint>& GetAllCheckpoints() const { return checkpoints; }
    const std::vector<ASP_TrackObject>& GetObjects() const { return objects; }
    const ASP_RacingLine& GetRacingLine() const { return racingLine; }

private:
    void LoadStartPositions();
    void LoadTiles(ASP_TrackPictures& pictures);
    void LoadModifiers();
    void LoadCheckpoints();
    void LoadObjects();

    std::string file;
    int laps = 1;
    int requiredCheckpoints = 1;
    double finishTimeout = 0.0;
    std::string music;
    std::vector<StartPosition> startPositions;
    std::vector<ASP_TrackTile> tiles;
    std::vector<SurfaceModifier> modifiers;
    std::vector<ASP_Checkpoint> checkpoints;
    std::vector<ASP_TrackObject> objects;
    ASP_RacingLine racingLine;
};

// Reads the keys every placed object of a world file shares about its shape (position, depth,
// size, rotation centre and angle) into a body.
void LoadPlacement(ASP_Body& body, const std::string& section, const std::string& file);

// The ground tile pictures and surface maps a world file names, in the order the track reads them:
// what a loader may start decoding before the track asks.
std::vector<std::string> TrackPictures(const std::string& file);
