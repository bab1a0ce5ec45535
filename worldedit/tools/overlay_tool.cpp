#include "worldedit/tools/overlay_tool.h"

#include <algorithm>
#include <vector>

#include "engine/ini.h"
#include "worldedit/objects/we_start_sprite.h"
#include "worldedit/tools/canvas_overlay.h"

void ASP_WE_OverlayTool::Draw(const ASP_WE_Canvas& canvas) {
    DrawCheckpoints(canvas.font);
    DrawStarts(canvas.font);
}

void ASP_WE_OverlayTool::DrawCheckpoints(CFont* font) {
    using namespace we_canvas;
    std::vector<ASP_WE_CheckpointSprite*> checkpoints = context.document.Checkpoints();
    std::stable_sort(checkpoints.begin(), checkpoints.end(),
                     [](const auto* a, const auto* b) { return a->index < b->index; });
    for (ASP_WE_CheckpointSprite* checkpoint : checkpoints) {
        // A lap runs through the indices in order: the arrow points at the next one, the last at the first.
        const auto next = std::find_if(checkpoints.begin(), checkpoints.end(),
                                       [&](const auto* other) { return other->index > checkpoint->index; });
        const ASP_WE_CheckpointSprite* target = next != checkpoints.end() ? *next : checkpoints.front();
        const Quad corners = checkpoint->GetCorners();
        const Point toward =
            target->index != checkpoint->index ? QuadCentre(target->GetCorners()) : QuadCentre(corners);
        const CheckpointMark mark = MarkCheckpoint(corners, toward, kArrowLength);
        const Colour colour = checkpoint->isFinish ? kFinishLine : kCheckpointLine;
        Line(mark.from, mark.to, colour, 4.0f);
        Arrow(mark.centre, mark.arrowHead, colour, 3.0f);
        const Point label = mark.centre - (mark.arrowHead - mark.centre) * 0.4;
        Label(font, NumberToText(checkpoint->index) + (checkpoint->isFinish ? " finish" : ""), label.x,
              label.y, true);
    }
}

void ASP_WE_OverlayTool::DrawStarts(CFont* font) {
    int number = 0;
    for (ASP_WE_Object* start : context.document.ObjectsOf(ASP_WE_StartSprite::kind)) {
        const Quad corners = start->Sprite().GetCorners();
        we_canvas::Outline(corners, we_canvas::kStartOutline, 2.0f);
        const Point centre = QuadCentre(corners);
        we_canvas::Label(font, NumberToText(++number), centre.x, centre.y, true);
    }
}
