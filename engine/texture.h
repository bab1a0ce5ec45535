#pragma once

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <array>
#include <string>
#include <vector>

#include "engine/draw_pass.h"
#include "engine/log.h"

// Pages of small read-only pictures, each picture with a transparent texel around it. Sprites drawn
// from one page share its texture, and the software renderer stores its whole texture state again,
// tens of kilobytes, on every switch between textures: a race's sparks, trees and panels would
// otherwise switch at nearly every quad. The border gives the picture's edges the same filtering as
// a texture of its own clamped to a transparent border. Owned by a texture manager; the pages go
// with it.
class CTextureAtlas {
public:
    // A page takes its whole size at once: a race's small pictures fill two of this side, while
    // larger pages and larger pictures (cars, stands) left most of a third page empty.
    static constexpr int kPageSide = 512;
    static constexpr int kLargestPicture = 256;

    CTextureAtlas() = default;
    ~CTextureAtlas();
    CTextureAtlas(const CTextureAtlas&) = delete;
    CTextureAtlas& operator=(const CTextureAtlas&) = delete;

    // Copies w x h tight 4-byte pixels of the given GL format into a page. Returns the page's
    // texture and, in area, where the picture lies in it; 0 for a picture too large for a page.
    GLuint Place(const void* pixels, int w, int h, GLenum format, TexCoords& area);

private:
    struct Page {
        GLuint id = 0;
        // The shelf being filled: its top, its height so far, and the next free column.
        int shelfY = 0;
        int shelfHeight = 0;
        int x = 0;
    };
    // The page with room for a w x h cell (picture and border), opened if none has; its x and shelfY
    // are then the cell's corner.
    Page& RoomFor(int w, int h);

    std::vector<Page> pages;
};

// One OpenGL texture made from an image file. A read-only texture frees its decoded surface after
// the upload; a writable one keeps it so that its pixels can be changed and uploaded again with
// Update. Created and destroyed by CTextureManager only.
class CTexture : public CLogSource {
public:
    // With an atlas, a small read-only picture goes into one of its pages (see InAtlas).
    CTexture(const std::string& file, bool readOnly, CTextureAtlas* atlas = nullptr);
    ~CTexture() override;
    CTexture(const CTexture&) = delete;
    CTexture& operator=(const CTexture&) = delete;

    // Reads the file and uploads it. Returns whether the texture now holds a usable image.
    bool Load(const std::string& file);
    // Uploads surface to id again. Returns false (and changes nothing) without a usable surface.
    bool Update();
    void SetSmooth(bool on);
    void Unload();
    // Whether the file is no longer the one loaded: rewritten, replaced or gone since.
    bool FileChanged() const;
    // Frees the pixels of a loaded read-only picture with a texture of its own while nobody draws
    // it, keeping its name and size; until Restore loads it again, it is not loaded.
    void Release();
    void Restore();

    // Size as sprites see it: the kept surface's, else the uploaded one's.
    int PixelWidth() const;
    int PixelHeight() const;
    // The rectangle t of the picture as the bound texture `id` has it: the same unless the picture
    // lies in an atlas page.
    TexCoords InAtlas(const TexCoords& t) const;

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
    // A new texture name for the file's picture, with the filter `smooth` asks for.
    void Create(const std::string& file);
    // Puts the described picture's tight pixels into the atlas; false if it takes a texture of its own.
    bool PlaceInAtlas(const void* pixels);
    // Gives the picture a texture of its own again: a nearest filter is not the page's.
    void LeaveAtlas();
    // Gives a picture that lies in a page a texture of its own, and sets the filter and clamping.
    void MakeOwnTexture();

    // False, with an ERROR and `loaded` false, if there is an oversize text (see OversizeText).
    bool FitsTexture(const std::string& file, const std::string& oversize);

    CTextureAtlas* atlas;
    // The loaded file's device, inode, size and modification time in nanoseconds.
    std::array<long long, 4> fileStamp{};
    bool released = false;
    // Where the picture lies in the atlas page `id`; the page is not this texture's to delete.
    bool placed = false;
    TexCoords area{0.0, 0.0, 1.0, 1.0};
};

// Why a picture of w x h pixels can be no texture of the current GL context, or "" if it fits.
std::string OversizeText(unsigned w, unsigned h);
// OversizeText of the size a PNG, BMP, GIF or JPEG file declares in its header, read without
// decoding it, so that a small file claiming a huge picture is refused before it takes gigabytes.
// "" for other files: the decoder then decides, and the decoded size is checked instead.
std::string DeclaredOversizeText(const std::string& path);
