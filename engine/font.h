#pragma once

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <SDL/SDL_ttf.h>

#include <string>

#include "engine/log.h"

// Horizontal alignment: 0 centre, 1 left, 2 right. Vertical: 0 centre, 1 top, 2 bottom. Any
// other value centres.
enum TextAlign {
    ALIGN_CENTER = 0,
    ALIGN_LEFT = 1,
    ALIGN_TOP = 1,
    ALIGN_RIGHT = 2,
    ALIGN_BOTTOM = 2,
};

// One TrueType font opened at one point size. A font whose file could not be opened keeps a
// null ttf and prints nothing. Created and destroyed by CFontFactory only; SDL_ttf must be
// initialised for its whole life.
class CFont : public CLogSource {
public:
    CFont(const std::string& fileName, int size);
    ~CFont() override;
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // Draws one line of text aligned inside rect. On return rect holds the text's position and,
    // with a target, its size clipped to the target. Without a target the text is drawn
    // straight to the current OpenGL context.
    void Print(const std::string& text, SDL_Color color, int alignH, int alignV, SDL_Rect* rect,
               SDL_Surface* target) const;
    // As Print, for a text split at its line breaks into lines aligned within their block.
    void PrintMultiLine(const std::string& text, SDL_Color color, int alignH, int alignV, int lineSpacing,
                        SDL_Rect* rect, SDL_Surface* target) const;

    TTF_Font* ttf = nullptr;
    std::string fileName;
    int size;

private:
    // The rendered text as a surface whose blits copy its alpha channel; null (logged) on failure.
    SDL_Surface* RenderLine(const std::string& line, SDL_Color color) const;
    SDL_Surface* RenderBlock(const std::string& text, SDL_Color color, int alignH, int lineSpacing) const;
    // Aligns ts inside rect, blits it onto target or draws it directly, and frees it.
    void Place(SDL_Surface* ts, int alignH, int alignV, SDL_Rect* rect, SDL_Surface* target) const;
    void DrawDirect(const SDL_Surface* ts, int x, int y) const;
};

// A 32-bit software surface with an alpha channel in the byte order GL_BGRA uploads, fully
// transparent; null if w or h is not positive.
SDL_Surface* CreateTextSurface(int w, int h);
// The smallest power of two not below v (1 for v <= 1).
int NextPowerOfTwo(int v);
// The largest side of a text texture, in pixels: what the current OpenGL context accepts, and
// at most what a 32-bit SDL 1.2 surface can hold in its 16-bit row pitch.
int MaxTextureSide();
// The warning for text that needs a texture larger than maxSide pixels a side.
std::string TextTooLargeMessage(double w, double h, int maxSide);
// Uploads a surface made by CreateTextSurface to texture, with linear filtering.
void UploadTextSurface(GLuint texture, const SDL_Surface* s);
// One quad showing a whole texture, top-left at (x, y), in the order image sprites emit corners.
void EmitTextQuad(double x, double y, double w, double h, double depth);
