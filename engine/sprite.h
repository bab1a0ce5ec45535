#pragma once

#include "engine/geometry.h"
#include "engine/log.h"

// The abstract element of the scene tree. Position, depth, size, scale and visibility are relative
// to an optional parent; the global values walk up the parent chain. Every sprite reports its
// outline as a quad for the collision pass of its container.
class CSprite : public CLogSource {
public:
    explicit CSprite(CSprite* parent);
    // Containers delete their children through CSprite pointers.
    ~CSprite() override = default;

    virtual Point LocalToGlobal(Point p) const;
    virtual Point GlobalToLocal(Point p) const;
    virtual CSprite* GetParent() const;
    virtual void SetParent(CSprite* newParent);
    virtual double GetX() const;
    virtual void SetX(double v);
    virtual double GetGlobalX() const;
    virtual void SetGlobalX(double v);
    virtual double GetY() const;
    virtual void SetY(double v);
    virtual double GetGlobalY() const;
    virtual void SetGlobalY(double v);
    virtual double GetZ() const;
    virtual double GetGlobalZ() const;
    virtual double GetWidth() const;
    virtual void SetWidth(double v);
    virtual double GetGlobalWidth() const;
    virtual void SetGlobalWidth(double v);
    virtual double GetHeight() const;
    virtual void SetHeight(double v);
    virtual double GetGlobalHeight() const;
    virtual void SetGlobalHeight(double v);
    virtual void SetScale(double v);
    virtual double GetScale() const;
    virtual void SetGlobalScale(double v);
    virtual double GetGlobalScale() const;
    virtual void SetVisible(bool on);
    virtual bool IsVisible() const;
    // target is the frame's draw surface, handed on unchanged to children.
    virtual void Draw(void* target) = 0;
    // dt: duration of the last frame in seconds.
    virtual void Update(double dt) = 0;
    virtual Quad GetCorners() const;
    virtual bool Collides(CSprite* other, Point* contact);
    // Returns true when this sprite did not handle the pair, so that the other one is told too.
    virtual bool OnCollision(CSprite* other, Point contact);
    // Whether OnCollision with other can do anything; the collision pass skips the pairs where
    // neither sprite can. True unless a class knows better: one that answers false for some
    // partners must leave them alone in OnCollision and answer true (unhandled).
    virtual bool ReactsTo(CSprite* other);

    // Depth has no virtual setter: nothing caches geometry that depends on it.
    void SetZ(double v);

protected:
    CSprite* parent;
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double width = 1.0;
    double height = 1.0;
    double scale = 1.0;
    bool visible = true;
};
