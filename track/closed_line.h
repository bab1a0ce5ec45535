#pragma once

#include <string>
#include <vector>

#include "engine/geometry.h"

// The rules of a world file's closed lines (the racing line the computer cars follow, the editor's
// road): how a section of one is read and when a line is refused, decided here once for the game
// and the editor, which each say it in their own words. A section holds "points", then "x0", "y0",
// "x1", ...; the last point is joined to the first.
namespace closed_line {
// More points than this is a broken world file, not a line.
inline constexpr int kMaxPoints = 10000;
// No world reaches this far, pixels: a point beyond is a broken number, and the lengths of its
// segments would overflow.
inline constexpr double kMaxCoordinate = 1e7;
}  // namespace closed_line

// A closed line's section as read from a world file.
struct ASP_LineReading {
    enum class Verdict {
        kTaken,
        // The count is below 0 or above closed_line::kMaxPoints.
        kBadCount,
        // A coordinate is missing, or no number within closed_line::kMaxCoordinate.
        kBadPoint,
    };
    Verdict verdict = Verdict::kTaken;
    // The count the section gives.
    int count = 0;
    // The line without repeated points; empty unless taken.
    std::vector<Point> points;
    // How many repeated points were dropped.
    size_t repeats = 0;
    // For a bad point: its number, its key, and its text ("" when the key is missing).
    int badPoint = -1;
    std::string badKey;
    std::string badText;
    bool missing = false;
};

// Reads the closed line of that section of a world file; a section it does not have is a taken
// line without points.
ASP_LineReading ReadClosedLine(const std::string& section, const std::string& file);

// Whether a point lies within closed_line::kMaxCoordinate on both axes.
bool UsableLinePoint(Point p);
// The line without points that repeat the one before them (no length between them), the first
// counting as after the last.
std::vector<Point> WithoutRepeats(const std::vector<Point>& points);
// How far p lies from the segment from a to b.
double DistanceToSegment(Point p, Point a, Point b);
// How far p lies from the closed line; a line without points is infinitely far.
double DistanceToClosedLine(Point p, const std::vector<Point>& line);

// A checkpoint as the line's rule sees it: the point it turns about, its width, its index.
struct ASP_LineGate {
    Point centre;
    double width = 0.0;
    int index = 0;
};

// The rule "the line misses a checkpoint": the lowest index from 0 to required - 1 with a gate that
// the line does not pass within half the gate's width, or -1 when it passes all. A gate of no
// number is missed as well. A line that misses one was copied from another track, or left behind
// when the checkpoints moved: the race then follows the checkpoints' centres.
int FirstMissedCheckpoint(const std::vector<Point>& line, const std::vector<ASP_LineGate>& gates,
                          int required);
