#include "worldedit/track_publish.h"

#include <SDL/SDL.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "engine/ini.h"
#include "engine/picture_decoder.h"
#include "engine/platform/paths.h"
#include "engine/platform/replace_file.h"
#include "track/world_file.h"
#include "worldedit/objects/we_ground_sprite.h"
#include "worldedit/objects/we_start_sprite.h"
#include "worldedit/png_file.h"

namespace {

// The preview's ground round a field that is not square, and how many samples a side a preview
// pixel averages at most.
const uint8_t kPreviewBorder[3] = {24, 26, 30};
const int kMaxSamples = 4;

// The pictures an object names, as its properties show them.
std::vector<std::string> PicturesOf(ASP_WE_Object& object) {
    std::ostringstream properties;
    object.Print(properties);
    std::istringstream lines(properties.str());
    std::vector<std::string> pictures;
    std::string line;
    while (std::getline(lines, line)) {
        for (const char* key : {"texture: ", "surface: "}) {
            if (line.rfind(key, 0) == 0) {
                pictures.push_back(line.substr(std::string(key).size()));
            }
        }
    }
    return pictures;
}

std::string SameFolder(const std::string& folder) {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::weakly_canonical(folder, error);
    return error ? "" : path.string();
}

// A decoded ground tile and where it lies.
struct Tile {
    SDL_Surface* picture;
    double x, y;
};

bool ColourAt(const std::vector<Tile>& tiles, double x, double y, double rgb[3]) {
    for (const Tile& tile : tiles) {
        const int ix = static_cast<int>(x - tile.x);
        const int iy = static_cast<int>(y - tile.y);
        if (x >= tile.x && y >= tile.y && ix < tile.picture->w && iy < tile.picture->h) {
            const SDL_PixelFormat* format = tile.picture->format;
            const uint8_t* p = static_cast<const uint8_t*>(tile.picture->pixels) + iy * tile.picture->pitch +
                               ix * format->BytesPerPixel;
            Uint32 value = 0;
            for (int b = 0; b < format->BytesPerPixel; ++b) {
                value |= static_cast<Uint32>(p[b]) << (8 * b);
            }
            Uint8 r = 0, g = 0, bl = 0;
            SDL_GetRGB(value, tile.picture->format, &r, &g, &bl);
            rgb[0] += r;
            rgb[1] += g;
            rgb[2] += bl;
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<std::string> TrackProblems(const ASP_WE_TrackDocument& document) {
    std::vector<std::string> problems;
    std::set<int> indices;
    bool finish = false;
    for (const ASP_WE_CheckpointSprite* checkpoint : document.Checkpoints()) {
        indices.insert(checkpoint->index);
        finish = finish || (checkpoint->isFinish && checkpoint->index == 0);
    }
    if (!finish) {
        problems.push_back("No finish line: a checkpoint with index 0 and isFinish true.");
    }
    for (int i = 1; i < document.requiredCheckpoints; ++i) {
        if (indices.count(i) == 0) {
            problems.push_back("No checkpoint " + NumberToText(i) + " of the " +
                               NumberToText(document.requiredCheckpoints) + " required in order.");
        }
    }
    const size_t grid = document.ObjectsOf(ASP_WE_StartSprite::kind).size();
    if (grid < static_cast<size_t>(kRaceGrid)) {
        problems.push_back("The grid has " + NumberToText(static_cast<double>(grid)) +
                           " start positions; a race needs " + NumberToText(kRaceGrid) + ".");
    }
    if (document.racingLine.points.size() < 2 &&
        std::min<int>(document.requiredCheckpoints, indices.size()) < 2) {
        problems.push_back("No racing line, and too few checkpoints for the computer cars to follow.");
    }
    std::set<std::string> missing;
    for (const ASP_WE_ObjectKind* kind : ObjectKinds()) {
        for (ASP_WE_Object* object : document.ObjectsOf(*kind)) {
            for (const std::string& picture : PicturesOf(*object)) {
                if (!NamesReadableFile(picture) && missing.insert(picture).second) {
                    problems.push_back(
                        "The picture " +
                        (picture.empty() ? "(none) of a " + std::string(kind->word) : picture) +
                        " is missing.");
                }
            }
        }
    }
    return problems;
}

std::string ListedWorldName(const std::string& worldPath) {
    const std::filesystem::path path(worldPath);
    const std::string folder = SameFolder(path.parent_path().string());
    const PathRoots& roots = GetPathRoots();
    for (const std::string& root : {roots.user, roots.data}) {
        if (!root.empty() && !folder.empty() && folder == SameFolder(root + "dat")) {
            return path.filename().string();
        }
    }
    return "";
}

std::string WritePreview(const ASP_WE_TrackDocument& document, const std::string& stem, std::ostream& out) {
    std::vector<Tile> tiles;
    for (ASP_WE_Object* object : document.ObjectsOf(ASP_WE_GroundSprite::kind)) {
        const std::vector<std::string> pictures = PicturesOf(*object);
        std::string error;
        SDL_Surface* picture =
            pictures.empty() ? nullptr : DecodePicture(MakeAbsolutePath(pictures[0]), error);
        if (picture != nullptr) {
            tiles.push_back({picture, object->Sprite().GetX(), object->Sprite().GetY()});
        }
    }
    const Point field = document.GroundSize();
    std::vector<uint8_t> rgb(static_cast<size_t>(kPreviewSide) * kPreviewSide * 3);
    const double scale = std::max(field.x, field.y) / kPreviewSide;
    const Point offset = (Point(kPreviewSide, kPreviewSide) * scale - field) / 2.0;
    const int samples = std::clamp(static_cast<int>(scale), 1, kMaxSamples);
    for (const Tile& tile : tiles) {
        SDL_LockSurface(tile.picture);
    }
    for (int y = 0; y < kPreviewSide; ++y) {
        for (int x = 0; x < kPreviewSide; ++x) {
            double sum[3] = {0.0, 0.0, 0.0};
            int found = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    found += ColourAt(tiles, (x + (sx + 0.5) / samples) * scale - offset.x,
                                      (y + (sy + 0.5) / samples) * scale - offset.y, sum);
                }
            }
            uint8_t* pixel = &rgb[(static_cast<size_t>(y) * kPreviewSide + x) * 3];
            for (int c = 0; c < 3; ++c) {
                pixel[c] = found > 0 ? static_cast<uint8_t>(sum[c] / found) : kPreviewBorder[c];
            }
        }
    }
    for (const Tile& tile : tiles) {
        SDL_UnlockSurface(tile.picture);
        SDL_FreeSurface(tile.picture);
    }
    const std::string name = "gfx\\tracks\\" + stem + ".png";
    const std::string data = EncodeRgbPng(rgb, kPreviewSide, kPreviewSide);
    const std::string path = PrepareWritePath(name);
    if (tiles.empty() || data.empty() || path.empty() || !ReplaceFile(path, data, std::nullopt)) {
        out << (tiles.empty() ? "The track has no ground to make a preview of.\n"
                              : "Cannot write the preview " + name + ".\n");
        return "";
    }
    return name;
}
