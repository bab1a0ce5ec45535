#pragma once

#include <string>
#include <vector>

#include "worldedit/objects/we_checkpoint_sprite.h"
#include "worldedit/tools/tool.h"

// Picking up, moving, turning and deleting the track's objects with the mouse, and placing new
// ones asked for on the console. A picked-up object follows the pointer until a click drops it.
class ASP_WE_SelectionTool : public ASP_WE_Tool {
public:
    using ASP_WE_Tool::ASP_WE_Tool;

    void Bind(ASP_WE_KeyBindings& keys) override;
    bool OnPointerMove(Point moved, Uint8 buttons) override;
    void Draw(const ASP_WE_Canvas& canvas) override;
    std::string Status() const override;

    // The add dialogue: asks for the kind and the pictures of a new object and picks it up under
    // the pointer.
    void AddObject();

private:
    void PickUpOrDrop();
    void DeleteSelected();
    void TurnSelected(double degrees);
    // To the next step of 15 degrees in that direction (+1 or -1).
    void SnapTurnSelected(int direction);
    const ASP_WE_ObjectKind* AskKind();
    bool AskPictures(const ASP_WE_ObjectKind& kind, ASP_WE_Object& object);
    // Offers the pictures, numbered, the first as the answer to an empty line; a file name typed
    // is taken as well.
    bool AskPicture(ASP_WE_Object& object, const ASP_WE_PictureQuestion& question,
                    const std::vector<std::string>& offered);
    // A new checkpoint takes the next free index (0 makes it the finish line), and lies across the
    // road under the pointer as wide as it, or is as wide as a new track's finish line.
    void SetCheckpointDefaults(ASP_WE_CheckpointSprite& checkpoint);
    void PlaceUnderPointer(CImageSprite& sprite);
};
