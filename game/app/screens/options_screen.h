#pragma once

#include <string>
#include <vector>

#include "game/app/asp_main.h"
#include "game/app/screens/menu_screen.h"

// The buttons of the options menu: a resolution per row of the resolution table, fullscreen,
// sound, back, and the controls.
struct ASP_OptionsActions {
    ASP_ButtonCallback resolution;
    ASP_ButtonCallback fullscreen;
    ASP_ButtonCallback sound;
    ASP_ButtonCallback back;
    ASP_ButtonCallback controls;
};

// The callbacks of an options menu with this many buttons: the last three are fullscreen, sound
// and back, every one before them offers a resolution, except the button numbered controlsButton
// (from 0; none when outside), which opens the controls. With fewer than three buttons the last
// ones of those three remain; a count the menu would refuse gives none.
std::vector<ASP_ButtonCallback> OptionsCallbacks(int buttons, int controlsButton = -1,
                                                 const ASP_OptionsActions& actions = {});

// The options menu: the window's size, fullscreen and sound, stored in the settings file. A new
// size applies at once where the window can take it; what cannot apply until the next start says
// so under the settings.
class ASP_OptionsScreen : public ASP_MenuScreen {
public:
    static constexpr int kState = ASP_Main::STATE_OPTIONS;
    const char* Name() const override { return "options"; }

    using ASP_MenuScreen::ASP_MenuScreen;

    void Load() override;
    // Shows the settings as they are stored.
    void Enter() override;
    void Back() override;

    // The resolution of the table row the button offers.
    void Resolution(ASP_Button* button);
    void Fullscreen();
    void Sound();
    void Controls();

    // Puts the current settings on the label, and a note when the window is not yet as they say.
    void RefreshLabel();
    // Whether the window has the size and mode the settings file stores.
    bool WindowAsStored() const;
    // Gives the window the stored size where it can take it at once: not in fullscreen.
    void ApplyStoredSize();

    CLabelSprite* Label() const { return label; }
    CLabelSprite* Note() const { return note; }
    const std::string& NextStartText() const { return nextStartText; }

private:
    void LoadLabel();

    // Owned by the menu.
    CLabelSprite* label = nullptr;
    // Owned by the menu; says what applies at the next start. Null when the menu has none.
    CLabelSprite* note = nullptr;
    std::string nextStartText;
};
