#include "worldedit/road/road_builder.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <thread>

#include "engine/ini.h"
#include "engine/platform/paths.h"
#include "engine/platform/replace_file.h"
#include "worldedit/objects/we_checkpoint_sprite.h"
#include "worldedit/objects/we_ground_sprite.h"
#include "worldedit/objects/we_physics_sprite.h"
#include "worldedit/objects/we_start_sprite.h"
#include "worldedit/png_file.h"
#include "worldedit/road/road_layout.h"
#include "worldedit/road/road_painter.h"

namespace {

const char kCheckpointPicture[] = "gfx\\objects\\checkpoint.png";
const char kWallPicture[] = "gfx\\objects\\barrier.png";
// The pictures' frames: the checkpoint's stripe and the barrier's block.
const int kCheckpointFrame[2] = {64, 16};
const int kWallFrame[2] = {256, 64};
const double kCheckpointDepth = -0.9;
const char kWallMass[] = "100000";
const char kWallBounce[] = "0.3";
// A start position's corner lies this far from the car's centre (the editor's car is 113 x 200).
const Point kCarHalf(113.0 / 2.0, 200.0 / 2.0);

// FNV-1a over the road's values: the same road gives the same digest, another one almost never.
uint32_t Digest(const ASP_WE_Road& road, int across, int down) {
    uint32_t h = 2166136261u;
    auto mix = [&h](const std::string& text) {
        for (unsigned char c : text) {
            h = (h ^ c) * 16777619u;
        }
    };
    for (const Point& p : road.line.points) {
        mix(NumberToText(p.x) + "," + NumberToText(p.y) + ";");
    }
    mix(NumberToText(road.width) + "|" + road.theme + "|" + NumberToText(across) + "x" + NumberToText(down));
    return h;
}

std::string Hex(uint32_t v) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", v);
    return text;
}

std::string Text(double v) {
    return NumberToText(v);
}

// Sets each property as the console would; false when one is refused.
bool Configure(ASP_WE_Object& object, const std::vector<std::pair<const char*, std::string>>& values,
               std::ostream& out) {
    for (const auto& [name, value] : values) {
        if (object.SetProperty(name, value, out) != 0) {
            out << "The built object refused " << name << " = " << value << ".\n";
            return false;
        }
    }
    return true;
}

std::vector<std::pair<const char*, std::string>> Placed(const ASP_WE_Placement& p) {
    const Point corner = p.Corner();
    return {{"x", Text(corner.x)},      {"y", Text(corner.y)}, {"width", Text(p.size.x)},
            {"height", Text(p.size.y)}, {"rotX", "0.5"},       {"rotY", "0.5"},
            {"angle", Text(p.angle)}};
}

bool IsWall(ASP_WE_Object& object) {
    std::ostringstream properties;
    object.Print(properties);
    return properties.str().find(std::string("texture: ") + kWallPicture) != std::string::npos;
}

// The objects a build replaces.
std::vector<ASP_WE_Object*> BuiltObjects(const ASP_WE_TrackDocument& document) {
    std::vector<ASP_WE_Object*> built;
    for (const ASP_WE_ObjectKind* kind : {&ASP_WE_GroundSprite::kind, &ASP_WE_CheckpointSprite::kind,
                                          &ASP_WE_StartSprite::kind, &ASP_WE_PhysicsSprite::kind}) {
        for (ASP_WE_Object* object : document.ObjectsOf(*kind)) {
            if (kind != &ASP_WE_PhysicsSprite::kind || IsWall(*object)) {
                built.push_back(object);
            }
        }
    }
    return built;
}

}  // namespace

std::string TrackStem(const std::string& worldPath) {
    const size_t slash = worldPath.find_last_of("/\\");
    std::string name = slash == std::string::npos ? worldPath : worldPath.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    name = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    for (char& c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        c = std::isalnum(u) ? static_cast<char>(std::tolower(u)) : '_';
    }
    return name.empty() ? "track" : name;
}

void FieldOfRoad(const ASP_WE_TrackDocument& document, int& across, int& down) {
    const ASP_WE_Road& road = document.road;
    const Point ground = document.GroundSize();
    const int tile = ASP_WE_Road::kTileSize;
    across = road.across > 0 ? road.across : static_cast<int>(std::ceil(ground.x / tile));
    down = road.down > 0 ? road.down : static_cast<int>(std::ceil(ground.y / tile));
    across = std::clamp(across, 1, ASP_WE_Road::kMaxTiles);
    down = std::clamp(down, 1, ASP_WE_Road::kMaxTiles);
}

bool WriteTrackPictures(const ASP_WE_RoadStyle& style, const ASP_WE_Road& road, const std::string& stem,
                        ASP_WE_TrackPictures& pictures, std::ostream& out) {
    const int across = pictures.across;
    const int down = pictures.down;
    const ASP_WE_CentreLine line(road.line.points);
    const Point field(across * ASP_WE_Road::kTileSize, down * ASP_WE_Road::kTileSize);
    const ASP_WE_RoadLayout layout = LayOutRoad(line, road.width, field);
    const ASP_WE_RoadTheme& theme = style.Theme(road.theme);
    const uint32_t digest = Digest(road, across, down);
    const ASP_WE_TrackPainter painter(style, theme, line, road.width, layout, digest);
    const std::vector<ASP_WE_Rgb> palette = style.Palette(theme);

    const int tiles = across * down;
    std::vector<std::string> groundData(tiles), surfaceData(tiles);
    std::atomic<int> next(0);
    auto work = [&] {
        std::vector<uint8_t> ground, surface;
        ASP_WE_TrackPainter::Scratch scratch;
        for (int t = next++; t < tiles; t = next++) {
            painter.PaintTile(t % across, t / across, ground, surface, scratch);
            const int side = ASP_WE_TrackPainter::kTile;
            groundData[t] = EncodeRgbPng(ground, side, side);
            surfaceData[t] = EncodePalettePng(surface, side, side, palette);
        }
    };
    const int threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, tiles);
    std::vector<std::thread> workers;
    for (int i = 1; i < threads; ++i) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }

    pictures.ground.clear();
    pictures.surface.clear();
    const std::string prefix = "gfx\\tiles\\" + stem + "_" + Hex(digest) + "_";
    for (int t = 0; t < tiles; ++t) {
        const std::string place = NumberToText(t % across) + "_" + NumberToText(t / across) + ".png";
        const std::pair<std::string, const std::string*> files[] = {
            {prefix + "ground_" + place, &groundData[t]}, {prefix + "surface_" + place, &surfaceData[t]}};
        for (const auto& [name, data] : files) {
            const std::string path = PrepareWritePath(name);
            if (data->empty() || path.empty() || !ReplaceFile(path, *data, std::nullopt)) {
                out << "Cannot write the picture " << name << ".\n";
                return false;
            }
        }
        pictures.ground.push_back(files[0].first);
        pictures.surface.push_back(files[1].first);
    }
    return true;
}

bool BuildTrackFromRoad(ASP_WE_TrackDocument& document, const ASP_WE_RoadStyle& style, std::ostream& out) {
    ASP_WE_Road& road = document.road;
    if (road.line.points.size() < 3) {
        out << "The road needs at least three points before the track can be built.\n";
        return false;
    }
    ASP_WE_TrackPictures pictures;
    FieldOfRoad(document, pictures.across, pictures.down);
    const Point field(pictures.across * ASP_WE_Road::kTileSize, pictures.down * ASP_WE_Road::kTileSize);
    const ASP_WE_CentreLine line(road.line.points);
    const int outside = ControlOutsideField(line, road.line.points, road.width, field);
    if (outside >= 0) {
        out << "The road near its point " << outside
            << " runs into the walls round the field; move it inwards.\n";
        return false;
    }
    if (!WriteTrackPictures(style, road, TrackStem(document.worldPath), pictures, out)) {
        return false;
    }
    document.NotePicturesWritten(pictures.ground);
    document.NotePicturesWritten(pictures.surface);
    const ASP_WE_RoadLayout layout = LayOutRoad(line, road.width, field);

    document.SettleLine();
    document.BeginStep();
    for (ASP_WE_Object* object : BuiltObjects(document)) {
        document.Delete(object);
    }
    bool made = true;
    CSpriteManager* world = document.world.get();
    for (size_t t = 0; t < pictures.ground.size() && made; ++t) {
        auto tile = std::make_unique<ASP_WE_GroundSprite>(world, document.textures);
        made = Configure(*tile,
                         {{"texture", pictures.ground[t]},
                          {"surface", pictures.surface[t]},
                          {"x", Text((t % pictures.across) * ASP_WE_Road::kTileSize)},
                          {"y", Text((t / pictures.across) * ASP_WE_Road::kTileSize)}},
                         out);
        tile->Sprite().SetWidth(ASP_WE_Road::kTileSize);
        tile->Sprite().SetHeight(ASP_WE_Road::kTileSize);
        document.Add(std::move(tile));
    }
    for (size_t i = 0; i < layout.checkpoints.size() && made; ++i) {
        auto checkpoint = std::make_unique<ASP_WE_CheckpointSprite>(world, document.textures);
        std::vector<std::pair<const char*, std::string>> values = Placed(layout.checkpoints[i]);
        values.insert(values.end(), {{"texture", kCheckpointPicture},
                                     {"tileWidth", Text(kCheckpointFrame[0])},
                                     {"tileHeight", Text(kCheckpointFrame[1])},
                                     {"z", Text(kCheckpointDepth)},
                                     {"index", Text(static_cast<double>(i))},
                                     {"isFinish", i == 0 ? "1" : "0"}});
        made = Configure(*checkpoint, values, out);
        document.Add(std::move(checkpoint));
    }
    for (size_t i = 0; i < layout.grid.size() && made; ++i) {
        auto start = std::make_unique<ASP_WE_StartSprite>(world, document.textures);
        const Point corner = layout.grid[i].centre - kCarHalf;
        made = Configure(
            *start, {{"x", Text(corner.x)}, {"y", Text(corner.y)}, {"angle", Text(layout.grid[i].angle)}},
            out);
        document.Add(std::move(start));
    }
    for (size_t i = 0; i < layout.walls.size() && made; ++i) {
        auto wall = std::make_unique<ASP_WE_PhysicsSprite>(world, document.textures);
        std::vector<std::pair<const char*, std::string>> values = Placed(layout.walls[i]);
        values.insert(values.end(), {{"texture", kWallPicture},
                                     {"tileWidth", Text(kWallFrame[0])},
                                     {"tileHeight", Text(kWallFrame[1])},
                                     {"mass", kWallMass},
                                     {"bounce", kWallBounce},
                                     {"fixedPos", "1"},
                                     {"fixedRot", "1"}});
        made = Configure(*wall, values, out);
        document.Add(std::move(wall));
    }
    document.SetRacingLine(layout.racingLine);
    document.SetRequiredCheckpoints(static_cast<int>(layout.checkpoints.size()));
    const ASP_WE_RoadTheme& theme = style.Theme(road.theme);
    document.SetSurfaces(style.ModifierSections(theme), static_cast<int>(style.SurfacesFor(theme).size()));
    if (road.across == 0 || road.down == 0) {
        road.across = pictures.across;
        road.down = pictures.down;
        document.SettleLine();
    }
    document.EndStep();
    if (!made) {
        document.Undo();
        return false;
    }
    out << "Built the track: " << pictures.ground.size() << " tiles, " << layout.checkpoints.size()
        << " checkpoints, " << layout.grid.size() << " start positions, " << layout.walls.size()
        << " walls.\n";
    return true;
}
