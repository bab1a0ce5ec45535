#include "game/menus/controls_menu.h"

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

#include "engine/ini.h"
#include "game/menus/button.h"

namespace {

// Sprite indices: the background, then the buttons previous, next, device (the row before the
// first), the rows and back.
constexpr int kFirstRowButton = 4;
constexpr size_t kShownNameLength = 22;
// The longest value the settings file keeps.
constexpr size_t kLongestValue = 1023;

ASP_ControlsMenu* MenuOf(ASP_Button* button) {
    return button != nullptr ? dynamic_cast<ASP_ControlsMenu*>(button->GetParent()) : nullptr;
}

int IndexIn(const ASP_Menu* menu, const CSprite* sprite) {
    for (int i = 0; i < menu->GetSpriteCount(); ++i) {
        if (menu->GetSprite(i) == sprite) {
            return i;
        }
    }
    return -1;
}

void OnPreviousPlayer(ASP_Button* button, SDL_Event*) {
    if (ASP_ControlsMenu* menu = MenuOf(button)) {
        menu->ShowPlayer(menu->GetPlayer() + ASP_ControlsMenu::kPlayers - 1);
    }
}

void OnNextPlayer(ASP_Button* button, SDL_Event*) {
    if (ASP_ControlsMenu* menu = MenuOf(button)) {
        menu->ShowPlayer(menu->GetPlayer() + 1);
    }
}

void OnDevice(ASP_Button* button, SDL_Event*) {
    if (ASP_ControlsMenu* menu = MenuOf(button)) {
        menu->ChangeDevice();
    }
}

void OnRow(ASP_Button* button, SDL_Event*) {
    if (ASP_ControlsMenu* menu = MenuOf(button)) {
        menu->ChooseRow(IndexIn(menu, button) - kFirstRowButton);
    }
}

// A pad's name as the settings file can keep it: the INI layer refuses line ends, surrounding
// blanks, enclosing quotes and more than 1,023 characters, and one refused value loses the whole
// binding. A pad whose stored name differs is found by its place (ASP_Joysticks::Find).
std::string StoredName(const ASP_Joysticks* joysticks, int index) {
    std::string name = joysticks != nullptr ? joysticks->Name(index) : "";
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    name.resize(std::min<size_t>(name.size(), kLongestValue));
    for (std::string before; before != name;) {
        before = name;
        const size_t first = name.find_first_not_of(" \t");
        name = first == std::string::npos ? "" : name.substr(first, name.find_last_not_of(" \t") - first + 1);
        if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') &&
            name.back() == name.front()) {
            name = name.substr(1, name.size() - 2);
        }
    }
    return name;
}

}  // namespace

ASP_ControlsMenu::ASP_ControlsMenu(CTextureManager* textures, std::string settings,
                                   const ASP_Joysticks* joysticks)
    : ASP_Menu(textures), settingsFile(std::move(settings)), joysticks(joysticks) {}

void ASP_ControlsMenu::Load(CGameBase* app, const std::string& file, ASP_ButtonCallback back) {
    menuFile = file;
    std::vector<ASP_ButtonCallback> callbacks = {OnPreviousPlayer, OnNextPlayer, OnDevice};
    callbacks.resize(callbacks.size() + kCameraRow + 1, OnRow);
    callbacks.push_back(back);
    BuildMenu(this, app, file, callbacks);
    playerLabel = dynamic_cast<CLabelSprite*>(GetSprite(GetIniInt("main", "player", -1, file)));
    noteLabel = dynamic_cast<CLabelSprite*>(GetSprite(GetIniInt("main", "note", -1, file)));
    Refresh();
}

std::string ASP_ControlsMenu::Text(const std::string& key, const std::string& fallback) const {
    return GetIniString("text", key, fallback, menuFile);
}

std::string ASP_ControlsMenu::ActionName(int p, int action) const {
    return Text("player", "Player") + " " + NumberToText(p + 1) + " " +
           Text(kActionKeys[static_cast<size_t>(action)], kActionKeys[static_cast<size_t>(action)]);
}

ASP_Button* ASP_ControlsMenu::RowButton(int row) const {
    return dynamic_cast<ASP_Button*>(GetSprite(kFirstRowButton + row));
}

std::string ASP_ControlsMenu::GetNote() const {
    return noteLabel != nullptr ? noteLabel->GetText() : "";
}

void ASP_ControlsMenu::SetNote(const std::string& text) {
    if (noteLabel != nullptr) {
        noteLabel->SetText(text);
    }
}

std::string ASP_ControlsMenu::DeviceCaption(const ASP_Controls& c) const {
    if (c.joystick == ASP_Controls::kKeyboard) {
        return Text("keyboard", "Keyboard");
    }
    const std::string pad = Text("pad", "Pad") + " " + NumberToText(c.joystick + 1);
    const int found = joysticks != nullptr ? joysticks->Find(c.joystick, c.joystickName) : -1;
    if (found < 0) {
        return pad + " " + Text("absent", "(not attached)");
    }
    return pad + ": " + joysticks->Name(found).substr(0, kShownNameLength);
}

void ASP_ControlsMenu::Refresh() {
    waiting = kNotWaiting;
    SetNote("");
    const ASP_Controls c = ASP_Controls::Read(settingsFile, ControlsSection(player), player);
    if (playerLabel != nullptr) {
        playerLabel->SetText(Text("player", "Player") + " " + NumberToText(player + 1));
    }
    SetCaption(RowButton(-1), DeviceCaption(c));
    for (size_t a = 0; a < kActions; ++a) {
        std::string caption = KeyCaption(c.keys[a]);
        if (c.joystick != ASP_Controls::kKeyboard) {
            caption += "  /  " + c.pad[a].Caption();
        }
        SetCaption(RowButton(static_cast<int>(a)), caption);
    }
    SetCaption(RowButton(kCameraRow),
               c.fixedCamera ? Text("cameraTurns", "Turns with the car") : Text("cameraFixed", "North up"));
}

void ASP_ControlsMenu::ShowPlayer(int p) {
    player = p % kPlayers;
    Refresh();
}

void ASP_ControlsMenu::Store(std::initializer_list<std::pair<const char*, std::string>> values) {
    CIniWriteBatch batch(settingsFile);
    for (const auto& [key, value] : values) {
        WriteIniString(ControlsSection(player), key, value, settingsFile);
    }
    const bool stored = batch.Commit();
    Refresh();
    if (!stored) {
        LogLine(LOG_ERROR, "The controls could not be stored in " + settingsFile + ".");
        SetNote(Text("failed", "The settings could not be saved."));
    }
}

void ASP_ControlsMenu::ChangeDevice() {
    const ASP_Controls c = ASP_Controls::Read(settingsFile, ControlsSection(player), player);
    const int count = joysticks != nullptr ? joysticks->Count() : 0;
    if (count == 0 && c.joystick == ASP_Controls::kKeyboard) {
        SetNote(Text("noPad", "No pad is attached."));
        return;
    }
    const int next = c.joystick + 1 < count ? c.joystick + 1 : ASP_Controls::kKeyboard;
    Store({{kJoystickKey, NumberToText(next)}, {kJoystickNameKey, StoredName(joysticks, next)}});
}

void ASP_ControlsMenu::ChooseRow(int row) {
    if (row == kCameraRow) {
        const ASP_Controls c = ASP_Controls::Read(settingsFile, ControlsSection(player), player);
        Store({{kFixedCameraKey, c.fixedCamera ? "0" : "1"}});
    } else if (row >= 0 && row < kActions) {
        Refresh();
        waiting = row;
        SetCaption(RowButton(row), Text("asking", "?"));
        SetNote(ActionName(player, row) + ": " + Text("waiting", "press a key or pad control, Esc cancels"));
    }
}

std::string ASP_ControlsMenu::KeyOwner(int key) const {
    for (int p = 0; p < kPlayers; ++p) {
        const ASP_Controls c = ASP_Controls::Read(settingsFile, ControlsSection(p), p);
        for (int a = 0; a < kActions; ++a) {
            if ((p != player || a != waiting) && c.keys[static_cast<size_t>(a)] == key) {
                return ActionName(p, a);
            }
        }
    }
    return "";
}

std::string ASP_ControlsMenu::PadOwner(int joystick, const ASP_PadControl& control) const {
    for (int p = 0; p < kPlayers; ++p) {
        const ASP_Controls c = ASP_Controls::Read(settingsFile, ControlsSection(p), p);
        // Another player's pad controls matter only on the same pad.
        if (p != player && c.joystick != joystick) {
            continue;
        }
        for (int a = 0; a < kActions; ++a) {
            if ((p != player || a != waiting) && c.pad[static_cast<size_t>(a)] == control) {
                return ActionName(p, a);
            }
        }
    }
    return "";
}

void ASP_ControlsMenu::OnMouseButtonDown(SDL_Event* e) {
    if (waiting != kNotWaiting) {
        Refresh();
    }
    ASP_Menu::OnMouseButtonDown(e);
}

void ASP_ControlsMenu::OnKeyDown(SDL_Event* e) {
    if (waiting == kNotWaiting) {
        return;
    }
    const int key = e->key.keysym.sym;
    if (key == SDLK_ESCAPE) {
        Refresh();
        SetNote(Text("cancelled", "Nothing changed."));
        return;
    }
    // SDL gives keys it has no name for as 0: bound, such a key would read as none.
    if (key <= SDLK_UNKNOWN || key >= SDLK_LAST) {
        SetNote(Text("unknownKey", "This key cannot be bound; press another one."));
        return;
    }
    const std::string owner = KeyOwner(key);
    if (!owner.empty()) {
        SetNote(KeyCaption(key) + " " + Text("taken", "is already") + " " + owner + ".");
        return;
    }
    Store({{kActionKeys[static_cast<size_t>(waiting)], NumberToText(key)}});
}

// An axis may rest anywhere (a trigger rests at one end), so it counts only while it moves away from
// the centre on its side.
bool ASP_ControlsMenu::MovesOutwards(const SDL_Event& e) {
    if (e.type != SDL_JOYAXISMOTION) {
        return true;
    }
    const auto it = axisValues.insert({{e.jaxis.which, e.jaxis.axis}, e.jaxis.value}).first;
    const int value = e.jaxis.value;
    const bool outwards = (value > 0 && value > it->second) || (value < 0 && value < it->second);
    it->second = value;
    return outwards;
}

void ASP_ControlsMenu::OnJoystick(SDL_Event* e) {
    const ASP_PadControl control = ASP_PadControl::PushedBy(*e);
    if (!MovesOutwards(*e) || waiting == kNotWaiting || control.kind == ASP_PadControl::NONE) {
        return;
    }
    // SDL numbers the joystick of every joystick event in the same place.
    const int joystick = e->jbutton.which;
    const std::string owner = PadOwner(joystick, control);
    if (!owner.empty()) {
        SetNote(control.Caption() + " " + Text("taken", "is already") + " " + owner + ".");
        return;
    }
    // A pad control also chooses its pad as the player's device.
    Store({{kJoystickKey, NumberToText(joystick)},
           {kJoystickNameKey, StoredName(joysticks, joystick)},
           {kPadKeys[static_cast<size_t>(waiting)], control.Text()}});
}
