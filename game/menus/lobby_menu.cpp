#include "game/menus/lobby_menu.h"

#include <algorithm>

#include "engine/ini.h"
#include "engine/log.h"
#include "game/menus/button.h"

namespace {

// More rows than this is a broken menu file; a server has 8 places.
constexpr int kMaxRows = 16;
// Sprite indices: the background comes first, then Leave, Ready and the track buttons.
constexpr int kReadyButton = 2;
constexpr int kFirstTrackButton = 3;
// Characters of a line of the note.
constexpr size_t kNoteLine = 56;
const SDL_Color kReadyColour{150, 226, 140, 0};
const SDL_Color kWaitingColour{200, 206, 224, 0};
const SDL_Color kPlayerColour{232, 236, 246, 0};
const SDL_Color kOwnColour{255, 196, 40, 0};

// Setting a label's text or colour renders it again: only changes are set.
void SetTextIfNew(CLabelSprite* label, const std::string& text) {
    if (label != nullptr && label->GetText() != text) {
        label->SetText(text);
    }
}

void SetColourIfNew(CLabelSprite* label, SDL_Color colour) {
    const SDL_Color now = label->GetColor();
    if (now.r != colour.r || now.g != colour.g || now.b != colour.b) {
        label->SetColor(colour);
    }
}

}  // namespace

ASP_LobbyMenu::ASP_LobbyMenu(CTextureManager* textures) : ASP_Menu(textures) {}

void ASP_LobbyMenu::Load(CGameBase* app, const std::string& file, Actions actions) {
    menuFile = file;
    BuildMenu(this, app, file,
              {std::move(actions.leave), std::move(actions.ready), std::move(actions.previousTrack),
               std::move(actions.nextTrack)});
    const auto label = [&](const char* key) { return LabelAt(GetIniInt("main", key, -1, file)); };
    trackLabel = label("track");
    lapsLabel = label("laps");
    playersLabel = label("players");
    noteLabel = label("note");
    const int rows = std::clamp(GetIniInt("main", "rows", 0, file), 0, kMaxRows);
    const int firstName = GetIniInt("main", "firstName", -1, file);
    const int firstState = GetIniInt("main", "firstState", -1, file);
    for (int row = 0; row < rows; ++row) {
        CLabelSprite* name = LabelAt(firstName < 0 ? -1 : firstName + row);
        CLabelSprite* state = LabelAt(firstState < 0 ? -1 : firstState + row);
        if (name == nullptr || state == nullptr) {
            Log(LOG_ERROR,
                "The lobby's menu file " + file + " has no name and state labels for row " +
                    std::to_string(row) + "; it shows " + std::to_string(row) + " rows.",
                ClassNameOf(typeid(ASP_LobbyMenu)));
            break;
        }
        names.push_back(name);
        states.push_back(state);
    }
    preview = AddPreviewPicture(this, file);
    preview->SetVisible(false);
}

CLabelSprite* ASP_LobbyMenu::LabelAt(int index) const {
    return dynamic_cast<CLabelSprite*>(GetSprite(index));
}

std::string ASP_LobbyMenu::Text(const std::string& key) const {
    return ReplaceAll(GetIniString("text", key, "", menuFile), "[n]", "\n");
}

std::string ASP_LobbyMenu::Note(const View& view) const {
    switch (view.line) {
        case View::Line::Joining:
            return Text("joining");
        case View::Line::Ended:
            return BreakLines(view.reason, kNoteLine) + "\n" + Text("back");
        case View::Line::Idle:
            return Text("idle") + "\n" + Text("back");
        case View::Line::Lobby:
            break;
    }
    return ReplaceAll(Text("roundTrip"), "[ms]", std::to_string(view.roundTrip)) + "\n" +
           BreakLines(Text(view.host ? "hostHint" : "guestHint"), kNoteLine);
}

void ASP_LobbyMenu::Show(const View& view) {
    const bool inLobby = view.line == View::Line::Lobby;
    const ASP_LobbyMessage& lobby = view.lobby;
    SetTextIfNew(trackLabel, inLobby ? lobby.trackName : "");
    SetTextIfNew(lapsLabel, !inLobby ? ""
                            : lobby.laps == 1
                                ? Text("lap")
                                : ReplaceAll(Text("laps"), "[laps]", std::to_string(lobby.laps)));
    SetTextIfNew(playersLabel, !inLobby ? ""
                                        : ReplaceAll(ReplaceAll(Text("players"), "[count]",
                                                                std::to_string(lobby.players.size())),
                                                     "[max]", std::to_string(lobby.maxPlayers)));
    for (size_t row = 0; row < names.size(); ++row) {
        const ASP_LobbyPlayer* player = inLobby && row < lobby.players.size() ? &lobby.players[row] : nullptr;
        const bool own = player != nullptr && player->client == view.self;
        SetTextIfNew(names[row], player == nullptr ? ""
                                                   : (own ? "> " : "") + player->name +
                                                         (player->car.empty() ? "" : "  " + player->car));
        SetTextIfNew(states[row], player == nullptr ? "" : Text(player->ready ? "ready" : "notReady"));
        SetColourIfNew(names[row], own ? kOwnColour : kPlayerColour);
        SetColourIfNew(states[row], player != nullptr && player->ready ? kReadyColour : kWaitingColour);
    }
    SetTextIfNew(noteLabel, Note(view));
    if (auto* ready = dynamic_cast<ASP_Button*>(GetSprite(kReadyButton))) {
        const std::string caption = Text(view.ready ? "notReadyButton" : "readyButton");
        if (ReadyCaption() != caption) {
            SetCaption(ready, caption);
        }
        ready->SetVisible(inLobby);
    }
    for (int b = kFirstTrackButton; b < kFirstTrackButton + 2; ++b) {
        if (CSprite* button = GetSprite(b)) {
            button->SetVisible(inLobby && view.host);
        }
    }
    const std::string picture = inLobby ? view.preview : "";
    if (picture != shownPreview) {
        shownPreview = picture;
        CTexture* texture = picture.empty() ? nullptr : textureManager->GetTexture(picture, true, false);
        preview->SetTexture(texture);
        preview->SetVisible(texture != nullptr);
    }
}

std::string ASP_LobbyMenu::NameText(int row) const {
    return row >= 0 && row < GetRowCount() ? names[static_cast<size_t>(row)]->GetText() : "";
}

std::string ASP_LobbyMenu::StateText(int row) const {
    return row >= 0 && row < GetRowCount() ? states[static_cast<size_t>(row)]->GetText() : "";
}

std::string ASP_LobbyMenu::GetNote() const {
    return noteLabel != nullptr ? noteLabel->GetText() : "";
}

std::string ASP_LobbyMenu::ReadyCaption() const {
    const auto* ready = dynamic_cast<const ASP_Button*>(GetSprite(kReadyButton));
    const auto* caption =
        ready != nullptr ? dynamic_cast<const CLabelSprite*>(ready->GetStateSprite(0)) : nullptr;
    return caption != nullptr ? caption->GetText() : "";
}

bool ASP_LobbyMenu::TrackButtonsShown() const {
    const CSprite* button = GetSprite(kFirstTrackButton);
    return button != nullptr && button->IsVisible();
}
