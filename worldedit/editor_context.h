#pragma once

#include <string>

#include "engine/geometry.h"
#include "engine/platform/console.h"
#include "worldedit/console.h"
#include "worldedit/objects/we_object.h"
#include "worldedit/track_document.h"
#include "worldedit/view.h"

// What the editor's tools share: the track, the view on it, the console with the windows to bring
// to the front around its questions, and what the mouse holds.
class ASP_WE_Context {
public:
    ASP_WE_Context(ASP_WE_TrackDocument& document, ASP_WE_View& view, ASP_WE_Console& console);

    // Makes object (or none) the one the mouse holds, noting its state as the start of its next
    // recorded change; a held point of the racing line is let go.
    void PickUp(ASP_WE_Object* object);
    // Records the racing line's changes and the held object's move, each as one step of the
    // history; the object stays held.
    void Settle();
    // Whether the held object was moved or turned since it was taken or last recorded.
    bool PickedUpMoved() const;
    // Whether the track differs from what was loaded or last saved, moves not yet recorded included.
    bool Unsaved() const { return document.Unsaved() || PickedUpMoved(); }
    // Lets go of what the mouse holds without recording anything.
    void LetGo();
    Point PointerInWorld() const { return view.ToWorld(pointer); }
    void ToConsole() const { BringToFront(consoleWindow); }
    void ToWindow() const { BringToFront(sdlWindow); }

    ASP_WE_TrackDocument& document;
    ASP_WE_View& view;
    ASP_WE_Console& console;
    WindowHandle consoleWindow;
    WindowHandle sdlWindow = 0;
    // The pointer on the screen, as the last mouse event left it.
    Point pointer;
    // What the mouse holds, never both at once: an object of the world, or the index of a point
    // of the racing line (-1 for none); and where it was taken, from the pointer in world pixels.
    ASP_WE_Object* selected = nullptr;
    int heldPoint = -1;
    // The held control point of the road, -1 for none.
    int heldRoadPoint = -1;
    Point grabOffset;

private:
    // The held object as it was when taken or last recorded.
    std::string pickedUpState;
    Point pickedUpAt;
    double pickedUpAngle = 0.0;
};
