#include "worldedit/asp_we_main.h"

#include <GL/gl.h>

#include <cstdlib>
#include <ctime>

#include "worldedit/road/road_tool.h"
#include "worldedit/tools/camera_tool.h"
#include "worldedit/tools/canvas_overlay.h"
#include "worldedit/tools/dialogue_tool.h"
#include "worldedit/tools/overlay_tool.h"
#include "worldedit/tools/racing_line_tool.h"
#include "worldedit/tools/selection_tool.h"

namespace {

const char kOverlayFont[] = "fnt\\dejavusansmono.ttf";
const int kOverlayFontSize = 14;
const SDLKey kHelpKey = SDLK_F1;

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ASP_WE_Main::ASP_WE_Main(std::istream& in, std::ostream& out)
    : CGameBase(1280, 720, false, true, true),
      console(in, out),
      document(out),
      view(document, width, height),
      context(document, view, console) {
    // The order in which the tools see the pointer and draw, and the help lists their inputs
    // within each group.
    Register<ASP_WE_CameraTool>();
    Register<ASP_WE_OverlayTool>();
    Register<ASP_WE_RacingLineTool>();
    road = &Register<ASP_WE_RoadTool>();
    selection = &Register<ASP_WE_SelectionTool>();
    dialogues = &Register<ASP_WE_DialogueTool>();
    BindOwnKeys();
}

void ASP_WE_Main::BindOwnKeys() {
    using Input = ASP_WE_Input;
    using Group = ASP_WE_HelpGroup;
    keys.Bind(Group::kHistory,
              {{Input::Key(SDLK_z, Input::Modifier::kCtrl), Always([this] { Undo(); })},
               {Input::Key(SDLK_y, Input::Modifier::kCtrl), Always([this] { Redo(); })}},
              "undo, redo");
    keys.Bind(Group::kProgram, Input::Key(SDLK_q, Input::Modifier::kCtrl),
              "close (asks to save unsaved changes)", Always([this] { quit = true; }));
    keys.Bind(Group::kProgram, Input::Key(SDLK_ESCAPE), "cancel the console question / close this help",
              Always([this] { showHelp = false; }));
    keys.Bind(Group::kProgram, Input::Key(kHelpKey), "show or hide this help",
              Always([this] { showHelp = !showHelp; }));
}

void ASP_WE_Main::OnInit() {
    srand(static_cast<unsigned>(time(nullptr)));
    SetCaption("Asphaltia - World Editor");
    SetIcon("mxengine.ico");
    if (!GetSdlWindowHandle(sdlWindow)) {
        FailStart("Error in SDL_GetWMInfo");
        return;
    }
    document.Open();
    context.pointer = Point(width / 2.0, height / 2.0);
    console.whileWaiting = [this] { return WaitInWindow(); };
    zoomLevel = 0;
    leftCtrl = false;
    rightCtrl = false;
    worldPath.clear();
    context.ToConsole();
    Point createdSize;
    if (!dialogues->AskWorldPath(givenWorldFile, createdSize)) {
        FailStart("No world file was given; the editor closes.");
        return;
    }
    LoadWorld();
    if (createdSize.x > 0.0) {
        view.ShowArea(createdSize);
        // A field made for a road opens with the road tool.
        road->Show(document.road.across > 0);
    }
    selected = nullptr;
    context.ToWindow();
}

void ASP_WE_Main::FailStart(const std::string& message) {
    console.Say(message);
    exitStatus = 1;
    quit = true;
}

void ASP_WE_Main::OnScreenshot(const std::string& path, bool saved) {
    console.Say(saved ? "Screenshot saved to " + path + "." : "Cannot save a screenshot to " + path + ".");
}

void ASP_WE_Main::OnCleanup() {
    context.LetGo();
    document.Close();
}

void ASP_WE_Main::OnRender(SDL_Surface* screen) {
    world->Draw(screen);
    const ASP_WE_Canvas canvas{GetFontFactory()->GetFont(kOverlayFont, kOverlayFontSize), kOverlayFontSize,
                               width, height};
    for (const auto& tool : tools) {
        tool->Draw(canvas);
    }
    we_canvas::Label(canvas.font, StatusText(), 8.0, height - 2.0 * kOverlayFontSize, false);
    if (showHelp) {
        we_canvas::TextBlock(canvas.font, keys.HelpLines(), 40.0, 40.0);
    }
}

std::string ASP_WE_Main::StatusText() const {
    if (waitingForConsole) {
        return "Answer the question on the console (Escape here cancels it)";
    }
    std::string text = FileNameOf(worldPath) + (Unsaved() ? " (unsaved)" : "");
    for (const auto& tool : tools) {
        text += tool->Status();
    }
    return text + "  |  " + ASP_WE_Input::Key(kHelpKey).Name() + " keys";
}

void ASP_WE_Main::OnUpdate(double dt) {
    if (quit && Unsaved()) {
        quit = dialogues->MayClose();
    }
    world->Update(dt);
}

bool ASP_WE_Main::WaitInWindow() {
    bool answerWanted = true;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE) {
            answerWanted = false;
        } else if (e.type == SDL_QUIT) {
            quit = true;
            answerWanted = false;
        } else if (e.type == SDL_KEYUP || e.type == SDL_VIDEORESIZE) {
            DispatchEvent(&e);
        }
    }
    if (answerWanted && screen != nullptr) {
        waitingForConsole = true;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        OnRender(screen);
        SDL_GL_SwapBuffers();
        waitingForConsole = false;
    }
    return answerWanted;
}

bool ASP_WE_Main::SaveWorld() {
    return dialogues->SaveWorld();
}

void ASP_WE_Main::AddObject() {
    selection->AddObject();
}

void ASP_WE_Main::EditSelected() {
    dialogues->EditSelected();
}

void ASP_WE_Main::EditWorld() {
    dialogues->EditWorld();
}

bool ASP_WE_Main::Undo() {
    context.Settle();
    // The object or the line's point may leave the world with the edit.
    context.LetGo();
    return document.Undo();
}

bool ASP_WE_Main::Redo() {
    context.Settle();
    context.LetGo();
    return document.Redo();
}

void ASP_WE_Main::OnKeyDown(SDL_Event* e) {
    const SDLKey key = e->key.keysym.sym;
    leftCtrl = leftCtrl || key == SDLK_LCTRL;
    rightCtrl = rightCtrl || key == SDLK_RCTRL;
    keys.PressKey(key, (e->key.keysym.mod & KMOD_SHIFT) != 0, CtrlHeld());
}

void ASP_WE_Main::OnKeyUp(SDL_Event* e) {
    if (e->key.keysym.sym == SDLK_LCTRL) {
        leftCtrl = false;
    } else if (e->key.keysym.sym == SDLK_RCTRL) {
        rightCtrl = false;
    }
}

void ASP_WE_Main::OnMouseMove(SDL_Event* e) {
    context.pointer = Point(e->motion.x, e->motion.y);
    for (const auto& tool : tools) {
        if (tool->OnPointerMove(Point(e->motion.xrel, e->motion.yrel), e->motion.state)) {
            return;
        }
    }
}

void ASP_WE_Main::OnMouseButtonDown(SDL_Event* e) {
    context.pointer = Point(e->button.x, e->button.y);
    keys.PressButton(e->button.button, (SDL_GetModState() & KMOD_SHIFT) != 0, CtrlHeld());
}

void ASP_WE_Main::OnMouseButtonUp(SDL_Event* e) {
    context.pointer = Point(e->button.x, e->button.y);
    for (const auto& tool : tools) {
        if (tool->OnButtonUp(e->button.button)) {
            return;
        }
    }
}
