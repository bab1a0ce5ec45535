#pragma once

#include <SDL/SDL.h>

#include <string>

#include "engine/font.h"
#include "engine/geometry.h"
#include "worldedit/editor_context.h"
#include "worldedit/tools/key_bindings.h"

// What tools draw with: the overlay's font and its size, and the window's size in pixels.
struct ASP_WE_Canvas {
    CFont* font;
    int fontSize;
    int width;
    int height;
};

// One way of working on the track: its inputs, what it does while the pointer moves, what it
// draws over the world and its part of the status line. The editor hands the pointer's moves to
// its tools, draws them and asks them for the status line in the order they were registered.
class ASP_WE_Tool {
public:
    explicit ASP_WE_Tool(ASP_WE_Context& context) : context(context) {}
    virtual ~ASP_WE_Tool() = default;

    // Adds the tool's inputs, with their help, to the editor's table.
    virtual void Bind(ASP_WE_KeyBindings& keys) { (void)keys; }
    // The pointer moved by that many screen pixels with these buttons held (SDL_BUTTON masks).
    // True when the tool took the move, which the tools after it then do not see.
    virtual bool OnPointerMove(Point moved, Uint8 buttons) {
        (void)moved, (void)buttons;
        return false;
    }
    // A mouse button let go; true when the tool took it.
    virtual bool OnButtonUp(Uint8 button) {
        (void)button;
        return false;
    }
    // Draws over the world, in screen pixels.
    virtual void Draw(const ASP_WE_Canvas& canvas) { (void)canvas; }
    // The tool's items of the status line, each after "  |  "; empty for none.
    virtual std::string Status() const { return ""; }

protected:
    ASP_WE_Context& context;
};
