#include "worldedit/asp_we_main.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "engine/ini.h"
#include "engine/rotateable.h"
#include "worldedit/we_checkpoint_sprite.h"
#include "worldedit/we_ground_sprite.h"
#include "worldedit/we_physics_sprite.h"
#include "worldedit/we_start_sprite.h"
#include "worldedit/we_static_sprite.h"
#include "worldedit/world_file.h"

namespace {

// The object kinds of a world file: the count in section "main" and the prefix of the sections.
struct ObjectKind {
    const char* countKey;
    const char* prefix;
};

const ObjectKind kStarts = {"players", "start"};
const ObjectKind kGround = {"mapTiles", "map"};
const ObjectKind kStatics = {"statics", "static"};
const ObjectKind kCheckpoints = {"checkpoints", "checkpoint"};
const ObjectKind kPhysics = {"physObjects", "phys"};

const char kMain[] = "main";
const char kLaps[] = "laps";
const char kRequiredCheckpoints[] = "requiredCheckpoints";

const double kTurnStep = 5.0;  // degrees per wheel notch
const double kZoomBase = 1.5;
const Uint8 kMiddleButtonMask = SDL_BUTTON(SDL_BUTTON_MIDDLE);

const std::vector<std::string> kKindWords = {"ground", "start", "checkpoint", "static", "physobj"};

bool IsKindWord(const std::string& typed) {
    for (const std::string& word : kKindWords) {
        if (SameWord(typed, word)) {
            return true;
        }
    }
    return false;
}

CSprite* AsSprite(ASP_WE_Object* object) {
    return dynamic_cast<CSprite*>(object);
}

}  // namespace

ASP_WE_Main::ASP_WE_Main(std::istream& in, std::ostream& out)
    : CGameBase(1280, 720, false, true, true), consoleWindow(GetConsoleWindowHandle()), console(in, out) {}

void ASP_WE_Main::OnInit() {
    srand(static_cast<unsigned>(time(nullptr)));
    SetCaption("Asphaltia - World Editor");
    SetIcon("mxengine.ico");
    if (!GetSdlWindowHandle(sdlWindow)) {
        FailStart("Error in SDL_GetWMInfo");
        return;
    }
    world = std::make_unique<CSpriteManager>(nullptr);
    world->sortByZ = true;
    textures = world->textureManager;
    zoomLevel = 0;
    leftCtrl = false;
    rightCtrl = false;
    worldPath.clear();
    BringToFront(consoleWindow);
    if (!AskWorldPath()) {
        FailStart("No world file was given; the editor closes.");
        return;
    }
    LoadWorld();
    selected = nullptr;
    BringToFront(sdlWindow);
}

bool ASP_WE_Main::AskWorldPath() {
    do {
        std::string typed;
        if (!console.Ask("Enter World File Path: ", typed)) {
            return false;
        }
        worldPath = MakeAbsolutePath(typed);
    } while (!FileExists(worldPath));
    return true;
}

void ASP_WE_Main::FailStart(const std::string& message) {
    console.Say(message);
    exitStatus = 1;
    quit = true;
}

void ASP_WE_Main::OnCleanup() {
    selected = nullptr;
    textures = nullptr;
    world.reset();
}

void ASP_WE_Main::OnRender(SDL_Surface* screen) {
    world->Draw(screen);
}

void ASP_WE_Main::OnUpdate(double dt) {
    world->Update(dt);
}

int ASP_WE_Main::ReadCount(const std::string& countKey) {
    const int count = GetIniInt(kMain, countKey, 0, worldPath);
    if (count > kMaxObjectsPerKind) {
        console.Say("Refused " + countKey + " = " + std::to_string(count) + ": more than " +
                    NumberToText(kMaxObjectsPerKind) + ", none of them loaded.");
        return 0;
    }
    return count;
}

template <typename Object>
void ASP_WE_Main::LoadObjects(const std::string& countKey, const std::string& prefix) {
    const int count = ReadCount(countKey);
    for (int i = 0; i < count; ++i) {
        auto object = std::make_unique<Object>(world.get(), textures);
        object->Load(prefix + NumberToText(i), worldPath);
        world->AddSprite(object.release());
    }
}

void ASP_WE_Main::LoadWorld() {
    console.Say("Loading world file...");
    LoadObjects<ASP_WE_StartSprite>(kStarts.countKey, kStarts.prefix);
    LoadObjects<ASP_WE_GroundSprite>(kGround.countKey, kGround.prefix);
    LoadObjects<ASP_WE_StaticSprite>(kStatics.countKey, kStatics.prefix);
    LoadObjects<ASP_WE_CheckpointSprite>(kCheckpoints.countKey, kCheckpoints.prefix);
    LoadObjects<ASP_WE_PhysicsSprite>(kPhysics.countKey, kPhysics.prefix);
    // The race's default: a world without the key is saved as the race reads it.
    requiredCheckpoints = GetIniInt(kMain, kRequiredCheckpoints, 1, worldPath);
    laps = GetIniInt(kMain, kLaps, 1, worldPath);
    console.Say("Loading done.");
}

bool ASP_WE_Main::SaveWorld() {
    BringToFront(consoleWindow);
    std::string answer;
    std::string file;
    bool saved = false;
    if (console.Ask("Save? (y/n) ", answer) && SameWord(answer, "y") && console.Ask("File name: ", file)) {
        console.Say("Saving...");
        saved = WriteWorld(file);
        console.Say(saved ? "Saving done." : "Saving failed: " + file + " was left as it was.");
    }
    BringToFront(sdlWindow);
    return saved;
}

bool ASP_WE_Main::WriteWorld(const std::string& file) {
    if (file.empty()) {
        console.Say("No file name was given.");
        return false;
    }
    const std::string target = MakeAbsolutePath(file);
    // Only what the editor does not edit (music, surface modifiers and their particles) is
    // carried over; the object sections are written afresh, so none of an old count lingers.
    const std::string kept = WithoutNumberedSections(
        ReadWholeFile(worldPath),
        {kStarts.prefix, kGround.prefix, kStatics.prefix, kCheckpoints.prefix, kPhysics.prefix});
    std::string temporary;
    if (!CreateFileNextTo(target, kept, temporary)) {
        console.Say("Cannot create a new file next to " + target + ".");
        return false;
    }
    // Thousands of keys, each stored in a replacement of the whole file, froze the editor for
    // seconds; gathered in memory they cost one replacement.
    CIniWriteBatch batch(temporary);
    bool written = WriteObjects(temporary);
    if (written && !batch.Commit()) {
        console.Say("Cannot write " + temporary + ".");
        written = false;
    }
    if (written && !MoveOver(temporary, target)) {
        console.Say("Cannot replace " + target + ".");
        written = false;
    }
    if (!written) {
        unlink(temporary.c_str());
    }
    return written;
}

bool ASP_WE_Main::WriteObjects(const std::string& file) {
    int starts = 0;
    int ground = 0;
    int statics = 0;
    int checkpoints = 0;
    int physics = 0;
    bool written = true;
    for (int i = 0; i < world->GetSpriteCount() && written; ++i) {
        CSprite* child = world->GetSprite(i);
        // Checkpoints and bodies are static objects too, so they are told apart first.
        if (auto* body = dynamic_cast<ASP_WE_PhysicsSprite*>(child)) {
            written = body->Save(kPhysics.prefix + NumberToText(physics++), file);
        } else if (auto* checkpoint = dynamic_cast<ASP_WE_CheckpointSprite*>(child)) {
            written = checkpoint->Save(kCheckpoints.prefix + NumberToText(checkpoints++), file);
        } else if (auto* tile = dynamic_cast<ASP_WE_GroundSprite*>(child)) {
            written = tile->Save(kGround.prefix + NumberToText(ground++), file);
        } else if (auto* start = dynamic_cast<ASP_WE_StartSprite*>(child)) {
            written = start->Save(kStarts.prefix + NumberToText(starts++), file);
        } else if (auto* decoration = dynamic_cast<ASP_WE_StaticSprite*>(child)) {
            written = decoration->Save(kStatics.prefix + NumberToText(statics++), file);
        }
    }
    if (!written) {
        console.Say("Cannot write the objects into " + file + ".");
        return false;
    }
    ASP_WE_SectionWriter main(kMain, file);
    main.Int(kStarts.countKey, starts);
    main.Int(kGround.countKey, ground);
    main.Int(kStatics.countKey, statics);
    main.Int(kCheckpoints.countKey, checkpoints);
    main.Int(kPhysics.countKey, physics);
    main.Int(kLaps, laps);
    main.Int(kRequiredCheckpoints, requiredCheckpoints);
    if (!main.Succeeded()) {
        console.Say("Cannot write the section main into " + file + ".");
    }
    return main.Succeeded();
}

void ASP_WE_Main::AddObject() {
    BringToFront(consoleWindow);
    console.Say("Add new sprite, available classes: ");
    console.Say(" ground: Map ground tile.");
    console.Say(" start: Player starting position.");
    console.Say(" checkpoint: A checkpoint on the map.");
    console.Say(" static: A static object on the map, for decoration only.");
    console.Say(" physobj: A physics-enabled object.");
    console.out << "Enter class of new object: ";
    std::string kind;
    if (AskKind(kind)) {
        std::unique_ptr<CImageSprite> sprite = CreateObject(kind);
        auto* object = dynamic_cast<ASP_WE_Object*>(sprite.get());
        if (AskPictures(kind, *object)) {
            PlaceInView(*sprite);
            if (sprite->GetWidth() > 0.0 && sprite->GetHeight() > 0.0) {
                world->AddSprite(sprite.release());
                selected = object;
            } else {
                console.Say("Invalid texture file selected.");
            }
        }
    }
    BringToFront(sdlWindow);
}

bool ASP_WE_Main::AskKind(std::string& kind) {
    for (;;) {
        if (!console.ReadLine(kind) || SameWord(kind, "done")) {
            return false;
        }
        if (IsKindWord(kind)) {
            return true;
        }
        console.Say("Wrong input, try again.");
    }
}

std::unique_ptr<CImageSprite> ASP_WE_Main::CreateObject(const std::string& kind) {
    if (SameWord(kind, "ground")) {
        return std::make_unique<ASP_WE_GroundSprite>(world.get(), textures);
    }
    if (SameWord(kind, "start")) {
        return std::make_unique<ASP_WE_StartSprite>(world.get(), textures);
    }
    if (SameWord(kind, "checkpoint")) {
        return std::make_unique<ASP_WE_CheckpointSprite>(world.get(), textures);
    }
    if (SameWord(kind, "physobj")) {
        return std::make_unique<ASP_WE_PhysicsSprite>(world.get(), textures);
    }
    return std::make_unique<ASP_WE_StaticSprite>(world.get(), textures);
}

bool ASP_WE_Main::AskPictures(const std::string& kind, ASP_WE_Object& object) {
    // A start position always shows the car at the race's size.
    if (SameWord(kind, "start")) {
        return true;
    }
    if (!AskPicture(object, "Texture: ", "texture")) {
        return false;
    }
    auto* sprite = dynamic_cast<CImageSprite*>(&object);
    const CTexture* picture = sprite->GetTexture();
    sprite->SetWidth(picture != nullptr ? picture->PixelWidth() : 0.0);
    sprite->SetHeight(picture != nullptr ? picture->PixelHeight() : 0.0);
    return !SameWord(kind, "ground") || AskPicture(object, "Surface Map: ", "surface");
}

bool ASP_WE_Main::AskPicture(ASP_WE_Object& object, const std::string& prompt, const std::string& property) {
    std::string name;
    do {
        if (!console.Ask(prompt, name)) {
            return false;
        }
    } while (object.SetProperty(property, name, console.out) != 0);
    return true;
}

void ASP_WE_Main::PlaceInView(CImageSprite& sprite) {
    const Point corner =
        world->GlobalToLocal(Point((width - sprite.GetWidth()) / 2.0, (height - sprite.GetHeight()) / 2.0));
    sprite.SetX(corner.x);
    sprite.SetY(corner.y);
}

void ASP_WE_Main::EditSelected() {
    if (selected == nullptr) {
        return;
    }
    console.Say("");
    selected->Print(console.out);
    console.Say("Enter \"done\" to finish editing the object.");
    console.Say("");
    console.EditProperties([this](const std::string& name, const std::string& value) {
        return selected->SetProperty(name, value, console.out);
    });
}

void ASP_WE_Main::EditWorld() {
    BringToFront(consoleWindow);
    console.Say("");
    console.Say("laps: " + NumberToText(laps));
    console.Say("requiredCheckpoints: " + NumberToText(requiredCheckpoints));
    console.Say("Enter \"done\" to finish editing the object.");
    console.Say("");
    console.EditProperties(
        [this](const std::string& name, const std::string& value) { return SetWorldProperty(name, value); });
    BringToFront(sdlWindow);
}

int ASP_WE_Main::SetWorldProperty(const std::string& name, const std::string& value) {
    int v = 0;
    if (SameWord(name, kLaps)) {
        if (!ParseInt(value, v) || v <= 0) {
            return -2;
        }
        laps = v;
        return 0;
    }
    if (SameWord(name, kRequiredCheckpoints)) {
        if (!ParseInt(value, v) || v < 0) {
            return -2;
        }
        requiredCheckpoints = v;
        return 0;
    }
    return -1;
}

void ASP_WE_Main::Zoom(int level, int x, int y) {
    zoomLevel = std::min(std::max(level, kMinZoomLevel), kMaxZoomLevel);
    const Point screen(x, y);
    const Point before = world->GlobalToLocal(screen);
    const double scale = std::pow(kZoomBase, zoomLevel);
    world->SetScale(scale);
    const Point after = world->GlobalToLocal(screen);
    world->SetX(world->GetX() - (before.x - after.x) * scale);
    world->SetY(world->GetY() - (before.y - after.y) * scale);
}

void ASP_WE_Main::OnKeyDown(SDL_Event* e) {
    switch (e->key.keysym.sym) {
        case SDLK_a:
            AddObject();
            break;
        case SDLK_e:
            if (selected != nullptr) {
                BringToFront(consoleWindow);
                EditSelected();
                BringToFront(sdlWindow);
            } else {
                EditWorld();
            }
            break;
        case SDLK_s:
            SaveWorld();
            break;
        case SDLK_LCTRL:
            leftCtrl = true;
            break;
        case SDLK_RCTRL:
            rightCtrl = true;
            break;
        default:
            break;
    }
}

void ASP_WE_Main::OnKeyUp(SDL_Event* e) {
    if (e->key.keysym.sym == SDLK_LCTRL) {
        leftCtrl = false;
    } else if (e->key.keysym.sym == SDLK_RCTRL) {
        rightCtrl = false;
    }
}

void ASP_WE_Main::OnMouseMove(SDL_Event* e) {
    if ((e->motion.state & kMiddleButtonMask) != 0) {
        world->SetX(world->GetX() + e->motion.xrel);
        world->SetY(world->GetY() + e->motion.yrel);
        return;
    }
    // A selected object follows the mouse until a click drops it; ground tiles stay where they are.
    CSprite* sprite = AsSprite(selected);
    if (sprite != nullptr && dynamic_cast<ASP_WE_GroundSprite*>(sprite) == nullptr) {
        sprite->SetX(sprite->GetX() + e->motion.xrel / world->GetScale());
        sprite->SetY(sprite->GetY() + e->motion.yrel / world->GetScale());
    }
}

void ASP_WE_Main::OnMouseButtonDown(SDL_Event* e) {
    switch (e->button.button) {
        case SDL_BUTTON_LEFT:
            selected = selected == nullptr
                           ? dynamic_cast<ASP_WE_Object*>(world->GetSpriteAt(e->button.x, e->button.y))
                           : nullptr;
            break;
        case SDL_BUTTON_RIGHT:
            DeleteSelected();
            break;
        case SDL_BUTTON_WHEELUP:
            if (CtrlHeld()) {
                Zoom(zoomLevel + 1, e->button.x, e->button.y);
            } else {
                TurnSelected(kTurnStep);
            }
            break;
        case SDL_BUTTON_WHEELDOWN:
            if (CtrlHeld()) {
                Zoom(zoomLevel - 1, e->button.x, e->button.y);
            } else {
                TurnSelected(-kTurnStep);
            }
            break;
        default:
            break;
    }
}

void ASP_WE_Main::DeleteSelected() {
    CSprite* sprite = AsSprite(selected);
    // Dropped before the object goes, so that nothing is left pointing at it.
    selected = nullptr;
    for (int i = 0; sprite != nullptr && i < world->GetSpriteCount(); ++i) {
        if (world->GetSprite(i) == sprite) {
            world->RemoveSprite(i);
            return;
        }
    }
}

void ASP_WE_Main::TurnSelected(double degrees) {
    auto* turnable = dynamic_cast<CRotateable*>(selected);
    if (turnable != nullptr) {
        turnable->SetRotation(turnable->GetRotation() + degrees);
    }
}
