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
    // False, with an ERROR and `loaded` false, for a picture larger than any texture can be.
    bool FitsTexture(const std::string& file, unsigned w, unsigned h);
};
