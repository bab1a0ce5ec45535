#pragma once

#include <string>
#include <vector>

#include "engine/game_base.h"
#include "engine/label_sprite.h"
#include "game/menus/menu.h"
#include "game/net/discovery.h"

// Hosting and joining a network race: Host on the typed port, the players and cars to join with, a
// typed address and Join, the servers found on the LAN (a click on one puts its address in the
// field), Search again and Back. Keys typed while it is shown go to the field clicked last (the
// address at first; Tab switches); Enter joins.
//
// Its menu file has the buttons Host, Players, the address field, Join, the server rows (main/rows
// of them), Search, Back and the port field; main/note names the label under the rows, `text`
// holds the words.
class ASP_NetworkMenu : public ASP_Menu {
public:
    struct Actions {
        ASP_ButtonCallback host;
        ASP_ButtonCallback players;
        ASP_ButtonCallback join;
        ASP_ButtonCallback back;
    };
    static constexpr size_t kMaxAddress = 64;
    // "65535".
    static constexpr size_t kMaxPortDigits = 5;
    enum class Field { Address, Port };

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
    // Says that the port field holds no port to host on.
    void ShowBadPort();

    const std::string& GetAddress() const { return address; }
    void SetAddress(const std::string& text);
    const std::string& GetPortText() const { return port; }
    // Keeps the digits of text, at most kMaxPortDigits of them.
    void SetPortText(const std::string& text);
    // The typed port, 1..65535; 0 when the field holds none.
    uint16_t GetPort() const;
    // The field typed keys go to.
    void Focus(Field field);
    Field GetFocus() const { return focus; }
    const std::vector<ASP_FoundServer>& GetFound() const { return search.Found(); }
    std::string RowText(int row) const;
    std::string GetNote() const;

private:
    std::string Text(const std::string& key) const;
    void ShowRows();
    void ShowNote();
    // The fields' captions, the one typed into with the cursor.
    void ShowFields();
    // A key typed into the focused field.
    void Type(char c);
    void Erase();

    std::string menuFile;
    int rows = 0;
    ASP_LanSearch search;
    size_t shownFound = 0;
    bool wasSearching = false;
    std::string address;
    std::string port;
    Field focus = Field::Address;
    std::string players;
    std::string problem;
    ASP_ButtonCallback join;
    CLabelSprite* noteLabel = nullptr;
};
