#include "worldedit/tools/camera_tool.h"

#include <cmath>

#include "engine/ini.h"
#include "worldedit/tools/canvas_overlay.h"

namespace {

const Uint8 kMiddleButtonMask = SDL_BUTTON(SDL_BUTTON_MIDDLE);

}  // namespace

void ASP_WE_CameraTool::Bind(ASP_WE_KeyBindings& keys) {
    using Input = ASP_WE_Input;
    using Group = ASP_WE_HelpGroup;
    ASP_WE_View& view = context.view;
    keys.Bind(Group::kView,
              {{Input::Click(SDL_BUTTON_WHEELUP, Input::Modifier::kCtrl), Always([this] { ZoomBy(1); })},
               {Input::Click(SDL_BUTTON_WHEELDOWN, Input::Modifier::kCtrl), Always([this] { ZoomBy(-1); })}},
              "zoom about the pointer");
    // The press starts nothing: the view follows the pointer while the button is held.
    keys.Bind(Group::kView, Input::Drag(SDL_BUTTON_MIDDLE), "move the view", Always([] {}));
    keys.Bind(Group::kGrid, Input::Key(SDLK_g), "snap to the grid on/off",
              Always([&view] { view.snapToGrid = !view.snapToGrid; }));
    keys.Bind(Group::kGrid, Input::Key(SDLK_g, Input::Modifier::kShift),
              "grid size: 1, 1/2 ... 1/16 of a ground tile", Always([&view] { view.NextGridSize(); }));
}

void ASP_WE_CameraTool::ZoomBy(int steps) {
    ASP_WE_View& view = context.view;
    view.Zoom(view.zoomLevel + steps, static_cast<int>(context.pointer.x),
              static_cast<int>(context.pointer.y));
}

bool ASP_WE_CameraTool::OnPointerMove(Point moved, Uint8 buttons) {
    if ((buttons & kMiddleButtonMask) == 0) {
        return false;
    }
    context.view.Pan(moved);
    return true;
}

void ASP_WE_CameraTool::Draw(const ASP_WE_Canvas& canvas) {
    const ASP_WE_View& view = context.view;
    if (view.snapToGrid) {
        we_canvas::Grid(view.ToScreen(Point(0.0, 0.0)), view.Scale(), view.GridSpacing(), canvas.width,
                        canvas.height, we_canvas::kGridLine);
    }
}

std::string ASP_WE_CameraTool::Status() const {
    const ASP_WE_View& view = context.view;
    const Point at = context.PointerInWorld();
    return "  |  zoom " + NumberToText(std::round(view.Scale() * 100.0) / 100.0) + "  |  pointer " +
           NumberToText(std::round(at.x)) + ", " + NumberToText(std::round(at.y)) + "  |  grid " +
           (view.snapToGrid ? "1/" + NumberToText(view.gridDivisions) + " tile" : "off");
}
