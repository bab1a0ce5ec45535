#pragma once

#include "engine/game_base.h"

// The game program: its window is sized and moded by config.ini.
class ASP_Main : public CGameBase {
public:
    ASP_Main();

    void OnInit() override;
};
