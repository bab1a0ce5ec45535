#pragma once

#include <SDL/SDL.h>

#include <initializer_list>
#include <map>
#include <string>
#include <utility>

#include "engine/game_base.h"
#include "engine/label_sprite.h"
#include "game/input/controls.h"
#include "game/input/joysticks.h"
#include "game/menus/menu.h"

// The controls of the four players, one player at a time: the device (the keyboard or a
// joystick), the key and pad control of every action, and the camera mode. Clicking an action waits
// for the next key or pad control, which is bound unless another action of any player has it;
// Escape or a click elsewhere cancels. Every change is stored in the settings file at once.
//
// Its menu file has the buttons previous player, next player, device, the five actions, camera
// mode and back, in this order; `main` names the labels of the player and of the note, and `text`
// holds the words shown.
class ASP_ControlsMenu : public ASP_Menu {
public:
    static constexpr int kPlayers = 4;
    // Rows after the device: the actions, then the camera mode.
    static constexpr int kCameraRow = kActions;
    static constexpr int kNotWaiting = -1;

    ASP_ControlsMenu(CTextureManager* textures, std::string settingsFile, const ASP_Joysticks* joysticks);

    // Builds the menu from its file; back is the back button's callback.
    void Load(CGameBase* app, const std::string& file, ASP_ButtonCallback back);
    // Shows the stored controls of the current player, with no note and nothing waiting.
    void Refresh();

    void OnMouseButtonDown(SDL_Event* e) override;
    void OnKeyDown(SDL_Event* e) override;
    void OnJoystick(SDL_Event* e);

    // Player counted from 0, wrapping after the last.
    void ShowPlayer(int player);
    // The next device: the keyboard, then each joystick in turn.
    void ChangeDevice();
    // An action row waits for its key or pad control; the camera row toggles the camera mode.
    void ChooseRow(int row);

    int GetPlayer() const { return player; }
    // A row waits for its key or pad control.
    bool IsWaiting() const { return waiting != kNotWaiting; }
    std::string GetNote() const;
    // The button of the device (-1) or of a row.
    ASP_Button* RowButton(int row) const;

private:
    std::string Text(const std::string& key, const std::string& fallback) const;
    std::string ActionName(int player, int action) const;
    std::string DeviceCaption(const ASP_Controls& c) const;
    void SetNote(const std::string& text);
    // Who else has this key or pad control: "Player 2 Reset", or "" for nobody.
    std::string KeyOwner(int key) const;
    std::string PadOwner(int joystick, const ASP_PadControl& control) const;
    // Stores keys of the player's section in one replacement of the file and shows the result; a
    // failure leaves the file as it was and says so.
    void Store(std::initializer_list<std::pair<const char*, std::string>> values);
    bool MovesOutwards(const SDL_Event& e);

    const std::string settingsFile;
    const ASP_Joysticks* joysticks;
    std::string menuFile;
    CLabelSprite* playerLabel = nullptr;
    CLabelSprite* noteLabel = nullptr;
    int player = 0;
    int waiting = kNotWaiting;
    // The last value of each axis (by joystick and axis).
    std::map<std::pair<int, int>, int> axisValues;
};
