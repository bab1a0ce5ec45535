#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "engine/geometry.h"
#include "engine/sprite_manager.h"
#include "engine/texture_manager.h"
#include "worldedit/objects/object_kinds.h"
#include "worldedit/objects/we_checkpoint_sprite.h"
#include "worldedit/objects/we_object.h"
#include "worldedit/objects/we_racing_line.h"
#include "worldedit/road/road.h"
#include "worldedit/undo_stack.h"

// The track being edited: the objects and values of one world file and its racing line, loaded
// from the file and saved back, and the history of their edits. The window, the mouse and the
// console's questions are the tools' business; remarks for the user go to the stream it is given.
class ASP_WE_TrackDocument {
public:
    // A world holding more objects of one kind than this is refused, not loaded for minutes.
    static constexpr int kMaxObjectsPerKind = 10000;

    explicit ASP_WE_TrackDocument(std::ostream& out);

    // Makes the empty world, whose textures need the window's OpenGL context.
    void Open();
    // Forgets the history, then deletes the world with every object and texture, and the pictures
    // this session wrote that no file it loaded or saved names.
    void Close();

    // Adds the objects and values of the world file at worldPath.
    void Load();
    // Stores the track as file, in one step. False, with a remark and the file as it was, if it
    // cannot be written completely.
    bool Write(const std::string& file);
    // What a save keeps besides the objects and the racing line (music, surfaces and their
    // particles, laps): those of the template's text, without the comment that describes it.
    void TakeSettingsOf(const std::string& templateFile);
    // Deletes every object and forgets the history, as a new load begins.
    void RemoveObjects();

    // Sets "laps" or "requiredCheckpoints" as an object's SetProperty sets its own, as a step of
    // the history: 0 taken, -1 no such name, -2 not an acceptable value.
    int SetProperty(const std::string& name, const std::string& value);

    // The object at index of the world's list, or null for an empty entry.
    ASP_WE_Object* ObjectAt(int index) const;
    int IndexOf(ASP_WE_Object* object) const;
    // The topmost object under the screen point, or null.
    ASP_WE_Object* ObjectUnder(Point screen) const;
    std::vector<ASP_WE_Object*> ObjectsOf(const ASP_WE_ObjectKind& kind) const;
    std::vector<ASP_WE_CheckpointSprite*> Checkpoints() const;
    // The width of the first ground tile that has one, or 0.
    double TileWidth() const;

    // Adds the object to the world as a step of the history, and gives it back.
    ASP_WE_Object* Add(std::unique_ptr<ASP_WE_Object> object);
    // Takes the object out of the world as a step of the history, which keeps it for undoing.
    void Delete(ASP_WE_Object* object);
    // The object's state as the history keeps it, and a change of the object from such a state to
    // the one it has now recorded as a step.
    std::string StateOf(ASP_WE_Object& object);
    void RecordChange(ASP_WE_Object& object, const std::string& before);
    // Records the racing line's and the road's changes since the last record, each as one step.
    void SettleLine();
    // The edits from BeginStep to EndStep are one step of the history.
    void BeginStep() { history.BeginGroup(); }
    void EndStep() { history.EndGroup(); }
    // Steps of the history that set the racing line, the required checkpoints, and the surfaces: the
    // "mod" sections of a world file (with their particles) that a save writes, and their count.
    void SetRacingLine(const std::vector<Point>& points);
    void SetRequiredCheckpoints(int count);
    void SetSurfaces(const std::string& sections, int count);
    // The area of the ground tiles from (0, 0), in world pixels; (0, 0) without tiles.
    Point GroundSize() const;
    // Pictures written for this track, removed on closing unless a file it loaded or saved names them.
    void NotePicturesWritten(const std::vector<std::string>& names);
    // Takes back the latest step, or makes the latest undone one again; false when there is none.
    bool Undo();
    bool Redo();
    // Whether the track differs from what was loaded or last saved.
    bool Unsaved() const;
    void MarkSaved() { history.MarkSaved(); }

    // Holds every object of the world; its position and scale are the view.
    std::unique_ptr<CSpriteManager> world;
    // The world's own texture manager, where new objects get their pictures.
    CTextureManager* textures = nullptr;
    std::string worldPath;
    // The name the track was opened as, as given: the name a save proposes.
    std::string openedAs;
    int requiredCheckpoints = 1;
    int laps = 1;
    ASP_WE_RacingLine racingLine;
    ASP_WE_Road road;

private:
    void Say(const std::string& message);
    int ReadCount(const ASP_WE_ObjectKind& kind);
    std::vector<std::string> PicturesToDecode(const ASP_WE_ObjectKind& kind) const;
    void LoadObjects(const ASP_WE_ObjectKind& kind);
    bool WriteObjects(const std::string& file);
    void RecordValue(int& value, int before);
    void RemoveUnusedPictures();
    // The lines as they are now count as recorded: after the history changed them.
    void TakeLinesAsSettled();

    std::ostream& out;
    ASP_WE_UndoStack history;
    // The line as the history last recorded it: a difference is a change not yet recorded.
    std::vector<Point> settledLine;
    ASP_WE_Road settledRoad;
    // The sections of the loaded world file that a save writes back unchanged.
    std::string keptSections;
    std::vector<std::string> writtenPictures;
    // The files loaded or saved since the track was opened.
    std::vector<std::string> storedAs;
};
