#include "game/race/track_pictures.h"

#include <SDL/SDL.h>
#include <sys/stat.h>

#include <vector>

#include "engine/ini.h"
#include "engine/picture_decoder.h"
#include "engine/texture.h"

namespace {

struct SurfaceDeleter {
    void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};

// What tells a file changed: device, inode, size and modification time; "" for no file.
std::string Stamp(const std::string& path) {
    struct stat s {};
    if (stat(path.c_str(), &s) != 0) {
        return "";
    }
    return std::to_string(s.st_dev) + ":" + std::to_string(s.st_ino) + ":" + std::to_string(s.st_size) + ":" +
           std::to_string(s.st_mtim.tv_sec) + "." + std::to_string(s.st_mtim.tv_nsec);
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

// A palette picture (as the shipped maps are) keeps its entries; any other gives its colours.
ASP_SurfaceMap MapOf(SDL_Surface* s) {
    const bool locked = SDL_MUSTLOCK(s) && SDL_LockSurface(s) == 0;
    const size_t count = static_cast<size_t>(s->w) * static_cast<size_t>(s->h);
    ASP_SurfaceMap map;
    if (s->format->BytesPerPixel == 1 && s->format->palette != nullptr) {
        std::vector<SurfaceColor> palette;
        for (int i = 0; i < s->format->palette->ncolors; ++i) {
            const SDL_Color& c = s->format->palette->colors[i];
            palette.push_back(SurfaceColor{c.r, c.g, c.b});
        }
        std::vector<uint8_t> entries(count);
        for (int iy = 0; iy < s->h; ++iy) {
            const Uint8* row = static_cast<const Uint8*>(s->pixels) + iy * s->pitch;
            std::copy(row, row + s->w, entries.begin() + static_cast<std::ptrdiff_t>(iy) * s->w);
        }
        map = ASP_SurfaceMap(s->w, s->h, palette, entries);
    } else {
        std::vector<SurfaceColor> pixels(count);
        for (int iy = 0; iy < s->h; ++iy) {
            for (int ix = 0; ix < s->w; ++ix) {
                SurfaceColor& c = pixels[static_cast<size_t>(iy) * s->w + ix];
                SDL_GetRGB(RawPixel(s, ix, iy), s->format, &c.r, &c.g, &c.b);
            }
        }
        map = ASP_SurfaceMap::FromColours(s->w, s->h, pixels);
    }
    if (locked) {
        SDL_UnlockSurface(s);
    }
    return map;
}

}  // namespace

bool ASP_PictureFiles::PictureSize(const std::string& file, int* width, int* height) {
    unsigned w = 0;
    unsigned h = 0;
    const std::string path = MakeAbsolutePath(file);
    // Only a regular file: reading a FIFO would wait for a writer that never comes.
    struct stat info {};
    if (file.empty() || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        !DeclaredSize(path, w, h) || !OversizeText(w, h).empty()) {
        return false;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

std::shared_ptr<const ASP_SurfaceMap> ASP_PictureFiles::SurfaceMap(const std::string& name) {
    if (name.empty() || !FileExists(name)) {
        LogLine(LOG_ERROR, "Failed to locate surface map " + name);
        return nullptr;
    }
    const std::string path = MakeAbsolutePath(name);
    const std::string stamp = Stamp(path);
    const auto it = kept.find(path);
    if (it != kept.end() && !stamp.empty() && it->second.stamp == stamp) {
        return it->second.map;
    }
    std::shared_ptr<const ASP_SurfaceMap> map = Decode(name, path);
    kept[path] = Kept{map != nullptr ? stamp : "", map};
    return map;
}

std::shared_ptr<const ASP_SurfaceMap> ASP_PictureFiles::Decode(const std::string& name,
                                                               const std::string& path) {
    // A map is as large as its tile, so a map no texture could hold is refused like a tile.
    std::string oversize = DeclaredOversizeText(path);
    std::string error;
    std::unique_ptr<SDL_Surface, SurfaceDeleter> decoded(oversize.empty() ? DecodePicture(path, error)
                                                                          : nullptr);
    if (decoded != nullptr) {
        oversize = OversizeText(static_cast<unsigned>(decoded->w), static_cast<unsigned>(decoded->h));
    }
    if (!oversize.empty()) {
        LogLine(LOG_ERROR, "Failed to load surface map " + name + ": " + oversize);
        return nullptr;
    }
    if (decoded == nullptr) {
        LogLine(LOG_ERROR, "Failed to load surface map " + name + ", SDL reports: " + error);
        return nullptr;
    }
    auto map = std::make_shared<const ASP_SurfaceMap>(MapOf(decoded.get()));
    LogLine(LOG_STATUS, "Surface map " + name + " loaded succesfully.");
    return map;
}
