#include "worldedit/road/road_tool.h"

#include <sstream>

#include "engine/ini.h"
#include "worldedit/road/road.h"
#include "worldedit/road/road_builder.h"
#include "worldedit/road/road_layout.h"
#include "worldedit/tools/canvas_overlay.h"

namespace {

// Screen pixels: how near the pointer a control point is taken, and its marker.
const double kGrabRadius = 12.0;
const double kMarkerHalf = 5.0;
// World pixels a key press widens or narrows the road by.
const double kWidthStep = 20.0;
// The edges are drawn through every this many samples of the centre line.
const int kDrawStride = 4;

constexpr we_canvas::Colour kRoadLine = {255, 255, 255};
constexpr we_canvas::Colour kRoadEdge = {60, 200, 255};

}  // namespace

void ASP_WE_RoadTool::Bind(ASP_WE_KeyBindings& keys) {
    using Input = ASP_WE_Input;
    using Group = ASP_WE_HelpGroup;
    keys.Bind(Group::kLine, Input::Key(SDLK_r), "road on/off; while on:", Always([this] { Show(!shown); }));
    const bool nested = true;
    keys.Bind(
        Group::kLine, Input::Drag(SDL_BUTTON_LEFT), "move a point of the road (or click, then click to drop)",
        [this] { return Press(); }, nested);
    keys.Bind(
        Group::kLine, Input::Key(SDLK_p), "add a road point under the pointer into the nearest segment",
        [this] { return AddPoint(); }, nested);
    keys.Bind(
        Group::kLine, Input::Key(SDLK_DELETE), "delete the road's point under the pointer",
        [this] { return DeletePoint(); }, nested);
    keys.Bind(Group::kLine,
              {{Input::Key(SDLK_LEFTBRACKET), [this] { return Widen(-kWidthStep); }},
               {Input::Key(SDLK_RIGHTBRACKET), [this] { return Widen(kWidthStep); }}},
              "narrow, widen the road", nested);
    keys.Bind(
        Group::kLine, Input::Key(SDLK_t), "next surroundings beside the road", [this] { return NextTheme(); },
        nested);
    keys.Bind(
        Group::kLine, Input::Key(SDLK_b),
        "build the track from the road: ground, kerbs, checkpoints, grid, walls, racing line",
        [this] {
            if (shown) {
                Build();
            }
            return shown;
        },
        nested);
}

void ASP_WE_RoadTool::Show(bool on) {
    Drop();
    shown = on;
    if (shown) {
        Style();
    }
}

const ASP_WE_RoadStyle* ASP_WE_RoadTool::Style() {
    if (!styleRead) {
        styleRead = true;
        std::ostringstream reason;
        styleUsable = style.Load(ASP_WE_RoadStyle::kFile, reason);
        if (!styleUsable) {
            Tell(Trimmed(reason.str(), "\n"));
        }
    }
    return styleUsable ? &style : nullptr;
}

void ASP_WE_RoadTool::Tell(const std::string& message) {
    notice = message;
    context.console.Say(message);
}

bool ASP_WE_RoadTool::OnPointerMove(Point moved, Uint8 buttons) {
    (void)moved, (void)buttons;
    std::vector<Point>& points = context.document.road.line.points;
    const int held = context.heldRoadPoint;
    if (held < 0 || held >= static_cast<int>(points.size())) {
        return false;
    }
    points[held] = context.view.OnGrid(context.PointerInWorld() + context.grabOffset);
    return true;
}

bool ASP_WE_RoadTool::OnButtonUp(Uint8 button) {
    if (button != SDL_BUTTON_LEFT || context.heldRoadPoint < 0 || context.pointer == pressedAt) {
        return false;
    }
    Drop();
    return true;
}

bool ASP_WE_RoadTool::Press() {
    if (context.heldRoadPoint >= 0) {
        Drop();
        return true;
    }
    const int index = PointUnderPointer();
    if (index < 0 || context.selected != nullptr || context.heldPoint >= 0) {
        return false;
    }
    context.heldRoadPoint = index;
    context.grabOffset = context.document.road.line.points[index] - context.PointerInWorld();
    pressedAt = context.pointer;
    return true;
}

void ASP_WE_RoadTool::Drop() {
    context.document.road.line.DropRepeats();
    context.Settle();
    context.heldRoadPoint = -1;
}

bool ASP_WE_RoadTool::AddPoint() {
    if (!shown) {
        return false;
    }
    Drop();
    context.document.road.line.Insert(context.view.OnGrid(context.PointerInWorld()));
    context.Settle();
    return true;
}

bool ASP_WE_RoadTool::DeletePoint() {
    if (!shown) {
        return false;
    }
    std::vector<Point>& points = context.document.road.line.points;
    const int index = context.heldRoadPoint >= 0 ? context.heldRoadPoint : PointUnderPointer();
    if (index >= 0 && index < static_cast<int>(points.size())) {
        points.erase(points.begin() + index);
    }
    context.heldRoadPoint = -1;
    Drop();
    return true;
}

bool ASP_WE_RoadTool::Widen(double step) {
    if (!shown) {
        return false;
    }
    context.document.road.Widen(step);
    context.Settle();
    return true;
}

bool ASP_WE_RoadTool::NextTheme() {
    const ASP_WE_RoadStyle* data = Style();
    if (!shown || data == nullptr) {
        return shown;
    }
    const std::string current = data->Theme(context.document.road.theme).name;
    for (size_t i = 0; i < data->themes.size(); ++i) {
        if (data->themes[i].name == current) {
            context.document.road.theme = data->themes[(i + 1) % data->themes.size()].name;
        }
    }
    context.Settle();
    return true;
}

bool ASP_WE_RoadTool::Build() {
    Drop();
    const ASP_WE_RoadStyle* data = Style();
    if (data == nullptr) {
        return false;
    }
    context.LetGo();
    std::ostringstream said;
    const bool built = BuildTrackFromRoad(context.document, *data, said);
    Tell(Trimmed(said.str(), "\n"));
    return built;
}

int ASP_WE_RoadTool::PointUnderPointer() const {
    return shown ? context.document.road.line.PointNear(context.PointerInWorld(),
                                                        kGrabRadius / context.view.Scale())
                 : -1;
}

void ASP_WE_RoadTool::Draw(const ASP_WE_Canvas& canvas) {
    using namespace we_canvas;
    if (!shown) {
        return;
    }
    const ASP_WE_Road& road = context.document.road;
    const ASP_WE_CentreLine line(road.line.points);
    if (!line.Empty()) {
        std::vector<Point> centre, left, right;
        const double half = road.width / 2.0;
        for (size_t i = 0; i < line.Count(); i += kDrawStride) {
            const long at = static_cast<long>(i);
            centre.push_back(context.view.ToScreen(line.At(at)));
            left.push_back(context.view.ToScreen(line.At(at) - line.Right(at) * half));
            right.push_back(context.view.ToScreen(line.At(at) + line.Right(at) * half));
        }
        Loop(left, kRoadEdge, 2.0f);
        Loop(right, kRoadEdge, 2.0f);
        Loop(centre, kRoadLine, 1.0f);
        const Point start = context.view.ToScreen(line.At(0));
        Line(context.view.ToScreen(line.At(0) - line.Right(0) * half),
             context.view.ToScreen(line.At(0) + line.Right(0) * half), kFinishLine, 3.0f);
        Arrow(start, Along(start, context.view.ToScreen(line.At(8)), kArrowLength), kFinishLine, 3.0f);
    } else if (road.line.points.size() == 2) {
        Line(context.view.ToScreen(road.line.points[0]), context.view.ToScreen(road.line.points[1]),
             kRoadLine, 1.0f);
    }
    for (size_t i = 0; i < road.line.points.size(); ++i) {
        const Point p = context.view.ToScreen(road.line.points[i]);
        Marker(p, i == 0 ? 2.0 * kMarkerHalf : kMarkerHalf,
               static_cast<int>(i) == context.heldRoadPoint ? kHighlight : kRoadEdge);
        Label(canvas.font, NumberToText(static_cast<double>(i)), p.x + 2.0 * canvas.fontSize,
              p.y - canvas.fontSize, true);
    }
    std::vector<std::string> lines = {Caption()};
    if (!notice.empty()) {
        lines.push_back(notice);
    }
    TextBlock(canvas.font, lines, 8.0, 8.0 + 2.0 * canvas.fontSize);
}

std::string ASP_WE_RoadTool::Caption() const {
    const ASP_WE_Road& road = context.document.road;
    const size_t n = road.line.points.size();
    const std::string theme = styleUsable ? style.Theme(road.theme).name : road.theme;
    std::string caption = "Road: " + NumberToText(static_cast<double>(n)) + (n == 1 ? " point" : " points") +
                          ", width " + NumberToText(road.width) + ", beside it " + theme;
    return caption + (n < 3 ? "; P adds points (three at least) under the pointer" : "; B builds the track");
}

std::string ASP_WE_RoadTool::Status() const {
    const int held = context.heldRoadPoint;
    const std::vector<Point>& points = context.document.road.line.points;
    if (held < 0 || held >= static_cast<int>(points.size())) {
        return "";
    }
    return "  |  road point " + NumberToText(held) + " at " + NumberToText(points[held].x) + ", " +
           NumberToText(points[held].y);
}
