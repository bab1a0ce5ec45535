#include "game/menus/network_menu.h"

#include <algorithm>
#include <cctype>

#include "engine/ini.h"
#include "game/menus/button.h"
#include "game/net/protocol.h"

namespace {

// More rows than this is a broken menu file, not a list.
constexpr int kMaxRows = 20;
// Sprite indices: the background comes first, then Host, Players, the field, Join and the rows;
// Search, Back and the port field follow the rows.
constexpr int kFieldButton = 3;
constexpr int kFirstRow = 5;
constexpr int kPortAfterRows = 2;

}  // namespace

ASP_NetworkMenu::ASP_NetworkMenu(CTextureManager* textures) : ASP_Menu(textures) {}

void ASP_NetworkMenu::Load(CGameBase* app, const std::string& file, Actions actions) {
    menuFile = file;
    rows = std::clamp(GetIniInt("main", "rows", 0, file), 0, kMaxRows);
    join = actions.join;
    std::vector<ASP_ButtonCallback> callbacks{std::move(actions.host), std::move(actions.players),
                                              [this](ASP_Button*, SDL_Event*) { Focus(Field::Address); },
                                              actions.join};
    for (int row = 0; row < rows; ++row) {
        callbacks.push_back([this, row](ASP_Button*, SDL_Event*) { Choose(row); });
    }
    callbacks.push_back([this](ASP_Button*, SDL_Event*) { Search(); });
    callbacks.push_back(std::move(actions.back));
    callbacks.push_back([this](ASP_Button*, SDL_Event*) { Focus(Field::Port); });
    BuildMenu(this, app, file, callbacks);
    noteLabel = dynamic_cast<CLabelSprite*>(GetSprite(GetIniInt("main", "note", -1, file)));
    focus = Field::Address;
    SetAddress("");
    SetPortText(std::to_string(kDefaultPort));
    ShowRows();
    ShowNote();
}

std::string ASP_NetworkMenu::Text(const std::string& key) const {
    return ReplaceAll(GetIniString("text", key, "", menuFile), "[n]", "\n");
}

void ASP_NetworkMenu::Search(const std::vector<std::string>& addresses, uint16_t port) {
    search.Start(addresses, port);
    shownFound = 0;
    wasSearching = search.Searching();
    problem.clear();
    ShowRows();
    ShowNote();
}

void ASP_NetworkMenu::Update(double dt) {
    ASP_Menu::Update(dt);
    search.Update(dt);
    if (search.Found().size() != shownFound || search.Searching() != wasSearching) {
        shownFound = search.Found().size();
        wasSearching = search.Searching();
        ShowRows();
        ShowNote();
    }
}

void ASP_NetworkMenu::OnKeyDown(SDL_Event* e) {
    const SDLKey key = e->key.keysym.sym;
    const Uint16 typed = e->key.keysym.unicode;
    if (key == SDLK_BACKSPACE) {
        Erase();
    } else if (key == SDLK_TAB) {
        Focus(focus == Field::Address ? Field::Port : Field::Address);
    } else if (key == SDLK_RETURN || key == SDLK_KP_ENTER) {
        if (join) {
            join(nullptr, e);
        }
    } else if (typed > ' ' && typed < 127) {
        // Host names, IPv4 addresses and ports need nothing beyond printable ASCII.
        Type(static_cast<char>(typed));
    } else {
        ASP_Menu::OnKeyDown(e);
    }
}

void ASP_NetworkMenu::Type(char c) {
    if (focus == Field::Port) {
        SetPortText(port + c);
    } else if (address.size() < kMaxAddress) {
        SetAddress(address + c);
    }
}

void ASP_NetworkMenu::Erase() {
    std::string& text = focus == Field::Port ? port : address;
    text = text.substr(0, text.empty() ? 0 : text.size() - 1);
    ShowFields();
}

void ASP_NetworkMenu::SetAddress(const std::string& text) {
    address = text.substr(0, kMaxAddress);
    ShowFields();
}

void ASP_NetworkMenu::SetPortText(const std::string& text) {
    std::string digits;
    for (const char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)) && digits.size() < kMaxPortDigits) {
            digits += c;
        }
    }
    port = digits;
    ShowFields();
}

uint16_t ASP_NetworkMenu::GetPort() const {
    // At most five digits, so the number always fits.
    const int number = port.empty() ? 0 : std::stoi(port);
    return number >= 1 && number <= 65535 ? static_cast<uint16_t>(number) : 0;
}

void ASP_NetworkMenu::Focus(Field field) {
    focus = field;
    ShowFields();
}

void ASP_NetworkMenu::ShowFields() {
    SetCaption(dynamic_cast<ASP_Button*>(GetSprite(kFieldButton)),
               address + (focus == Field::Address ? "_" : ""));
    SetCaption(dynamic_cast<ASP_Button*>(GetSprite(kFirstRow + rows + kPortAfterRows)),
               port + (focus == Field::Port ? "_" : ""));
}

void ASP_NetworkMenu::Choose(int row) {
    if (row >= 0 && row < rows && row < static_cast<int>(search.Found().size())) {
        SetAddress(search.Found()[static_cast<size_t>(row)].address);
        ShowRows();
    }
}

void ASP_NetworkMenu::ShowPlayers(const std::vector<std::string>& cars) {
    players.clear();
    for (const std::string& car : cars) {
        players += (players.empty() ? "" : ", ") + car;
    }
    ShowNote();
}

void ASP_NetworkMenu::ShowHostFailure(uint16_t failed) {
    problem = ReplaceAll(Text("hostFailed"), "[port]", std::to_string(failed));
    ShowNote();
}

void ASP_NetworkMenu::ShowBadPort() {
    problem = Text("badPort");
    ShowNote();
}

std::string ASP_NetworkMenu::RowText(int row) const {
    const std::vector<ASP_FoundServer>& found = search.Found();
    if (row < 0 || row >= rows || row >= static_cast<int>(found.size())) {
        return "";
    }
    const ASP_FoundServer& server = found[static_cast<size_t>(row)];
    const std::string line = server.info.name + "   " + server.info.trackName + "   " +
                             std::to_string(server.info.players) + "/" +
                             std::to_string(server.info.maxPlayers) + "   " + server.address;
    return server.address == address ? "> " + line + " <" : line;
}

void ASP_NetworkMenu::ShowRows() {
    for (int row = 0; row < rows; ++row) {
        auto* button = dynamic_cast<ASP_Button*>(GetSprite(kFirstRow + row));
        const std::string text = RowText(row);
        SetCaption(button, text);
        if (button != nullptr) {
            button->SetVisible(!text.empty());
        }
    }
}

void ASP_NetworkMenu::ShowNote() {
    std::string note = problem;
    if (note.empty()) {
        note = Text(search.Searching() ? "searching" : search.Found().empty() ? "none" : "found");
    }
    if (!players.empty()) {
        note += "\n" + Text("players") + " " + players;
    }
    if (noteLabel != nullptr) {
        noteLabel->SetText(note);
    }
}

std::string ASP_NetworkMenu::GetNote() const {
    return noteLabel != nullptr ? noteLabel->GetText() : "";
}
