#include "game/menus/replays_menu.h"

#include <algorithm>

#include "engine/ini.h"
#include "game/menus/button.h"
#include "game/menus/track_menu.h"
#include "game/sim/results.h"

namespace {

// More rows than this is a broken menu file, not a list.
constexpr int kMaxRows = 20;
// Sprite index of the first row button: the background comes first.
constexpr int kFirstRow = 1;
// Characters of a line of the note.
constexpr size_t kNoteLine = 56;

}  // namespace

ASP_ReplaysMenu::ASP_ReplaysMenu(CTextureManager* textures) : ASP_Menu(textures) {}

void ASP_ReplaysMenu::Load(CGameBase* app, const std::string& file, ASP_ButtonCallback watch,
                           ASP_ButtonCallback back) {
    menuFile = file;
    rows = std::clamp(GetIniInt("main", "rows", 0, file), 0, kMaxRows);
    std::vector<ASP_ButtonCallback> callbacks;
    for (int row = 0; row < rows; ++row) {
        callbacks.push_back([this, row](ASP_Button*, SDL_Event*) { Choose(row); });
    }
    callbacks.push_back([this](ASP_Button*, SDL_Event*) { TurnPage(-1); });
    callbacks.push_back([this](ASP_Button*, SDL_Event*) { TurnPage(1); });
    callbacks.push_back(std::move(watch));
    callbacks.push_back(std::move(back));
    BuildMenu(this, app, file, callbacks);
    noteLabel = dynamic_cast<CLabelSprite*>(GetSprite(GetIniInt("main", "note", -1, file)));
    Show({});
}

std::string ASP_ReplaysMenu::Text(const std::string& key) const {
    return ReplaceAll(GetIniString("text", key, "", menuFile), "[n]", "\n");
}

void ASP_ReplaysMenu::Show(std::vector<ASP_ReplayEntry> shown) {
    entries = std::move(shown);
    page = 0;
    chosen = -1;
    ShowRows();
    SetNote(Text(entries.empty() ? "none" : "choose"));
}

void ASP_ReplaysMenu::TurnPage(int by) {
    const int pages = rows > 0 ? std::max(1, (static_cast<int>(entries.size()) + rows - 1) / rows) : 1;
    page = ((page + by) % pages + pages) % pages;
    ShowRows();
}

void ASP_ReplaysMenu::Choose(int row) {
    const int index = page * rows + row;
    if (row < 0 || row >= rows || index >= static_cast<int>(entries.size())) {
        return;
    }
    chosen = index;
    ShowRows();
    SetNote(ChosenText(entries[static_cast<size_t>(index)]));
}

const ASP_ReplayEntry* ASP_ReplaysMenu::Watchable() {
    if (chosen < 0 || chosen >= static_cast<int>(entries.size())) {
        SetNote(Text(entries.empty() ? "none" : "choose"));
        return nullptr;
    }
    const ASP_ReplayEntry& entry = entries[static_cast<size_t>(chosen)];
    SetNote(ChosenText(entry));
    return entry.refused.empty() ? &entry : nullptr;
}

std::string ASP_ReplaysMenu::RowText(int row) const {
    const int index = page * rows + row;
    if (row < 0 || row >= rows || index >= static_cast<int>(entries.size())) {
        return "";
    }
    return EntryText(entries[static_cast<size_t>(index)], index == chosen);
}

std::string ASP_ReplaysMenu::EntryText(const ASP_ReplayEntry& entry, bool marked) const {
    const ASP_Replay& r = entry.header;
    const std::string time = r.winnerTime > 0.0 ? RecordTime(r.winnerTime) : Text("unfinished");
    std::string cars;
    for (const ASP_ReplayCar& car : r.cars) {
        cars += (cars.empty() ? "" : ", ") + car.car;
    }
    const std::string track = r.trackName.empty() ? r.world : r.trackName;
    const std::string first = track + "   " + r.date + "   " + time;
    const std::string second = entry.refused.empty() ? cars : Text("refused") + " " + entry.refused;
    return (marked ? "> " + first + " <" : first) + "\n" + second;
}

std::string ASP_ReplaysMenu::ChosenText(const ASP_ReplayEntry& entry) const {
    const ASP_Replay& r = entry.header;
    if (!entry.refused.empty()) {
        return BreakLines(Text("refused") + " " + entry.refused + ".", kNoteLine);
    }
    const std::string winner =
        r.winner.empty() ? Text("unfinished") : r.winner + " " + RecordTime(r.winnerTime);
    return Text("winner") + " " + winner + "\n" + Text("laps") + " " + NumberToText(r.laps) + "   " +
           Text("cars") + " " + NumberToText(static_cast<double>(r.cars.size())) + "   " +
           Text("difficulty") + " " + DifficultyText(r.difficulty);
}

void ASP_ReplaysMenu::ShowRows() {
    for (int row = 0; row < rows; ++row) {
        auto* button = dynamic_cast<ASP_Button*>(GetSprite(kFirstRow + row));
        const std::string text = RowText(row);
        SetCaption(button, text);
        if (button != nullptr) {
            button->SetVisible(!text.empty());
        }
    }
}

void ASP_ReplaysMenu::SetNote(const std::string& text) {
    if (noteLabel != nullptr) {
        noteLabel->SetText(text);
    }
}

std::string ASP_ReplaysMenu::GetNote() const {
    return noteLabel != nullptr ? noteLabel->GetText() : "";
}
