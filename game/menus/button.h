#pragma once

#include <SDL/SDL.h>

#include <array>
#include <functional>
#include <memory>

#include "engine/geometry.h"
#include "game/menus/menu_element.h"

class ASP_Button;

// Run when a click on the button completes; the event is the mouse button release.
using ASP_ButtonCallback = std::function<void(ASP_Button*, SDL_Event*)>;

// A menu button with three looks: normal, hovered and pressed. A click completes only when a mouse
// button goes down on it and comes up again without the pointer having left it in between.
class ASP_Button : public ASP_MenuElement {
public:
    enum State { STATE_NORMAL = 0, STATE_HOVERED = 1, STATE_PRESSED = 2 };
    static constexpr int kStates = 3;

    explicit ASP_Button(CSprite* parent);
    ASP_Button(const ASP_Button&) = delete;
    ASP_Button& operator=(const ASP_Button&) = delete;

    // The looks always have the button's size.
    void SetWidth(double v) override;
    void SetHeight(double v) override;
    void Draw(void* target) override;
    // The looks are still pictures: nothing to advance.
    void Update(double dt) override;
    // The axis-aligned box of the global position and size; the looks do not count.
    Quad GetCorners() const override;

    void OnMouseOver(SDL_Event* e) override;
    void Select() override;
    void Deselect() override;
    void OnMouseDown(SDL_Event* e) override;
    void OnMouseUp(SDL_Event* e) override;
    void OnKeyDown(SDL_Event* e) override;
    void OnKeyUp(SDL_Event* e) override;

    // Replaces the look for a state (deleting the old one) and places the new one over the whole
    // button. An index outside 0..2 is logged and the sprite is dropped.
    void SetStateSprite(int index, std::unique_ptr<CSprite> sprite);
    // The look for a state; null when it has none or the index is outside 0..2.
    CSprite* GetStateSprite(int index) const;
    int GetState() const { return state; }

    ASP_ButtonCallback callback = nullptr;

private:
    std::array<std::unique_ptr<CSprite>, kStates> stateSprites;
    int state = STATE_NORMAL;
};

// Writes the text on every look of the button that is a label; nothing for no button.
void SetCaption(ASP_Button* button, const std::string& text);
