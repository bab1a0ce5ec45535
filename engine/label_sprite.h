#pragma once

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <string>
#include <vector>

#include "engine/font.h"
#include "engine/image_sprite.h"

// The text area of a label: its size (w, h) and its position inside the label (x, y), which
// together bound where the text may be printed.
struct TextBox {
    double x = 0.0;
    double y = 0.0;
    double w = 0.0;
    double h = 0.0;
};

// An image sprite that shows a string, single-line or multi-line, aligned inside its text box,
// over its optional background image. The text is rendered into the label's own texture only
// when something that affects it changes; the rendered pixels live in the texture alone. A label that takes
// turns showing a few texts (the race interface shows each player's in turn) keeps the last ones rendered and
// shows them again without rendering.
class CLabelSprite : public CImageSprite {
public:
    CLabelSprite(CSprite* parent, CFont* font);
    ~CLabelSprite() override;
    CLabelSprite(const CLabelSprite&) = delete;
    CLabelSprite& operator=(const CLabelSprite&) = delete;

    void Render(void* target) override;

    virtual void RenderText();
    virtual CFont* GetFont() const;
    virtual void SetFont(CFont* newFont);
    virtual SDL_Color GetColor() const;
    virtual void SetColor(SDL_Color newColour);
    virtual TextBox GetTextBox() const;
    virtual void SetTextBox(double boxX, double boxY, double boxW, double boxH);
    virtual int GetAlignH() const;
    virtual void SetAlignH(int align);
    virtual int GetAlignV() const;
    virtual void SetAlignV(int align);
    virtual std::string GetText() const;
    virtual void SetText(const std::string& newText);
    virtual int GetLineSpacing() const;
    virtual void SetLineSpacing(int spacing);
    virtual bool IsMultiLine() const;
    virtual void SetMultiLine(bool on);

    // Frees the rendered texts while the label is not shown (a menu during a race); the current
    // text is rendered again when the label is next drawn.
    void ReleaseText();

    // Texts rendered before, kept for showing again besides the current one: one per further player.
    static constexpr size_t kKeptTexts = 3;

protected:
    // The text is blended over whatever lies below.
    bool IsOpaque() const override { return false; }
    // The size of the text texture for the text box, at most maxSide a side; 0 for an empty box.
    static int TextureSide(double boxSide, int maxSide);
    // The part of the text box that lies inside the label, in whole pixels, at most maxW x maxH.
    SDL_Rect PrintArea(int maxW, int maxH) const;

    // The size of the text texture, 0 x 0 while there is none.
    int textWidth = 0;
    int textHeight = 0;
    GLuint textTexture = 0;
    CFont* font;
    SDL_Color color{0, 0, 0, 0};
    std::string text;
    int alignH = ALIGN_CENTER;
    int alignV = ALIGN_CENTER;
    TextBox textBox;
    int lineSpacing = 0;
    bool multiLine = false;

private:
    struct RenderedText {
        std::string text;
        double width;
        double height;
        int textureWidth;
        int textureHeight;
        GLuint texture;
    };

    // Something that shapes every text changed: the kept ones are dropped and the current one is
    // rendered again.
    void Restyle();
    void ForgetKeptTexts();
    // Shows newText from a kept rendering; false if there is none.
    bool ShowKeptText(const std::string& newText);
    // Keeps the current rendering and gives the label a texture for the next one.
    void KeepCurrentText();

    std::vector<RenderedText> kept;
    bool textReleased = false;
};
