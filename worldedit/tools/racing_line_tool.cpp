#include "worldedit/tools/racing_line_tool.h"

#include <map>

#include "engine/ini.h"
#include "track/closed_line.h"
#include "worldedit/tools/canvas_overlay.h"

namespace {

// Screen pixels: how near the pointer a line point is taken, its marker, and the least gap
// between two numbered points, so that a zoomed-out line stays readable.
const double kPointGrabRadius = 10.0;
const double kPointMarkerHalf = 4.0;
const double kPointLabelGap = 60.0;

// The point a checkpoint turns about, which the race takes for its centre.
Point PivotOf(const ASP_WE_CheckpointSprite& checkpoint) {
    const Point pivot = checkpoint.GetRotationCenter();
    return Point(checkpoint.GetX() + checkpoint.GetWidth() * pivot.x,
                 checkpoint.GetY() + checkpoint.GetHeight() * pivot.y);
}

}  // namespace

void ASP_WE_RacingLineTool::Bind(ASP_WE_KeyBindings& keys) {
    using Input = ASP_WE_Input;
    using Group = ASP_WE_HelpGroup;
    keys.Bind(Group::kLine, Input::Key(SDLK_l),
              "racing line on/off; while on:", Always([this] { Toggle(); }));
    // The rows below apply while the line is shown.
    const bool nested = true;
    keys.Bind(
        Group::kLine, Input::Drag(SDL_BUTTON_LEFT), "move a point of the line (or click, then click to drop)",
        [this] { return Press(); }, nested);
    // Hidden, the line leaves these keys to the road.
    keys.Bind(
        Group::kLine, Input::Key(SDLK_p), "add a point under the pointer into the nearest segment",
        [this] { return AddPoint(); }, nested);
    keys.Bind(
        Group::kLine, Input::Key(SDLK_DELETE), "delete the line's point under the pointer",
        [this] { return DeletePoint(); }, nested);
}

bool ASP_WE_RacingLineTool::OnPointerMove(Point moved, Uint8 buttons) {
    (void)moved, (void)buttons;
    if (context.heldPoint < 0) {
        return false;
    }
    context.document.racingLine.points[context.heldPoint] =
        context.view.OnGrid(context.PointerInWorld() + context.grabOffset);
    return true;
}

bool ASP_WE_RacingLineTool::OnButtonUp(Uint8 button) {
    // A point dragged is dropped where the button lets go; one only clicked stays held until the
    // next click, as objects do.
    if (button != SDL_BUTTON_LEFT || context.heldPoint < 0 || context.pointer == pressedAt) {
        return false;
    }
    Drop();
    return true;
}

void ASP_WE_RacingLineTool::Toggle() {
    Drop();
    shown = !shown;
}

bool ASP_WE_RacingLineTool::Press() {
    if (context.heldPoint >= 0) {
        Drop();
        return true;
    }
    return context.selected == nullptr && Hold();
}

bool ASP_WE_RacingLineTool::Hold() {
    const int index = PointUnderPointer();
    if (index >= 0) {
        context.heldPoint = index;
        context.grabOffset = context.document.racingLine.points[index] - context.PointerInWorld();
        pressedAt = context.pointer;
    }
    return index >= 0;
}

void ASP_WE_RacingLineTool::Drop() {
    // A point dropped on its neighbour merges with it.
    context.document.racingLine.DropRepeats();
    context.Settle();
    context.heldPoint = -1;
}

bool ASP_WE_RacingLineTool::AddPoint() {
    if (shown) {
        Drop();
        context.document.racingLine.Insert(context.view.OnGrid(context.PointerInWorld()));
        context.Settle();
    }
    return shown;
}

bool ASP_WE_RacingLineTool::DeletePoint() {
    if (!shown) {
        return false;
    }
    std::vector<Point>& points = context.document.racingLine.points;
    const int index = context.heldPoint >= 0 ? context.heldPoint : PointUnderPointer();
    if (index >= 0) {
        // Before the drop, which may merge the points about it and so change their numbers.
        points.erase(points.begin() + index);
    }
    Drop();
    return true;
}

int ASP_WE_RacingLineTool::PointUnderPointer() const {
    return shown ? context.document.racingLine.PointNear(context.PointerInWorld(),
                                                         kPointGrabRadius / context.view.Scale())
                 : -1;
}

void ASP_WE_RacingLineTool::Draw(const ASP_WE_Canvas& canvas) {
    using namespace we_canvas;
    if (!shown) {
        return;
    }
    const std::vector<Point>& points = context.document.racingLine.points;
    const bool own = points.size() >= 2;
    std::vector<Point> line;
    for (const Point& p : own ? points : CheckpointCentres()) {
        line.push_back(context.view.ToScreen(p));
    }
    if (line.size() >= 2) {
        const Colour colour = own ? kRacingLine : kFallbackLine;
        Loop(line, colour, 3.0f);
        Arrow(line[0], Along(line[0], line[1], kArrowLength), colour, 3.0f);
    }
    // Even a single point, which is no line yet, is there to be dragged.
    const Point first = points.empty() ? Point() : context.view.ToScreen(points[0]);
    Point lastNumbered = first;
    for (size_t i = 0; i < points.size(); ++i) {
        const Point p = context.view.ToScreen(points[i]);
        // The first point, where a lap of the line begins, stands out.
        Marker(p, i == 0 ? 2.0 * kPointMarkerHalf : kPointMarkerHalf,
               static_cast<int>(i) == context.heldPoint ? kHighlight : kRacingLine);
        // Beside the point, off a line that runs up or down; none crowds the first one's.
        if (i == 0 || (Length(p - lastNumbered) >= kPointLabelGap && Length(p - first) >= kPointLabelGap)) {
            Label(canvas.font, NumberToText(static_cast<double>(i)), p.x + 2.0 * canvas.fontSize,
                  p.y - canvas.fontSize, true);
            lastNumbered = p;
        }
    }
    Label(canvas.font, Caption(), 8.0, 8.0, false);
}

std::string ASP_WE_RacingLineTool::Caption() const {
    const size_t n = context.document.racingLine.points.size();
    const std::string caption =
        "Racing line: " + NumberToText(static_cast<double>(n)) + (n == 1 ? " point" : " points");
    if (n < 2) {
        const size_t centres = CheckpointCentres().size();
        return caption + (centres >= 2   ? "; the race follows the checkpoints' centres (grey)"
                          : centres == 1 ? "; the race drives a lap round the only checkpoint"
                                         : " and no checkpoints to follow; computer cars stand still");
    }
    const int missed = FirstMissedCheckpoint();
    return missed < 0 ? caption
                      : caption + "; it misses checkpoint " + NumberToText(missed) +
                            ", so the race follows the checkpoints' centres";
}

std::vector<Point> ASP_WE_RacingLineTool::CheckpointCentres() const {
    std::map<int, Point> first;
    for (const ASP_WE_CheckpointSprite* checkpoint : context.document.Checkpoints()) {
        if (checkpoint->index >= 0 && checkpoint->index < context.document.requiredCheckpoints) {
            first.emplace(checkpoint->index, PivotOf(*checkpoint));
        }
    }
    std::vector<Point> centres;
    for (const auto& [index, centre] : first) {
        centres.push_back(centre);
    }
    return centres;
}

int ASP_WE_RacingLineTool::FirstMissedCheckpoint() const {
    std::vector<ASP_LineGate> gates;
    for (const ASP_WE_CheckpointSprite* checkpoint : context.document.Checkpoints()) {
        gates.push_back({PivotOf(*checkpoint), checkpoint->GetWidth(), checkpoint->index});
    }
    return ::FirstMissedCheckpoint(context.document.racingLine.points, gates,
                                   context.document.requiredCheckpoints);
}

std::string ASP_WE_RacingLineTool::Status() const {
    if (context.heldPoint < 0) {
        return "";
    }
    const Point held = context.document.racingLine.points[context.heldPoint];
    return "  |  line point " + NumberToText(context.heldPoint) + " at " + NumberToText(held.x) + ", " +
           NumberToText(held.y);
}
