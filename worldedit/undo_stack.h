#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/ini.h"
#include "engine/sprite_manager.h"
#include "worldedit/objects/we_object.h"

// One change of the world being edited that can be taken back and made again. The object it
// concerns is found by its entry in the world's list, which saving follows, so that undoing puts
// every object back in the same place of the file.
class ASP_WE_Edit {
public:
    virtual ~ASP_WE_Edit() = default;
    virtual void Undo(CSpriteManager& world) = 0;
    virtual void Redo(CSpriteManager& world) = 0;
};

// An object added or deleted: undoing and redoing both move it between the world and this edit.
class ASP_WE_Presence : public ASP_WE_Edit {
public:
    // For an object just added at index, or one taken out of index by a deletion.
    ASP_WE_Presence(int index, std::unique_ptr<CSprite> deleted);

    void Undo(CSpriteManager& world) override { Toggle(world); }
    void Redo(CSpriteManager& world) override { Toggle(world); }

private:
    void Toggle(CSpriteManager& world);

    int index;
    std::unique_ptr<CSprite> away;
};

// An object moved, turned or edited: its whole section before and after, kept as the file holds it.
class ASP_WE_Change : public ASP_WE_Edit {
public:
    ASP_WE_Change(int index, std::string before, std::string after, std::string store);

    void Undo(CSpriteManager& world) override { Restore(world, before); }
    void Redo(CSpriteManager& world) override { Restore(world, after); }

private:
    void Restore(CSpriteManager& world, const std::string& section);

    int index;
    std::string before;
    std::string after;
    std::string store;
};

// A value of the world itself (its laps, its required checkpoints, its racing line) changed.
template <typename Value>
class ASP_WE_ValueChange : public ASP_WE_Edit {
public:
    ASP_WE_ValueChange(Value& value, Value before, Value after)
        : value(value), before(std::move(before)), after(std::move(after)) {}

    void Undo(CSpriteManager&) override { value = before; }
    void Redo(CSpriteManager&) override { value = after; }

private:
    Value& value;
    Value before;
    Value after;
};

// Edits made together, taken back and made again as one: the later ones first when undoing.
class ASP_WE_EditGroup : public ASP_WE_Edit {
public:
    void Add(std::unique_ptr<ASP_WE_Edit> edit) { edits.push_back(std::move(edit)); }
    bool Empty() const { return edits.empty(); }
    void Undo(CSpriteManager& world) override;
    void Redo(CSpriteManager& world) override;

private:
    std::vector<std::unique_ptr<ASP_WE_Edit>> edits;
};

// The editor's history: the latest kMaxSteps edits, undone and redone in order. The sections of
// the objects' states live in a batch of a file that is never written, so they cost no disk.
class ASP_WE_UndoStack {
public:
    static constexpr size_t kMaxSteps = 200;

    ASP_WE_UndoStack();

    // The object's state as a section of the store, named for use in an ASP_WE_Change.
    std::string Remember(ASP_WE_Object& object);
    const std::string& Store() const { return store; }

    // Adds an edit that has just been made; what was undone before can no longer be redone. Between
    // BeginGroup and EndGroup the edits join one step.
    void Push(std::unique_ptr<ASP_WE_Edit> edit);
    void BeginGroup();
    void EndGroup();
    // False when there is nothing to undo or redo.
    bool Undo(CSpriteManager& world);
    bool Redo(CSpriteManager& world);
    // Forgets every edit, and with them the objects they keep.
    void Clear();

    // Whether the world differs from the last save (or from the loaded file).
    bool Unsaved() const { return Top() != savedTop; }
    void MarkSaved() { savedTop = Top(); }

private:
    // Each edit is numbered, so that the saved state is recognised after older ones were dropped.
    struct Step {
        std::unique_ptr<ASP_WE_Edit> edit;
        long number;
    };

    long Top() const { return done.empty() ? 0 : done.back().number; }
    // Applies the latest step of from and moves it over to to.
    static bool Replay(std::vector<Step>& from, std::vector<Step>& to, CSpriteManager& world,
                       void (ASP_WE_Edit::*apply)(CSpriteManager&));

    std::string store;
    CIniWriteBatch batch;
    int sections = 0;
    long numbered = 0;
    long savedTop = 0;
    std::vector<Step> done;
    std::vector<Step> undone;
    std::unique_ptr<ASP_WE_EditGroup> group;
};
