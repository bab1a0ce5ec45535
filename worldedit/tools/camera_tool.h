#pragma once

#include <string>

#include "worldedit/tools/tool.h"

// Zooming about the pointer, moving the view, and the grid that placed positions snap to.
class ASP_WE_CameraTool : public ASP_WE_Tool {
public:
    using ASP_WE_Tool::ASP_WE_Tool;

    void Bind(ASP_WE_KeyBindings& keys) override;
    bool OnPointerMove(Point moved, Uint8 buttons) override;
    void Draw(const ASP_WE_Canvas& canvas) override;
    std::string Status() const override;

private:
    void ZoomBy(int steps);
};
