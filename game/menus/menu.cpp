#include "game/menus/menu.h"

#include <algorithm>
#include <sstream>
#include <typeinfo>
#include <utility>

#include "engine/font_factory.h"
#include "engine/image_sprite.h"
#include "engine/ini.h"
#include "engine/label_sprite.h"
#include "engine/log.h"
#include "game/menus/label_keys.h"

namespace {

const double kMenuSoundLevel = 0.5;

// The count of sections behind a key of "main"; a broken count loads none of them.
int ReadCount(const std::string& key, const std::string& file) {
    const int n = GetIniInt("main", key, 0, file);
    if (n > kMaxMenuSections) {
        Log(LOG_ERROR,
            "Menu file " + file + " asks for " + std::to_string(n) + " " + key + ", more than " +
                NumberToText(kMaxMenuSections) + "; none of them is loaded.",
            ClassNameOf(typeid(ASP_Menu)));
        return 0;
    }
    return n;
}

void AddBackground(ASP_Menu* menu, const std::string& file) {
    auto* background = new CImageSprite(menu);
    background->SetTexture(ReadTexture(menu->textureManager, "background", "texture", file));
    background->SetX(0.0);
    background->SetY(0.0);
    background->SetWidth(GetIniInt("background", "width", 0, file));
    background->SetHeight(GetIniInt("background", "height", 0, file));
    background->depthTest = false;
    menu->AddSprite(background);
}

std::unique_ptr<CLabelSprite> MakeButtonLook(int look, CFontFactory* fonts, CTextureManager* textures,
                                             const std::string& section, const std::string& file) {
    auto label = std::make_unique<CLabelSprite>(nullptr, ReadLabelFont(fonts, section, file));
    label->SetColor(ReadLabelColour(section, "color" + NumberToText(look), file));
    label->SetTexture(ReadTexture(textures, section, "texture" + NumberToText(look), file));
    const std::string caption = GetIniString(section, "caption", "", file);
    label->SetText(caption);
    ReadLabelAlignment(label.get(), section, file);
    label->SetMultiLine(GetIniBool(section, "multiLine", false, file));
    label->SetLineSpacing(GetIniInt(section, "lineSpacing", 0, file));
    label->SetText(WithLineBreaks(caption));
    return label;
}

void AddButton(ASP_Menu* menu, CFontFactory* fonts, int i, ASP_ButtonCallback callback,
               const std::string& file) {
    const std::string section = "button" + NumberToText(i);
    auto* button = new ASP_Button(menu);
    button->SetX(GetIniInt(section, "x", 0, file));
    button->SetY(GetIniInt(section, "y", 0, file));
    const int z = GetIniInt(section, "z", 0, file);
    if (IsDepth(z)) {
        button->SetZ(z);
    }
    button->SetWidth(GetIniInt(section, "width", 0, file));
    button->SetHeight(GetIniInt(section, "height", 0, file));
    button->callback = callback;
    for (int look = 0; look < ASP_Button::kStates; ++look) {
        std::unique_ptr<CLabelSprite> label =
            MakeButtonLook(look, fonts, menu->textureManager, section, file);
        CLabelSprite* placed = label.get();
        button->SetStateSprite(look, std::move(label));
        placed->SetTextBox(0.0, 0.0, placed->GetWidth(), placed->GetHeight());
        placed->depthTest = false;
    }
    menu->AddSprite(button);
}

void AddLabel(ASP_Menu* menu, CFontFactory* fonts, int i, const std::string& file) {
    const std::string section = "label" + NumberToText(i);
    auto* label = new CLabelSprite(menu, ReadLabelFont(fonts, section, file));
    label->SetX(GetIniDouble(section, "x", 0.0, file));
    label->SetY(GetIniDouble(section, "y", 0.0, file));
    ReadLabelBox(label, section, file);
    ReadLabelAlignment(label, section, file);
    label->SetColor(ReadLabelColour(section, "color_", file));
    label->SetTexture(ReadTexture(menu->textureManager, section, "texture", file));
    const std::string caption = GetIniString(section, "caption", "", file);
    label->SetText(caption);
    label->SetMultiLine(GetIniBool(section, "multiLine", false, file));
    label->SetLineSpacing(GetIniInt(section, "lineSpacing", 0, file));
    label->SetText(WithLineBreaks(caption));
    label->depthTest = false;
    menu->AddSprite(label);
}

void LoadBackdrop(ASP_Menu* menu, const std::string& file) {
    menu->SetBackdrop(ReadTexture(menu->textureManager, "backdrop", "texture", file),
                      GetIniInt("backdrop", "width", 0, file), GetIniInt("backdrop", "height", 0, file));
}

void LoadMenuSounds(ASP_Menu* menu, CAudio* audio, const std::string& file) {
    auto load = [audio, &file](const std::string& key) {
        const std::string name = GetIniString("main", key, "", file);
        return name.empty() || audio == nullptr ? -1 : audio->LoadSound(name);
    };
    const int hover = load("hoverSound");
    menu->SetSounds(audio, hover, load("clickSound"));
}

}  // namespace

ASP_Menu::ASP_Menu(CTextureManager* textures) : CSpriteManager(textures) {}

int ASP_Menu::ElementAt(int x, int y) {
    std::vector<ASP_MenuElement*> found;
    for (CSprite* s : GetSpritesAt(x, y)) {
        // A hidden element (the finished race's resume choice) is not there to point at.
        auto* element = dynamic_cast<ASP_MenuElement*>(s);
        if (element != nullptr && element->IsVisible()) {
            found.push_back(element);
        }
    }
    if (found.empty()) {
        return -1;
    }
    // Stable, so that on equal z the element added last stays last.
    std::stable_sort(found.begin(), found.end(), [](const ASP_MenuElement* a, const ASP_MenuElement* b) {
        return a->GetZ() < b->GetZ();
    });
    return IndexOf(found.back());
}

int ASP_Menu::IndexOf(const CSprite* sprite) const {
    for (int i = 0; i < GetSpriteCount(); ++i) {
        if (GetSprite(i) == sprite) {
            return i;
        }
    }
    return -1;
}

void ASP_Menu::ResetHover() {
    if (ASP_MenuElement* element = ElementOf(selectedIndex)) {
        element->Deselect();
    }
    if (ASP_MenuElement* element = ElementOf(pressedIndex)) {
        element->Deselect();
    }
    selectedIndex = -1;
    pressedIndex = -1;
}

void ASP_Menu::ReleaseTexts() {
    auto release = [](CSprite* sprite) {
        if (auto* label = dynamic_cast<CLabelSprite*>(sprite)) {
            label->ReleaseText();
        }
    };
    for (int i = 0; i < GetSpriteCount(); ++i) {
        release(GetSprite(i));
        if (const auto* button = dynamic_cast<const ASP_Button*>(GetSprite(i))) {
            for (int look = 0; look < ASP_Button::kStates; ++look) {
                release(button->GetStateSprite(look));
            }
        }
    }
}

void ASP_Menu::SetSounds(CAudio* audioOut, int hover, int click) {
    audio = audioOut;
    hoverSound = hover;
    clickSound = click;
}

void ASP_Menu::Play(int sound) const {
    // A sound that failed to load was reported once, when it was loaded.
    if (audio != nullptr && sound >= 0) {
        // Under the menus' music, so that both together never clip.
        audio->SetChannelLevel(audio->PlaySound(sound), kMenuSoundLevel);
    }
}

void ASP_Menu::SetBackdrop(CTexture* texture, double width, double height) {
    backdrop.reset();
    if (texture == nullptr || !(width > 0.0 && height > 0.0)) {
        return;
    }
    backdrop = std::make_unique<CImageSprite>(nullptr);
    backdrop->SetTexture(texture);
    backdrop->depthTest = false;
    backdropWidth = width;
    backdropHeight = height;
}

void ASP_Menu::FitWindow(int windowWidth, int windowHeight) {
    const CSprite* background = GetSprite(0);
    const double w = background != nullptr ? background->GetWidth() : 0.0;
    const double h = background != nullptr ? background->GetHeight() : 0.0;
    SetX((windowWidth - w) * 0.5);
    SetY((windowHeight - h) * 0.5);
    if (backdrop) {
        const double scale = std::max(windowWidth / backdropWidth, windowHeight / backdropHeight);
        backdrop->SetWidth(backdropWidth * scale);
        backdrop->SetHeight(backdropHeight * scale);
        backdrop->SetX((windowWidth - backdrop->GetWidth()) * 0.5);
        backdrop->SetY((windowHeight - backdrop->GetHeight()) * 0.5);
    }
}

void ASP_Menu::Draw(void* target) {
    if (backdrop && IsVisible()) {
        backdrop->Draw(target);
    }
    CSpriteManager::Draw(target);
}

ASP_MenuElement* ASP_Menu::ElementOf(int index) const {
    return dynamic_cast<ASP_MenuElement*>(GetSprite(index));
}

void ASP_Menu::OnMouseMove(SDL_Event* e) {
    const int index = ElementAt(e->motion.x, e->motion.y);
    ASP_MenuElement* previous = ElementOf(selectedIndex);
    if (index < 0) {
        if (previous != nullptr) {
            previous->Deselect();
        }
        selectedIndex = -1;
        return;
    }
    ASP_MenuElement* element = ElementOf(index);
    element->OnMouseOver(e);
    if (index != selectedIndex) {
        Play(hoverSound);
        element->Select();
        if (previous != nullptr) {
            previous->Deselect();
        }
        selectedIndex = index;
    }
}

void ASP_Menu::OnMouseButtonDown(SDL_Event* e) {
    pressedIndex = ElementAt(e->button.x, e->button.y);
    if (ASP_MenuElement* element = ElementOf(pressedIndex)) {
        Play(clickSound);
        element->OnMouseDown(e);
    }
}

void ASP_Menu::OnMouseButtonUp(SDL_Event* e) {
    if (ASP_MenuElement* element = ElementOf(pressedIndex)) {
        element->OnMouseUp(e);
    }
}

void ASP_Menu::OnKeyDown(SDL_Event* e) {
    if (ASP_MenuElement* element = ElementOf(pressedIndex)) {
        element->OnKeyDown(e);
    }
}

void ASP_Menu::OnKeyUp(SDL_Event* e) {
    if (ASP_MenuElement* element = ElementOf(pressedIndex)) {
        element->OnKeyUp(e);
    }
}

std::unique_ptr<ASP_Menu> LoadMenu(CGameBase* app, CTextureManager* textures, std::string file,
                                   std::vector<ASP_ButtonCallback> callbacks) {
    auto menu = std::make_unique<ASP_Menu>(textures);
    if (!FileExists(file)) {
        Log(LOG_ERROR, "Failed to locate menu file " + file + "; the menu stays empty.",
            ClassNameOf(typeid(ASP_Menu)));
    }
    BuildMenu(menu.get(), app, file, callbacks);
    return menu;
}

void BuildMenu(ASP_Menu* menu, CGameBase* app, const std::string& file,
               const std::vector<ASP_ButtonCallback>& callbacks) {
    AddBackground(menu, file);
    LoadBackdrop(menu, file);
    menu->FitWindow(app->width, app->height);

    CFontFactory* fonts = app->GetFontFactory();
    const int buttons = ReadCount("buttons", file);
    for (int i = 0; i < buttons; ++i) {
        const ASP_ButtonCallback callback =
            static_cast<size_t>(i) < callbacks.size() ? callbacks[static_cast<size_t>(i)] : nullptr;
        AddButton(menu, fonts, i, callback, file);
    }
    const int labels = ReadCount("labels", file);
    for (int i = 0; i < labels; ++i) {
        AddLabel(menu, fonts, i, file);
    }
    LoadMenuSounds(menu, app->GetAudio(), file);
}

CImageSprite* AddPreviewPicture(ASP_Menu* menu, const std::string& file) {
    auto* picture = new CImageSprite(menu);
    picture->SetX(GetIniInt("preview", "x", 0, file));
    picture->SetY(GetIniInt("preview", "y", 0, file));
    picture->SetWidth(GetIniInt("preview", "w", 0, file));
    picture->SetHeight(GetIniInt("preview", "h", 0, file));
    picture->depthTest = false;
    menu->AddSprite(picture);
    return picture;
}

std::string BreakLines(const std::string& text, size_t width) {
    std::istringstream words(text);
    std::string broken;
    std::string line;
    for (std::string word; words >> word;) {
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            broken += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return broken + line;
}
