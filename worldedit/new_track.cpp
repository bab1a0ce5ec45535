#include "worldedit/new_track.h"

#include <memory>

#include "engine/ini.h"
#include "track/world_file.h"
#include "worldedit/objects/we_checkpoint_sprite.h"
#include "worldedit/objects/we_ground_sprite.h"
#include "worldedit/objects/we_start_sprite.h"
#include "worldedit/road/road_builder.h"
#include "worldedit/road/road_style.h"

namespace {

// A new track takes its surfaces, their particles, its laps and its music from the shipped one.
const char kTemplateWorld[] = "dat\\world0.dat";
const char kCheckpointTexture[] = "gfx\\objects\\checkpoint.png";
// The start grid of a new track below a finish line: two columns of cars (113 x 200), each car
// half a row behind the one before.
const double kGridColumnGap = 170.0;
const double kGridRowGap = 260.0;
const double kFinishWidth = 600.0;
const double kFinishHeight = 60.0;
const int kStartPositions = 8;

bool AskCount(ASP_WE_Console& console, const std::string& prompt, int& count) {
    std::string typed;
    while (console.Ask(prompt, typed)) {
        if (ParseInt(typed, count) && count >= 1 && count <= kMaxNewTrackTiles) {
            return true;
        }
        console.Say("Incorrect value: a whole number from 1 to " + NumberToText(kMaxNewTrackTiles) + ".");
    }
    return false;
}

// Lays the tiles from (0, 0), the grid and the finish line; the track's size in world pixels.
Point PlaceTrack(ASP_WE_Context& context, int across, int down, const std::string& texture,
                 const std::string& surface, const CTexture& picture) {
    ASP_WE_TrackDocument& document = context.document;
    CSpriteManager& world = *document.world;
    const double tileW = picture.PixelWidth();
    const double tileH = picture.PixelHeight();
    for (int row = 0; row < down; ++row) {
        for (int column = 0; column < across; ++column) {
            auto tile = std::make_unique<ASP_WE_GroundSprite>(&world, document.textures);
            tile->SetProperty("texture", texture, context.console.out);
            tile->SetProperty("surface", surface, context.console.out);
            tile->SetX(column * tileW);
            tile->SetY(row * tileH);
            world.AddSprite(tile.release());
        }
    }
    const Point size(across * tileW, down * tileH);
    const Point middle = size / 2.0;
    for (int i = 0; i < kStartPositions; ++i) {
        auto start = std::make_unique<ASP_WE_StartSprite>(&world, document.textures);
        start->SetX(middle.x - kGridColumnGap + (i % 2) * kGridColumnGap);
        start->SetY(middle.y + kFinishHeight + i * kGridRowGap / 2.0);
        world.AddSprite(start.release());
    }
    auto finish = std::make_unique<ASP_WE_CheckpointSprite>(&world, document.textures);
    finish->SetTextureFile(kCheckpointTexture);
    finish->SetWidth(kFinishWidth);
    finish->SetHeight(kFinishHeight);
    finish->SetX(middle.x - kFinishWidth / 2.0);
    finish->SetY(middle.y - kFinishHeight);
    finish->isFinish = true;
    world.AddSprite(finish.release());
    return size;
}

// The surroundings of the road data by name or number, the first for an empty answer; false when
// the answer is neither, so that it can be taken for a ground picture instead.
bool ThemeOf(const ASP_WE_RoadStyle& style, const std::string& answer, std::string& theme) {
    int number = 0;
    if (Trimmed(answer, " \t").empty()) {
        theme = style.themes.front().name;
        return true;
    }
    if (ParseInt(answer, number) && number >= 1 && number <= static_cast<int>(style.themes.size())) {
        theme = style.themes[number - 1].name;
        return true;
    }
    for (const ASP_WE_RoadTheme& offered : style.themes) {
        if (SameWord(Trimmed(answer, " \t"), offered.name)) {
            theme = offered.name;
            return true;
        }
    }
    return false;
}

// The field of across x down tiles painted in the theme, without a road yet, and its surfaces.
bool PlaceField(ASP_WE_Context& context, const ASP_WE_RoadStyle& style, int across, int down,
                const std::string& theme) {
    ASP_WE_TrackDocument& document = context.document;
    document.road.across = across;
    document.road.down = down;
    document.road.theme = theme;
    ASP_WE_TrackPictures pictures;
    pictures.across = across;
    pictures.down = down;
    if (!WriteTrackPictures(style, document.road, TrackStem(document.worldPath), pictures,
                            context.console.out)) {
        return false;
    }
    document.NotePicturesWritten(pictures.ground);
    document.NotePicturesWritten(pictures.surface);
    for (size_t t = 0; t < pictures.ground.size(); ++t) {
        auto tile = std::make_unique<ASP_WE_GroundSprite>(document.world.get(), document.textures);
        tile->SetProperty("texture", pictures.ground[t], context.console.out);
        tile->SetProperty("surface", pictures.surface[t], context.console.out);
        tile->SetX(static_cast<double>(t % across) * ASP_WE_Road::kTileSize);
        tile->SetY(static_cast<double>(t / across) * ASP_WE_Road::kTileSize);
        document.world->AddSprite(tile.release());
    }
    const ASP_WE_RoadTheme& chosen = style.Theme(theme);
    document.SetSurfaces(style.ModifierSections(chosen), static_cast<int>(style.SurfacesFor(chosen).size()));
    return true;
}

}  // namespace

bool CreateNewTrack(ASP_WE_Context& context, const std::string& typed, Point& size) {
    ASP_WE_Console& console = context.console;
    ASP_WE_TrackDocument& document = context.document;
    const std::string refusal = NameRefusal(typed);
    if (!refusal.empty()) {
        console.Say(refusal);
        return false;
    }
    int across = 0;
    int down = 0;
    if (!AskCount(console, "Width in tiles: ", across) || !AskCount(console, "Height in tiles: ", down)) {
        return false;
    }
    ASP_WE_RoadStyle style;
    const bool roads = style.Load(ASP_WE_RoadStyle::kFile, console.out);
    std::string offer;
    for (size_t i = 0; roads && i < style.themes.size(); ++i) {
        offer += (i == 0 ? "" : ", ") + NumberToText(static_cast<double>(i + 1)) + " " + style.themes[i].name;
    }
    std::string answer;
    if (!console.Ask(roads ? "Surroundings (" + offer + "; Enter for " + style.themes.front().name +
                                 ") or a ground texture: "
                           : "Ground texture: ",
                     answer)) {
        return false;
    }
    document.TakeSettingsOf(kTemplateWorld);
    document.worldPath = MakeAbsolutePath(typed);
    std::string theme;
    Point placed;
    if (roads && ThemeOf(style, answer, theme)) {
        // An empty field, ready for the road tool.
        if (!PlaceField(context, style, across, down, theme)) {
            return false;
        }
        placed = Point(across, down) * static_cast<double>(ASP_WE_Road::kTileSize);
    } else {
        // A ground picture laid on every tile, as before there were roads.
        std::string texture = answer;
        std::string surface;
        if (!NamesReadableFile(texture)) {
            console.Say("File not found: " + texture);
        }
        if ((!NamesReadableFile(texture) && !console.AskFile("Ground texture: ", texture)) ||
            !console.AskFile("Surface Map: ", surface)) {
            return false;
        }
        const CTexture* picture = TextureFor(document.textures, texture);
        if (picture == nullptr || picture->PixelWidth() <= 0 || picture->PixelHeight() <= 0) {
            console.Say("Invalid texture file selected.");
            return false;
        }
        placed = PlaceTrack(context, across, down, texture, surface, *picture);
    }
    const bool written = document.Write(typed);
    // Loaded again from the file, so that the editor shows what the game will read.
    document.RemoveObjects();
    document.worldPath = MakeAbsolutePath(typed);
    console.Say(written ? "Created the new track " + typed + "." : "Cannot create " + typed + ".");
    if (written) {
        size = placed;
    }
    return written;
}
