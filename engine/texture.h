#pragma once

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <string>

#include "engine/log.h"

// One OpenGL texture made from an image file. A read-only texture frees its decoded surface after
// the upload; a writable one keeps it so that its pixels can be changed and uploaded again with
// Update. Created and destroyed by CTextureManager only.
class CTexture : public CLogSource {
public:
    CTexture(const std::string& file, bool readOnly);
    ~CTexture() override;
    CTexture(const CTexture&) = delete;
    CTexture& operator=(const CTexture&) = delete;

    // Reads the file and uploads it. Returns whether the texture now holds a usable image.
    bool Load(const std::string& file);
    // Uploads surface to id again. Returns false (and changes nothing) without a usable surface.
    bool Update();
    void SetSmooth(bool on);
    void Unload();

    // Size as sprites see it: the kept surface's, else the uploaded one's.
    int PixelWidth() const;
    int PixelHeight() const;

    bool loaded = true;
    bool readOnly;
    GLuint id = 0;
    GLenum format = GL_RGBA;
    int bytesPerPixel = 0;
    int width = 0;
    int height = 0;
    std::string name;
    SDL_Surface* surface = nullptr;
    bool smooth = false;
    bool clamp = false;

private:
    // False, with an ERROR and `loaded` false, if there is an oversize text (see OversizeText).
    bool FitsTexture(const std::string& file, const std::string& oversize);
};

// Why a picture of w x h pixels can be no texture of the current GL context, or "" if it fits.
std::string OversizeText(unsigned w, unsigned h);
// OversizeText of the size a PNG, BMP, GIF or JPEG file declares in its header, read without
// decoding it, so that a small file claiming a huge picture is refused before it takes gigabytes.
// "" for other files: the decoder then decides, and the decoded size is checked instead.
std::string DeclaredOversizeText(const std::string& path);
