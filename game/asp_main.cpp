#include "game/asp_main.h"

#include "engine/ini.h"

ASP_Main::ASP_Main()
    : CGameBase(GetIniInt("system", "width", 800, "config.ini"),
                GetIniInt("system", "height", 600, "config.ini"),
                GetIniBool("system", "fullscreen", false, "config.ini"), true, false) {}

void ASP_Main::OnInit() {
    SetCaption("Asphaltia");
    SetIcon("mxengine.ico");
}
