#include "worldedit/new_track.h"

#include <memory>

#include "engine/ini.h"
#include "worldedit/we_checkpoint_sprite.h"
#include "worldedit/we_ground_sprite.h"
#include "worldedit/we_start_sprite.h"
#include "worldedit/world_file.h"

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
    std::string texture;
    std::string surface;
    if (!AskCount(console, "Width in tiles: ", across) || !AskCount(console, "Height in tiles: ", down) ||
        !console.AskFile("Ground texture: ", texture) || !console.AskFile("Surface Map: ", surface)) {
        return false;
    }
    const CTexture* picture = TextureFor(document.textures, texture);
    if (picture == nullptr || picture->PixelWidth() <= 0 || picture->PixelHeight() <= 0) {
        console.Say("Invalid texture file selected.");
        return false;
    }
    document.TakeSettingsOf(kTemplateWorld);
    const Point placed = PlaceTrack(context, across, down, texture, surface, *picture);
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
