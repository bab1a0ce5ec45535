#include "worldedit/asp_we_main.h"

ASP_WE_Main::ASP_WE_Main() : CGameBase(1280, 720, false, true, true) {}

void ASP_WE_Main::OnInit() {
    SetCaption("Asphaltia World Editor");
}
