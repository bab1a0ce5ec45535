#pragma once

#include <vector>

#include "engine/geometry.h"
#include "worldedit/road/road.h"

// Where a built object goes: its centre, its size and its rotation in degrees.
struct ASP_WE_Placement {
    Point centre;
    Point size;
    double angle = 0.0;

    // The top-left corner of the unrotated object, which a world file stores.
    Point Corner() const { return centre - size / 2.0; }
};

// The bands of a road across, from its centre line outwards, in world pixels.
struct ASP_WE_RoadBands {
    explicit ASP_WE_RoadBands(double width) : half(width / 2.0) {}

    static constexpr double kKerb = 24.0;
    static constexpr double kVerge = 48.0;
    // How far the verge's worn edge shades the field.
    static constexpr double kShade = 60.0;
    // The part of a turn (radians over kTurnSpan samples either side) from which a bend gets kerbs.
    static constexpr double kKerbTurn = 0.2;
    static constexpr int kTurnSpan = 10;

    double Verge() const { return half + kKerb + kVerge; }
    // The farthest any paint of the road reaches from its centre.
    double Reach() const { return Verge() + kShade; }

    double half;
};

// What a track needs besides its pictures, laid out along a road: checkpoints across it at regular
// intervals in driving order (the first, at the first control point, the finish line), the grid
// of start positions behind the finish line facing the way of the road, solid walls round the
// field, and the racing line along the centre from the finish line on.
struct ASP_WE_RoadLayout {
    static constexpr int kGridSlots = 8;
    // The cars' size on the grid (the game's cars are about this large).
    static constexpr double kCarWidth = 80.0;
    static constexpr double kCarLength = 160.0;
    static constexpr double kCheckpointDepth = 60.0;

    std::vector<ASP_WE_Placement> checkpoints;
    std::vector<ASP_WE_Placement> grid;
    std::vector<ASP_WE_Placement> walls;
    std::vector<Point> racingLine;
};

ASP_WE_RoadLayout LayOutRoad(const ASP_WE_CentreLine& line, double width, Point field);

// The walls round a field of that size, inside it.
std::vector<ASP_WE_Placement> FieldWalls(Point field);

// The index of the first control point near which the road, with its verge, leaves the field within
// its walls, or -1 when it stays inside.
int ControlOutsideField(const ASP_WE_CentreLine& line, const std::vector<Point>& controls, double width,
                        Point field);
