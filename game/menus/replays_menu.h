#pragma once

#include <string>
#include <vector>

#include "engine/game_base.h"
#include "engine/label_sprite.h"
#include "game/menus/menu.h"
#include "game/race/replay_library.h"

// The replays kept, newest first, a page of rows at a time: each row shows a replay's track, date
// and winner's time, and its cars or why it is refused. A click on a row chooses it; Watch asks
// for the chosen one, which is refused with the reason on the note.
//
// Its menu file has the row buttons (main/rows of them), then previous page, next page, Watch and
// back; main/note names the label under the rows, and `text` holds the words shown.
class ASP_ReplaysMenu : public ASP_Menu {
public:
    explicit ASP_ReplaysMenu(CTextureManager* textures);

    // Builds the menu from its file; watch and back are the callbacks of those buttons.
    void Load(CGameBase* app, const std::string& file, ASP_ButtonCallback watch, ASP_ButtonCallback back);
    // Lists these replays from the first page, none chosen.
    void Show(std::vector<ASP_ReplayEntry> entries);
    // By whole pages, wrapping round.
    void TurnPage(int by);
    // The replay on this row of the page, if there is one.
    void Choose(int row);
    // The chosen replay when it can be watched; null otherwise, with the note saying why.
    const ASP_ReplayEntry* Watchable();

    const std::vector<ASP_ReplayEntry>& GetEntries() const { return entries; }
    // Index of the chosen replay in the entries; -1 for none.
    int GetChosen() const { return chosen; }
    int GetPage() const { return page; }
    int GetRowCount() const { return rows; }
    // The caption of a row of the page.
    std::string RowText(int row) const;
    std::string GetNote() const;

private:
    std::string Text(const std::string& key) const;
    // What a row says of a replay; marked when it is the chosen one.
    std::string EntryText(const ASP_ReplayEntry& entry, bool marked) const;
    // What the note says of the chosen replay.
    std::string ChosenText(const ASP_ReplayEntry& entry) const;
    void ShowRows();
    void SetNote(const std::string& text);

    std::string menuFile;
    int rows = 0;
    std::vector<ASP_ReplayEntry> entries;
    int page = 0;
    int chosen = -1;
    CLabelSprite* noteLabel = nullptr;
};
