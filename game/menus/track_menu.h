#pragma once

#include <string>

#include "engine/image_sprite.h"
#include "engine/label_sprite.h"
#include "game/menus/menu.h"
#include "game/race/lap_records.h"
#include "track/track_list.h"

// The track choice on the tracks menu: the track's name, its preview picture and its records. The
// labels and the picture belong to the menu. The menu file names the labels in section "main"
// ("name", "records": indices in the menu's sprite list), the picture's area in section "preview"
// ("x", "y", "w", "h") and the texts of the records in section "text" ("lap", "race", "none").
class ASP_TrackChoice {
public:
    void Load(ASP_Menu* menu, const std::string& menuFile);
    void Show(const ASP_TrackEntry& track, const ASP_TrackRecords& records);

    CLabelSprite* nameLabel = nullptr;
    CLabelSprite* recordsLabel = nullptr;
    CImageSprite* preview = nullptr;

private:
    std::string RecordText(const std::string& caption, const ASP_Record& record) const;

    CTextureManager* textures = nullptr;
    std::string lapText;
    std::string raceText;
    std::string noneText;
};

// "m:ss.hh" for a time in seconds, as the records read.
std::string RecordTime(double seconds);
