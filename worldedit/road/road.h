#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "engine/geometry.h"
#include "worldedit/objects/we_racing_line.h"

// The section a world file keeps the road in.
extern const char kRoadSection[];

// The road of a track as the builder lays it out: a closed centre line through control points in
// driving order, with the finish line across the first; its width, the surroundings beside it, and
// the field of ground tiles it is built on. Kept in the world file, so that the track can be built
// again after the road has changed; the race never reads it.
class ASP_WE_Road {
public:
    static constexpr double kDefaultWidth = 360.0;
    static constexpr double kMinWidth = 160.0;
    static constexpr double kMaxWidth = 800.0;
    // A ground tile of a built track is this many pixels a side.
    static constexpr int kTileSize = 1024;
    // A field is at most this many tiles a side.
    static constexpr int kMaxTiles = 32;

    ASP_WE_Road();

    // Reads the road of file, or none; values out of range are brought into it, with a remark on out.
    void Load(const std::string& file, std::ostream& out);
    // Writes the section, unless there is neither a point nor a field. False as soon as one key could
    // not be written.
    bool Save(const std::string& file) const;
    bool operator==(const ASP_WE_Road& other) const;
    bool operator!=(const ASP_WE_Road& other) const { return !(*this == other); }

    // The width made narrower or wider by step pixels, within its limits.
    void Widen(double step);
    // The field's size in world pixels.
    Point Field() const { return Point(across * kTileSize, down * kTileSize); }

    ASP_WE_ClosedLine line;
    double width = kDefaultWidth;
    // The surroundings, by their name in the road tool's data; empty for the first one.
    std::string theme;
    // The field in tiles; 0 when the track's ground tiles decide it.
    int across = 0;
    int down = 0;
};

// The road's centre line: the closed curve through the control points (Catmull-Rom), sampled every
// kStep pixels along it from the first control point on. Empty for fewer than three points.
class ASP_WE_CentreLine {
public:
    static constexpr double kStep = 8.0;

    explicit ASP_WE_CentreLine(const std::vector<Point>& controls);

    size_t Count() const { return samples.size(); }
    bool Empty() const { return samples.empty(); }
    double Length() const { return static_cast<double>(samples.size()) * kStep; }
    // Sample i, counted round the loop (negative i counts back from the first).
    Point At(long i) const { return samples[Wrap(i)]; }
    // The driving direction at sample i, and the unit vector to its right (on screen, y down).
    Point Tangent(long i) const;
    Point Right(long i) const;
    // The turn of the road in radians over span samples either side of i: positive to the right.
    double Turn(long i, int span) const;
    // The sample nearest to p.
    size_t Nearest(Point p) const;

    std::vector<Point> samples;

private:
    size_t Wrap(long i) const;
};

// The rotation in degrees that points a sprite's top along the unit vector.
double RotationToward(Point direction);
