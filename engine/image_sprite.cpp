#include "engine/image_sprite.h"

#include <GL/gl.h>

#include <cmath>

namespace {

// An update far longer than any real frame would otherwise wrap the animation once per range
// length, which for a huge dt never ends; whole ranges beyond this many are dropped at once.
const double kMaxLoopsPerUpdate = 1000.0;

int Frame(double pos) {
    return static_cast<int>(std::floor(pos));
}

}  // namespace

CImageSprite::CImageSprite(CSprite* parent) : CSprite(parent) {
    width = 0.0;
    height = 0.0;
    UpdateTexCoords();
}

void CImageSprite::Draw(void* target) {
    if (!IsVisible()) {
        return;
    }
    if (CDrawPass::IsOpen()) {
        CDrawPass::UseSpriteState(depthTest, IsOpaque(), alpha);
        Render(target);
        return;
    }
    if (depthTest) {
        glEnable(GL_DEPTH_TEST);
    }
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4d(1.0, 1.0, 1.0, alpha / 255.0);
    Render(target);
    glDisable(GL_BLEND);
    if (depthTest) {
        glDisable(GL_DEPTH_TEST);
    }
}

void CImageSprite::Update(double dt) {
    const double advance = dt * animSpeed;
    if (animated && animSpeed > 0.0 && std::isfinite(advance)) {
        const int oldFrame = Frame(animPos);
        animPos += advance;
        const double range = animEnd - animStart + 1;
        const double overshoot = animPos - (animEnd + 1);
        if (overshoot >= kMaxLoopsPerUpdate * range) {
            animPos = animEnd + 1 + std::fmod(overshoot, range);
        }
        while (animPos >= animEnd + 1 && animEnd >= animStart) {
            animPos -= animEnd - animStart + 1;
            OnAnimationLoop();
        }
        if (Frame(animPos) != oldFrame) {
            UpdateTexCoords();
        }
    }
    OnUpdate(dt);
}

Quad CImageSprite::GetCorners() const {
    const Rect r = GetGlobalRect();
    return BoxQuad(r.x, r.y, r.w, r.h);
}

void CImageSprite::Render(void* target) {
    (void)target;
    if (texture == nullptr || !texture->loaded) {
        return;
    }
    const double gx = GetGlobalX();
    const double gy = GetGlobalY();
    const double gw = GetGlobalScale() * GetWidth();
    const double gh = GetGlobalScale() * GetHeight();
    EmitQuad(BoxQuad(gx, gy, gw, gh), GetGlobalZ());
}

void CImageSprite::EmitQuad(const Quad& q, double depth) const {
    // Faded-out particles wait, transparent, for the next clean-up: a few in every dozen quads.
    if (alpha <= 0.0 && CDrawPass::DropsTransparent()) {
        return;
    }
    DrawTexturedQuad(texture->id, q, texture->InAtlas(texCoords), depth);
}

bool CImageSprite::IsOpaque() const {
    return alpha >= 255.0 && texture != nullptr && texture->bytesPerPixel == 3;
}

void CImageSprite::OnUpdate(double dt) {
    (void)dt;
}

void CImageSprite::OnAnimationLoop() {}

int CImageSprite::GetTileHeight() const {
    return tileHeight;
}

void CImageSprite::SetTileHeight(int v) {
    if (texture == nullptr) {
        return;
    }
    const int th = TextureHeight();
    tileHeight = v > 0 && v <= th ? v : th;
    SetAnimPos(GetAnimPos());
    UpdateTexCoords();
}

int CImageSprite::GetTileWidth() const {
    return tileWidth;
}

void CImageSprite::SetTileWidth(int v) {
    if (texture == nullptr) {
        return;
    }
    const int tw = TextureWidth();
    tileWidth = v > 0 && v <= tw ? v : tw;
    SetAnimPos(GetAnimPos());
    UpdateTexCoords();
}

int CImageSprite::GetAnimStart() const {
    return animStart;
}

void CImageSprite::SetAnimStart(int v) {
    SetAnimBound(animStart, v);
    if (animEnd < animStart) {
        animEnd = animStart;
    }
    if (animPos < animStart || animPos > animEnd + 1) {
        SetAnimPos(animStart);
    }
}

int CImageSprite::GetAnimEnd() const {
    return animEnd;
}

void CImageSprite::SetAnimEnd(int v) {
    SetAnimBound(animEnd, v);
    if (animStart > animEnd) {
        animStart = animEnd;
    }
    if (animPos < animStart || animPos > animEnd + 1) {
        SetAnimPos(animStart);
    }
}

// Clamps into the frames of the sheet; a sheet without frames keeps frame 0.
void CImageSprite::SetAnimBound(int& bound, int v) {
    const int last = GetFrameCount() - 1;
    if (v > last) {
        v = last;
    }
    bound = v < 0 ? 0 : v;
}

double CImageSprite::GetAnimSpeed() const {
    return animSpeed;
}

void CImageSprite::SetAnimSpeed(double framesPerSecond) {
    animSpeed = framesPerSecond > 0.0 ? framesPerSecond : 0.0;
}

double CImageSprite::GetAnimPos() const {
    return animPos;
}

void CImageSprite::SetAnimPos(double v) {
    const int frames = GetFrameCount();
    const double oldPos = animPos;
    if (v <= 0.0) {
        animPos = animStart;
    } else if (v >= frames + 1) {
        animPos = frames;
    } else {
        animPos = v;
    }
    if (animStart > animPos) {
        animStart = Frame(animPos);
    }
    if (animEnd < animPos) {
        animEnd = Frame(animPos);
    }
    if (Frame(oldPos) != Frame(animPos)) {
        UpdateTexCoords();
    }
}

bool CImageSprite::IsAnimated() const {
    return animated;
}

void CImageSprite::SetAnimated(bool on) {
    animated = on;
}

double CImageSprite::GetAlpha() const {
    return alpha;
}

void CImageSprite::SetAlpha(double v) {
    alpha = v < 0.0 ? 0.0 : (v > 255.0 ? 255.0 : v);
}

CTexture* CImageSprite::GetTexture() const {
    return texture;
}

void CImageSprite::SetTexture(CTexture* t) {
    texture = t;
    if (texture == nullptr) {
        tileWidth = 0;
        tileHeight = 0;
        animPos = 0.0;
        animStart = 0;
        animEnd = 0;
        UpdateTexCoords();
        return;
    }
    SetTileWidth(TextureWidth());
    SetTileHeight(TextureHeight());
    SetAnimStart(animStart);
    SetAnimEnd(animEnd);
    SetAnimPos(animPos);
}

Rect CImageSprite::GetRect() const {
    return MakeRect(x, y, width * scale, height * scale);
}

Rect CImageSprite::GetGlobalRect() const {
    return MakeRect(GetGlobalX(), GetGlobalY(), GetGlobalWidth(), GetGlobalHeight());
}

void CImageSprite::Move(double dx, double dy) {
    SetX(GetX() + dx);
    SetY(GetY() + dy);
}

void CImageSprite::SetPosition(double newX, double newY) {
    SetX(newX);
    SetY(newY);
}

void CImageSprite::Grow(double dw, double dh) {
    SetWidth(GetWidth() + dw);
    SetHeight(GetHeight() + dh);
}

void CImageSprite::SetSize(double w, double h) {
    SetWidth(w);
    SetHeight(h);
}

void CImageSprite::OnNotify(int message) {
    (void)message;
}

int CImageSprite::TextureWidth() const {
    return texture != nullptr ? texture->PixelWidth() : 0;
}

int CImageSprite::TextureHeight() const {
    return texture != nullptr ? texture->PixelHeight() : 0;
}

int CImageSprite::Columns() const {
    return tileWidth > 0 ? TextureWidth() / tileWidth : 0;
}

int CImageSprite::GetFrameCount() const {
    if (TextureWidth() <= 0 || TextureHeight() <= 0 || tileWidth <= 0 || tileHeight <= 0) {
        return 0;
    }
    return Columns() * (TextureHeight() / tileHeight);
}

void CImageSprite::UpdateTexCoords() {
    const int tw = TextureWidth();
    const int th = TextureHeight();
    if (tw <= 0 || th <= 0) {
        texCoords = TexCoords{};
        return;
    }
    if (tileWidth == 0 || tileHeight == 0) {
        tileWidth = tw;
        tileHeight = th;
        texCoords = TexCoords{0.0, 0.0, 1.0, 1.0};
        return;
    }
    const int frames = GetFrameCount();
    if (frames == 0) {
        texCoords = TexCoords{};
        return;
    }
    int frame = static_cast<int>(animPos);
    if (frame > frames) {
        SetAnimPos(0.0);
        frame = 0;
    }
    ShowFrame(frame);
}

// The position one past the last frame (reachable through SetAnimPos) shows the last frame
// rather than the texture's clamped edge below the sheet.
void CImageSprite::ShowFrame(int frame) {
    const int frames = GetFrameCount();
    if (frame >= frames) {
        frame = frames - 1;
    }
    const int cols = Columns();
    const int col = frame % cols;
    const int row = frame / cols;
    const double tw = TextureWidth();
    const double th = TextureHeight();
    texCoords = TexCoords{col * tileWidth / tw, row * tileHeight / th, (col + 1) * tileWidth / tw,
                          (row + 1) * tileHeight / th};
}
