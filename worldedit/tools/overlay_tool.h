#pragma once

#include "worldedit/tools/tool.h"

// What the track's objects do not show by themselves: each checkpoint's line with its index and
// the direction of travel, the finish line, and the numbered start positions.
class ASP_WE_OverlayTool : public ASP_WE_Tool {
public:
    using ASP_WE_Tool::ASP_WE_Tool;

    void Draw(const ASP_WE_Canvas& canvas) override;

private:
    void DrawCheckpoints(CFont* font);
    void DrawStarts(CFont* font);
};
