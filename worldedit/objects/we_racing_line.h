#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "engine/geometry.h"
#include "track/closed_line.h"
#include "track/world_keys.h"

// A closed line as the editor lays it out: points in world pixels in driving order, the last joined
// to the first, kept in a section of the world file ("points", then "x0", "y0", "x1", ...) that
// readers before it skip.
class ASP_WE_ClosedLine {
public:
    static constexpr int kMaxPoints = closed_line::kMaxPoints;

    // The section it is kept in, and what becomes of a track whose line is refused.
    ASP_WE_ClosedLine(const char* section, const char* withoutLine);

    // Reads the line of file by the race's rule: a line it refuses is refused with a remark on out,
    // and is then empty. Repeated points are dropped.
    void Load(const std::string& file, std::ostream& out);
    // Writes the section; a line without points writes none, so the race follows the checkpoints.
    // False as soon as one key could not be written.
    bool Save(const std::string& file) const;

    // The point nearest to p within radius, or -1.
    int PointNear(Point p, double radius) const;
    // Adds p into the segment nearest to it, so the driving order stays; its index, or -1 when the
    // line has a point there already.
    int Insert(Point p);
    // Drops each point equal to the one before it (the last counts as before the first).
    void DropRepeats();
    // How far p lies from the closed line; a line without points is infinitely far.
    double DistanceTo(Point p) const;

    std::vector<Point> points;
    const char* section;

private:
    const char* withoutLine;
};

// The line the computer cars follow; without one they drive through the checkpoints.
class ASP_WE_RacingLine : public ASP_WE_ClosedLine {
public:
    ASP_WE_RacingLine() : ASP_WE_ClosedLine(world_key::kRacingLine, "the race follows the checkpoints") {}
};
