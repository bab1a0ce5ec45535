#include "worldedit/editor_context.h"

ASP_WE_Context::ASP_WE_Context(ASP_WE_TrackDocument& document, ASP_WE_View& view, ASP_WE_Console& console)
    : document(document), view(view), console(console), consoleWindow(GetConsoleWindowHandle()) {}

void ASP_WE_Context::PickUp(ASP_WE_Object* object) {
    selected = object;
    if (object == nullptr) {
        return;
    }
    // An added object follows the pointer at once, which a held point would keep it from.
    heldPoint = -1;
    heldRoadPoint = -1;
    const CImageSprite& sprite = object->Sprite();
    pickedUpAt = Point(sprite.GetX(), sprite.GetY());
    const CRotateable* turnable = object->Turnable();
    pickedUpAngle = turnable != nullptr ? turnable->GetRotation() : 0.0;
    grabOffset = pickedUpAt - PointerInWorld();
    pickedUpState = document.StateOf(*object);
}

void ASP_WE_Context::Settle() {
    document.SettleLine();
    if (PickedUpMoved()) {
        document.RecordChange(*selected, pickedUpState);
        PickUp(selected);
    }
}

bool ASP_WE_Context::PickedUpMoved() const {
    if (selected == nullptr) {
        return false;
    }
    const CImageSprite& sprite = selected->Sprite();
    const CRotateable* turnable = selected->Turnable();
    return Point(sprite.GetX(), sprite.GetY()) != pickedUpAt ||
           (turnable != nullptr && turnable->GetRotation() != pickedUpAngle);
}

void ASP_WE_Context::LetGo() {
    selected = nullptr;
    heldPoint = -1;
    heldRoadPoint = -1;
}
