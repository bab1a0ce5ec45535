#include "worldedit/view.h"

#include <algorithm>
#include <cmath>

namespace {

const double kZoomBase = 1.5;
// Without a ground tile the grid divides the shipped tiles' size.
const double kDefaultTileSize = 1024.0;

double Snapped(double v, double step) {
    return std::round(v / step) * step;
}

}  // namespace

ASP_WE_View::ASP_WE_View(ASP_WE_TrackDocument& document, const int& width, const int& height)
    : document(document), width(width), height(height) {}

void ASP_WE_View::Zoom(int level, int x, int y) {
    CSpriteManager& world = *document.world;
    zoomLevel = std::min(std::max(level, kMinZoomLevel), kMaxZoomLevel);
    const Point screen(x, y);
    const Point before = world.GlobalToLocal(screen);
    const double scale = std::pow(kZoomBase, zoomLevel);
    world.SetScale(scale);
    const Point after = world.GlobalToLocal(screen);
    world.SetX(world.GetX() - (before.x - after.x) * scale);
    world.SetY(world.GetY() - (before.y - after.y) * scale);
}

void ASP_WE_View::Pan(Point by) {
    document.world->SetX(document.world->GetX() + by.x);
    document.world->SetY(document.world->GetY() + by.y);
}

void ASP_WE_View::ShowArea(Point size) {
    const double fit = std::min(width / size.x, height / size.y);
    Zoom(static_cast<int>(std::floor(std::log(fit) / std::log(kZoomBase))), 0, 0);
    const double scale = Scale();
    document.world->SetX((width - size.x * scale) / 2.0);
    document.world->SetY((height - size.y * scale) / 2.0);
}

Point ASP_WE_View::ToWorld(Point screen) const {
    return document.world->GlobalToLocal(screen);
}

Point ASP_WE_View::ToScreen(Point world) const {
    return document.world->LocalToGlobal(world);
}

double ASP_WE_View::Scale() const {
    return document.world->GetScale();
}

Point ASP_WE_View::OnGrid(Point p) const {
    return snapToGrid ? Point(Snapped(p.x, GridSpacing()), Snapped(p.y, GridSpacing())) : p;
}

double ASP_WE_View::GridSpacing() const {
    const double tile = document.TileWidth();
    return (tile > 0.0 ? tile : kDefaultTileSize) / gridDivisions;
}

void ASP_WE_View::NextGridSize() {
    gridDivisions = gridDivisions * 2 > kMaxGridDivisions ? 1 : gridDivisions * 2;
}
