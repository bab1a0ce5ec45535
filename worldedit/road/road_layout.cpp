#include "worldedit/road/road_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Road between two checkpoints, in pixels along it; a lap has at least kMinCheckpoints.
const double kCheckpointSpacing = 1500.0;
const int kMinCheckpoints = 3;
// A checkpoint reaches this far beyond the kerbs either side, unless another part of the road is near.
const double kRunOff = 150.0;
// Parts of the road nearer than this along it to a checkpoint are its own, not another part.
const double kOwnStretch = 800.0;
const double kClearance = 30.0;
// The grid: the first car this far behind the finish line (centre), each next car this much
// further back, alternating sides; on a road too narrow for two abreast the cars line up.
const double kFirstCarBack = 140.0;
const double kStaggeredGap = 125.0;
const double kSingleFileGap = 190.0;
const double kGridSideMargin = 20.0;
const double kGridMaxSide = 90.0;
// The walls: blocks of this size along the field's edges.
const Point kWallBlock(256.0, 64.0);
// The racing line takes every this many samples of the centre line.
const int kLineStride = 8;

// How far p lies from parts of the road farther than kOwnStretch along it from sample own.
double Room(const ASP_WE_CentreLine& line, size_t own, Point p) {
    const long n = static_cast<long>(line.Count());
    const long ownSpan = static_cast<long>(kOwnStretch / ASP_WE_CentreLine::kStep);
    double best = std::numeric_limits<double>::infinity();
    for (long i = 0; i < n; i += 2) {
        const long apart = std::labs(i - static_cast<long>(own));
        if (std::min(apart, n - apart) > ownSpan) {
            best = std::min(best, Length(line.At(i) - p));
        }
    }
    return best;
}

std::vector<ASP_WE_Placement> Checkpoints(const ASP_WE_CentreLine& line, const ASP_WE_RoadBands& bands) {
    const int count =
        std::max(kMinCheckpoints, static_cast<int>(std::lround(line.Length() / kCheckpointSpacing)));
    const double across = 2.0 * (bands.half + ASP_WE_RoadBands::kKerb);
    std::vector<ASP_WE_Placement> checkpoints;
    for (int k = 0; k < count; ++k) {
        const size_t i = static_cast<size_t>(std::lround(static_cast<double>(k) * line.Count() / count));
        const Point centre = line.At(static_cast<long>(i));
        const double room = Room(line, i, centre) - bands.half - ASP_WE_RoadBands::kKerb - kClearance;
        const double width = std::max(across, std::min(across + 2.0 * kRunOff, 2.0 * room));
        checkpoints.push_back({centre, Point(width, ASP_WE_RoadLayout::kCheckpointDepth),
                               RotationToward(line.Tangent(static_cast<long>(i)))});
    }
    return checkpoints;
}

std::vector<ASP_WE_Placement> Grid(const ASP_WE_CentreLine& line, const ASP_WE_RoadBands& bands) {
    const double side =
        std::clamp(bands.half - ASP_WE_RoadLayout::kCarWidth / 2.0 - kGridSideMargin, 0.0, kGridMaxSide);
    const bool abreast = 2.0 * side >= ASP_WE_RoadLayout::kCarWidth + kGridSideMargin;
    const double gap = abreast ? kStaggeredGap : kSingleFileGap;
    std::vector<ASP_WE_Placement> grid;
    for (int k = 0; k < ASP_WE_RoadLayout::kGridSlots; ++k) {
        const long i = -std::lround((kFirstCarBack + k * gap) / ASP_WE_CentreLine::kStep);
        const double offset = abreast ? (k % 2 == 0 ? -side : side) : 0.0;
        grid.push_back({line.At(i) + line.Right(i) * offset,
                        Point(ASP_WE_RoadLayout::kCarWidth, ASP_WE_RoadLayout::kCarLength),
                        RotationToward(line.Tangent(i))});
    }
    return grid;
}

}  // namespace

std::vector<ASP_WE_Placement> FieldWalls(Point field) {
    std::vector<ASP_WE_Placement> walls;
    const double thick = kWallBlock.y;
    for (double x = 0.0; x < field.x; x += kWallBlock.x) {
        const double w = std::min(kWallBlock.x, field.x - x);
        for (double y : {thick / 2.0, field.y - thick / 2.0}) {
            walls.push_back({Point(x + w / 2.0, y), Point(w, thick), 0.0});
        }
    }
    // The sides stand between the top and bottom rows, turned upright.
    for (double y = thick; y < field.y - thick; y += kWallBlock.x) {
        const double h = std::min(kWallBlock.x, field.y - thick - y);
        for (double x : {thick / 2.0, field.x - thick / 2.0}) {
            walls.push_back({Point(x, y + h / 2.0), Point(h, thick), 90.0});
        }
    }
    return walls;
}

ASP_WE_RoadLayout LayOutRoad(const ASP_WE_CentreLine& line, double width, Point field) {
    ASP_WE_RoadLayout layout;
    if (line.Empty()) {
        layout.walls = FieldWalls(field);
        return layout;
    }
    const ASP_WE_RoadBands bands(width);
    layout.checkpoints = Checkpoints(line, bands);
    layout.grid = Grid(line, bands);
    layout.walls = FieldWalls(field);
    for (size_t i = 0; i < line.Count(); i += kLineStride) {
        layout.racingLine.push_back(line.samples[i]);
    }
    return layout;
}

int ControlOutsideField(const ASP_WE_CentreLine& line, const std::vector<Point>& controls, double width,
                        Point field) {
    const double reach = ASP_WE_RoadBands(width).Verge() + kWallBlock.y;
    for (const Point& p : line.samples) {
        if (p.x < reach || p.y < reach || p.x > field.x - reach || p.y > field.y - reach) {
            size_t nearest = 0;
            for (size_t c = 1; c < controls.size(); ++c) {
                nearest = Length(controls[c] - p) < Length(controls[nearest] - p) ? c : nearest;
            }
            return static_cast<int>(nearest);
        }
    }
    return -1;
}
