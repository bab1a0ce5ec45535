#pragma once

#include "engine/draw_pass.h"
#include "engine/geometry.h"
#include "engine/sprite.h"
#include "engine/texture.h"

// A sprite that shows one frame of a tile sheet as a textured rectangle, with an animation that
// runs through a range of frames, a global alpha and optional depth testing.
class CImageSprite : public CSprite {
public:
    explicit CImageSprite(CSprite* parent);

    void Draw(void* target) override;
    void Update(double dt) override;
    Quad GetCorners() const override;

    // Binds the texture and emits the quad; changes no other GL state.
    virtual void Render(void* target);
    virtual void OnUpdate(double dt);
    virtual void OnAnimationLoop();
    virtual int GetTileHeight() const;
    virtual void SetTileHeight(int v);
    virtual int GetTileWidth() const;
    virtual void SetTileWidth(int v);
    virtual int GetAnimStart() const;
    virtual void SetAnimStart(int v);
    virtual int GetAnimEnd() const;
    virtual void SetAnimEnd(int v);
    virtual double GetAnimSpeed() const;
    virtual void SetAnimSpeed(double framesPerSecond);
    virtual double GetAnimPos() const;
    virtual void SetAnimPos(double v);
    virtual bool IsAnimated() const;
    virtual void SetAnimated(bool on);
    virtual double GetAlpha() const;
    virtual void SetAlpha(double v);
    virtual CTexture* GetTexture() const;
    virtual void SetTexture(CTexture* t);
    virtual Rect GetRect() const;
    virtual Rect GetGlobalRect() const;
    virtual void Move(double dx, double dy);
    virtual void SetPosition(double newX, double newY);
    virtual void Grow(double dw, double dh);
    virtual void SetSize(double w, double h);
    virtual void OnNotify(int message);

    void UpdateTexCoords();
    const TexCoords& GetTexCoords() const { return texCoords; }
    // Frames of the tile sheet; 0 without a usable texture or tile size.
    int GetFrameCount() const;

    // HUD elements draw over everything and clear it.
    bool depthTest = true;

protected:
    // Emits the textured quad with corners 0..3 as Quad orders them, all at depth z.
    void EmitQuad(const Quad& q, double depth) const;
    // True when every pixel drawn is the texture's own, so blending cannot change it.
    virtual bool IsOpaque() const;

    int tileWidth = 0;
    int tileHeight = 0;
    double alpha = 255.0;
    int animStart = 0;
    int animEnd = 0;
    double animSpeed = 0.0;
    double animPos = 0.0;
    bool animated = false;
    TexCoords texCoords;
    CTexture* texture = nullptr;

private:
    int TextureWidth() const;
    int TextureHeight() const;
    int Columns() const;
    void ShowFrame(int frame);
    void SetAnimBound(int& bound, int v);
};
