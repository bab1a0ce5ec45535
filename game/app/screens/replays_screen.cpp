#include "game/app/screens/replays_screen.h"

#include "game/app/screens/race_screen.h"

namespace {

const char* const kReplaysMenuFile = "mnu\\replays.ini";
const char* const kReplaysFolder = "replays";

}  // namespace

void ASP_ReplaysScreen::Load() {
    library = ASP_ReplayLibrary(app.Settings().UserFolder(kReplaysFolder));
    auto built = std::make_unique<ASP_ReplaysMenu>(app.Textures());
    replays = built.get();
    menu = std::move(built);
    replays->Load(&app, kReplaysMenuFile, Action([this] { Watch(); }), Action([this] { Back(); }));
}

void ASP_ReplaysScreen::Enter() {
    library.Prune();
    replays->Show(library.List());
}

void ASP_ReplaysScreen::Back() {
    app.EnterState(ASP_Main::STATE_MAIN_MENU);
}

void ASP_ReplaysScreen::Show() {
    app.EnterState(ASP_Main::STATE_REPLAYS);
}

void ASP_ReplaysScreen::Watch() {
    if (const ASP_ReplayEntry* entry = replays->Watchable()) {
        app.Screen<ASP_RaceScreen>().StartReplay(entry->file);
    }
}
