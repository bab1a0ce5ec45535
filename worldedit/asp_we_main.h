#pragma once

#include <SDL/SDL.h>

#include <istream>
#include <memory>
#include <ostream>
#include <string>

#include "engine/game_base.h"
#include "engine/image_sprite.h"
#include "engine/platform/console.h"
#include "engine/sprite_manager.h"
#include "engine/texture_manager.h"
#include "worldedit/console.h"
#include "worldedit/we_object.h"

// The world editor: one world file shown in a window, edited with the mouse and three keys there
// and with dialogues on the text console. The dialogues run inside the key handler, so the window
// stands still while one waits for an answer.
class ASP_WE_Main : public CGameBase {
public:
    // A world holding more objects of one kind than this is refused, not loaded for minutes.
    static constexpr int kMaxObjectsPerKind = 10000;
    static constexpr int kMinZoomLevel = -8;
    static constexpr int kMaxZoomLevel = 7;

    ASP_WE_Main(std::istream& in, std::ostream& out);

    void OnInit() override;
    void OnCleanup() override;
    void OnRender(SDL_Surface* screen) override;
    void OnUpdate(double dt) override;
    void OnKeyDown(SDL_Event* e) override;
    void OnKeyUp(SDL_Event* e) override;
    void OnMouseMove(SDL_Event* e) override;
    void OnMouseButtonDown(SDL_Event* e) override;

    // Adds the objects of the world file at worldPath to the world.
    void LoadWorld();
    // The save dialogue. True only when the world was written completely; otherwise the file
    // that was asked for is left as it was.
    bool SaveWorld();
    void AddObject();
    void EditSelected();
    void EditWorld();
    // As an object's SetProperty: 0 taken, -1 no such name, -2 not an acceptable value.
    int SetWorldProperty(const std::string& name, const std::string& value);
    // Scales the view by 1.5 to the power of level, keeping the world point under (x, y) in place.
    void Zoom(int level, int x, int y);

    // 0, or 1 when the editor could not start.
    int ExitStatus() const { return exitStatus; }

    std::string worldPath;
    WindowHandle consoleWindow;
    WindowHandle sdlWindow = 0;
    int requiredCheckpoints = 1;
    int laps = 1;
    int zoomLevel = 0;
    bool leftCtrl = false;
    bool rightCtrl = false;
    ASP_WE_Object* selected = nullptr;
    // Holds every object of the world; its position and scale are the view.
    std::unique_ptr<CSpriteManager> world;
    CTextureManager* textures = nullptr;

private:
    bool AskWorldPath();
    void FailStart(const std::string& message);
    int ReadCount(const std::string& countKey);
    template <typename Object>
    void LoadObjects(const std::string& countKey, const std::string& prefix);
    bool WriteWorld(const std::string& target);
    bool WriteObjects(const std::string& file);
    bool AskKind(std::string& kind);
    std::unique_ptr<CImageSprite> CreateObject(const std::string& kind);
    bool AskPictures(const std::string& kind, ASP_WE_Object& object);
    bool AskPicture(ASP_WE_Object& object, const std::string& prompt, const std::string& property);
    void PlaceInView(CImageSprite& sprite);
    void DeleteSelected();
    void TurnSelected(double degrees);
    bool CtrlHeld() const { return leftCtrl || rightCtrl; }

    ASP_WE_Console console;
    int exitStatus = 0;
};
