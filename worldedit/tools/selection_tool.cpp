#include "worldedit/tools/selection_tool.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "engine/ini.h"
#include "worldedit/objects/we_checkpoint_sprite.h"
#include "worldedit/objects/we_ground_sprite.h"
#include "worldedit/picture_list.h"
#include "worldedit/road/road.h"
#include "worldedit/road/road_layout.h"
#include "worldedit/tools/canvas_overlay.h"

namespace {

const double kTurnStep = 5.0;       // degrees per wheel notch
const double kSnapTurnStep = 15.0;  // degrees per notch with Shift
const char kCheckpointPicture[] = "gfx\\objects\\checkpoint.png";
// A new checkpoint away from any road is as wide as a new track's finish line; on a road it reaches
// this far beyond the kerbs either side.
const double kCheckpointWidth = 600.0;
const double kCheckpointDepth = 60.0;
const double kCheckpointRunOff = 100.0;

// The pictures the add dialogue offers for the question: ground pictures and surface maps for
// tiles, the objects' pictures (the checkpoint's first for a checkpoint) for the others.
std::vector<std::string> Offered(const ASP_WE_ObjectKind& kind, const ASP_WE_PictureQuestion& question) {
    if (&kind == &ASP_WE_GroundSprite::kind) {
        return PicturesIn("gfx\\tiles", std::string(question.property) == "surface" ? "surface" : "ground",
                          "");
    }
    return PicturesIn("gfx\\objects", "", &kind == &ASP_WE_CheckpointSprite::kind ? kCheckpointPicture : "");
}

}  // namespace

void ASP_WE_SelectionTool::Bind(ASP_WE_KeyBindings& keys) {
    using Input = ASP_WE_Input;
    using Group = ASP_WE_HelpGroup;
    keys.Bind(Group::kPointer, Input::Click(SDL_BUTTON_LEFT), "pick up an object / put it down",
              Always([this] { PickUpOrDrop(); }));
    keys.Bind(Group::kPointer, Input::Click(SDL_BUTTON_RIGHT), "delete the picked-up object",
              Always([this] { DeleteSelected(); }));
    keys.Bind(Group::kPointer,
              {{Input::Click(SDL_BUTTON_WHEELUP), Always([this] { TurnSelected(kTurnStep); })},
               {Input::Click(SDL_BUTTON_WHEELDOWN), Always([this] { TurnSelected(-kTurnStep); })}},
              "turn the picked-up object by 5 degrees");
    keys.Bind(
        Group::kPointer,
        {{Input::Click(SDL_BUTTON_WHEELUP, Input::Modifier::kShift), Always([this] { SnapTurnSelected(1); })},
         {Input::Click(SDL_BUTTON_WHEELDOWN, Input::Modifier::kShift),
          Always([this] { SnapTurnSelected(-1); })}},
        "turn it to the next 15 degree step");
    keys.Bind(Group::kObjects, Input::Key(SDLK_a), "add an object (answer on the console)",
              Always([this] { AddObject(); }));
}

void ASP_WE_SelectionTool::PickUpOrDrop() {
    if (context.selected == nullptr) {
        context.PickUp(context.document.ObjectUnder(context.pointer));
    } else {
        context.Settle();
        context.selected = nullptr;
    }
}

bool ASP_WE_SelectionTool::OnPointerMove(Point moved, Uint8 buttons) {
    (void)moved, (void)buttons;
    ASP_WE_Object* object = context.selected;
    if (object == nullptr || !object->Kind().followsPointer) {
        return false;
    }
    // It stays under the pointer where it was taken.
    const Point corner = context.view.OnGrid(context.PointerInWorld() + context.grabOffset);
    object->Sprite().SetX(corner.x);
    object->Sprite().SetY(corner.y);
    return true;
}

void ASP_WE_SelectionTool::Draw(const ASP_WE_Canvas& canvas) {
    (void)canvas;
    if (context.selected != nullptr) {
        we_canvas::Outline(context.selected->Sprite().GetCorners(), we_canvas::kHighlight, 3.0f);
    }
}

std::string ASP_WE_SelectionTool::Status() const {
    ASP_WE_Object* object = context.selected;
    if (object == nullptr) {
        return "";
    }
    const CRotateable* turnable = object->Turnable();
    return "  |  " + std::string(object->Kind().word) + " at " + NumberToText(object->Sprite().GetX()) +
           ", " + NumberToText(object->Sprite().GetY()) +
           (turnable != nullptr ? ", angle " + NumberToText(turnable->GetRotation()) : "");
}

void ASP_WE_SelectionTool::DeleteSelected() {
    context.Settle();
    ASP_WE_Object* object = context.selected;
    // Dropped before the object goes, so that nothing is left pointing at it.
    context.selected = nullptr;
    context.document.Delete(object);
}

void ASP_WE_SelectionTool::TurnSelected(double degrees) {
    CRotateable* turnable = context.selected != nullptr ? context.selected->Turnable() : nullptr;
    if (turnable != nullptr) {
        turnable->SetRotation(turnable->GetRotation() + degrees);
    }
}

void ASP_WE_SelectionTool::SnapTurnSelected(int direction) {
    CRotateable* turnable = context.selected != nullptr ? context.selected->Turnable() : nullptr;
    if (turnable == nullptr) {
        return;
    }
    // To the next step in that direction, so that an angle between steps lands on one.
    const double steps = turnable->GetRotation() / kSnapTurnStep;
    const double next = direction > 0 ? std::floor(steps + 1e-9) + 1.0 : std::ceil(steps - 1e-9) - 1.0;
    turnable->SetRotation(next * kSnapTurnStep);
}

void ASP_WE_SelectionTool::AddObject() {
    ASP_WE_Console& console = context.console;
    ASP_WE_TrackDocument& document = context.document;
    context.ToConsole();
    console.Say("Add new sprite, available classes: ");
    for (const ASP_WE_ObjectKind* kind : KindsOnOffer()) {
        console.Say(" " + std::string(kind->word) + ": " + kind->description);
    }
    console.out << "Enter class of new object: ";
    if (const ASP_WE_ObjectKind* kind = AskKind()) {
        std::unique_ptr<ASP_WE_Object> object = kind->create(document.world.get(), document.textures);
        if (AskPictures(*kind, *object)) {
            if (kind == &ASP_WE_CheckpointSprite::kind) {
                SetCheckpointDefaults(static_cast<ASP_WE_CheckpointSprite&>(*object));
            }
            CImageSprite& sprite = object->Sprite();
            PlaceUnderPointer(sprite);
            if (sprite.GetWidth() > 0.0 && sprite.GetHeight() > 0.0) {
                context.Settle();
                context.PickUp(document.Add(std::move(object)));
            } else {
                console.Say("Invalid texture file selected.");
            }
        }
    }
    context.ToWindow();
}

const ASP_WE_ObjectKind* ASP_WE_SelectionTool::AskKind() {
    std::string word;
    for (;;) {
        if (!context.console.ReadLine(word) || SameWord(word, "done")) {
            return nullptr;
        }
        if (const ASP_WE_ObjectKind* kind = KindNamed(word)) {
            return kind;
        }
        context.console.Say("Wrong input, try again.");
    }
}

bool ASP_WE_SelectionTool::AskPictures(const ASP_WE_ObjectKind& kind, ASP_WE_Object& object) {
    for (size_t i = 0; i < kind.pictures.size(); ++i) {
        if (!AskPicture(object, kind.pictures[i], Offered(kind, kind.pictures[i]))) {
            return false;
        }
        if (i == 0) {
            CImageSprite& sprite = object.Sprite();
            const CTexture* picture = sprite.GetTexture();
            sprite.SetWidth(picture != nullptr ? picture->PixelWidth() : 0.0);
            sprite.SetHeight(picture != nullptr ? picture->PixelHeight() : 0.0);
        }
    }
    return true;
}

bool ASP_WE_SelectionTool::AskPicture(ASP_WE_Object& object, const ASP_WE_PictureQuestion& question,
                                      const std::vector<std::string>& offered) {
    ASP_WE_Console& console = context.console;
    std::string prompt = question.prompt;
    if (!offered.empty()) {
        console.Say("Pictures on offer:");
        for (size_t i = 0; i < offered.size(); ++i) {
            console.Say("  " + NumberToText(static_cast<double>(i + 1)) + "  " + offered[i]);
        }
        // "Texture: " becomes "Texture (a number or a file name; Enter for ...): ".
        prompt = Trimmed(prompt, ": ") + " (a number or a file name; Enter for " + offered.front() + "): ";
    }
    std::string name;
    for (;;) {
        if (!console.Ask(prompt, name)) {
            return false;
        }
        int number = 0;
        if (Trimmed(name, " \t").empty() && !offered.empty()) {
            name = offered.front();
        } else if (ParseInt(name, number) && number >= 1 && number <= static_cast<int>(offered.size())) {
            name = offered[number - 1];
        }
        if (!NamesReadableFile(name)) {
            console.Say("File not found: " + name);
        } else if (object.SetProperty(question.property, name, console.out) == 0) {
            return true;
        }
    }
}

void ASP_WE_SelectionTool::SetCheckpointDefaults(ASP_WE_CheckpointSprite& checkpoint) {
    ASP_WE_TrackDocument& document = context.document;
    std::vector<bool> taken;
    for (const ASP_WE_CheckpointSprite* other : document.Checkpoints()) {
        if (other->index >= 0 && other->index < ASP_WE_TrackDocument::kMaxObjectsPerKind) {
            taken.resize(std::max(taken.size(), static_cast<size_t>(other->index) + 1));
            taken[other->index] = true;
        }
    }
    checkpoint.index = static_cast<int>(std::find(taken.begin(), taken.end(), false) - taken.begin());
    checkpoint.isFinish = checkpoint.index == 0;
    const CTexture* picture = checkpoint.GetTexture();
    if (picture != nullptr) {
        checkpoint.SetTileWidth(picture->PixelWidth());
        checkpoint.SetTileHeight(picture->PixelHeight());
    }
    // Across the road under the pointer, as wide as it with its kerbs and some run-off.
    double width = kCheckpointWidth;
    const ASP_WE_CentreLine line(document.road.line.points);
    const Point pointer = context.PointerInWorld();
    if (!line.Empty()) {
        const long nearest = static_cast<long>(line.Nearest(pointer));
        const ASP_WE_RoadBands bands(document.road.width);
        if (Length(line.At(nearest) - pointer) <= bands.half + ASP_WE_RoadBands::kKerb) {
            width = 2.0 * (bands.half + ASP_WE_RoadBands::kKerb + kCheckpointRunOff);
            checkpoint.SetRotation(RotationToward(line.Tangent(nearest)));
        }
    }
    checkpoint.SetWidth(width);
    checkpoint.SetHeight(kCheckpointDepth);
}

void ASP_WE_SelectionTool::PlaceUnderPointer(CImageSprite& sprite) {
    const Point corner =
        context.view.OnGrid(context.PointerInWorld() - Point(sprite.GetWidth(), sprite.GetHeight()) / 2.0);
    sprite.SetX(corner.x);
    sprite.SetY(corner.y);
}
