#pragma once

#include <string>
#include <vector>

#include "engine/geometry.h"

class ASP_Track;

// The closed line the computer drivers follow, in world pixels and driving order. A world file may
// lay it out in its section "racingLine" ("points", then "x0", "y0", "x1", ...), which older
// readers skip; without one, or when it does not cross every checkpoint (a line copied from another
// track, say) or lists a point that is missing or no usable number, the line runs through the
// centres of the checkpoints in index order, and round the only one on a track of one checkpoint.
// Distances along the line ("progress") are pixels from its first point.
class ASP_RacingLine {
public:
    // Reads the line of a world file whose checkpoints the track holds; false when it has fewer than two
    // points either way (logged), and the line is then empty.
    bool Load(const std::string& file, const ASP_Track& track);
    // A point that repeats the one before it is dropped; a line with a point too far off for its
    // length to be measured, or with no length, is empty.
    void SetPoints(std::vector<Point> points);

    const std::vector<Point>& GetPoints() const { return points; }
    bool IsEmpty() const { return points.size() < 2; }
    // Length of the whole loop.
    double GetLength() const { return length; }
    // Progress of the point of the line nearest to p. With a hint (the progress a moment ago) only
    // the part within `window` pixels of it is searched, so a crossing does not swap the branches.
    double ProgressOf(Point p, double hint = -1.0, double window = 600.0) const;
    // How far `to` lies ahead of `from` along the loop, negative when behind: within half a loop.
    double Ahead(double from, double to) const;
    // The point of the line at a progress, wrapped round the loop.
    Point PointAt(double progress) const;
    // Direction of travel (unit) at a progress.
    Point DirectionAt(double progress) const;
    // How sharply the line bends at a progress: the change of direction over the line from
    // kCurveSpan / 2 before to kCurveSpan / 2 after, in radians per pixel.
    double CurvatureAt(double progress) const;

    static constexpr double kCurveSpan = 120.0;

private:
    // Takes the section's points; empty, or why the line is refused.
    std::string ReadPoints(const std::string& file);
    // The first checkpoint index with a checkpoint the line does not cross, -1 when it crosses all.
    int FirstMissedCheckpoint(const ASP_Track& track) const;
    double Wrap(double progress) const;
    // The segment holding a progress: index of its first point.
    size_t SegmentAt(double progress) const;
    // The segments, ascending, whose nearest point to anything may lie within window of hint
    // along the line; every segment without a hint.
    std::vector<size_t> SegmentsNear(double hint, double window) const;

    std::vector<Point> points;
    // Progress of each point.
    std::vector<double> starts;
    double length = 0.0;
};
