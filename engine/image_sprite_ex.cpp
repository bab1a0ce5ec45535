#include "engine/image_sprite_ex.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

CImageSpriteEx::CImageSpriteEx(CSprite* parent) : CImageSprite(parent) {}

Point CImageSpriteEx::Pivot() const {
    return Point(rotX * GetWidth(), rotY * GetHeight());
}

Point CImageSpriteEx::ToParent(Point p) const {
    RotatePoint(p, Pivot(), GetRotation());
    return p * GetScale() + Point(GetX(), GetY());
}

Point CImageSpriteEx::LocalToGlobal(Point p) const {
    const Point inParent = ToParent(p);
    return parent != nullptr ? parent->LocalToGlobal(inParent) : inParent;
}

Point CImageSpriteEx::GlobalToLocal(Point p) const {
    const Point inParent = parent != nullptr ? parent->GlobalToLocal(p) : p;
    Point local = (inParent - Point(x, y)) / GetScale();
    RotatePoint(local, Pivot(), -GetRotation());
    return local;
}

void CImageSpriteEx::SetParent(CSprite* newParent) {
    CImageSprite::SetParent(newParent);
    Moved();
}

void CImageSpriteEx::SetX(double v) {
    CImageSprite::SetX(v);
    Moved();
}

void CImageSpriteEx::SetGlobalX(double v) {
    CImageSprite::SetGlobalX(v);
    Moved();
}

void CImageSpriteEx::SetY(double v) {
    CImageSprite::SetY(v);
    Moved();
}

void CImageSpriteEx::SetGlobalY(double v) {
    CImageSprite::SetGlobalY(v);
    Moved();
}

void CImageSpriteEx::SetWidth(double v) {
    CImageSprite::SetWidth(v);
    Moved();
}

void CImageSpriteEx::SetHeight(double v) {
    CImageSprite::SetHeight(v);
    Moved();
}

void CImageSpriteEx::SetScale(double v) {
    CImageSprite::SetScale(v);
    Moved();
}

void CImageSpriteEx::SetGlobalScale(double v) {
    CImageSprite::SetGlobalScale(v);
    Moved();
}

Quad CImageSpriteEx::GetCorners() const {
    return corners;
}

void CImageSpriteEx::Render(void* target) {
    (void)target;
    if (GetTexture() == nullptr || !GetTexture()->loaded) {
        return;
    }
    UpdateCorners();
    EmitQuad(corners, GetGlobalZ());
}

void CImageSpriteEx::SkipRender() {
    if (IsVisible() && GetTexture() != nullptr && GetTexture()->loaded) {
        UpdateCorners();
    }
}

Rect CImageSpriteEx::GetRect() const {
    const Rect r = GetGlobalRect();
    return MakeRect(static_cast<double>(r.x) + RectCoordinate(x),
                    static_cast<double>(r.y) + RectCoordinate(y), r.w, r.h);
}

Rect CImageSpriteEx::GetGlobalRect() const {
    double minX = corners.p[0].x;
    double maxX = minX;
    double minY = corners.p[0].y;
    double maxY = minY;
    for (const Point& c : corners.p) {
        minX = std::min(minX, c.x);
        maxX = std::max(maxX, c.x);
        minY = std::min(minY, c.y);
        maxY = std::max(maxY, c.y);
    }
    return MakeRect(minX, minY, maxX - minX, maxY - minY);
}

void CImageSpriteEx::Moved() {
    parentQuadKnown = false;
    UpdateCorners();
}

void CImageSpriteEx::UpdateCorners() {
    // What LocalToGlobal gives each corner: the sprite's own turn is in the kept outline.
    const Quad& inParent = ParentQuad();
    for (int i = 0; i < 4; ++i) {
        corners.p[i] = parent != nullptr ? parent->LocalToGlobal(inParent.p[i]) : inParent.p[i];
    }
}

const Quad& CImageSpriteEx::ParentQuad() const {
    if (!parentQuadKnown) {
        const double w = GetWidth();
        const double h = GetHeight();
        parentQuad = Quad{{ToParent(Point(0.0, h)), ToParent(Point(w, h)), ToParent(Point(w, 0.0)),
                           ToParent(Point(0.0, 0.0))}};
        parentQuadKnown = true;
    }
    return parentQuad;
}

Quad CImageSpriteEx::GetQuad() const {
    return corners;
}

Quad CImageSpriteEx::GetGlobalQuad() const {
    return corners;
}

void CImageSpriteEx::Rotate(double delta) {
    SetRotation(rotation + delta);
}

double CImageSpriteEx::GetRotation() const {
    return rotation;
}

void CImageSpriteEx::SetRotation(double degrees) {
    if (!std::isfinite(degrees)) {
        return;
    }
    // fmod rather than stepping by 360: a huge angle would otherwise never come down.
    degrees = std::fmod(degrees, 360.0);
    if (degrees < 0.0) {
        degrees += 360.0;
    }
    if (degrees >= 360.0) {
        degrees = 0.0;
    }
    if (degrees != rotation) {
        rotation = degrees;
        Moved();
    }
}

double CImageSpriteEx::GetGlobalRotation() const {
    const CRotateable* turningParent = dynamic_cast<const CRotateable*>(parent);
    return turningParent != nullptr ? turningParent->GetGlobalRotation() + rotation : rotation;
}

void CImageSpriteEx::SetGlobalRotation(double degrees) {
    const CRotateable* turningParent = dynamic_cast<const CRotateable*>(parent);
    SetRotation(turningParent != nullptr ? degrees - turningParent->GetGlobalRotation() : degrees);
}

Point CImageSpriteEx::GetRotationCenter() const {
    return Point(rotX, rotY);
}

void CImageSpriteEx::SetRotationCenter(double cx, double cy) {
    if (cx != rotX || cy != rotY) {
        rotX = cx;
        rotY = cy;
        Moved();
    }
}
