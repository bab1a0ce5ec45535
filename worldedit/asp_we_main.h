#pragma once

#include <SDL/SDL.h>

#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/game_base.h"
#include "engine/image_sprite.h"
#include "engine/platform/console.h"
#include "engine/sprite_manager.h"
#include "engine/texture_manager.h"
#include "worldedit/console.h"
#include "worldedit/undo_stack.h"
#include "worldedit/we_object.h"
#include "worldedit/we_racing_line.h"

// The world editor: one world file shown in a window, edited with the mouse and keys there and
// with dialogues on the text console. The dialogues run inside the key handler; while one waits
// for an answer the window is still drawn, and its Escape cancels the dialogue.
class ASP_WE_Main : public CGameBase {
public:
    // A world holding more objects of one kind than this is refused, not loaded for minutes.
    static constexpr int kMaxObjectsPerKind = 10000;
    static constexpr int kMinZoomLevel = -8;
    static constexpr int kMaxZoomLevel = 7;
    // A new track is at most this many tiles a side.
    static constexpr int kMaxNewTrackTiles = 32;
    // The grid divides a ground tile into 1 to this many parts a side.
    static constexpr int kMaxGridDivisions = 16;

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
    // Takes back the latest edit, or makes the latest undone one again; false when there is none.
    bool Undo();
    bool Redo();
    // Whether the world differs from what was loaded or last saved.
    bool Unsaved() const { return history.Unsaved() || PickedUpMoved() || racingLine.points != settledLine; }
    // The grid's spacing in world pixels: a fraction of the ground tiles' size.
    double GridSpacing() const;

    // 0, or 1 when the editor could not start.
    int ExitStatus() const { return exitStatus; }

    // Edited instead of asking for a world file, if it can be opened.
    std::string givenWorldFile;
    std::string worldPath;
    WindowHandle consoleWindow;
    WindowHandle sdlWindow = 0;
    int requiredCheckpoints = 1;
    int laps = 1;
    int zoomLevel = 0;
    bool leftCtrl = false;
    bool rightCtrl = false;
    ASP_WE_Object* selected = nullptr;
    bool snapToGrid = false;
    int gridDivisions = 4;
    bool showHelp = false;
    // The racing-line layer: the line drawn over the track, and its points edited with the mouse.
    bool showRacingLine = false;
    ASP_WE_RacingLine racingLine;
    // Holds every object of the world; its position and scale are the view.
    std::unique_ptr<CSpriteManager> world;
    CTextureManager* textures = nullptr;

private:
    bool AskWorldPath();
    bool CreateWorld(const std::string& typed);
    bool AskCount(const std::string& prompt, int& count);
    bool AskFile(const std::string& prompt, std::string& name);
    void PlaceNewTrack(int across, int down, const std::string& texture, const std::string& surface);
    // Zooms and moves the view so that the world area from (0, 0) of that size fills the window.
    void ShowArea(Point size);
    bool SaveAs();
    void AskBeforeClosing();
    bool WaitInWindow();
    void RenderOverlay();
    void RenderCheckpoints(CFont* font);
    void RenderStarts(CFont* font);
    std::string StatusText() const;
    void FailStart(const std::string& message);
    int ReadCount(const std::string& countKey);
    std::vector<std::string> TilePictures() const;
    template <typename Object>
    void LoadObjects(const std::string& countKey, const std::string& prefix);
    bool WriteWorld(const std::string& target);
    bool WriteObjects(const std::string& file);
    bool AskKind(std::string& kind);
    std::unique_ptr<CImageSprite> CreateObject(const std::string& kind);
    bool AskPictures(const std::string& kind, ASP_WE_Object& object);
    bool AskPicture(ASP_WE_Object& object, const std::string& prompt, const std::string& property);
    void PlaceUnderPointer(CImageSprite& sprite);
    void PickUp(ASP_WE_Object* object);
    // Ends the move of the picked-up object as one step of the history, keeping it picked up.
    void SettleMove();
    bool PickedUpMoved() const;
    void FollowPointer();
    int IndexOf(ASP_WE_Object* object) const;
    void DeleteSelected();
    void TurnSelected(double degrees);
    void SnapTurnSelected(int direction);
    bool CtrlHeld() const { return leftCtrl || rightCtrl; }
    // Where p falls with the grid's snapping, if it is on.
    Point OnGrid(Point p) const;
    void ToggleRacingLine();
    // Takes the line's point under the pointer, if the layer shows one there.
    bool HoldLinePoint();
    void DropLinePoint();
    void AddLinePoint();
    void DeleteLinePoint();
    void RenderRacingLine(CFont* font);
    std::string RacingLineCaption() const;
    // The first checkpoint of each required index, in index order: the race's line without one.
    std::vector<Point> CheckpointCentres() const;
    // The lowest required index with a checkpoint the line does not cross, or -1: the race then
    // follows the checkpoints' centres instead.
    int FirstMissedCheckpoint() const;

    ASP_WE_Console console;
    ASP_WE_UndoStack history;
    int exitStatus = 0;
    // The pointer on the screen, and where the picked-up object or line point was taken and is held.
    Point pointer;
    Point grabOffset;
    std::string pickedUpState;
    Point pickedUpAt;
    double pickedUpAngle = 0.0;
    bool waitingForConsole = false;
    // The line as the history last recorded it: a difference is a move not yet settled.
    std::vector<Point> settledLine;
    // The index of the line's point held by the mouse, or -1; and where the press took it.
    int heldPoint = -1;
    Point pressedAt;
    // The size of a track made at the start, in world pixels; 0 when a file was opened.
    Point createdSize;
    // The sections of the loaded world file that a save writes back unchanged.
    std::string keptSections;
};
