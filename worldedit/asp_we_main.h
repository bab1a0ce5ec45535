#pragma once

#include <SDL/SDL.h>

#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/game_base.h"
#include "engine/platform/console.h"
#include "engine/sprite_manager.h"
#include "engine/texture_manager.h"
#include "worldedit/console.h"
#include "worldedit/editor_context.h"
#include "worldedit/objects/we_object.h"
#include "worldedit/objects/we_racing_line.h"
#include "worldedit/tools/key_bindings.h"
#include "worldedit/tools/tool.h"
#include "worldedit/track_document.h"
#include "worldedit/view.h"

class ASP_WE_DialogueTool;
class ASP_WE_RoadTool;
class ASP_WE_SelectionTool;

// The world editor: one world file shown in a window, edited with the mouse and keys there and
// with dialogues on the text console. The track is a document; the tools do the work, each with
// its own inputs in one table, which also makes the help. The dialogues run inside the key
// handler; while one waits for an answer the window is still drawn, and its Escape cancels it.
class ASP_WE_Main : public CGameBase {
    // The parts the editor is made of, first because the names below refer into them.
    ASP_WE_Console console;
    ASP_WE_TrackDocument document;
    ASP_WE_View view;
    ASP_WE_Context context;

public:
    ASP_WE_Main(std::istream& in, std::ostream& out);

    void OnInit() override;
    void OnCleanup() override;
    void OnRender(SDL_Surface* screen) override;
    void OnUpdate(double dt) override;
    void OnKeyDown(SDL_Event* e) override;
    void OnKeyUp(SDL_Event* e) override;
    void OnMouseMove(SDL_Event* e) override;
    void OnMouseButtonDown(SDL_Event* e) override;
    void OnMouseButtonUp(SDL_Event* e) override;
    void OnScreenshot(const std::string& path, bool saved) override;

    // Adds the objects of the world file at worldPath to the world.
    void LoadWorld() { document.Load(); }
    // The save dialogue. True only when the world was written completely; otherwise the file
    // that was asked for is left as it was.
    bool SaveWorld();
    void AddObject();
    void EditSelected();
    void EditWorld();
    // As an object's SetProperty: 0 taken, -1 no such name, -2 not an acceptable value.
    int SetWorldProperty(const std::string& name, const std::string& value) {
        return document.SetProperty(name, value);
    }
    void Zoom(int level, int x, int y) { view.Zoom(level, x, y); }
    // Takes back the latest edit, or makes the latest undone one again; false when there is none.
    bool Undo();
    bool Redo();
    // Whether the world differs from what was loaded or last saved.
    bool Unsaved() const { return context.Unsaved(); }
    double GridSpacing() const { return view.GridSpacing(); }
    // 0, or 1 when the editor could not start.
    int ExitStatus() const { return exitStatus; }

    ASP_WE_TrackDocument& Document() { return document; }
    const ASP_WE_KeyBindings& Keys() const { return keys; }
    ASP_WE_RoadTool& Road() { return *road; }

    // Edited instead of asking for a world file, if it can be opened.
    std::string givenWorldFile;
    // The editor's state under the names it has always had; it lives in its parts.
    std::string& worldPath = document.worldPath;
    WindowHandle& consoleWindow = context.consoleWindow;
    WindowHandle& sdlWindow = context.sdlWindow;
    int& requiredCheckpoints = document.requiredCheckpoints;
    int& laps = document.laps;
    int& zoomLevel = view.zoomLevel;
    bool leftCtrl = false;
    bool rightCtrl = false;
    ASP_WE_Object*& selected = context.selected;
    std::unique_ptr<CSpriteManager>& world = document.world;
    CTextureManager*& textures = document.textures;
    ASP_WE_RacingLine& racingLine = document.racingLine;

private:
    // Adds a tool: its inputs join the table, and it sees the pointer and draws after those added
    // before it.
    template <typename Tool>
    Tool& Register() {
        auto tool = std::make_unique<Tool>(context);
        Tool& added = *tool;
        added.Bind(keys);
        tools.push_back(std::move(tool));
        return added;
    }
    void BindOwnKeys();
    bool CtrlHeld() const { return leftCtrl || rightCtrl; }
    bool WaitInWindow();
    std::string StatusText() const;
    void FailStart(const std::string& message);

    ASP_WE_KeyBindings keys;
    std::vector<std::unique_ptr<ASP_WE_Tool>> tools;
    ASP_WE_SelectionTool* selection = nullptr;
    ASP_WE_DialogueTool* dialogues = nullptr;
    ASP_WE_RoadTool* road = nullptr;
    int exitStatus = 0;
    bool showHelp = false;
    bool waitingForConsole = false;
};
