#include "engine/sprite.h"

CSprite::CSprite(CSprite* parent) : parent(parent) {}

Point CSprite::LocalToGlobal(Point p) const {
    const Point inParent = p * GetScale() + Point(x, y);
    return parent != nullptr ? parent->LocalToGlobal(inParent) : inParent;
}

Point CSprite::GlobalToLocal(Point p) const {
    const Point inParent = parent != nullptr ? parent->GlobalToLocal(p) : p;
    return (inParent - Point(x, y)) / GetScale();
}

CSprite* CSprite::GetParent() const {
    return parent;
}

void CSprite::SetParent(CSprite* newParent) {
    parent = newParent;
}

double CSprite::GetX() const {
    return x;
}

void CSprite::SetX(double v) {
    x = v;
}

double CSprite::GetGlobalX() const {
    return parent != nullptr ? parent->LocalToGlobal(Point(x, 0.0)).x : x;
}

void CSprite::SetGlobalX(double v) {
    x = parent != nullptr ? parent->GlobalToLocal(Point(v, 0.0)).x : v;
}

double CSprite::GetY() const {
    return y;
}

void CSprite::SetY(double v) {
    y = v;
}

double CSprite::GetGlobalY() const {
    return parent != nullptr ? parent->LocalToGlobal(Point(0.0, y)).y : y;
}

void CSprite::SetGlobalY(double v) {
    y = parent != nullptr ? parent->GlobalToLocal(Point(0.0, v)).y : v;
}

double CSprite::GetZ() const {
    return z;
}

double CSprite::GetGlobalZ() const {
    return parent != nullptr ? parent->GetGlobalZ() + z : z;
}

double CSprite::GetWidth() const {
    return width;
}

void CSprite::SetWidth(double v) {
    if (v >= 0.0) {
        width = v;
    }
}

double CSprite::GetGlobalWidth() const {
    return GetGlobalScale() * GetWidth();
}

void CSprite::SetGlobalWidth(double v) {
    const double globalScale = GetGlobalScale();
    SetWidth(globalScale > 0.0 ? v / globalScale : v);
}

double CSprite::GetHeight() const {
    return height;
}

void CSprite::SetHeight(double v) {
    if (v >= 0.0) {
        height = v;
    }
}

double CSprite::GetGlobalHeight() const {
    return GetGlobalScale() * GetHeight();
}

void CSprite::SetGlobalHeight(double v) {
    const double globalScale = GetGlobalScale();
    SetHeight(globalScale > 0.0 ? v / globalScale : v);
}

void CSprite::SetScale(double v) {
    if (v > 0.0) {
        scale = v;
    }
}

double CSprite::GetScale() const {
    return scale;
}

void CSprite::SetGlobalScale(double v) {
    if (v > 0.0) {
        scale = v / (GetGlobalScale() / scale);
    }
}

double CSprite::GetGlobalScale() const {
    return parent != nullptr ? parent->GetGlobalScale() * scale : scale;
}

void CSprite::SetVisible(bool on) {
    visible = on;
}

bool CSprite::IsVisible() const {
    return visible && (parent == nullptr || parent->IsVisible());
}

Quad CSprite::GetCorners() const {
    return Quad{};
}

bool CSprite::Collides(CSprite* other, Point* contact) {
    return QuadsOverlap(GetCorners(), other->GetCorners(), contact);
}

bool CSprite::OnCollision(CSprite* other, Point contact) {
    (void)other;
    (void)contact;
    return true;
}

bool CSprite::ReactsTo(CSprite* other) {
    (void)other;
    return true;
}

void CSprite::SetZ(double v) {
    z = v;
}
