#include "engine/texture.h"

#include <SDL/SDL_image.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "engine/font.h"
#include "engine/ini.h"

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

unsigned BigEndian(const unsigned char* b, int bytes) {
    unsigned v = 0;
    for (int i = 0; i < bytes; ++i) {
        v = v << 8 | b[i];
    }
    return v;
}

unsigned LittleEndian(const unsigned char* b, int bytes) {
    unsigned v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = v << 8 | b[i];
    }
    return v;
}

// The size a JPEG file declares in its first frame header, found by walking its segments.
bool JpegSize(std::ifstream& in, unsigned& w, unsigned& h) {
    in.seekg(2);
    unsigned char marker[4];
    while (in.read(reinterpret_cast<char*>(marker), 4) && marker[0] == 0xFF) {
        const unsigned length = BigEndian(marker + 2, 2);
        const bool frame = marker[1] >= 0xC0 && marker[1] <= 0xCF && marker[1] != 0xC4 && marker[1] != 0xC8 &&
                           marker[1] != 0xCC;
        if (frame) {
            unsigned char header[5];
            if (!in.read(reinterpret_cast<char*>(header), 5)) {
                return false;
            }
            h = BigEndian(header + 1, 2);
            w = BigEndian(header + 3, 2);
            return true;
        }
        if (length < 2) {
            return false;
        }
        in.seekg(length - 2, std::ios::cur);
    }
    return false;
}

// The size a PNG, BMP, GIF or JPEG file declares in its header, read without decoding it, so
// that a small file claiming a huge picture is refused before it takes gigabytes. False for any
// other file: the decoder then decides, and the decoded size is checked instead.
bool DeclaredSize(const std::string& path, unsigned& w, unsigned& h) {
    std::ifstream in(path, std::ios::binary);
    unsigned char b[26] = {};
    in.read(reinterpret_cast<char*>(b), sizeof(b));
    const std::streamsize got = in.gcount();
    if (got >= 24 && std::memcmp(b, "\x89PNG", 4) == 0) {
        w = BigEndian(b + 16, 4);
        h = BigEndian(b + 20, 4);
        return true;
    }
    if (got >= 26 && b[0] == 'B' && b[1] == 'M') {
        // Rows stored top-down have a negative height.
        const int32_t height = static_cast<int32_t>(LittleEndian(b + 22, 4));
        w = LittleEndian(b + 18, 4);
        h = height < 0 ? 0u - static_cast<unsigned>(height) : static_cast<unsigned>(height);
        return true;
    }
    if (got >= 10 && std::memcmp(b, "GIF", 3) == 0) {
        w = LittleEndian(b + 6, 2);
        h = LittleEndian(b + 8, 2);
        return true;
    }
    if (got >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) {
        in.clear();
        return JpegSize(in, w, h);
    }
    return false;
}

// The largest side a texture of this context holds (any text texture's limit as well).
unsigned LargestSide() {
    const int side = MaxTextureSide();
    return side > 0 ? static_cast<unsigned>(side) : 8192u;
}

}  // namespace

CTexture::CTexture(const std::string& file, bool readOnly) : readOnly(readOnly) {
    glGenTextures(1, &id);
    Load(file);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    smooth = true;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    clamp = true;
}

CTexture::~CTexture() {
    Unload();
}

bool CTexture::Load(const std::string& file) {
    if (surface != nullptr) {
        SDL_FreeSurface(surface);
    }
    surface = nullptr;
    const std::string path = MakeAbsolutePath(file);
    // Only regular files: opening a FIFO would block the loader for good. A missing file is left
    // to SDL_image, which reports it.
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        loaded = false;
        LogLine(LOG_ERROR, "Failed to load texture from " + file + ": it is not a regular file.");
        return false;
    }
    unsigned w = 0;
    unsigned h = 0;
    if (DeclaredSize(path, w, h) && !FitsTexture(file, w, h)) {
        return false;
    }
    surface = IMG_Load(path.c_str());
    if (surface == nullptr) {
        loaded = false;
        LogLine(LOG_ERROR, "Failed to load texture from " + file + ", SDL reports: \n" + SDL_GetError());
        return false;
    }
    if (!FitsTexture(file, static_cast<unsigned>(surface->w), static_cast<unsigned>(surface->h))) {
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

bool CTexture::FitsTexture(const std::string& file, unsigned w, unsigned h) {
    const unsigned side = LargestSide();
    if (w <= side && h <= side) {
        return true;
    }
    loaded = false;
    LogLine(LOG_ERROR, "Failed to load texture from " + file + ": its " + std::to_string(w) + " x " +
                           std::to_string(h) + " pixels exceed the largest texture of " +
                           std::to_string(side) + " pixels a side.");
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
    glBindTexture(GL_TEXTURE_2D, id);
    glTexImage2D(GL_TEXTURE_2D, 0, bytesPerPixel, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
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
    const GLint filter = on ? GL_LINEAR : GL_NEAREST;
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    smooth = on;
}

void CTexture::Unload() {
    if (id != 0) {
        glDeleteTextures(1, &id);
        id = 0;
    }
    if (surface != nullptr) {
        SDL_FreeSurface(surface);
        surface = nullptr;
    }
    LogLine(LOG_STATUS, "Texture " + name + " unloaded successfully.");
    name.clear();
}

int CTexture::PixelWidth() const {
    return surface != nullptr ? surface->w : width;
}

int CTexture::PixelHeight() const {
    return surface != nullptr ? surface->h : height;
}
