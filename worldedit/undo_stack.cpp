#include "worldedit/undo_stack.h"

#include <unistd.h>

#include <filesystem>
#include <utility>

namespace {

// A name no file has: the batch reads nothing at its start and is dropped, never committed.
std::string StorePath(const void* owner) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "asphaltia-undo-never-written";
    return (folder /
            (std::to_string(getpid()) + "-" + std::to_string(reinterpret_cast<uintptr_t>(owner)) + ".ini"))
        .string();
}

}  // namespace

ASP_WE_Presence::ASP_WE_Presence(int index, std::unique_ptr<CSprite> deleted)
    : index(index), away(std::move(deleted)) {}

void ASP_WE_Presence::Toggle(CSpriteManager& world) {
    if (away == nullptr) {
        away = world.TakeSprite(index);
    } else {
        world.PutSprite(index, away);
    }
}

ASP_WE_Change::ASP_WE_Change(int index, std::string before, std::string after, std::string store)
    : index(index), before(std::move(before)), after(std::move(after)), store(std::move(store)) {}

void ASP_WE_Change::Restore(CSpriteManager& world, const std::string& section) {
    if (ASP_WE_Object* object = AsEditorObject(world.GetSprite(index))) {
        object->Load(section, store);
    }
}

ASP_WE_UndoStack::ASP_WE_UndoStack() : store(StorePath(this)), batch(store) {}

std::string ASP_WE_UndoStack::Remember(ASP_WE_Object& object) {
    const std::string section = "state" + std::to_string(sections++);
    object.Save(section, store);
    return section;
}

void ASP_WE_EditGroup::Undo(CSpriteManager& world) {
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
        (*edit)->Undo(world);
    }
}

void ASP_WE_EditGroup::Redo(CSpriteManager& world) {
    for (const auto& edit : edits) {
        edit->Redo(world);
    }
}

void ASP_WE_UndoStack::BeginGroup() {
    group = std::make_unique<ASP_WE_EditGroup>();
}

void ASP_WE_UndoStack::EndGroup() {
    std::unique_ptr<ASP_WE_EditGroup> made = std::move(group);
    if (made != nullptr && !made->Empty()) {
        Push(std::move(made));
    }
}

void ASP_WE_UndoStack::Push(std::unique_ptr<ASP_WE_Edit> edit) {
    if (group != nullptr) {
        group->Add(std::move(edit));
        return;
    }
    undone.clear();
    done.push_back({std::move(edit), ++numbered});
    if (done.size() > kMaxSteps) {
        done.erase(done.begin());
    }
}

bool ASP_WE_UndoStack::Undo(CSpriteManager& world) {
    return Replay(done, undone, world, &ASP_WE_Edit::Undo);
}

bool ASP_WE_UndoStack::Redo(CSpriteManager& world) {
    return Replay(undone, done, world, &ASP_WE_Edit::Redo);
}

bool ASP_WE_UndoStack::Replay(std::vector<Step>& from, std::vector<Step>& to, CSpriteManager& world,
                              void (ASP_WE_Edit::*apply)(CSpriteManager&)) {
    if (from.empty()) {
        return false;
    }
    (from.back().edit.get()->*apply)(world);
    to.push_back(std::move(from.back()));
    from.pop_back();
    return true;
}

void ASP_WE_UndoStack::Clear() {
    group.reset();
    done.clear();
    undone.clear();
}
