#include "game/menus/car_preview.h"

#include <algorithm>
#include <cmath>

#include "engine/ini.h"

namespace {

// The label at index of the menu; null for an index outside the list, an empty entry or a sprite
// that is no label.
CLabelSprite* LabelAt(ASP_Menu* menu, const std::string& file, const std::string& key) {
    return dynamic_cast<CLabelSprite*>(menu->GetSprite(GetIniInt("main", key, 0, file)));
}

std::string Text(const std::string& key, const std::string& file) {
    return GetIniString("text", key, "", file);
}

// Caption, the integer part of the value and the unit, as the car menu lists a car's values.
std::string ValueText(const std::string& caption, double value, const std::string& unit) {
    return caption + " " + NumberToText(std::trunc(value)) + " " + unit;
}

void SetLabelText(CLabelSprite* label, const std::string& text) {
    if (label != nullptr) {
        label->SetText(text);
    }
}

}  // namespace

int PickCar(int c, int direction, int player, const std::array<int, 4>& playerCars, int playerCount,
            int carCount) {
    if (carCount <= 0) {
        return -1;
    }
    const int earlier = std::clamp(player, 0, static_cast<int>(playerCars.size()));
    const auto taken = [&](int car) {
        return carCount >= playerCount && std::find(playerCars.begin(), playerCars.begin() + earlier, car) !=
                                              playerCars.begin() + earlier;
    };
    const auto wrap = [carCount](int car) { return car < 0 ? carCount - 1 : (car >= carCount ? 0 : car); };
    // Fewer cars than carCount are taken, so a free one turns up within one round.
    c = wrap(c);
    for (int step = 0; step < carCount && taken(c); ++step) {
        c = wrap(c + direction);
    }
    return c;
}

void ASP_CarPreview::Load(ASP_Menu* menu, const std::string& menuFile) {
    textures = menu->textureManager;
    titleLabel = LabelAt(menu, menuFile, "top");
    massLabel = LabelAt(menu, menuFile, "mass");
    accelLabel = LabelAt(menu, menuFile, "accel");
    brakeLabel = LabelAt(menu, menuFile, "brake");
    frictLabel = LabelAt(menu, menuFile, "frict");
    nameLabel = LabelAt(menu, menuFile, "name");
    topFront = ReplaceAll(Text("topFront", menuFile), "[n]", "\n");
    topBack = ReplaceAll(Text("topBack", menuFile), "[n]", "\n");
    mass = Text("mass", menuFile);
    massUnit = Text("massUnit", menuFile);
    accel = Text("accel", menuFile);
    accelUnit = Text("accelUnit", menuFile);
    brake = Text("brake", menuFile);
    brakeUnit = Text("brakeUnit", menuFile);
    frict = Text("frict", menuFile);
    frictUnit = Text("frictUnit", menuFile);
    previewBox.x = GetIniInt("preview", "x", 0, menuFile);
    previewBox.y = GetIniInt("preview", "y", 0, menuFile);
    previewBox.w = GetIniInt("preview", "w", 0, menuFile);
    previewBox.h = GetIniInt("preview", "h", 0, menuFile);
    previewBody = new CImageSpriteEx(menu);
    menu->AddSprite(previewBody);
    previewTail = new CImageSpriteEx(previewBody);
    menu->AddSprite(previewTail);
}

void ASP_CarPreview::Show(const std::string& carFile, const std::string& name, int player) {
    SetLabelText(titleLabel, topFront + " " + NumberToText(player + 1) + " " + topBack);
    SetLabelText(massLabel, ValueText(mass, GetIniDouble(name, "mass", 1.0, carFile), massUnit));
    SetLabelText(accelLabel, ValueText(accel, GetIniDouble(name, "accel", 0.0, carFile) / 750, accelUnit));
    SetLabelText(brakeLabel, ValueText(brake, GetIniDouble(name, "brake", 0.0, carFile) / 50, brakeUnit));
    SetLabelText(frictLabel, ValueText(frict, GetIniDouble(name, "frict", 0.0, carFile) / 50, frictUnit));
    SetLabelText(nameLabel, name);
    if (previewBody == nullptr) {
        return;
    }
    ShowBody(carFile, name);
    ShowTail(carFile, name + "-tail");
    FitInBox();
}

void ASP_CarPreview::ShowBody(const std::string& carFile, const std::string& name) {
    previewBody->SetTexture(textures->GetTexture(GetIniString(name, "texture", "", carFile)));
    previewBody->SetWidth(GetIniDouble(name, "width", 1.0, carFile));
    previewBody->SetHeight(GetIniDouble(name, "height", 1.0, carFile));
    previewBody->SetTileWidth(GetIniInt(name, "tileWidth", 1, carFile));
    previewBody->SetTileHeight(GetIniInt(name, "tileHeight", 1, carFile));
}

void ASP_CarPreview::ShowTail(const std::string& carFile, const std::string& section) {
    previewTail->SetTexture(textures->GetTexture(GetIniString(section, "texture", "", carFile)));
    previewTail->SetWidth(GetIniDouble(section, "width", 1.0, carFile));
    previewTail->SetHeight(GetIniDouble(section, "height", 1.0, carFile));
    previewTail->SetTileWidth(GetIniInt(section, "tileWidth", 1, carFile));
    previewTail->SetTileHeight(GetIniInt(section, "tileHeight", 1, carFile));
    const double attachX = GetIniDouble(section, "x", 0.5, carFile);
    const double attachY = GetIniDouble(section, "y", 0.5, carFile);
    const double rotX = GetIniDouble(section, "rotX", 0.5, carFile);
    const double rotY = GetIniDouble(section, "rotY", 0.5, carFile);
    previewTail->SetX(attachX * previewBody->GetWidth() - rotX * previewTail->GetWidth());
    previewTail->SetY(attachY * previewBody->GetHeight() - rotY * previewTail->GetHeight());
}

// The car with its trailing part, centred in the box and made smaller when it would stick out of
// it (a long dust cloud would cover the car's name below).
void ASP_CarPreview::FitInBox() {
    const double bodyWidth = previewBody->GetWidth();
    const double bodyHeight = previewBody->GetHeight();
    const Point tail(previewTail->GetX(), previewTail->GetY());
    const double left = std::min(0.0, tail.x);
    const double top = std::min(0.0, tail.y);
    const double width = std::max(bodyWidth, tail.x + previewTail->GetWidth()) - left;
    const double height = std::max(bodyHeight, tail.y + previewTail->GetHeight()) - top;
    double scale = 1.0;
    if (previewBox.w > 0 && previewBox.h > 0 && width > 0.0 && height > 0.0) {
        scale = std::min({1.0, previewBox.w / width, previewBox.h / height});
    }
    previewBody->SetWidth(bodyWidth * scale);
    previewBody->SetHeight(bodyHeight * scale);
    previewTail->SetWidth(previewTail->GetWidth() * scale);
    previewTail->SetHeight(previewTail->GetHeight() * scale);
    previewTail->SetX(tail.x * scale);
    previewTail->SetY(tail.y * scale);
    previewBody->SetX(previewBox.x + (previewBox.w - width * scale) * 0.5 - left * scale);
    previewBody->SetY(previewBox.y + (previewBox.h - height * scale) * 0.5 - top * scale);
}
