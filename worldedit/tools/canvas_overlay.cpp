#include "worldedit/tools/canvas_overlay.h"

#include <GL/gl.h>
#include <SDL/SDL_ttf.h>

#include <algorithm>
#include <cmath>

namespace we_canvas {

namespace {

const int kPadding = 3;
const double kPanelAlpha = 0.75;
const double kArrowHeadLength = 12.0;

// Lines and panels are untextured; sprites and text expect texturing on.
class Untextured {
public:
    Untextured() { glDisable(GL_TEXTURE_2D); }
    ~Untextured() {
        glEnable(GL_TEXTURE_2D);
        glColor4d(1.0, 1.0, 1.0, 1.0);
        glLineWidth(1.0f);
    }
};

void SetColour(Colour c, double alpha) {
    glColor4d(c.r / 255.0, c.g / 255.0, c.b / 255.0, alpha);
}

Point Unit(Point v) {
    const double length = Length(v);
    return length > 0.0 ? v / length : Point(0.0, -1.0);
}

int TextWidth(CFont* font, const std::string& text, int& height) {
    int w = 0;
    height = 0;
    if (font == nullptr || font->ttf == nullptr || TTF_SizeUTF8(font->ttf, text.c_str(), &w, &height) != 0) {
        return 0;
    }
    return w;
}

void Print(CFont* font, const std::string& text, double x, double y, int w, int h) {
    SDL_Rect area = {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
                     static_cast<Uint16>(h)};
    font->Print(text, {kText.r, kText.g, kText.b, 0}, ALIGN_LEFT, ALIGN_TOP, &area, nullptr);
}

}  // namespace

void Line(Point a, Point b, Colour colour, float width) {
    Untextured untextured;
    glLineWidth(width);
    SetColour(colour, 1.0);
    glBegin(GL_LINES);
    glVertex2d(a.x, a.y);
    glVertex2d(b.x, b.y);
    glEnd();
}

void Outline(const Quad& q, Colour colour, float width) {
    Loop({q.p[0], q.p[1], q.p[2], q.p[3]}, colour, width);
}

void Loop(const std::vector<Point>& points, Colour colour, float width) {
    Untextured untextured;
    glLineWidth(width);
    SetColour(colour, 1.0);
    glBegin(GL_LINE_LOOP);
    for (const Point& p : points) {
        glVertex2d(p.x, p.y);
    }
    glEnd();
}

void Marker(Point centre, double half, Colour colour) {
    Untextured untextured;
    SetColour(colour, 1.0);
    glRectd(centre.x - half, centre.y - half, centre.x + half, centre.y + half);
}

Point Along(Point from, Point to, double length) {
    return from + Unit(to - from) * length;
}

void Arrow(Point tail, Point head, Colour colour, float width) {
    const Point back = Unit(tail - head) * kArrowHeadLength;
    const Point side(-back.y * 0.5, back.x * 0.5);
    Line(tail, head, colour, width);
    Line(head, head + back + side, colour, width);
    Line(head, head + back - side, colour, width);
}

void Grid(Point origin, double scale, double spacing, int width, int height, Colour colour) {
    const double step = spacing * scale;
    // Lines closer than a few pixels would hide the world under them.
    if (step < 4.0) {
        return;
    }
    Untextured untextured;
    SetColour(colour, 0.6);
    glBegin(GL_LINES);
    // Through the middle of the pixels, so that each line lights one row or column.
    for (double x = std::fmod(origin.x, step) - step + 0.5; x <= width; x += step) {
        glVertex2d(x, 0.0);
        glVertex2d(x, height);
    }
    for (double y = std::fmod(origin.y, step) - step + 0.5; y <= height; y += step) {
        glVertex2d(0.0, y);
        glVertex2d(width, y);
    }
    glEnd();
}

void Panel(double x, double y, double w, double h, Colour colour) {
    Untextured untextured;
    SetColour(colour, kPanelAlpha);
    glBegin(GL_QUADS);
    glVertex2d(x, y);
    glVertex2d(x + w, y);
    glVertex2d(x + w, y + h);
    glVertex2d(x, y + h);
    glEnd();
}

void Label(CFont* font, const std::string& text, double x, double y, bool centred) {
    int h = 0;
    const int w = TextWidth(font, text, h);
    if (w == 0) {
        return;
    }
    if (centred) {
        x -= w / 2.0;
        y -= h / 2.0;
    }
    Panel(x - kPadding, y - kPadding, w + 2 * kPadding, h + 2 * kPadding, kPanel);
    Print(font, text, x, y, w, h);
}

void TextBlock(CFont* font, const std::vector<std::string>& lines, double x, double y) {
    int lineHeight = 0;
    int widest = 0;
    for (const std::string& line : lines) {
        widest = std::max(widest, TextWidth(font, line, lineHeight));
    }
    if (widest == 0) {
        return;
    }
    const int h = lineHeight * static_cast<int>(lines.size());
    Panel(x - 2 * kPadding, y - 2 * kPadding, widest + 4 * kPadding, h + 4 * kPadding, kPanel);
    for (size_t i = 0; i < lines.size(); ++i) {
        int unused = 0;
        Print(font, lines[i], x, y + static_cast<double>(i) * lineHeight, TextWidth(font, lines[i], unused),
              lineHeight);
    }
}

CheckpointMark MarkCheckpoint(const Quad& q, Point toward, double arrowLength) {
    // Corners in outline order: p0 bottom left, p1 bottom right, p3 top left of the unturned shape.
    const Point across = q.p[1] - q.p[0];
    const Point up = q.p[3] - q.p[0];
    const bool wide = Length(across) >= Length(up);
    const Point along = wide ? across : up;
    Point travel = Unit(wide ? up : across);
    CheckpointMark mark;
    mark.centre = QuadCentre(q);
    mark.from = mark.centre - along * 0.5;
    mark.to = mark.centre + along * 0.5;
    const Point ahead = toward - mark.centre;
    if (Length(ahead) > 0.0 && Dot(ahead, travel) < 0.0) {
        travel = -travel;
    }
    mark.arrowHead = mark.centre + travel * arrowLength;
    return mark;
}

}  // namespace we_canvas
