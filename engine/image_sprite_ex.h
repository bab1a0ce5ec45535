#pragma once

#include "engine/geometry.h"
#include "engine/image_sprite.h"
#include "engine/rotateable.h"

// An image sprite that turns about its rotation centre. It caches its four global corners, which
// are also its collision outline, and refreshes them whenever its geometry changes.
class CImageSpriteEx : public CImageSprite, public CRotateable {
public:
    explicit CImageSpriteEx(CSprite* parent);

    Point LocalToGlobal(Point p) const override;
    Point GlobalToLocal(Point p) const override;
    void SetParent(CSprite* newParent) override;
    void SetX(double v) override;
    void SetGlobalX(double v) override;
    void SetY(double v) override;
    void SetGlobalY(double v) override;
    void SetWidth(double v) override;
    void SetHeight(double v) override;
    void SetScale(double v) override;
    void SetGlobalScale(double v) override;
    Quad GetCorners() const override;
    void Render(void* target) override;
    Rect GetRect() const override;
    Rect GetGlobalRect() const override;

    // The outline in the parent's frame, kept until the sprite's own geometry changes: views of a
    // turning camera need only their own transform for a sprite that stands still. What Render
    // draws lies inside it unless DrawsBeyondOutline says otherwise.
    const Quad& ParentQuad() const;
    virtual bool DrawsBeyondOutline() const { return false; }
    // What drawing does besides drawing, for a sprite left out of a view: the collision outline
    // follows the camera, as it does when the sprite is drawn.
    void SkipRender();

    virtual void UpdateCorners();
    virtual Quad GetQuad() const;
    virtual Quad GetGlobalQuad() const;
    virtual void Rotate(double delta);

    double GetRotation() const override;
    void SetRotation(double degrees) override;
    double GetGlobalRotation() const override;
    void SetGlobalRotation(double degrees) override;
    Point GetRotationCenter() const override;
    void SetRotationCenter(double cx, double cy) override;

protected:
    double rotation = 0.0;
    double rotX = 0.5;
    double rotY = 0.5;
    Quad corners;

private:
    // What every geometry setter does: the kept outline is worked out again.
    void Moved();
    Point Pivot() const;
    Point ToParent(Point p) const;

    mutable Quad parentQuad;
    mutable bool parentQuadKnown = false;
};
