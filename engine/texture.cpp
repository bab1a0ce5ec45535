#include "engine/texture.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/font.h"
#include "engine/ini.h"
#include "engine/picture_decoder.h"

namespace {

bool IsPowerOfTwo(int v) {
    return (v & (v - 1)) == 0;
}

// The GL pixel format of a true-colour surface, or 0 for any other.
GLenum PixelFormat(const SDL_PixelFormat* f) {
    const bool redFirst = f->Rmask == 0xFF;
    switch (f->BytesPerPixel) {
        case 4:
            return redFirst ? GL_RGBA : GL_BGRA;
        case 3:
            return redFirst ? GL_RGB : GL_BGR;
        default:
            return 0;
    }
}

// SDL pads each row to its pitch (3-byte images of odd width are not tightly packed); GL is
// handed tight rows, so padded rows are copied without their padding first.
std::vector<Uint8> TightRows(const SDL_Surface* s, int rowBytes) {
    std::vector<Uint8> pixels(static_cast<size_t>(rowBytes) * s->h);
    const Uint8* source = static_cast<const Uint8*>(s->pixels);
    for (int row = 0; row < s->h; ++row) {
        std::memcpy(&pixels[static_cast<size_t>(row) * rowBytes],
                    source + static_cast<size_t>(row) * s->pitch, rowBytes);
    }
    return pixels;
}

// The filter and the clamping (to the transparent border) of the bound texture.
void SetSampling(GLint filter) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
}

std::array<long long, 4> StampOf(const struct stat& info) {
    return {static_cast<long long>(info.st_dev), static_cast<long long>(info.st_ino),
            static_cast<long long>(info.st_size),
            static_cast<long long>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

// The largest side a texture of this context holds (any text texture's limit as well).
unsigned LargestSide() {
    const int side = MaxTextureSide();
    return side > 0 ? static_cast<unsigned>(side) : 8192u;
}

}  // namespace

std::string OversizeText(unsigned w, unsigned h) {
    const unsigned side = LargestSide();
    if (w <= side && h <= side) {
        return "";
    }
    return "its " + std::to_string(w) + " x " + std::to_string(h) + " pixels exceed the largest texture of " +
           std::to_string(side) + " pixels a side.";
}

std::string DeclaredOversizeText(const std::string& path) {
    unsigned w = 0;
    unsigned h = 0;
    return DeclaredSize(path, w, h) ? OversizeText(w, h) : "";
}

CTextureAtlas::~CTextureAtlas() {
    for (const Page& page : pages) {
        glDeleteTextures(1, &page.id);
    }
}

GLuint CTextureAtlas::Place(const void* pixels, int w, int h, GLenum format, TexCoords& area) {
    if (w <= 0 || h <= 0 || w + 2 > kPageSide || h + 2 > kPageSide) {
        return 0;
    }
    Page& page = RoomFor(w + 2, h + 2);
    const int x = page.x + 1;
    const int y = page.shelfY + 1;
    // Rows of 4-byte pixels meet the default unpack alignment.
    glBindTexture(GL_TEXTURE_2D, page.id);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, format, GL_UNSIGNED_BYTE, pixels);
    const double side = kPageSide;
    area = TexCoords{x / side, y / side, (x + w) / side, (y + h) / side};
    page.x += w + 2;
    page.shelfHeight = std::max(page.shelfHeight, h + 2);
    return page.id;
}

CTextureAtlas::Page& CTextureAtlas::RoomFor(int w, int h) {
    if (!pages.empty()) {
        Page& last = pages.back();
        if (last.x + w > kPageSide) {
            last.shelfY += last.shelfHeight;
            last.shelfHeight = 0;
            last.x = 0;
        }
        if (last.shelfY + h <= kPageSide) {
            return last;
        }
    }
    Page page;
    glGenTextures(1, &page.id);
    glBindTexture(GL_TEXTURE_2D, page.id);
    // Transparent black wherever no picture lies, which is the border of each.
    const std::vector<Uint8> clear(static_cast<size_t>(kPageSide) * kPageSide * 4, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kPageSide, kPageSide, 0, GL_RGBA, GL_UNSIGNED_BYTE, clear.data());
    SetSampling(GL_LINEAR);
    pages.push_back(page);
    return pages.back();
}

CTexture::CTexture(const std::string& file, bool readOnly, CTextureAtlas* atlas)
    : readOnly(readOnly), atlas(atlas) {
    smooth = true;
    clamp = true;
    Create(file);
}

void CTexture::Create(const std::string& file) {
    glGenTextures(1, &id);
    Load(file);
    if (!placed) {
        MakeOwnTexture();
    }
}

void CTexture::MakeOwnTexture() {
    if (placed) {
        glGenTextures(1, &id);
        placed = false;
        area = TexCoords{0.0, 0.0, 1.0, 1.0};
    }
    glBindTexture(GL_TEXTURE_2D, id);
    SetSampling(smooth ? GL_LINEAR : GL_NEAREST);
}

bool CTexture::PlaceInAtlas(const void* pixels) {
    // Other pictures keep the texture of their own.
    if (atlas == nullptr || !readOnly || bytesPerPixel != 4 || !IsPowerOfTwo(width) ||
        !IsPowerOfTwo(height) || width > CTextureAtlas::kLargestPicture ||
        height > CTextureAtlas::kLargestPicture) {
        return false;
    }
    TexCoords where;
    const GLuint page = atlas->Place(pixels, width, height, format, where);
    if (page == 0) {
        return false;
    }
    glDeleteTextures(1, &id);
    id = page;
    placed = true;
    area = where;
    return true;
}

void CTexture::LeaveAtlas() {
    // Decoded again rather than read back from the page: a small picture decodes in no time, while
    // reading a page back takes the whole page twice over in memory.
    MakeOwnTexture();
    CTextureAtlas* const kept = atlas;
    atlas = nullptr;
    Load(name);
    atlas = kept;
}

TexCoords CTexture::InAtlas(const TexCoords& t) const {
    if (!placed) {
        return t;
    }
    const double w = area.s1 - area.s0;
    const double h = area.t1 - area.t0;
    return TexCoords{area.s0 + t.s0 * w, area.t0 + t.t0 * h, area.s0 + t.s1 * w, area.t0 + t.t1 * h};
}

CTexture::~CTexture() {
    Unload();
}

bool CTexture::Load(const std::string& file) {
    if (placed) {
        // Loaded again for writing: the page holds read-only pictures only.
        MakeOwnTexture();
    }
    if (surface != nullptr) {
        SDL_FreeSurface(surface);
    }
    surface = nullptr;
    const std::string path = MakeAbsolutePath(file);
    // Only regular files: opening a FIFO would block the loader for good. A missing file is left
    // to SDL_image, which reports it.
    struct stat info;
    const bool found = stat(path.c_str(), &info) == 0;
    fileStamp = found ? StampOf(info) : std::array<long long, 4>{};
    if (found && !S_ISREG(info.st_mode)) {
        loaded = false;
        LogLine(LOG_ERROR, "Failed to load texture from " + file + ": it is not a regular file.");
        return false;
    }
    if (!FitsTexture(file, DeclaredOversizeText(path))) {
        return false;
    }
    std::string error;
    surface = DecodePicture(path, error);
    if (surface == nullptr) {
        loaded = false;
        LogLine(LOG_ERROR, "Failed to load texture from " + file + ", SDL reports: \n" + error);
        return false;
    }
    if (!FitsTexture(file,
                     OversizeText(static_cast<unsigned>(surface->w), static_cast<unsigned>(surface->h)))) {
        SDL_FreeSurface(surface);
        surface = nullptr;
        return false;
    }
    LogLine(LOG_STATUS, "Texture " + file + " loaded successfully.");
    name = file;
    Update();
    if (readOnly) {
        SDL_FreeSurface(surface);
        surface = nullptr;
    }
    return loaded;
}

bool CTexture::FitsTexture(const std::string& file, const std::string& oversize) {
    if (oversize.empty()) {
        return true;
    }
    loaded = false;
    LogLine(LOG_ERROR, "Failed to load texture from " + file + ": " + oversize);
    return false;
}

bool CTexture::Update() {
    if (surface == nullptr) {
        LogLine(LOG_WARNING, "Tried to update read-only texture. Ignoring.");
        return false;
    }
    if (!IsPowerOfTwo(surface->w) || !IsPowerOfTwo(surface->h)) {
        LogLine(LOG_WARNING, "Texture measurements are not a power of 2.");
    }
    width = surface->w;
    height = surface->h;
    bytesPerPixel = surface->format->BytesPerPixel;
    const GLenum pixelFormat = PixelFormat(surface->format);
    if (pixelFormat == 0) {
        LogLine(LOG_WARNING, "The image is not truecolor. This will cause problems.");
        loaded = false;
        return false;
    }
    format = pixelFormat;

    const int rowBytes = width * bytesPerPixel;
    if (SDL_MUSTLOCK(surface)) {
        SDL_LockSurface(surface);
    }
    std::vector<Uint8> tight;
    const void* pixels = surface->pixels;
    if (surface->pitch != rowBytes) {
        tight = TightRows(surface, rowBytes);
        pixels = tight.data();
    }
    GLint oldAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &oldAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (!PlaceInAtlas(pixels)) {
        glBindTexture(GL_TEXTURE_2D, id);
        glTexImage2D(GL_TEXTURE_2D, 0, bytesPerPixel, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, oldAlignment);
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    loaded = true;
    return true;
}

void CTexture::SetSmooth(bool on) {
    if (on == smooth) {
        return;
    }
    if (placed) {
        LeaveAtlas();
    }
    smooth = on;
    MakeOwnTexture();
}

void CTexture::Unload() {
    if (id != 0 && !placed) {
        glDeleteTextures(1, &id);
    }
    id = 0;
    placed = false;
    if (surface != nullptr) {
        SDL_FreeSurface(surface);
        surface = nullptr;
    }
    LogLine(LOG_STATUS, "Texture " + name + " unloaded successfully.");
    name.clear();
}

void CTexture::Release() {
    if (!loaded || !readOnly || placed) {
        return;
    }
    glDeleteTextures(1, &id);
    id = 0;
    loaded = false;
    released = true;
}

void CTexture::Restore() {
    if (!released) {
        return;
    }
    released = false;
    Create(name);
}

bool CTexture::FileChanged() const {
    struct stat info;
    return stat(MakeAbsolutePath(name).c_str(), &info) != 0 || StampOf(info) != fileStamp;
}

int CTexture::PixelWidth() const {
    return surface != nullptr ? surface->w : width;
}

int CTexture::PixelHeight() const {
    return surface != nullptr ? surface->h : height;
}
