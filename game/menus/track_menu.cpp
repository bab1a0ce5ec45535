#include "game/menus/track_menu.h"

#include <cmath>
#include <cstdio>

#include "engine/ini.h"

namespace {

CLabelSprite* LabelAt(ASP_Menu* menu, const std::string& file, const std::string& key) {
    return dynamic_cast<CLabelSprite*>(menu->GetSprite(GetIniInt("main", key, -1, file)));
}

}  // namespace

std::string RecordTime(double seconds) {
    const long hundredths = std::lround(std::max(0.0, seconds) * 100.0);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld.%02ld", hundredths / 6000, hundredths / 100 % 60,
                  hundredths % 100);
    return text;
}

void ASP_TrackChoice::Load(ASP_Menu* menu, const std::string& menuFile) {
    textures = menu->textureManager;
    nameLabel = LabelAt(menu, menuFile, "name");
    recordsLabel = LabelAt(menu, menuFile, "records");
    lapText = GetIniString("text", "lap", "", menuFile);
    raceText = GetIniString("text", "race", "", menuFile);
    noneText = GetIniString("text", "none", "", menuFile);
    preview = AddPreviewPicture(menu, menuFile);
}

std::string ASP_TrackChoice::RecordText(const std::string& caption, const ASP_Record& record) const {
    if (!record.IsSet()) {
        return caption + " " + noneText;
    }
    return caption + " " + RecordTime(record.time) + " " + record.car + " " + record.date;
}

void ASP_TrackChoice::Show(const ASP_TrackEntry& track, const ASP_TrackRecords& records) {
    if (nameLabel != nullptr) {
        nameLabel->SetText(track.name);
    }
    if (recordsLabel != nullptr) {
        recordsLabel->SetText(RecordText(lapText, records.lap) + "\n" + RecordText(raceText, records.race));
    }
    if (preview != nullptr) {
        CTexture* picture =
            track.preview.empty() ? nullptr : textures->GetTexture(track.preview, true, false);
        preview->SetTexture(picture);
        preview->SetVisible(picture != nullptr);
    }
}
