#include "engine/label_sprite.h"

#include <algorithm>

CLabelSprite::CLabelSprite(CSprite* parent, CFont* font) : CImageSprite(parent), font(font) {
    glGenTextures(1, &textTexture);
}

CLabelSprite::~CLabelSprite() {
    ForgetKeptTexts();
    glDeleteTextures(1, &textTexture);
}

void CLabelSprite::Render(void* target) {
    if (textReleased) {
        RenderText();
    }
    CImageSprite::Render(target);
    if (textWidth == 0) {
        return;
    }
    // The quad has the size of the power-of-two texture, so the text keeps its pixel size.
    const double s = GetGlobalScale();
    DrawTexturedQuad(textTexture, BoxQuad(GetGlobalX(), GetGlobalY(), textWidth * s, textHeight * s),
                     TexCoords{0.0, 0.0, 1.0, 1.0}, 0.0);
}

void CLabelSprite::RenderText() {
    textReleased = false;
    textWidth = 0;
    textHeight = 0;
    if (font == nullptr) {
        return;
    }
    const int maxSide = MaxTextureSide();
    if (textBox.w > maxSide || textBox.h > maxSide) {
        LogLine(LOG_WARNING, TextTooLargeMessage(textBox.w, textBox.h, maxSide));
    }
    const int w = TextureSide(textBox.w, maxSide);
    const int h = TextureSide(textBox.h, maxSide);
    // Without text the quad is wholly transparent, which one transparent texel stretched over it
    // draws as well (the alpha test drops every fragment) without a texture the box's size.
    SDL_Surface* surface =
        text.empty() ? CreateTextSurface(std::min(w, 1), std::min(h, 1)) : CreateTextSurface(w, h);
    if (surface == nullptr) {
        return;
    }
    if (!text.empty()) {
        SDL_Rect rect = PrintArea(surface->w, surface->h);
        // The area bounds the text, not only its alignment: nothing spills out of the label.
        SDL_SetClipRect(surface, &rect);
        if (multiLine) {
            font->PrintMultiLine(text, color, alignH, alignV, lineSpacing, &rect, surface);
        } else {
            font->Print(text, color, alignH, alignV, &rect, surface);
        }
    }
    UploadTextSurface(textTexture, surface);
    SDL_FreeSurface(surface);
    textWidth = w;
    textHeight = h;
}

int CLabelSprite::TextureSide(double boxSide, int maxSide) {
    const int side = static_cast<int>(std::min<double>(boxSide, maxSide));
    return side > 0 ? std::min(NextPowerOfTwo(side), maxSide) : 0;
}

SDL_Rect CLabelSprite::PrintArea(int maxW, int maxH) const {
    double w = textBox.w;
    double h = textBox.h;
    if (GetWidth() < textBox.x + w) {
        w = GetWidth() - textBox.x;
    }
    if (GetHeight() < textBox.y + h) {
        h = GetHeight() - textBox.y;
    }
    return SDL_Rect{0, 0, static_cast<Uint16>(std::clamp<double>(w, 0.0, maxW)),
                    static_cast<Uint16>(std::clamp<double>(h, 0.0, maxH))};
}

CFont* CLabelSprite::GetFont() const {
    return font;
}

void CLabelSprite::SetFont(CFont* newFont) {
    font = newFont;
    if (font == nullptr) {
        LogLine(LOG_WARNING, "Font set to NULL. I hope you know what you're doing.");
    }
    Restyle();
}

SDL_Color CLabelSprite::GetColor() const {
    return color;
}

void CLabelSprite::SetColor(SDL_Color newColour) {
    color = newColour;
    Restyle();
}

TextBox CLabelSprite::GetTextBox() const {
    return textBox;
}

void CLabelSprite::SetTextBox(double boxX, double boxY, double boxW, double boxH) {
    boxW = std::max(0.0, boxW);
    boxH = std::max(0.0, boxH);
    // Only the size shapes the texture; the position merely bounds the print area.
    const bool resized = boxW != textBox.w || boxH != textBox.h;
    textBox = TextBox{boxX, boxY, boxW, boxH};
    // The position bounds the print area, so kept texts may no longer fit.
    ForgetKeptTexts();
    if (resized) {
        RenderText();
    }
}

int CLabelSprite::GetAlignH() const {
    return alignH;
}

void CLabelSprite::SetAlignH(int align) {
    if (align != alignH) {
        alignH = align;
        Restyle();
    }
}

int CLabelSprite::GetAlignV() const {
    return alignV;
}

void CLabelSprite::SetAlignV(int align) {
    if (align != alignV) {
        alignV = align;
        Restyle();
    }
}

std::string CLabelSprite::GetText() const {
    return text;
}

void CLabelSprite::SetText(const std::string& newText) {
    if (newText == text || ShowKeptText(newText)) {
        return;
    }
    KeepCurrentText();
    text = newText;
    RenderText();
}

void CLabelSprite::ReleaseText() {
    ForgetKeptTexts();
    // A fresh name without pixels: the old one's are freed with it.
    glDeleteTextures(1, &textTexture);
    glGenTextures(1, &textTexture);
    textWidth = 0;
    textHeight = 0;
    textReleased = true;
}

void CLabelSprite::Restyle() {
    ForgetKeptTexts();
    RenderText();
}

void CLabelSprite::ForgetKeptTexts() {
    for (RenderedText& r : kept) {
        glDeleteTextures(1, &r.texture);
    }
    kept.clear();
}

bool CLabelSprite::ShowKeptText(const std::string& newText) {
    if (textWidth == 0) {
        return false;
    }
    for (auto r = kept.begin(); r != kept.end(); ++r) {
        // The print area follows the label's size, which may have changed since.
        if (r->text == newText && r->width == GetWidth() && r->height == GetHeight()) {
            const RenderedText shown = *r;
            kept.erase(r);
            kept.push_back(RenderedText{text, GetWidth(), GetHeight(), textWidth, textHeight, textTexture});
            text = shown.text;
            textWidth = shown.textureWidth;
            textHeight = shown.textureHeight;
            textTexture = shown.texture;
            return true;
        }
    }
    return false;
}

void CLabelSprite::KeepCurrentText() {
    if (textWidth == 0) {
        return;
    }
    kept.push_back(RenderedText{text, GetWidth(), GetHeight(), textWidth, textHeight, textTexture});
    textWidth = 0;
    textHeight = 0;
    if (kept.size() > kKeptTexts) {
        // The longest unused one makes room, and its texture takes the next rendering.
        textTexture = kept.front().texture;
        kept.erase(kept.begin());
    } else {
        glGenTextures(1, &textTexture);
    }
}

int CLabelSprite::GetLineSpacing() const {
    return lineSpacing;
}

void CLabelSprite::SetLineSpacing(int spacing) {
    if (spacing != lineSpacing) {
        lineSpacing = spacing;
        Restyle();
    }
}

bool CLabelSprite::IsMultiLine() const {
    return multiLine;
}

void CLabelSprite::SetMultiLine(bool on) {
    if (on != multiLine) {
        multiLine = on;
        Restyle();
    }
}
