#include "worldedit/track_document.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <utility>

#include "engine/ini.h"
#include "engine/picture_decoder.h"
#include "engine/platform/paths.h"
#include "engine/platform/replace_file.h"
#include "track/world_file.h"
#include "track/world_keys.h"
#include "worldedit/objects/we_ground_sprite.h"

namespace {

using world_key::kLaps;
using world_key::kMain;
using world_key::kRequiredCheckpoints;

// What a save carries over from a world file's text: all but the object sections and the racing
// line, which the editor writes afresh.
std::string NonObjectSections(const std::string& text) {
    std::vector<std::string> prefixes;
    for (const ASP_WE_ObjectKind* kind : ObjectKinds()) {
        prefixes.push_back(kind->prefix);
    }
    return WithoutSections(text, prefixes, {world_key::kRacingLine, kRoadSection});
}

}  // namespace

ASP_WE_TrackDocument::ASP_WE_TrackDocument(std::ostream& out) : out(out) {}

void ASP_WE_TrackDocument::Open() {
    world = std::make_unique<CSpriteManager>(nullptr);
    world->sortByZ = true;
    textures = world->textureManager;
}

void ASP_WE_TrackDocument::Close() {
    // Deleted objects kept for undoing use the world's textures.
    history.Clear();
    textures = nullptr;
    world.reset();
    RemoveUnusedPictures();
}

void ASP_WE_TrackDocument::NotePicturesWritten(const std::vector<std::string>& names) {
    writtenPictures.insert(writtenPictures.end(), names.begin(), names.end());
}

void ASP_WE_TrackDocument::RemoveUnusedPictures() {
    std::set<std::string> named;
    for (const std::string& file : storedAs) {
        const CIniReadBatch batch(file);
        const int tiles = GetIniInt(kMain, ASP_WE_GroundSprite::kind.countKey, 0, file);
        for (int i = 0; i < tiles && i < kMaxObjectsPerKind; ++i) {
            const std::string section = ASP_WE_GroundSprite::kind.prefix + NumberToText(i);
            named.insert(TextureName(GetIniString(section, world_key::kTexture, "", file)));
            named.insert(TextureName(GetIniString(section, world_key::kSurface, "", file)));
        }
    }
    for (const std::string& picture : writtenPictures) {
        if (named.count(TextureName(picture)) == 0) {
            std::error_code ignored;
            std::filesystem::remove(UserPath(picture), ignored);
        }
    }
    writtenPictures.clear();
}

void ASP_WE_TrackDocument::Say(const std::string& message) {
    out << message << "\n" << std::flush;
}

void ASP_WE_TrackDocument::Load() {
    Say("Loading world file...");
    const CIniReadBatch batch(worldPath);
    RemoveLeftovers(SaveTarget(worldPath));
    // Only what the editor does not edit (music, surface modifiers and their particles) is
    // carried over into a save; it is kept from the load, so a file gone since then loses none
    // of it. The object sections are written afresh, so none of an old count lingers.
    keptSections = NonObjectSections(ReadWholeFile(worldPath));
    for (const ASP_WE_ObjectKind* kind : ObjectKinds()) {
        // Workers decode the pictures ahead while this thread uploads them.
        CPictureDecoder decoder(PicturesToDecode(*kind));
        LoadObjects(*kind);
    }
    // The race's default: a world without the key is saved as the race reads it.
    requiredCheckpoints = GetIniInt(kMain, kRequiredCheckpoints, 1, worldPath);
    laps = GetIniInt(kMain, kLaps, 1, worldPath);
    racingLine.Load(worldPath, out);
    settledLine = racingLine.points;
    road.Load(worldPath, out);
    settledRoad = road;
    storedAs.push_back(worldPath);
    Say("Loading done.");
}

int ASP_WE_TrackDocument::ReadCount(const ASP_WE_ObjectKind& kind) {
    const int count = GetIniInt(kMain, kind.countKey, 0, worldPath);
    if (count > kMaxObjectsPerKind) {
        Say("Refused " + std::string(kind.countKey) + " = " + std::to_string(count) + ": more than " +
            NumberToText(kMaxObjectsPerKind) + ", none of them loaded.");
        return 0;
    }
    return count;
}

std::vector<std::string> ASP_WE_TrackDocument::PicturesToDecode(const ASP_WE_ObjectKind& kind) const {
    std::vector<std::string> pictures;
    const int count = kind.pictureOf != nullptr ? GetIniInt(kMain, kind.countKey, 0, worldPath) : 0;
    for (int i = 0; i < count && i < kMaxObjectsPerKind; ++i) {
        pictures.push_back(kind.pictureOf(kind.prefix + NumberToText(i), worldPath));
    }
    return pictures;
}

void ASP_WE_TrackDocument::LoadObjects(const ASP_WE_ObjectKind& kind) {
    const int count = ReadCount(kind);
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<ASP_WE_Object> object = kind.create(world.get(), textures);
        object->Load(kind.prefix + NumberToText(i), worldPath);
        world->AddSprite(&object.release()->Sprite());
    }
}

void ASP_WE_TrackDocument::TakeSettingsOf(const std::string& templateFile) {
    std::string kept = ReadWholeFile(MakeAbsolutePath(templateFile));
    kept.erase(0, std::min(kept.find('['), kept.size()));
    keptSections = NonObjectSections(kept);
    laps = GetIniInt(kMain, kLaps, 1, templateFile);
    requiredCheckpoints = 1;
}

void ASP_WE_TrackDocument::RemoveObjects() {
    // The history's steps name objects by their place in the world, which a new load refills.
    history.Clear();
    world->RemoveAll();
}

bool ASP_WE_TrackDocument::Write(const std::string& file) {
    if (file.empty()) {
        Say("No file name was given.");
        return false;
    }
    const std::string badName = NameRefusal(file);
    if (!badName.empty()) {
        Say(badName);
        return false;
    }
    const std::string target = SaveTarget(PrepareWritePath(file));
    const std::string refusal = SaveRefusal(target);
    if (!refusal.empty()) {
        Say(refusal);
        return false;
    }
    const bool saved = SaveIniText(
        target, keptSections, [this](const std::string& into) { return WriteObjects(into); }, out);
    out << std::flush;
    if (saved) {
        storedAs.push_back(target);
    }
    return saved;
}

bool ASP_WE_TrackDocument::WriteObjects(const std::string& file) {
    std::map<const ASP_WE_ObjectKind*, int> counts;
    bool written = true;
    for (int i = 0; i < world->GetSpriteCount() && written; ++i) {
        if (ASP_WE_Object* object = ObjectAt(i)) {
            const ASP_WE_ObjectKind& kind = object->Kind();
            written = object->Save(kind.prefix + NumberToText(counts[&kind]++), file);
        }
    }
    if (!written || !racingLine.Save(file) || !road.Save(file)) {
        Say("Cannot write the objects into " + file + ".");
        return false;
    }
    ASP_SectionWriter main(kMain, file);
    for (const ASP_WE_ObjectKind* kind : ObjectKinds()) {
        main.Int(kind->countKey, counts[kind]);
    }
    main.Int(kLaps, laps);
    main.Int(kRequiredCheckpoints, requiredCheckpoints);
    if (!main.Succeeded()) {
        Say("Cannot write the section main into " + file + ".");
    }
    return main.Succeeded();
}

int ASP_WE_TrackDocument::SetProperty(const std::string& name, const std::string& value) {
    int v = 0;
    if (SameWord(name, kLaps)) {
        if (!ParseInt(value, v) || v <= 0) {
            return -2;
        }
        RecordValue(laps, v);
        return 0;
    }
    if (SameWord(name, kRequiredCheckpoints)) {
        if (!ParseInt(value, v) || v < 0) {
            return -2;
        }
        RecordValue(requiredCheckpoints, v);
        return 0;
    }
    return -1;
}

void ASP_WE_TrackDocument::RecordValue(int& value, int v) {
    if (v != value) {
        history.Push(std::make_unique<ASP_WE_ValueChange<int>>(value, value, v));
        value = v;
    }
}

ASP_WE_Object* ASP_WE_TrackDocument::ObjectAt(int index) const {
    return AsEditorObject(world->GetSprite(index));
}

int ASP_WE_TrackDocument::IndexOf(ASP_WE_Object* object) const {
    for (int i = 0; object != nullptr && i < world->GetSpriteCount(); ++i) {
        if (world->GetSprite(i) == &object->Sprite()) {
            return i;
        }
    }
    return -1;
}

ASP_WE_Object* ASP_WE_TrackDocument::ObjectUnder(Point screen) const {
    return AsEditorObject(world->GetSpriteAt(static_cast<int>(screen.x), static_cast<int>(screen.y)));
}

std::vector<ASP_WE_Object*> ASP_WE_TrackDocument::ObjectsOf(const ASP_WE_ObjectKind& kind) const {
    std::vector<ASP_WE_Object*> objects;
    for (int i = 0; i < world->GetSpriteCount(); ++i) {
        ASP_WE_Object* object = ObjectAt(i);
        if (object != nullptr && &object->Kind() == &kind) {
            objects.push_back(object);
        }
    }
    return objects;
}

std::vector<ASP_WE_CheckpointSprite*> ASP_WE_TrackDocument::Checkpoints() const {
    std::vector<ASP_WE_CheckpointSprite*> checkpoints;
    for (ASP_WE_Object* object : ObjectsOf(ASP_WE_CheckpointSprite::kind)) {
        // Only checkpoints are of their kind.
        checkpoints.push_back(static_cast<ASP_WE_CheckpointSprite*>(object));
    }
    return checkpoints;
}

double ASP_WE_TrackDocument::TileWidth() const {
    for (ASP_WE_Object* tile : ObjectsOf(ASP_WE_GroundSprite::kind)) {
        if (tile->Sprite().GetWidth() > 0.0) {
            return tile->Sprite().GetWidth();
        }
    }
    return 0.0;
}

ASP_WE_Object* ASP_WE_TrackDocument::Add(std::unique_ptr<ASP_WE_Object> object) {
    const int index = world->AddSprite(&object.release()->Sprite());
    history.Push(std::make_unique<ASP_WE_Presence>(index, nullptr));
    return ObjectAt(index);
}

void ASP_WE_TrackDocument::Delete(ASP_WE_Object* object) {
    const int index = IndexOf(object);
    if (index >= 0) {
        // Kept by the history, so that undoing puts it back where it was.
        history.Push(std::make_unique<ASP_WE_Presence>(index, world->TakeSprite(index)));
    }
}

std::string ASP_WE_TrackDocument::StateOf(ASP_WE_Object& object) {
    return history.Remember(object);
}

void ASP_WE_TrackDocument::RecordChange(ASP_WE_Object& object, const std::string& before) {
    history.Push(
        std::make_unique<ASP_WE_Change>(IndexOf(&object), before, history.Remember(object), history.Store()));
}

void ASP_WE_TrackDocument::SettleLine() {
    if (racingLine.points != settledLine) {
        history.Push(std::make_unique<ASP_WE_ValueChange<std::vector<Point>>>(racingLine.points, settledLine,
                                                                              racingLine.points));
        settledLine = racingLine.points;
    }
    if (road != settledRoad) {
        history.Push(std::make_unique<ASP_WE_ValueChange<ASP_WE_Road>>(road, settledRoad, road));
        settledRoad = road;
    }
}

void ASP_WE_TrackDocument::SetRacingLine(const std::vector<Point>& points) {
    SettleLine();
    racingLine.points = points;
    SettleLine();
}

void ASP_WE_TrackDocument::SetRequiredCheckpoints(int count) {
    RecordValue(requiredCheckpoints, count);
}

void ASP_WE_TrackDocument::SetSurfaces(const std::string& sections, int count) {
    const std::string kept = WithKey(WithoutModifiers(keptSections) + sections, kMain,
                                     world_key::kModifierCount, NumberToText(count));
    if (kept != keptSections) {
        history.Push(std::make_unique<ASP_WE_ValueChange<std::string>>(keptSections, keptSections, kept));
        keptSections = kept;
    }
}

Point ASP_WE_TrackDocument::GroundSize() const {
    Point size;
    for (ASP_WE_Object* tile : ObjectsOf(ASP_WE_GroundSprite::kind)) {
        const CImageSprite& sprite = tile->Sprite();
        size.x = std::max(size.x, sprite.GetX() + sprite.GetWidth());
        size.y = std::max(size.y, sprite.GetY() + sprite.GetHeight());
    }
    return size;
}

void ASP_WE_TrackDocument::TakeLinesAsSettled() {
    settledLine = racingLine.points;
    settledRoad = road;
}

bool ASP_WE_TrackDocument::Undo() {
    const bool undone = history.Undo(*world);
    TakeLinesAsSettled();
    return undone;
}

bool ASP_WE_TrackDocument::Redo() {
    const bool redone = history.Redo(*world);
    TakeLinesAsSettled();
    return redone;
}

bool ASP_WE_TrackDocument::Unsaved() const {
    return history.Unsaved() || racingLine.points != settledLine || road != settledRoad;
}
