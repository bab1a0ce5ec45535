#include "game/menus/label_keys.h"

#include <algorithm>

#include "engine/font_factory.h"
#include "engine/ini.h"
#include "engine/label_sprite.h"
#include "engine/texture_manager.h"

CFont* ReadLabelFont(CFontFactory* fonts, const std::string& section, const std::string& file) {
    if (fonts == nullptr) {
        return nullptr;
    }
    return fonts->GetFont(GetIniString(section, "font", "", file), GetIniInt(section, "size", 1, file));
}

SDL_Color ReadLabelColour(const std::string& section, const std::string& prefix, const std::string& file) {
    const auto byte = [&](const char* channel) {
        return static_cast<Uint8>(std::clamp(GetIniInt(section, prefix + channel, 0, file), 0, 255));
    };
    SDL_Color colour{0, 0, 0, 0};
    colour.r = byte("r");
    colour.g = byte("g");
    colour.b = byte("b");
    return colour;
}

CTexture* ReadTexture(CTextureManager* textures, const std::string& section, const std::string& key,
                      const std::string& file) {
    const std::string name = GetIniString(section, key, "", file);
    if (name.empty() || textures == nullptr) {
        return nullptr;
    }
    return textures->GetTexture(name, true, false);
}

void ReadLabelAlignment(CLabelSprite* label, const std::string& section, const std::string& file) {
    label->SetAlignH(GetIniInt(section, "alignH", 0, file));
    label->SetAlignV(GetIniInt(section, "alignV", 0, file));
}

void ReadLabelBox(CLabelSprite* label, const std::string& section, const std::string& file) {
    const double z = GetIniDouble(section, "z", 0.0, file);
    if (IsDepth(z)) {
        label->SetZ(z);
    }
    const double w = GetIniDouble(section, "width", 0.0, file);
    const double h = GetIniDouble(section, "height", 0.0, file);
    label->SetWidth(w);
    label->SetHeight(h);
    label->SetTextBox(0.0, 0.0, w, h);
}

std::string WithLineBreaks(const std::string& caption) {
    return ReplaceAll(caption, "[n]", "\n");
}
