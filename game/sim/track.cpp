#include "game/sim/track.h"

#include "engine/ini.h"

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
    laps = GetIniInt("main", "laps", 1, file);
    requiredCheckpoints = GetIniInt("main", "requiredCheckpoints", 1, file);
    music = GetIniString("main", "music", "", file);
    finishTimeout = GetIniDouble("main", "finishTimeout", 0.0, file);
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

std::vector<std::string> TrackPictures(const std::string& file) {
    std::vector<std::string> found;
    ASP_Track counter;
    const int count = counter.ReadCount("main", "mapTiles", file);
    for (int i = 0; i < count; ++i) {
        const std::string section = "map" + NumberToText(i);
        found.push_back(GetIniString(section, "texture", "", file));
        found.push_back(GetIniString(section, "surface", "", file));
    }
    return found;
}

void ASP_Track::LoadTiles(ASP_TrackPictures& pictures) {
    const int count = ReadCount("main", "mapTiles", file);
    for (int i = 0; i < count; ++i) {
        const std::string section = "map" + NumberToText(i);
        ASP_TrackTile tile;
        tile.x = GetIniDouble(section, "x", 0.0, file);
        tile.y = GetIniDouble(section, "y", 0.0, file);
        // The size is the picture's: a tile is never scaled by the file.
        int w = 0;
        int h = 0;
        if (pictures.PictureSize(GetIniString(section, "texture", "", file), &w, &h)) {
            tile.width = w;
            tile.height = h;
        }
        tile.map = pictures.SurfaceMap(GetIniString(section, "surface", "", file));
        tiles.push_back(tile);
    }
}

void ASP_Track::LoadModifiers() {
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
        modifiers.push_back(m);
    }
}

void LoadPlacement(ASP_Body& body, const std::string& section, const std::string& file) {
    body.SetPosition(GetIniDouble(section, "x", 0.0, file), GetIniDouble(section, "y", 0.0, file));
    const double z = GetIniDouble(section, "z", 0.0, file);
    if (IsDepth(z)) {
        body.SetZ(z);
    }
    body.SetSize(GetIniDouble(section, "width", 1.0, file), GetIniDouble(section, "height", 1.0, file));
    const double rotY = GetIniDouble(section, "rotY", 0.5, file);
    const double rotX = GetIniDouble(section, "rotX", 0.5, file);
    body.SetRotationCenter(rotX, rotY);
    body.SetRotation(GetIniDouble(section, "angle", 0.0, file));
}

void ASP_Track::LoadCheckpoints() {
    const int count = ReadCount("main", "checkpoints", file);
    for (int i = 0; i < count; ++i) {
        const std::string section = "checkpoint" + NumberToText(i);
        ASP_Checkpoint c;
        LoadPlacement(c.shape, section, file);
        c.isFinish = GetIniBool(section, "isFinish", false, file);
        c.index = GetIniInt(section, "index", 0, file);
        checkpoints.push_back(c);
    }
}

void ASP_Track::LoadObjects() {
    const int count = ReadCount("main", "physObjects", file);
    for (int i = 0; i < count; ++i) {
        const std::string section = "phys" + NumberToText(i);
        ASP_TrackObject object;
        ASP_Body& body = object.body;
        LoadPlacement(body, section, file);
        body.motion.SetMass(GetIniDouble(section, "mass", 1.0, file));
        body.motion.SetBounce(GetIniDouble(section, "bounce", 0.0, file));
        body.motion.fixedPosition = GetIniBool(section, "fixedPos", false, file);
        body.motion.fixedRotation = GetIniBool(section, "fixedRot", false, file);
        objects.push_back(object);
    }
}

int ASP_Track::ModifierIndexAt(Point p) const {
    SurfaceColor color;
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
            color = map->At(static_cast<int>(local.x), static_cast<int>(local.y));
        }
        break;
    }
    for (size_t i = 0; i < modifiers.size(); ++i) {
        const SurfaceModifier& m = modifiers[i];
        if (SurfaceColor{m.r, m.g, m.b} == color) {
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
