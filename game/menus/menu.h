#pragma once

#include <SDL/SDL.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/audio.h"
#include "engine/game_base.h"
#include "engine/image_sprite.h"
#include "engine/sprite_manager.h"
#include "engine/texture_manager.h"
#include "game/menus/button.h"
#include "game/menus/menu_element.h"

// A mouse-driven menu: a background image, buttons and labels read from a menu file, centred in
// the window, and optionally a backdrop behind it that covers the whole window. The topmost
// element under the pointer is hovered; a mouse button pressed and released on it clicks it.
// Children are drawn in the order they were added.
class ASP_Menu : public CSpriteManager {
public:
    // Textures are borrowed from textures and never unloaded by the menu.
    explicit ASP_Menu(CTextureManager* textures);

    // The backdrop, then the menu.
    void Draw(void* target) override;

    virtual void OnMouseMove(SDL_Event* e);
    // Any mouse button, the wheel included.
    virtual void OnMouseButtonDown(SDL_Event* e);
    virtual void OnMouseButtonUp(SDL_Event* e);
    virtual void OnKeyDown(SDL_Event* e);
    virtual void OnKeyUp(SDL_Event* e);

    // Index in the sprite list of the topmost visible element at the screen point, -1 for none. Highest z
    // wins; on equal z the one added last.
    int ElementAt(int x, int y);
    // Index of the sprite in the sprite list, -1 if it is not there.
    int IndexOf(const CSprite* sprite) const;
    // Forgets the hovered and pressed elements, for a menu that is shown again: the pointer has
    // been elsewhere meanwhile.
    void ResetHover();
    // Frees the rendered texts of its labels and buttons while the menu is not shown (see
    // CLabelSprite::ReleaseText).
    void ReleaseTexts();
    // Sounds played when an element gets hovered and when a mouse button goes down on one.
    void SetSounds(CAudio* audio, int hover, int click);
    // A picture of this size (its proportions) to cover the window behind the menu; none for a
    // null texture or an empty size.
    void SetBackdrop(CTexture* texture, double width, double height);
    CImageSprite* GetBackdrop() const { return backdrop.get(); }
    // Centres the menu on its background in a window of this size, and covers the window with
    // the backdrop, centred and cut at the sides that stick out.
    void FitWindow(int windowWidth, int windowHeight);

    // Index of the element a mouse button last went down on, -1 for none.
    int pressedIndex = -1;
    // Index of the hovered element, -1 for none.
    int selectedIndex = -1;

private:
    void Play(int sound) const;

    CAudio* audio = nullptr;
    int hoverSound = -1;
    int clickSound = -1;
    // No parent: it is placed in the window, not in the menu.
    std::unique_ptr<CImageSprite> backdrop;
    double backdropWidth = 0.0;
    double backdropHeight = 0.0;

    // The element at index, or null when the entry is empty or not a menu element.
    ASP_MenuElement* ElementOf(int index) const;
};

// More sections of one kind than this is a broken menu file, not a menu.
constexpr int kMaxMenuSections = 1000;

// Builds a menu from a menu file, centred in the application's window: the background first (index
// 0), then the buttons and the labels in file order. The i-th button gets callbacks[i], buttons
// beyond the list none. Fonts come from the application's font factory; textures are borrowed from
// textures. A missing file gives an empty menu with a zero-sized background.
std::unique_ptr<ASP_Menu> LoadMenu(CGameBase* app, CTextureManager* textures, std::string file,
                                   std::vector<ASP_ButtonCallback> callbacks);

// Fills an empty menu as LoadMenu does, for menus of a class of their own.
void BuildMenu(ASP_Menu* menu, CGameBase* app, const std::string& file,
               const std::vector<ASP_ButtonCallback>& callbacks);

// A picture added to the menu in the box the file's `preview` section gives (x, y, w, h), drawn
// over the menu without depth test; the menu owns it.
CImageSprite* AddPreviewPicture(ASP_Menu* menu, const std::string& file);

// text with its words wrapped into lines of at most width characters (a longer word stands alone),
// for the notes menus fill in.
std::string BreakLines(const std::string& text, size_t width);
