#pragma once

#include "engine/game_base.h"

// The world editor program: a fixed-size, resizable window on one world file.
class ASP_WE_Main : public CGameBase {
public:
    ASP_WE_Main();

    void OnInit() override;
};
