#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/image_sprite.h"
#include "engine/label_sprite.h"
#include "game/menus/menu.h"
#include "game/net/protocol.h"

// A network race's lobby: the track with its preview and laps, every player with car and
// readiness (this machine's marked), and a note on the line: joining, why it ended, or the round
// trip and what to do. Leave and Ready are buttons; the host also has the previous and next track.
//
// Its menu file has the buttons Leave, Ready, previous and next track; section main names the
// labels it fills in (track, laps, players, the rows' names from firstName and states from
// firstState, main/rows of each, and note), section preview the picture's area, `text` the words.
class ASP_LobbyMenu : public ASP_Menu {
public:
    struct Actions {
        ASP_ButtonCallback leave;
        ASP_ButtonCallback ready;
        ASP_ButtonCallback previousTrack;
        ASP_ButtonCallback nextTrack;
    };
    // What the lobby shows.
    struct View {
        enum class Line { Joining, Lobby, Ended, Idle };
        Line line = Line::Joining;
        // Why the line ended.
        std::string reason;
        ASP_LobbyMessage lobby;
        // This machine's number on the server, which marks its rows.
        uint8_t self = 0;
        bool ready = false;
        bool host = false;
        uint32_t roundTrip = 0;
        // The track's preview picture; "" for none (a track this machine does not list).
        std::string preview;
    };

    explicit ASP_LobbyMenu(CTextureManager* textures);

    void Load(CGameBase* app, const std::string& file, Actions actions);
    // Shows the view; only texts that change are set again.
    void Show(const View& view);

    int GetRowCount() const { return static_cast<int>(names.size()); }
    std::string NameText(int row) const;
    std::string StateText(int row) const;
    std::string GetNote() const;
    std::string ReadyCaption() const;
    // The host's track buttons are shown.
    bool TrackButtonsShown() const;

private:
    std::string Text(const std::string& key) const;
    CLabelSprite* LabelAt(int index) const;
    std::string Note(const View& view) const;

    std::string menuFile;
    CLabelSprite* trackLabel = nullptr;
    CLabelSprite* lapsLabel = nullptr;
    CLabelSprite* playersLabel = nullptr;
    CLabelSprite* noteLabel = nullptr;
    std::vector<CLabelSprite*> names;
    std::vector<CLabelSprite*> states;
    CImageSprite* preview = nullptr;
    std::string shownPreview;
};
