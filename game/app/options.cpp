// The options menu: the window's size, fullscreen and sound, stored in the settings file. A new
// size applies at once where the window can take it; what cannot apply until the next start says
// so under the settings.

#include "engine/ini.h"
#include "game/app/asp_main.h"
#include "game/menus/label_keys.h"

namespace {

const char* const kOptionsMenuFile = "mnu\\options.ini";
const char* const kResolutionFile = "mnu\\options_restable.ini";

std::string EnabledText(bool on) {
    return on ? "enabled" : "disabled";
}

}  // namespace

std::vector<ASP_ButtonCallback> OptionsCallbacks(int buttons, int controlsButton) {
    const ASP_ButtonCallback lastThree[] = {ASP_Main::OnFullscreen, ASP_Main::OnSound,
                                            ASP_Main::OnBackToMain};
    std::vector<ASP_ButtonCallback> callbacks;
    if (buttons > kMaxMenuSections) {
        return callbacks;
    }
    for (int i = 0; i < buttons; ++i) {
        const int fromEnd = buttons - i;
        callbacks.push_back(fromEnd > 3 ? ASP_Main::OnResolution : lastThree[3 - fromEnd]);
    }
    if (controlsButton >= 0 && controlsButton < static_cast<int>(callbacks.size())) {
        callbacks[static_cast<size_t>(controlsButton)] = ASP_Main::OnControls;
    }
    return callbacks;
}

void ASP_Main::LoadOptionsMenu() {
    optionsMenu = LoadMenu(this, textures.get(), kOptionsMenuFile,
                           OptionsCallbacks(GetIniInt("main", "buttons", 0, kOptionsMenuFile),
                                            GetIniInt("main", "controls", -1, kOptionsMenuFile)));
    LoadOptionsLabel();
    optionsNote =
        dynamic_cast<CLabelSprite*>(optionsMenu->GetSprite(GetIniInt("main", "note", -1, kOptionsMenuFile)));
    nextStartText = GetIniString("text", "nextStart", "", kOptionsMenuFile);
}

void ASP_Main::LoadOptionsLabel() {
    const std::string f = kOptionsMenuFile;
    const std::string s = "options";
    optionsLabel = new CLabelSprite(optionsMenu.get(), ReadLabelFont(GetFontFactory(), s, f));
    optionsLabel->SetX(GetIniInt(s, "x", 0, f));
    optionsLabel->SetY(GetIniInt(s, "y", 0, f));
    const int z = GetIniInt(s, "z", 0, f);
    if (IsDepth(z)) {
        optionsLabel->SetZ(z);
    }
    const int w = GetIniInt(s, "width", 0, f);
    const int h = GetIniInt(s, "height", 0, f);
    optionsLabel->SetWidth(w);
    optionsLabel->SetHeight(h);
    ReadLabelAlignment(optionsLabel, s, f);
    optionsLabel->SetColor(ReadLabelColor(s, "color_", f));
    optionsLabel->SetTexture(ReadTexture(textures.get(), s, "texture", f));
    optionsLabel->SetLineSpacing(GetIniInt(s, "lineSpacing", 0, f));
    optionsLabel->SetMultiLine(true);
    optionsLabel->SetTextBox(0, 0, w, h);
    optionsLabel->depthTest = false;
    optionsMenu->AddSprite(optionsLabel);
}

void ASP_Main::RefreshOptionsLabel() {
    if (optionsLabel == nullptr) {
        return;
    }
    optionsLabel->SetText(GetIniString("system", "width", NumberToText(800), settingsFile) + "x" +
                          GetIniString("system", "height", NumberToText(600), settingsFile) + "\n" +
                          EnabledText(GetIniBool("system", "fullscreen", false, settingsFile)) + "\n" +
                          EnabledText(GetIniBool("system", "sound", true, settingsFile)));
    if (optionsNote != nullptr) {
        optionsNote->SetText(WindowAsStored() ? "" : nextStartText);
    }
}

bool ASP_Main::WindowAsStored() const {
    return GetIniInt("system", "width", 800, settingsFile) == width &&
           GetIniInt("system", "height", 600, settingsFile) == height &&
           GetIniBool("system", "fullscreen", false, settingsFile) == IsFullscreen();
}

void ASP_Main::StoreSetting(const std::string& key, const std::string& value) {
    WriteIniString("system", key, value, settingsFile);
    if (LastIniWriteFailed()) {
        LogLine(LOG_ERROR, "The setting " + key + " could not be stored in " + settingsFile + ".");
    }
}

// Sound effects follow the stored setting, so a setting that could not be written mutes nothing.
void ASP_Main::ApplySoundSetting() {
    const bool muted = !GetIniBool("system", "sound", true, settingsFile);
    // Toggling twice restores the remembered volume, so this works from either side.
    if (GetAudio()->ToggleMute() != muted) {
        GetAudio()->ToggleMute();
    }
}

// Only a window keeps its OpenGL context through a new size; a fullscreen mode waits for the next
// start.
void ASP_Main::ApplyStoredSize() {
    if (IsFullscreen() || !Resize(GetIniInt("system", "width", 800, settingsFile),
                                  GetIniInt("system", "height", 600, settingsFile))) {
        return;
    }
    FitScreens();
}

void ASP_Main::FitScreens() {
    for (int someState = 0; someState < kStates; ++someState) {
        if (ASP_Menu* menu = MenuOf(someState)) {
            menu->FitWindow(width, height);
        }
    }
    if (menuOverlay) {
        menuOverlay->SetWidth(width);
        menuOverlay->SetHeight(height);
    }
    if (loadingScreen) {
        loadingScreen->FitWindow(width, height);
    }
}

void ASP_Main::OnResolution(ASP_Button* button, SDL_Event*) {
    if (instance == nullptr) {
        return;
    }
    const int index = instance->optionsMenu ? instance->optionsMenu->IndexOf(button) : -1;
    if (index < 1) {
        return;
    }
    const std::string row = NumberToText(index - 1);
    instance->StoreSetting("width", NumberToText(GetIniInt(row, "width", 800, kResolutionFile)));
    instance->StoreSetting("height", NumberToText(GetIniInt(row, "height", 600, kResolutionFile)));
    instance->ApplyStoredSize();
    instance->RefreshOptionsLabel();
}

void ASP_Main::OnFullscreen(ASP_Button*, SDL_Event*) {
    if (instance == nullptr) {
        return;
    }
    instance->StoreSetting("fullscreen",
                           GetIniBool("system", "fullscreen", false, instance->settingsFile) ? "0" : "1");
    instance->RefreshOptionsLabel();
}

void ASP_Main::OnSound(ASP_Button*, SDL_Event*) {
    if (instance == nullptr) {
        return;
    }
    instance->StoreSetting("sound", GetIniBool("system", "sound", true, instance->settingsFile) ? "0" : "1");
    instance->ApplySoundSetting();
    // Music takes the mute state when it starts, so the menus' music starts again to follow it.
    if (instance->menuMusicPlaying) {
        instance->StartMenuMusic();
    }
    instance->RefreshOptionsLabel();
}
