#include "game/race/game.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "engine/ini.h"
#include "game/menus/button.h"
#include "game/menus/label_keys.h"
#include "game/menus/menu.h"
#include "game/net/autopilot.h"
#include "game/race/player.h"
#include "game/race/race_sounds.h"
#include "game/race/static_sprite.h"

namespace {

const char* const kBlendFile = "gfx\\menu\\blend.png";
const char* const kPauseMenuFile = "mnu\\pause.ini";
const char* const kCountdownFile = "dat\\countdown.dat";
const char* const kSoundsFile = "dat\\sounds.dat";

}  // namespace

ASP_Game::ASP_Game(CGameBase* app, const ASP_World::Services& services, uint64_t seed)
    : app(app), fonts(app->GetFontFactory()), audio(app->GetAudio()) {
    ASP_World::Services all = services;
    all.fonts = fonts;
    all.audio = audio;
    world = std::make_unique<ASP_World>(all, seed);
    textures = world->textureManager;
    blendOverlay = std::make_unique<CImageSprite>(nullptr);
    CTexture* blend = textures->GetTexture(kBlendFile, true, false);
    blendOverlay->SetTexture(blend);
    blendOverlay->SetWidth(app->width);
    blendOverlay->SetHeight(app->height);
    blend->SetSmooth(false);
    blendOverlay->depthTest = false;
    LoadPauseMenu();
    sounds = std::make_unique<ASP_RaceSounds>(audio);
    sounds->Load(kSoundsFile);
    LogLine(LOG_STATUS, "Instance initialized");
    LoadCountdown();
}

ASP_Game::~ASP_Game() {
    // A race left before its end is kept as far as it went, ended there as its replay will end.
    if (replay != nullptr && GetRace().IsStarted() && !GetRace().IsOver()) {
        GetRace().Abandon();
    }
    SaveReplay();
    countdownLabel.reset();
    blendOverlay.reset();
    pauseMenu.reset();
    sounds.reset();
    world.reset();
    LogLine(LOG_STATUS, "Instance removed.");
}

void ASP_Game::LoadPauseMenu() {
    pauseMenu = LoadMenu(
        app, textures, kPauseMenuFile,
        {[this](ASP_Button*, SDL_Event*) { ResumeRace(); }, [this](ASP_Button*, SDL_Event*) { QuitRace(); },
         [this](ASP_Button*, SDL_Event*) { GiveUp(); }});
    resumeButton = pauseMenu->GetSprite(GetIniInt("main", "resume", 0, kPauseMenuFile));
    // Optional: an older pause menu has no give-up choice.
    const int giveUp = GetIniInt("main", "giveUp", -1, kPauseMenuFile);
    giveUpButton = giveUp >= 0 ? pauseMenu->GetSprite(giveUp) : nullptr;
    gapsCaption = GetIniString("text", "gaps", "", kPauseMenuFile);
    const int firstRow = GetIniInt("main", "playerLabelIndex", 0, kPauseMenuFile);
    for (int r = 0; r < kStandingsRows; ++r) {
        // GetSprite answers null for an index outside the menu; the sum must not overflow first.
        standingsLabels[static_cast<size_t>(r)] =
            firstRow <= pauseMenu->GetSpriteCount() ? pauseMenu->GetSprite(firstRow + r) : nullptr;
    }
}

void ASP_Game::LoadCountdown() {
    const std::string f = kCountdownFile;
    countdownLabel = std::make_unique<CLabelSprite>(nullptr, ReadLabelFont(fonts, "main", f));
    const double width = GetIniDouble("main", "width", 1.0, f);
    const double height = GetIniDouble("main", "height", 1.0, f);
    countdownLabel->SetWidth(width);
    countdownLabel->SetHeight(height);
    countdownLabel->SetColor(ReadLabelColour("main", "color_", f));
    if (CTexture* sheet = ReadTexture(textures, "main", "texture", f)) {
        countdownLabel->SetTexture(sheet);
        countdownLabel->SetTileWidth(GetIniInt("main", "tileWidth", 1, f));
        countdownLabel->SetTileHeight(GetIniInt("main", "tileHeight", 1, f));
    }
    alphaStart = GetIniDouble("main", "alphaStart", 255.0, f);
    alphaEnd = GetIniDouble("main", "alphaEnd", 255.0, f);
    scaleStart = GetIniDouble("main", "scaleStart", 1.0, f);
    scaleEnd = GetIniDouble("main", "scaleEnd", 1.0, f);
    for (int i = 0; i < kCountdownElements; ++i) {
        const size_t e = static_cast<size_t>(i);
        countdownText[e] = GetIniString("main", "string" + NumberToText(i), "", f);
        countdownTile[e] = GetIniInt("main", "tile" + NumberToText(i), 0, f);
        const std::string sound = GetIniString("main", "sound" + NumberToText(i), "", f);
        countdownSound[e] = sound.empty() ? -1 : audio->LoadSound(sound);
    }
    countdownLabel->SetTextBox(0.0, 0.0, width, height);
    countdownLabel->SetAlpha(alphaStart);
    countdownLabel->SetScale(scaleStart);
    countdownLabel->SetAnimPos(countdownTile[kCountdownElements - 1]);
    countdownLabel->SetText(countdownText[kCountdownElements - 1]);
    countdownTime = kCountdownSeconds;
    state = RaceState::Countdown;
}

// Frames and input

void ASP_Game::Update(double dt) {
    if (online != nullptr) {
        // The race goes on on the server whatever this machine shows.
        OnlineTick(dt);
        if (state == RaceState::Racing) {
            world->CSpriteManager::Update(dt);
        } else if (state != RaceState::Countdown) {
            pauseMenu->Update(dt);
        }
        return;
    }
    switch (state) {
        case RaceState::Countdown:
            UpdateCountdown(dt);
            sounds->Update(*world, dt);
            break;
        case RaceState::Racing:
            Simulate(playing != nullptr ? dt * replaySpeed : dt);
            // Animations and particles run with the frame, apart from the race.
            world->CSpriteManager::Update(dt);
            break;
        case RaceState::Paused:
        case RaceState::Finished:
            pauseMenu->Update(dt);
            break;
    }
}

void ASP_Game::Simulate(double dt) {
    if (!(dt > 0.0)) {
        return;
    }
    // Frames of 1/60 s must give exactly two steps, though their sum is not exact in binary.
    const double tolerance = kStep * 1e-6;
    unsimulated += dt;
    for (int i = 0; i < kMaxStepsPerFrame && unsimulated >= kStep - tolerance && state == RaceState::Racing;
         ++i) {
        StepRace();
        unsimulated -= kStep;
    }
    unsimulated = std::clamp(unsimulated, 0.0, kStep);
    world->Follow();
    UpdateFacts();
}

void ASP_Game::Draw(void* target) {
    world->Draw(target);
    switch (state) {
        case RaceState::Countdown:
            countdownLabel->Draw(target);
            break;
        case RaceState::Racing:
            break;
        case RaceState::Paused:
        case RaceState::Finished:
            blendOverlay->Draw(target);
            pauseMenu->Draw(target);
            break;
    }
}

void ASP_Game::OnKeyDown(SDL_Event* e) {
    const SDLKey key = e->key.keysym.sym;
    const bool escape = key == SDLK_ESCAPE;
    if (playing != nullptr && (key == SDLK_1 || key == SDLK_2 || key == SDLK_4)) {
        SetReplaySpeed(key - SDLK_0);
        UpdateFacts();
        return;
    }
    switch (state) {
        case RaceState::Countdown:
            world->OnKeyDown(e);
            break;
        case RaceState::Racing:
            escape ? TogglePause() : world->OnKeyDown(e);
            break;
        case RaceState::Paused:
            escape ? TogglePause() : pauseMenu->OnKeyDown(e);
            break;
        case RaceState::Finished:
            pauseMenu->OnKeyDown(e);
            break;
    }
}

void ASP_Game::OnKeyUp(SDL_Event* e) {
    if (state == RaceState::Countdown || state == RaceState::Racing) {
        world->OnKeyUp(e);
    } else {
        pauseMenu->OnKeyUp(e);
    }
}

void ASP_Game::OnJoystick(SDL_Event* e) {
    if (state == RaceState::Countdown || state == RaceState::Racing) {
        world->OnInputEvent(e);
    }
}

void ASP_Game::OnMouseMove(SDL_Event* e) {
    if (state == RaceState::Paused || state == RaceState::Finished) {
        pauseMenu->OnMouseMove(e);
    }
}

void ASP_Game::OnMouseButtonDown(SDL_Event* e) {
    if (state == RaceState::Paused || state == RaceState::Finished) {
        pauseMenu->OnMouseButtonDown(e);
    }
}

void ASP_Game::OnMouseButtonUp(SDL_Event* e) {
    if (state == RaceState::Paused || state == RaceState::Finished) {
        pauseMenu->OnMouseButtonUp(e);
    }
}

std::vector<ASP_Command> ASP_Game::NextCommands() {
    if (playing == nullptr) {
        return world->TakeCommands();
    }
    const long long next = GetRace().IsStarted() ? GetRace().GetSteps() + 1 : 0;
    if (next >= playing->Steps() && !GetRace().IsOver()) {
        // Raced no further: quit before the end.
        GetRace().Abandon();
        FinishRace();
    }
    return playing->CommandsAt(next);
}

void ASP_Game::StepRace() {
    const std::vector<ASP_Command> commands = NextCommands();
    if (state != RaceState::Racing) {
        return;
    }
    world->Step(commands);
    if (replay != nullptr) {
        replay->Record(GetRace().GetStepCommands());
    }
    // Before the results: the lap that ends the race counts.
    if (timeTrial != nullptr) {
        timeTrial->AfterStep(GetRace(), replay.get());
    }
    FollowEvents();
    AgeNotices(kStep);
    sounds->Update(*world, kStep);
    if (state == RaceState::Finished) {
        sounds->Silence();
    }
}

void ASP_Game::FollowEvents() {
    const ASP_Race& race = GetRace();
    for (const ASP_RaceEvent& e : race.GetEvents()) {
        if (e.kind == ASP_RaceEvent::Finish) {
            notices.push_back(FinishNotice{CarLabel(race.IsComputer(static_cast<size_t>(e.car)), e.car + 1),
                                           e.value, kNoticeSeconds});
        } else if (e.kind == ASP_RaceEvent::RaceOver && online == nullptr) {
            FinishRace();
        }
    }
}

void ASP_Game::AgeNotices(double dt) {
    for (FinishNotice& notice : notices) {
        notice.shownFor -= dt;
    }
    notices.erase(std::remove_if(notices.begin(), notices.end(),
                                 [](const FinishNotice& n) { return n.shownFor <= 0.0; }),
                  notices.end());
}

void ASP_Game::UpdateFacts() {
    ASP_Interface::RaceFacts& facts = world->facts;
    facts.laps = world->GetLaps();
    facts.cars = static_cast<int>(world->GetPlayers().size());
    facts.finishers.clear();
    for (const FinishNotice& n : notices) {
        facts.finishers.emplace_back(n.who, n.place);
    }
    facts.endsIn = state == RaceState::Racing ? GetRace().GetRules().GetRaceEndIn() : -1.0;
    facts.startIn = state == RaceState::Countdown ? std::max(countdownTime, 0.0) : 0.0;
    facts.replaySpeed = playing != nullptr ? replaySpeed : 0;
}

// Countdown

void ASP_Game::UpdateCountdown(double dt) {
    // Keys held while the race loaded sent their presses to the loading screen.
    if (countdownTime == kCountdownSeconds) {
        world->SyncControls();
    }
    const int before = TruncateToInt(countdownTime);
    countdownTime -= dt;
    const int now = TruncateToInt(countdownTime);
    if (now != before && now >= 0 && now < kCountdownElements) {
        ShowCountdownElement(now);
    }
    const double f = countdownTime - std::trunc(countdownTime);
    countdownLabel->SetAlpha(alphaStart + (alphaEnd - alphaStart) * f);
    countdownLabel->SetScale(scaleStart + (scaleEnd - scaleStart) * f);
    countdownLabel->SetX((app->width - countdownLabel->GetGlobalWidth()) * 0.5);
    countdownLabel->SetY((app->height - countdownLabel->GetGlobalHeight()) * 0.5);
    if (countdownTime <= 0.0) {
        StartRace();
    }
    UpdateFacts();
}

void ASP_Game::ShowCountdownElement(int i) {
    const size_t e = static_cast<size_t>(i);
    countdownLabel->SetText(countdownText[e]);
    countdownLabel->SetAnimPos(countdownTile[e]);
    audio->PlaySound(countdownSound[e]);
}

void ASP_Game::StartRace() {
    world->SyncControls();
    if (online != nullptr) {
        // The network race's first step comes with the others, as the server's clock has it.
        state = RaceState::Racing;
        PlayTrackMusic();
        return;
    }
    world->StartRace(NextCommands());
    if (replay != nullptr) {
        replay->Record(GetRace().GetStepCommands());
    }
    state = RaceState::Racing;
    unsimulated = 0.0;
    PlayTrackMusic();
}

void ASP_Game::PlayTrackMusic() {
    const std::string& music = world->GetMusic();
    if (music.empty() || !FileExists(music)) {
        return;
    }
    audio->PlayMusic(music);
}

// Pause, resume, quit, results

void ASP_Game::TogglePause() {
    if (state == RaceState::Racing) {
        BuildStandings();
        state = RaceState::Paused;
        audio->PauseAll();
    } else if (state == RaceState::Paused) {
        ResumeRace();
    }
}

void ASP_Game::ResumeRace() {
    if (state != RaceState::Paused) {
        return;
    }
    state = RaceState::Racing;
    audio->ResumeAll();
}

void ASP_Game::QuitRace() {
    quitRequested = true;
}

void ASP_Game::GiveUp() {
    if (state != RaceState::Paused) {
        return;
    }
    // The race takes the players' leaving in one more step, as it takes everything they do.
    if (playing != nullptr) {
        return;
    }
    world->GiveUp();
    state = RaceState::Racing;
    StepRace();
    world->Follow();
    // The race's music plays on under the results, as after a finish; the engines stop.
    audio->ResumeAll();
    sounds->Silence();
}

void ASP_Game::FinishRace() {
    state = RaceState::Finished;
    for (CSprite* choice : {resumeButton, giveUpButton}) {
        if (choice != nullptr) {
            choice->SetVisible(false);
        }
    }
    notices.clear();
    UpdateFacts();
    SubmitRecords();
    SaveReplay();
    BuildStandings();
}

void ASP_Game::KeepRecords(const std::string& raced, const std::string& recordsFile) {
    track = raced;
    records = std::make_unique<ASP_LapRecords>(recordsFile);
}

void ASP_Game::Record(std::unique_ptr<ASP_Replay> recorder, const std::string& file) {
    replay = std::move(recorder);
    replayFile = file;
}

void ASP_Game::SetTimeTrial(std::unique_ptr<ASP_TimeTrial> trial) {
    timeTrial = std::move(trial);
}

void ASP_Game::SubmitRecords() {
    const std::vector<ASP_Player*>& cars = world->GetPlayers();
    newRecords.assign(cars.size(), ASP_NewRecords());
    if (records == nullptr || playing != nullptr) {
        return;
    }
    const std::string today = ASP_LapRecords::Today();
    const auto& record = [&cars](size_t i) -> const ASP_RaceRecord& { return cars[i]->Record(); };
    for (size_t i = 0; i < cars.size(); ++i) {
        if (record(i).finished && !cars[i]->IsComputer()) {
            // A driver alone races nobody: no race record.
            const double raceTime = timeTrial != nullptr ? 0.0 : record(i).raceTime;
            newRecords[i] =
                records->Submit(track, cars[i]->carName, record(i).BestCompleteLap(), raceTime, today);
        }
    }
    // Several cars may each have beaten the record as it stood; only the best of them holds it.
    for (size_t i = 0; i < cars.size(); ++i) {
        for (size_t j = 0; j < cars.size(); ++j) {
            newRecords[i].lap &=
                !(newRecords[j].lap && record(j).BestCompleteLap() < record(i).BestCompleteLap());
            newRecords[i].race &= !(newRecords[j].race && record(j).raceTime < record(i).raceTime);
        }
    }
}

void ASP_Game::Play(std::unique_ptr<ASP_Replay> recorded) {
    playing = std::move(recorded);
    world->viewed.clear();
    for (size_t i = 0; i < playing->cars.size(); ++i) {
        if (!playing->cars[i].computer) {
            world->viewed.push_back(static_cast<int>(i));
        }
    }
    if (giveUpButton != nullptr) {
        giveUpButton->SetVisible(false);
    }
}

void ASP_Game::SetReplaySpeed(int times) {
    if (times == 1 || times == 2 || times == 4) {
        replaySpeed = times;
    }
}

void ASP_Game::SaveReplay() {
    if (replay == nullptr || replayFile.empty() || playing != nullptr || replayKept || replay->Steps() == 0) {
        return;
    }
    replayKept = true;
    const ASP_Race& race = GetRace();
    for (size_t i = 0; i < race.GetCars().size(); ++i) {
        const ASP_RaceRecord& r = race.GetCars()[i]->record;
        if (r.finished && r.position == 1) {
            replay->winner =
                CarLabel(race.IsComputer(i), static_cast<int>(i) + 1) + " " + replay->cars[i].car;
            replay->winnerTime = r.raceTime;
        }
    }
    replay->finalHash = race.StateHash();
    std::string error;
    if (!replay->Save(replayFile, &error)) {
        LogLine(LOG_ERROR, "The replay " + replayFile + " was not kept: " + error + ".");
    }
}

CSprite* ASP_Game::GetStandingsLabel(int row) const {
    return row >= 0 && row < kStandingsRows ? standingsLabels[static_cast<size_t>(row)] : nullptr;
}

void ASP_Game::BuildStandings() {
    const std::vector<ASP_Player*>& cars = world->GetPlayers();
    std::vector<int> positions;
    for (const ASP_Player* car : cars) {
        positions.push_back(car->Record().position);
    }
    const std::vector<int> order = StandingsOrder(positions);
    // Below the cars, a time trial's gaps to its ghost.
    const std::vector<std::string> gaps = timeTrial != nullptr
                                              ? GapLines(gapsCaption, timeTrial->GetGaps(), kGapsPerRow)
                                              : std::vector<std::string>();
    for (int r = 0; r < kStandingsRows; ++r) {
        CSprite* row = standingsLabels[static_cast<size_t>(r)];
        if (row == nullptr) {
            continue;
        }
        const bool shown = r < static_cast<int>(cars.size());
        const size_t gap = static_cast<size_t>(r) - cars.size();
        row->SetVisible(shown || gap < gaps.size());
        auto* label = dynamic_cast<CLabelSprite*>(row);
        if (!shown && label != nullptr && gap < gaps.size()) {
            label->SetText(gaps[gap]);
        }
        if (shown && label != nullptr) {
            const size_t i = static_cast<size_t>(order[static_cast<size_t>(r)]);
            const ASP_NewRecords made = i < newRecords.size() ? newRecords[i] : ASP_NewRecords();
            label->SetText(StandingsRow(cars[i]->Record(), cars[i]->carName, cars[i]->IsComputer(),
                                        static_cast<int>(i) + 1, state == RaceState::Finished, made));
        }
    }
}
