#include "engine/font.h"

#include <GL/gl.h>

#include <algorithm>
#include <vector>

#include "engine/draw_pass.h"
#include "engine/ini.h"

namespace {

// Where an extent of `extent` pixels starts inside `space` pixels beginning at `start`.
int AlignedOffset(int start, int space, int extent, int align) {
    switch (align) {
        case ALIGN_LEFT:
            return start;
        case ALIGN_RIGHT:
            return start + space - extent;
        default:
            return start + static_cast<int>((space - extent) * 0.5);
    }
}

// The extent of something at `pos` cut back so that it ends inside `limit`; never negative.
int ClippedExtent(int pos, int extent, int limit) {
    return std::max(0, std::min(extent, limit - pos));
}

// Line breaks at the start, at the end or in a row give no blank lines.
std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            lines.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return lines;
}

}  // namespace

SDL_Surface* CreateTextSurface(int w, int h) {
    if (w <= 0 || h <= 0) {
        return nullptr;
    }
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    if (s != nullptr) {
        SDL_FillRect(s, nullptr, 0);
    }
    return s;
}

int NextPowerOfTwo(int v) {
    int p = 1;
    while (p < v && p < (1 << 30)) {
        p <<= 1;
    }
    return p;
}

int MaxTextureSide() {
    const int widestSurface = 8192;
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return std::min<int>(side, widestSurface);
}

std::string TextTooLargeMessage(double w, double h, int maxSide) {
    return "Text area of " + NumberToText(w) + " x " + NumberToText(h) +
           " pixels exceeds the largest texture of " + std::to_string(maxSide) +
           " pixels a side; the text is cut off.";
}

void EmitTextQuad(double x, double y, double w, double h, double depth) {
    glBegin(GL_QUADS);
    glTexCoord2d(0.0, 1.0);
    glVertex3d(x, y + h, depth);
    glTexCoord2d(1.0, 1.0);
    glVertex3d(x + w, y + h, depth);
    glTexCoord2d(1.0, 0.0);
    glVertex3d(x + w, y, depth);
    glTexCoord2d(0.0, 0.0);
    glVertex3d(x, y, depth);
    glEnd();
}

void UploadTextSurface(GLuint texture, const SDL_Surface* s) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, s->w, s->h, 0, GL_BGRA, GL_UNSIGNED_BYTE, s->pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

CFont::CFont(const std::string& fileName, int size) : fileName(fileName), size(size) {
    if (size <= 0) {
        LogLine(LOG_ERROR, "Failed to load font file " + fileName + ", the size " + std::to_string(size) +
                               " is not positive.");
        return;
    }
    // SDL_ttf passes its own error text on as a format string, so a missing file whose name holds
    // a "%" must never reach it; neither may a FIFO, which would block the open.
    const std::string path = MakeAbsolutePath(fileName);
    if (!FileExists(path)) {
        LogLine(LOG_ERROR, "Failed to load font file " + fileName + ", no readable file of that name.");
        return;
    }
    ttf = TTF_OpenFont(path.c_str(), size);
    if (ttf == nullptr) {
        LogLine(LOG_ERROR, "Failed to load font file " + fileName + ", SDL reports: " + SDL_GetError());
    }
}

CFont::~CFont() {
    // After TTF_Quit the font's library is gone and closing it would touch freed memory.
    if (ttf != nullptr && TTF_WasInit()) {
        TTF_CloseFont(ttf);
    }
}

void CFont::Print(const std::string& text, SDL_Color color, int alignH, int alignV, SDL_Rect* rect,
                  SDL_Surface* target) const {
    if (ttf == nullptr || text.empty() || rect == nullptr) {
        return;
    }
    SDL_Surface* ts = RenderLine(text, color);
    if (ts != nullptr) {
        Place(ts, alignH, alignV, rect, target);
    }
}

void CFont::PrintMultiLine(const std::string& text, SDL_Color color, int alignH, int alignV, int lineSpacing,
                           SDL_Rect* rect, SDL_Surface* target) const {
    if (ttf == nullptr || text.empty() || rect == nullptr) {
        return;
    }
    SDL_Surface* block = RenderBlock(text, color, alignH, lineSpacing);
    if (block != nullptr) {
        Place(block, alignH, alignV, rect, target);
    }
}

SDL_Surface* CFont::RenderLine(const std::string& line, SDL_Color color) const {
    SDL_Surface* ts = TTF_RenderText_Blended(ttf, line.c_str(), color);
    if (ts == nullptr) {
        LogLine(LOG_ERROR, "Failed to render text \"" + line + "\", SDL reports: " + SDL_GetError());
        return nullptr;
    }
    // Without SDL_SRCALPHA a blit copies the alpha channel instead of blending over it.
    SDL_SetAlpha(ts, 0, 255);
    return ts;
}

SDL_Surface* CFont::RenderBlock(const std::string& text, SDL_Color color, int alignH, int lineSpacing) const {
    const std::vector<std::string> lines = SplitLines(text);
    std::vector<int> widths(lines.size(), 0);
    std::vector<int> heights(lines.size(), 0);
    int blockW = 0;
    int blockH = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (TTF_SizeText(ttf, lines[i].c_str(), &widths[i], &heights[i]) != 0) {
            widths[i] = 0;
            heights[i] = 0;
        }
        blockW = std::max(blockW, widths[i]);
        blockH += heights[i] + (i > 0 ? lineSpacing : 0);
    }
    SDL_Surface* block = CreateTextSurface(blockW, blockH);
    if (block == nullptr) {
        if (!lines.empty()) {
            LogLine(LOG_WARNING, "No room for the text \"" + text + "\" with a line spacing of " +
                                     std::to_string(lineSpacing) + ".");
        }
        return nullptr;
    }
    int y = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        SDL_Surface* ts = RenderLine(lines[i], color);
        if (ts != nullptr) {
            SDL_Rect dst{static_cast<Sint16>(AlignedOffset(0, blockW, widths[i], alignH)),
                         static_cast<Sint16>(y), 0, 0};
            SDL_BlitSurface(ts, nullptr, block, &dst);
            SDL_FreeSurface(ts);
        }
        y += heights[i] + lineSpacing;
    }
    SDL_SetAlpha(block, 0, 255);
    return block;
}

void CFont::Place(SDL_Surface* ts, int alignH, int alignV, SDL_Rect* rect, SDL_Surface* target) const {
    rect->x = static_cast<Sint16>(AlignedOffset(rect->x, rect->w, ts->w, alignH));
    rect->y = static_cast<Sint16>(AlignedOffset(rect->y, rect->h, ts->h, alignV));
    if (target != nullptr) {
        // SDL_BlitSurface clips the rectangle it is given in place; rect keeps the unclipped position.
        SDL_Rect dst = *rect;
        SDL_BlitSurface(ts, nullptr, target, &dst);
        rect->w = static_cast<Uint16>(ClippedExtent(rect->x, ts->w, target->w));
        rect->h = static_cast<Uint16>(ClippedExtent(rect->y, ts->h, target->h));
    } else {
        DrawDirect(ts, rect->x, rect->y);
    }
    SDL_FreeSurface(ts);
}

void CFont::DrawDirect(const SDL_Surface* ts, int x, int y) const {
    const int maxSide = MaxTextureSide();
    const int w = std::min(NextPowerOfTwo(ts->w), maxSide);
    const int h = std::min(NextPowerOfTwo(ts->h), maxSide);
    if (w < ts->w || h < ts->h) {
        LogLine(LOG_WARNING, TextTooLargeMessage(ts->w, ts->h, maxSide));
    }
    SDL_Surface* pot = CreateTextSurface(w, h);
    if (pot == nullptr) {
        return;
    }
    SDL_BlitSurface(const_cast<SDL_Surface*>(ts), nullptr, pot, nullptr);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    UploadTextSurface(texture, pot);
    CDrawPass::Forget();
    glColor4d(1.0, 1.0, 1.0, 1.0);
    EmitTextQuad(x, y, w, h, 1.0);
    glFinish();
    glDeleteTextures(1, &texture);
    SDL_FreeSurface(pot);
}
