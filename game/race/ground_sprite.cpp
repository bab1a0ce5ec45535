#include "game/race/ground_sprite.h"

#include <SDL/SDL_image.h>

#include "engine/ini.h"
#include "game/race/static_sprite.h"

bool operator==(SurfaceColor a, SurfaceColor b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

ASP_GroundSprite::ASP_GroundSprite(CSprite* parent) : CImageSpriteEx(parent) {}

bool ASP_GroundSprite::ReactsTo(CSprite* other) {
    (void)other;
    return false;
}

void ASP_GroundSprite::Load(const std::string& section, const std::string& file) {
    CTexture* tile = ContainerTexture(GetParent(), GetIniString(section, "texture", "", file));
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
    LoadSurfaceMap(GetIniString(section, "surface", "", file));
}

void ASP_GroundSprite::LoadSurfaceMap(const std::string& name) {
    if (name.empty() || !FileExists(name)) {
        LogLine(LOG_ERROR, "Failed to locate surface map " + name);
        return;
    }
    surfaceMap.reset(IMG_Load(MakeAbsolutePath(name).c_str()));
    if (surfaceMap == nullptr) {
        LogLine(LOG_ERROR, "Failed to load surface map " + name + ", SDL reports: " + SDL_GetError());
        return;
    }
    LogLine(LOG_STATUS, "Surface map " + name + " loaded succesfully.");
}

SurfaceColor ASP_GroundSprite::GetSurfaceColor(Point global) const {
    if (surfaceMap == nullptr) {
        return SurfaceColor();
    }
    const Point local = GlobalToLocal(global);
    // Truncation toward zero: less than one pixel left of or above the map still reads column or
    // row 0. Comparing as doubles first keeps far-away points (and NaN) out of the int conversion.
    if (!(local.x > -1.0 && local.x < surfaceMap->w && local.y > -1.0 && local.y < surfaceMap->h)) {
        return SurfaceColor();
    }
    return ReadSurfacePixel(surfaceMap.get(), static_cast<int>(local.x), static_cast<int>(local.y));
}

SurfaceColor ReadSurfacePixel(SDL_Surface* surface, int ix, int iy) {
    const bool locked = SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) == 0;
    const int bytesPerPixel = surface->format->BytesPerPixel;
    const Uint8* p = static_cast<const Uint8*>(surface->pixels) + iy * surface->pitch + ix * bytesPerPixel;
    Uint32 value = 0;
    switch (bytesPerPixel) {
        case 1:
            value = *p;
            break;
        case 2:
            value = *reinterpret_cast<const Uint16*>(p);
            break;
        case 3:
            value =
                static_cast<Uint32>(p[0]) | static_cast<Uint32>(p[1]) << 8 | static_cast<Uint32>(p[2]) << 16;
            break;
        default:
            value = *reinterpret_cast<const Uint32*>(p);
            break;
    }
    if (locked) {
        SDL_UnlockSurface(surface);
    }
    SurfaceColor color;
    SDL_GetRGB(value, surface->format, &color.r, &color.g, &color.b);
    return color;
}
