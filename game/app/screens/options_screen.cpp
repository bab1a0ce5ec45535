#include "game/app/screens/options_screen.h"

#include "engine/ini.h"
#include "game/app/screens/controls_screen.h"
#include "game/menus/label_keys.h"

namespace {

const char* const kOptionsMenuFile = "mnu\\options.ini";
const char* const kResolutionFile = "mnu\\options_restable.ini";

std::string EnabledText(bool on) {
    return on ? "enabled" : "disabled";
}

}  // namespace

std::vector<ASP_ButtonCallback> OptionsCallbacks(int buttons, int controlsButton,
                                                 const ASP_OptionsActions& actions) {
    const ASP_ButtonCallback lastThree[] = {actions.fullscreen, actions.sound, actions.back};
    std::vector<ASP_ButtonCallback> callbacks;
    if (buttons > kMaxMenuSections) {
        return callbacks;
    }
    for (int i = 0; i < buttons; ++i) {
        const int fromEnd = buttons - i;
        callbacks.push_back(fromEnd > 3 ? actions.resolution : lastThree[3 - fromEnd]);
    }
    if (controlsButton >= 0 && controlsButton < static_cast<int>(callbacks.size())) {
        callbacks[static_cast<size_t>(controlsButton)] = actions.controls;
    }
    return callbacks;
}

void ASP_OptionsScreen::Load() {
    ASP_OptionsActions actions;
    actions.resolution = [this](ASP_Button* button, SDL_Event*) { Resolution(button); };
    actions.fullscreen = Action([this] { Fullscreen(); });
    actions.sound = Action([this] { Sound(); });
    actions.back = Action([this] { Back(); });
    actions.controls = Action([this] { Controls(); });
    menu = LoadMenu(&app, app.Textures(), kOptionsMenuFile,
                    OptionsCallbacks(GetIniInt("main", "buttons", 0, kOptionsMenuFile),
                                     GetIniInt("main", "controls", -1, kOptionsMenuFile), actions));
    LoadLabel();
    note = dynamic_cast<CLabelSprite*>(menu->GetSprite(GetIniInt("main", "note", -1, kOptionsMenuFile)));
    nextStartText = GetIniString("text", "nextStart", "", kOptionsMenuFile);
}

void ASP_OptionsScreen::LoadLabel() {
    const std::string f = kOptionsMenuFile;
    const std::string s = "options";
    label = new CLabelSprite(menu.get(), ReadLabelFont(app.GetFontFactory(), s, f));
    label->SetX(GetIniDouble(s, "x", 0.0, f));
    label->SetY(GetIniDouble(s, "y", 0.0, f));
    ReadLabelBox(label, s, f);
    ReadLabelAlignment(label, s, f);
    label->SetColor(ReadLabelColour(s, "color_", f));
    label->SetTexture(ReadTexture(app.Textures(), s, "texture", f));
    label->SetLineSpacing(GetIniInt(s, "lineSpacing", 0, f));
    label->SetMultiLine(true);
    label->depthTest = false;
    menu->AddSprite(label);
}

void ASP_OptionsScreen::Enter() {
    RefreshLabel();
}

void ASP_OptionsScreen::Back() {
    app.EnterState(ASP_Main::STATE_MAIN_MENU);
}

void ASP_OptionsScreen::RefreshLabel() {
    if (label == nullptr) {
        return;
    }
    const ASP_VideoSettings video = app.Settings().Video();
    label->SetText(NumberToText(video.width) + "x" + NumberToText(video.height) + "\n" +
                   EnabledText(video.fullscreen) + "\n" + EnabledText(app.Settings().Sound()));
    if (note != nullptr) {
        note->SetText(WindowAsStored() ? "" : nextStartText);
    }
}

bool ASP_OptionsScreen::WindowAsStored() const {
    const ASP_VideoSettings video = app.Settings().Video();
    return video.width == app.width && video.height == app.height && video.fullscreen == app.IsFullscreen();
}

// Only a window keeps its OpenGL context through a new size; a fullscreen mode waits for the next
// start.
void ASP_OptionsScreen::ApplyStoredSize() {
    const ASP_VideoSettings video = app.Settings().Video();
    if (app.IsFullscreen() || !app.Resize(video.width, video.height)) {
        return;
    }
    app.FitScreens();
}

void ASP_OptionsScreen::Resolution(ASP_Button* button) {
    const int index = menu->IndexOf(button);
    if (index < 1) {
        return;
    }
    const std::string row = NumberToText(index - 1);
    ASP_VideoSettings video = app.Settings().Video();
    video.width = GetIniInt(row, "width", 800, kResolutionFile);
    video.height = GetIniInt(row, "height", 600, kResolutionFile);
    app.Settings().Store(video);
    ApplyStoredSize();
    RefreshLabel();
}

void ASP_OptionsScreen::Fullscreen() {
    ASP_VideoSettings video = app.Settings().Video();
    video.fullscreen = !video.fullscreen;
    app.Settings().Store(video);
    RefreshLabel();
}

void ASP_OptionsScreen::Sound() {
    app.Settings().StoreSound(!app.Settings().Sound());
    app.ApplySoundSetting();
    // Music takes the mute state when it starts, so the menus' music starts again to follow it.
    if (app.MenuMusicPlaying()) {
        app.StartMenuMusic();
    }
    RefreshLabel();
}

void ASP_OptionsScreen::Controls() {
    app.EnterState(ASP_Main::STATE_CONTROLS);
}
