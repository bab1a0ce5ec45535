#include "game/sim/track.h"

#include "engine/ini.h"
#include "track/world_keys.h"
#include "track/world_objects.h"

using namespace world_key;

bool ASP_Track::Load(const std::string& worldFile, ASP_TrackPictures& pictures) {
    // A track loaded again is the new file's alone.
    startPositions.clear();
    tiles.clear();
    modifiers.clear();
    checkpoints.clear();
    objects.clear();
    file = worldFile;
    if (!FileExists(file)) {
        // Without its track the race cannot run; the caller ends the program.
        LogLine(LOG_FATAL, "Failed to locate world file " + file);
        return false;
    }
    const CIniReadBatch batch(file);
    laps = GetIniInt(kMain, kLaps, 1, file);
    requiredCheckpoints = GetIniInt(kMain, kRequiredCheckpoints, 1, file);
    music = GetIniString(kMain, kMusic, "", file);
    finishTimeout = GetIniDouble(kMain, kFinishTimeout, 0.0, file);
    LoadStartPositions();
    LoadTiles(pictures);
    LoadModifiers();
    LoadCheckpoints();
    LoadObjects();
    racingLine.Load(file, *this);
    return true;
}

int ASP_Track::ReadCount(const std::string& section, const std::string& key, const std::string& from) const {
    const int count = GetIniInt(section, key, 0, from);
    if (count > kMaxSections) {
        LogLine(LOG_ERROR, "Refused \"" + key + "\" = " + std::to_string(count) + " in section " + section +
                               " of " + from + ": more than " + NumberToText(kMaxSections) +
                               ", none loaded.");
        return 0;
    }
    return count;
}

void ASP_Track::LoadStartPositions() {
    const int count = ReadCount(kMain, kStartCount, file);
    for (int i = 0; i < count; ++i) {
        startPositions.push_back(ReadStart(kStartPrefix + NumberToText(i), file));
    }
}

std::vector<std::string> TrackPictures(const std::string& file) {
    std::vector<std::string> found;
    ASP_Track counter;
    const int count = counter.ReadCount(kMain, kTileCount, file);
    for (int i = 0; i < count; ++i) {
        const ASP_TileKeys keys = ReadTile(kTilePrefix + NumberToText(i), file);
        found.push_back(keys.texture);
        found.push_back(keys.surface);
    }
    return found;
}

void ASP_Track::LoadTiles(ASP_TrackPictures& pictures) {
    const int count = ReadCount(kMain, kTileCount, file);
    for (int i = 0; i < count; ++i) {
        const ASP_TileKeys keys = ReadTile(kTilePrefix + NumberToText(i), file);
        ASP_TrackTile tile;
        tile.x = keys.x;
        tile.y = keys.y;
        // The size is the picture's: a tile is never scaled by the file.
        int w = 0;
        int h = 0;
        if (pictures.PictureSize(keys.texture, &w, &h)) {
            tile.width = w;
            tile.height = h;
        }
        tile.map = pictures.SurfaceMap(keys.surface);
        tiles.push_back(tile);
    }
}

void ASP_Track::LoadModifiers() {
    const int count = ReadCount(kMain, kModifierCount, file);
    for (int i = 0; i < count; ++i) {
        modifiers.push_back(ReadModifier(kModifierPrefix + NumberToText(i), file).surface);
    }
}

void LoadPlacement(ASP_Body& body, const std::string& section, const std::string& file) {
    const ASP_PlacedKeys keys = ReadPlaced(section, file);
    body.SetPosition(keys.x, keys.y);
    if (IsDepth(keys.z)) {
        body.SetZ(keys.z);
    }
    body.SetSize(keys.width, keys.height);
    body.SetRotationCenter(keys.rotX, keys.rotY);
    body.SetRotation(keys.angle);
}

void ASP_Track::LoadCheckpoints() {
    const int count = ReadCount(kMain, kCheckpointCount, file);
    for (int i = 0; i < count; ++i) {
        const std::string section = kCheckpointPrefix + NumberToText(i);
        const ASP_CheckpointKeys keys = ReadCheckpoint(section, file);
        ASP_Checkpoint c;
        LoadPlacement(c.shape, section, file);
        c.isFinish = keys.isFinish;
        c.index = keys.index;
        checkpoints.push_back(c);
    }
}

void ASP_Track::LoadObjects() {
    const int count = ReadCount(kMain, kPhysicsCount, file);
    for (int i = 0; i < count; ++i) {
        const std::string section = kPhysicsPrefix + NumberToText(i);
        const ASP_PhysicsKeys keys = ReadPhysics(section, file);
        ASP_TrackObject object;
        ASP_Body& body = object.body;
        LoadPlacement(body, section, file);
        body.motion.SetMass(keys.mass);
        body.motion.SetBounce(keys.bounce);
        body.motion.fixedPosition = keys.fixedPos;
        body.motion.fixedRotation = keys.fixedRot;
        objects.push_back(object);
    }
}

int ASP_Track::ModifierIndexAt(Point p) const {
    SurfaceColor colour;
    for (const ASP_TrackTile& tile : tiles) {
        // The earliest tile wins, even under a later one.
        const Point local(p.x - tile.x, p.y - tile.y);
        if (!(local.x >= 0.0 && local.x <= tile.width && local.y >= 0.0 && local.y <= tile.height) ||
            !(tile.width > 0.0 && tile.height > 0.0)) {
            continue;
        }
        const ASP_SurfaceMap* map = tile.map.get();
        // Truncation toward zero; points on the far edges of the tile lie beyond its map.
        if (map != nullptr && local.x < map->Width() && local.y < map->Height()) {
            colour = map->At(static_cast<int>(local.x), static_cast<int>(local.y));
        }
        break;
    }
    for (size_t i = 0; i < modifiers.size(); ++i) {
        const SurfaceModifier& m = modifiers[i];
        if (SurfaceColor{m.r, m.g, m.b} == colour) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

SurfaceModifier ASP_Track::ModifierAt(Point p) const {
    const int i = ModifierIndexAt(p);
    return i >= 0 ? modifiers[static_cast<size_t>(i)] : SurfaceModifier();
}

std::vector<const ASP_Checkpoint*> ASP_Track::GetCheckpoints(int index) const {
    std::vector<const ASP_Checkpoint*> found;
    for (const ASP_Checkpoint& c : checkpoints) {
        if (index == -1 || c.index == index) {
            found.push_back(&c);
        }
    }
    return found;
}
