#pragma once

#include <SDL/SDL.h>

#include <string>
#include <vector>

#include "engine/font.h"
#include "engine/geometry.h"

// What the editor draws over the world, in screen pixels: outlines, checkpoint lines with their
// order and direction, labels, the grid, the status line and the help. Drawing only: nothing here
// changes the world.
namespace we_canvas {

struct Colour {
    Uint8 r, g, b;
};

constexpr Colour kHighlight = {255, 230, 0};
constexpr Colour kCheckpointLine = {0, 230, 255};
constexpr Colour kFinishLine = {255, 60, 200};
constexpr Colour kStartOutline = {80, 255, 80};
constexpr Colour kGridLine = {90, 90, 90};
constexpr Colour kRacingLine = {255, 120, 0};
// The line through the checkpoints' centres that the race falls back on.
constexpr Colour kFallbackLine = {170, 170, 170};
constexpr Colour kText = {255, 255, 255};
constexpr Colour kPanel = {20, 20, 30};
// The length of the arrows that show a direction of travel, in screen pixels.
constexpr double kArrowLength = 60.0;

void Outline(const Quad& q, Colour colour, float width);
// The closed polyline through the points.
void Loop(const std::vector<Point>& points, Colour colour, float width);
// A filled square of 2 * half pixels a side.
void Marker(Point centre, double half, Colour colour);
// The point length pixels from `from` toward `to`; straight up when they coincide.
Point Along(Point from, Point to, double length);
void Line(Point a, Point b, Colour colour, float width);
// A line from tail to head with an open head.
void Arrow(Point tail, Point head, Colour colour, float width);
// Lines every spacing world pixels over the screen; origin and scale map world to screen.
void Grid(Point origin, double scale, double spacing, int width, int height, Colour colour);
// A filled screen rectangle, translucent.
void Panel(double x, double y, double w, double h, Colour colour);

// One line of text over a panel; centred on (x, y) or with its top-left corner there.
void Label(CFont* font, const std::string& text, double x, double y, bool centred);
// Lines of text in one panel with its top-left corner at (x, y).
void TextBlock(CFont* font, const std::vector<std::string>& lines, double x, double y);

// The checkpoint's line runs through its middle along its longer side; the arrow crosses it
// toward `toward` (a screen point), or along the checkpoint's own up when toward is its centre.
struct CheckpointMark {
    Point from;
    Point to;
    Point centre;
    Point arrowHead;
};
CheckpointMark MarkCheckpoint(const Quad& q, Point toward, double arrowLength);

}  // namespace we_canvas
