#include "game/race/ground_sprite.h"

#include <algorithm>
#include <array>

#include "engine/ini.h"
#include "engine/picture_decoder.h"
#include "engine/texture.h"
#include "game/race/static_sprite.h"

bool operator==(SurfaceColor a, SurfaceColor b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

ASP_GroundSprite::ASP_GroundSprite(CSprite* parent) : CImageSpriteEx(parent) {}

bool ASP_GroundSprite::ReactsTo(CSprite* other) {
    (void)other;
    return false;
}

std::vector<std::string> ASP_GroundSprite::Pictures(const std::string& section, const std::string& file) {
    return {GetIniString(section, "texture", "", file), GetIniString(section, "surface", "", file)};
}

void ASP_GroundSprite::Load(const std::string& section, const std::string& file) {
    const std::vector<std::string> pictures = Pictures(section, file);
    CTexture* tile = ContainerTexture(GetParent(), pictures[0]);
    SetTexture(tile);
    if (tile != nullptr && tile->smooth) {
        tile->SetSmooth(false);
    }
    // The size is the image's: a tile is never scaled by the file.
    SetWidth(tile != nullptr ? tile->PixelWidth() : 0.0);
    SetHeight(tile != nullptr ? tile->PixelHeight() : 0.0);
    SetX(GetIniDouble(section, "x", 0.0, file));
    SetY(GetIniDouble(section, "y", 0.0, file));
    SetZ(-1.0);
    LoadSurfaceMap(pictures[1]);
}

void ASP_GroundSprite::LoadSurfaceMap(const std::string& name) {
    if (name.empty() || !FileExists(name)) {
        LogLine(LOG_ERROR, "Failed to locate surface map " + name);
        return;
    }
    // A map is as large as its tile, so a map no texture could hold is refused like a tile.
    const std::string path = MakeAbsolutePath(name);
    std::string oversize = DeclaredOversizeText(path);
    std::string error;
    std::unique_ptr<SDL_Surface, SurfaceDeleter> decoded(oversize.empty() ? DecodePicture(path, error)
                                                                          : nullptr);
    if (decoded != nullptr) {
        oversize = OversizeText(static_cast<unsigned>(decoded->w), static_cast<unsigned>(decoded->h));
    }
    if (!oversize.empty()) {
        LogLine(LOG_ERROR, "Failed to load surface map " + name + ": " + oversize);
        return;
    }
    if (decoded == nullptr) {
        LogLine(LOG_ERROR, "Failed to load surface map " + name + ", SDL reports: " + error);
        return;
    }
    if (!KeepAsIndices(decoded.get())) {
        surfaceMap = std::move(decoded);
    }
    LogLine(LOG_STATUS, "Surface map " + name + " loaded succesfully.");
}

namespace {

// The fewest bits (1, 2, 4 or 8) that tell count colours apart.
int IndexBits(size_t count) {
    int bits = 1;
    while ((size_t{1} << bits) < count) {
        bits *= 2;
    }
    return bits;
}

// The indices, bits each, packed into whole bytes from the lowest bits up.
std::vector<uint8_t> Packed(const std::vector<uint8_t>& indices, int bits) {
    const size_t perByte = static_cast<size_t>(8 / bits);
    std::vector<uint8_t> packed((indices.size() + perByte - 1) / perByte);
    for (size_t i = 0; i < indices.size(); ++i) {
        packed[i / perByte] = static_cast<uint8_t>(packed[i / perByte] | indices[i] << (i % perByte * bits));
    }
    return packed;
}

}  // namespace

bool ASP_GroundSprite::KeepAsIndices(SDL_Surface* decoded) {
    const bool locked = SDL_MUSTLOCK(decoded) && SDL_LockSurface(decoded) == 0;
    std::vector<Uint32> values;
    std::vector<uint8_t> indices(static_cast<size_t>(decoded->w) * decoded->h);
    if (decoded->format->BytesPerPixel == 1) {
        // A palette picture, as the shipped maps are: a table from palette entry to index, the
        // indices in order of first appearance as below.
        std::array<int, 256> slot;
        slot.fill(-1);
        for (int iy = 0; iy < decoded->h; ++iy) {
            const Uint8* row = static_cast<const Uint8*>(decoded->pixels) + iy * decoded->pitch;
            uint8_t* out = &indices[static_cast<size_t>(iy) * decoded->w];
            for (int ix = 0; ix < decoded->w; ++ix) {
                if (slot[row[ix]] < 0) {
                    slot[row[ix]] = static_cast<int>(values.size());
                    values.push_back(row[ix]);
                }
                out[ix] = static_cast<uint8_t>(slot[row[ix]]);
            }
        }
    } else {
        size_t last = 0;
        for (int iy = 0; iy < decoded->h; ++iy) {
            for (int ix = 0; ix < decoded->w; ++ix) {
                const Uint32 value = RawPixel(decoded, ix, iy);
                if (values.empty() || values[last] != value) {
                    last =
                        static_cast<size_t>(std::find(values.begin(), values.end(), value) - values.begin());
                    if (last == values.size()) {
                        values.push_back(value);
                    }
                }
                if (values.size() > 256) {
                    break;
                }
                indices[static_cast<size_t>(iy) * decoded->w + ix] = static_cast<uint8_t>(last);
            }
        }
    }
    if (locked) {
        SDL_UnlockSurface(decoded);
    }
    if (values.size() > 256) {
        return false;
    }
    mapColors.clear();
    for (Uint32 value : values) {
        SurfaceColor color;
        SDL_GetRGB(value, decoded->format, &color.r, &color.g, &color.b);
        mapColors.push_back(color);
    }
    mapWidth = decoded->w;
    mapHeight = decoded->h;
    indexBits = IndexBits(values.size());
    mapIndices = Packed(indices, indexBits);
    return true;
}

SurfaceColor ASP_GroundSprite::GetSurfaceColor(Point global) const {
    if (!HasSurfaceMap()) {
        return SurfaceColor();
    }
    const int w = surfaceMap != nullptr ? surfaceMap->w : mapWidth;
    const int h = surfaceMap != nullptr ? surfaceMap->h : mapHeight;
    const Point local = GlobalToLocal(global);
    // Truncation toward zero: less than one pixel left of or above the map still reads column or
    // row 0. Comparing as doubles first keeps far-away points (and NaN) out of the int conversion.
    if (!(local.x > -1.0 && local.x < w && local.y > -1.0 && local.y < h)) {
        return SurfaceColor();
    }
    const int ix = static_cast<int>(local.x);
    const int iy = static_cast<int>(local.y);
    if (surfaceMap != nullptr) {
        return ReadSurfacePixel(surfaceMap.get(), ix, iy);
    }
    const size_t i = static_cast<size_t>(iy) * w + ix;
    const size_t perByte = static_cast<size_t>(8 / indexBits);
    return mapColors[mapIndices[i / perByte] >> (i % perByte * indexBits) & ((1 << indexBits) - 1)];
}

Uint32 RawPixel(const SDL_Surface* surface, int ix, int iy) {
    const int bytesPerPixel = surface->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(surface->pixels) + iy * surface->pitch + ix * bytesPerPixel;
    switch (bytesPerPixel) {
        case 1:
            return *p;
        case 2:
            return *reinterpret_cast<const Uint16*>(p);
        case 3:
            return static_cast<Uint32>(p[0]) | static_cast<Uint32>(p[1]) << 8 |
                   static_cast<Uint32>(p[2]) << 16;
        default:
            return *reinterpret_cast<const Uint32*>(p);
    }
}

SurfaceColor ReadSurfacePixel(SDL_Surface* surface, int ix, int iy) {
    const bool locked = SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) == 0;
    const Uint32 value = RawPixel(surface, ix, iy);
    if (locked) {
        SDL_UnlockSurface(surface);
    }
    SurfaceColor color;
    SDL_GetRGB(value, surface->format, &color.r, &color.g, &color.b);
    return color;
}
