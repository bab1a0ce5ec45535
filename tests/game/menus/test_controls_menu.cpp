#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "game/input/controls.h"
#include "game/input/joysticks.h"
#include "game/menus/controls_menu.h"
#include "tests/support/temp_folder.h"

// A pad whose name the settings file cannot keep as it is (line ends, surrounding blanks, quotes,
// over 1,023 characters) still gets its binding, under a name the file keeps.
TEST(ControlsMenu, APadNamedAsNoSettingCanBeStillTakesItsBinding) {
    const std::pair<std::string, std::string> names[] = {{" \"Pad\"\r\n2 ", "\"Pad\"  2"},
                                                         {"' Pad '", "Pad"},
                                                         {std::string(1100, 'p'), std::string(1023, 'p')}};
    for (const auto& [name, stored] : names) {
        TempFolder folder;
        ASP_Joysticks pads;
        pads.deviceList = folder.File("devices");
        pads.Add(name);
        ASP_ControlsMenu menu(nullptr, folder.File("config.ini"), &pads);
        menu.ChooseRow(0);
        SDL_Event e{};
        e.jbutton = {SDL_JOYBUTTONDOWN, 0, 7, SDL_PRESSED};
        menu.OnJoystick(&e);
        const ASP_Controls c = ASP_Controls::Read(folder.File("config.ini"), "controls0", 0);
        EXPECT_EQ(c.pad[0].Text() + " " + std::to_string(c.joystick) + " " + c.joystickName,
                  "button7 0 " + stored);
    }
}
