#pragma once

#include "engine/geometry.h"
#include "worldedit/track_document.h"

// What the window shows of the track: the world's position and its scale in steps of zoom, and
// the grid that placed positions snap to. The world's own position and scale are the view.
class ASP_WE_View {
public:
    static constexpr int kMinZoomLevel = -8;
    static constexpr int kMaxZoomLevel = 7;
    // The grid divides a ground tile into 1 to this many parts a side.
    static constexpr int kMaxGridDivisions = 16;

    // The window's size is read as it is at each use: it changes when the window does.
    ASP_WE_View(ASP_WE_TrackDocument& document, const int& width, const int& height);

    // Scales the view by 1.5 to the power of level, keeping the world point under (x, y) in place.
    void Zoom(int level, int x, int y);
    // Moves the view by that many screen pixels.
    void Pan(Point by);
    // Zooms and moves the view so that the world area from (0, 0) of that size fills the window.
    void ShowArea(Point size);
    Point ToWorld(Point screen) const;
    Point ToScreen(Point world) const;
    double Scale() const;

    // Where p falls with the grid's snapping, if it is on.
    Point OnGrid(Point p) const;
    // The grid's spacing in world pixels: a fraction of the ground tiles' size.
    double GridSpacing() const;
    // From a whole tile to ever finer grids, then back.
    void NextGridSize();

    int zoomLevel = 0;
    bool snapToGrid = false;
    int gridDivisions = 4;

private:
    ASP_WE_TrackDocument& document;
    const int& width;
    const int& height;
};
