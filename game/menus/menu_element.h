#pragma once

#include <SDL/SDL.h>

#include "engine/sprite.h"

// A clickable element of a menu. The menu finds the topmost element under the pointer and hands it
// the mouse events; keys go to the element a mouse button last went down on.
class ASP_MenuElement : public CSprite {
public:
    explicit ASP_MenuElement(CSprite* parent);

    // The pointer moved while this element was the topmost one under it.
    virtual void OnMouseOver(SDL_Event* e) = 0;
    // Became the hovered element.
    virtual void Select() = 0;
    // Stopped being the hovered element.
    virtual void Deselect() = 0;
    virtual void OnMouseDown(SDL_Event* e) = 0;
    // A mouse button went up after this element had been pressed, wherever the pointer is now.
    virtual void OnMouseUp(SDL_Event* e) = 0;
    virtual void OnKeyDown(SDL_Event* e) = 0;
    virtual void OnKeyUp(SDL_Event* e) = 0;
};
