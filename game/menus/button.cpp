#include "game/menus/button.h"

#include <string>
#include <utility>

#include "engine/ini.h"
#include "engine/label_sprite.h"

ASP_Button::ASP_Button(CSprite* parent) : ASP_MenuElement(parent) {}

void ASP_Button::SetWidth(double v) {
    if (v < 0.0) {
        return;
    }
    CSprite::SetWidth(v);
    for (auto& look : stateSprites) {
        if (look) {
            look->SetWidth(v);
        }
    }
}

void ASP_Button::SetHeight(double v) {
    if (v < 0.0) {
        return;
    }
    CSprite::SetHeight(v);
    for (auto& look : stateSprites) {
        if (look) {
            look->SetHeight(v);
        }
    }
}

void ASP_Button::Draw(void* target) {
    CSprite* look = stateSprites[static_cast<size_t>(state)].get();
    if (IsVisible() && look != nullptr) {
        look->Draw(target);
    }
}

void ASP_Button::Update(double dt) {
    (void)dt;
}

Quad ASP_Button::GetCorners() const {
    return BoxQuad(GetGlobalX(), GetGlobalY(), GetGlobalWidth(), GetGlobalHeight());
}

void ASP_Button::OnMouseOver(SDL_Event* e) {
    (void)e;
}

void ASP_Button::Select() {
    state = STATE_HOVERED;
}

void ASP_Button::Deselect() {
    state = STATE_NORMAL;
}

void ASP_Button::OnMouseDown(SDL_Event* e) {
    (void)e;
    state = STATE_PRESSED;
}

void ASP_Button::OnMouseUp(SDL_Event* e) {
    // Leaving the button deselects it, so a release after leaving no longer finds it pressed.
    if (state != STATE_PRESSED) {
        return;
    }
    state = STATE_HOVERED;
    if (callback != nullptr) {
        callback(this, e);
    }
}

void ASP_Button::OnKeyDown(SDL_Event* e) {
    (void)e;
}

void ASP_Button::OnKeyUp(SDL_Event* e) {
    (void)e;
}

void ASP_Button::SetStateSprite(int index, std::unique_ptr<CSprite> sprite) {
    if (index < 0 || index >= kStates) {
        LogLine(LOG_ERROR, "No look " + NumberToText(index) + " to set; a button has looks 0 to 2.");
        return;
    }
    auto& slot = stateSprites[static_cast<size_t>(index)];
    slot = std::move(sprite);
    if (!slot) {
        return;
    }
    slot->SetX(0.0);
    slot->SetY(0.0);
    slot->SetZ(0.0);
    slot->SetParent(this);
    slot->SetWidth(width);
    slot->SetHeight(height);
}

CSprite* ASP_Button::GetStateSprite(int index) const {
    if (index < 0 || index >= kStates) {
        return nullptr;
    }
    return stateSprites[static_cast<size_t>(index)].get();
}

void SetCaption(ASP_Button* button, const std::string& text) {
    for (int look = 0; button != nullptr && look < ASP_Button::kStates; ++look) {
        if (auto* label = dynamic_cast<CLabelSprite*>(button->GetStateSprite(look))) {
            label->SetText(text);
        }
    }
}
