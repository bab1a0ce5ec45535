#pragma once

#include <string>
#include <vector>

#include "worldedit/tools/tool.h"

// The racing-line layer: the line the computer cars follow drawn over the track, with its
// numbered points and its direction, and its points added, dragged and deleted with the mouse.
class ASP_WE_RacingLineTool : public ASP_WE_Tool {
public:
    using ASP_WE_Tool::ASP_WE_Tool;

    void Bind(ASP_WE_KeyBindings& keys) override;
    bool OnPointerMove(Point moved, Uint8 buttons) override;
    bool OnButtonUp(Uint8 button) override;
    void Draw(const ASP_WE_Canvas& canvas) override;
    std::string Status() const override;

private:
    void Toggle();
    // A press of the left button: drops the held point, or takes the one under the pointer while
    // no object is held. False when it did neither.
    bool Press();
    // Takes the line's point under the pointer, if the layer shows one there.
    bool Hold();
    void Drop();
    // False while the line is hidden.
    bool AddPoint();
    bool DeletePoint();
    // The line's point under the pointer, or -1.
    int PointUnderPointer() const;
    std::string Caption() const;
    // The first checkpoint of each required index, in index order: the race's line without one.
    std::vector<Point> CheckpointCentres() const;
    // The lowest required index with a checkpoint the line does not cross, or -1: the race then
    // follows the checkpoints' centres instead.
    int FirstMissedCheckpoint() const;

    bool shown = false;
    // Where the press that took the held point was.
    Point pressedAt;
};
