#pragma once

#include <string>
#include <vector>

#include "worldedit/road/road_style.h"
#include "worldedit/tools/tool.h"

// The road layer: the road's closed centre line drawn over the track with its edges, its numbered
// control points and its direction, the finish line at the first point; points added into the
// nearest segment, dragged and deleted with the mouse; the width and the surroundings set with
// keys; and the track built from it, again after each change if the builder wants.
class ASP_WE_RoadTool : public ASP_WE_Tool {
public:
    using ASP_WE_Tool::ASP_WE_Tool;

    void Bind(ASP_WE_KeyBindings& keys) override;
    bool OnPointerMove(Point moved, Uint8 buttons) override;
    bool OnButtonUp(Uint8 button) override;
    void Draw(const ASP_WE_Canvas& canvas) override;
    std::string Status() const override;

    // Shows or hides the layer; a new track starts with it shown.
    void Show(bool on);
    bool Shown() const { return shown; }
    // Builds the track from the road; false, with the reason in the window and on the console,
    // when it was not built.
    bool Build();
    // The road data, read at its first use; null, with the reason said, when it cannot be read.
    const ASP_WE_RoadStyle* Style();

private:
    bool Press();
    void Drop();
    bool AddPoint();
    bool DeletePoint();
    bool Widen(double step);
    bool NextTheme();
    int PointUnderPointer() const;
    std::string Caption() const;
    // Says message on the console and keeps it for the window's caption.
    void Tell(const std::string& message);

    bool shown = false;
    Point pressedAt;
    ASP_WE_RoadStyle style;
    bool styleRead = false;
    bool styleUsable = false;
    // The latest outcome of a build or a refused edit, shown under the caption.
    std::string notice;
};
