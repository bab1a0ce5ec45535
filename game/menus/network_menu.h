#pragma once

#include <string>
#include <vector>

#include "engine/game_base.h"
#include "engine/label_sprite.h"
#include "game/menus/menu.h"
#include "game/net/discovery.h"

// Hosting and joining a network race: Host, the players and cars to join with, a typed address
// and Join, the servers found on the LAN (a click on one puts its address in the field), Search
// again and Back. Keys typed while it is shown go to the address; Enter joins.
//
// Its menu file has the buttons Host, Players, the address field, Join, the server rows (main/rows
// of them), Search and Back; main/note names the label under the rows, `text` holds the words.
class ASP_NetworkMenu : public ASP_Menu {
public:
    struct Actions {
        ASP_ButtonCallback host;
        ASP_ButtonCallback players;
        ASP_ButtonCallback join;
        ASP_ButtonCallback back;
    };
    static constexpr size_t kMaxAddress = 64;

    explicit ASP_NetworkMenu(CTextureManager* textures);

    void Load(CGameBase* app, const std::string& file, Actions actions);
    // Starts a search on the LAN (and this machine), the rows emptied until answers come.
    void Search(const std::vector<std::string>& addresses = {"255.255.255.255", "127.0.0.1"},
                uint16_t port = kDiscoveryPort);
    // Takes the search's answers.
    void Update(double dt) override;
    void OnKeyDown(SDL_Event* e) override;
    // The server on this row goes into the address field.
    void Choose(int row);
    // Who joins from this machine, shown on the note.
    void ShowPlayers(const std::vector<std::string>& cars);
    // Says why hosting failed, with the port in question.
    void ShowHostFailure(uint16_t port);

    const std::string& GetAddress() const { return address; }
    void SetAddress(const std::string& text);
    const std::vector<ASP_FoundServer>& GetFound() const { return search.Found(); }
    std::string RowText(int row) const;
    std::string GetNote() const;

private:
    std::string Text(const std::string& key) const;
    void ShowRows();
    void ShowNote();

    std::string menuFile;
    int rows = 0;
    ASP_LanSearch search;
    size_t shownFound = 0;
    bool wasSearching = false;
    std::string address;
    std::string players;
    std::string problem;
    ASP_ButtonCallback join;
    CLabelSprite* noteLabel = nullptr;
};
