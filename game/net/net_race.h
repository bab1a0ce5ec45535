#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "engine/log.h"
#include "game/net/protocol.h"
#include "game/sim/race.h"
#include "game/sim/replay.h"

// A network race as one machine runs it. The confirmed race follows the server's commands step by
// step, so it is the server's race to the bit; the race the players see is guessed ahead of it to
// the present: from the confirmed state, with this machine's own commands and, for the others, the
// last command each car is known to have had. When the server's commands arrive the guess starts
// again from the confirmed race, so a car the guess got wrong moves to where it really is.
class ASP_NetRace : public CLogSource {
public:
    // Builds the confirmed race as the server built it (track, cars in order, computer drivers,
    // seed); false, logged, when the track cannot be read. `mine` names this machine's number.
    bool Setup(const ASP_StartMessage& start, uint8_t mine, ASP_TrackPictures& pictures);
    // A race as the server built it, before the start, for a guess to run on; null when the track
    // cannot be read.
    static std::unique_ptr<ASP_Race> Build(const ASP_StartMessage& start, ASP_TrackPictures& pictures);

    // The server's steps: the confirmed race runs them.
    void Receive(const ASP_StepsMessage& steps);
    // The race is over on the server after this step, with this hash.
    void Over(const ASP_OverMessage& over);
    // This machine's commands for its cars at a step.
    void Hold(long long step, const std::vector<ASP_Command>& commands);
    // Runs one step of the guess (the start for the first) with these commands; fresh is false for
    // a step the guess already ran before it started again, so its sounds are not heard twice.
    using StepFunction = std::function<void(const std::vector<ASP_Command>& commands, bool fresh)>;
    // Brings the guessed race to the present step (that many steps since GO), starting again from
    // the confirmed race when it moved on; the number of steps run. Without a step function the
    // guess is stepped directly.
    int Predict(ASP_Race& guess, long long present, const StepFunction& step = nullptr);
    // How far the last restart moved each car from where the guess had it (old minus new), and the
    // farthest any car moved on a restart so far, pixels.
    const std::vector<Point>& LastCorrections() const { return corrections; }
    double LargestCorrection() const { return largestCorrection; }
    // How many times the guess started again and moved the cars.
    int Restarts() const { return restarts; }

    ASP_Race& Confirmed() { return *confirmed; }
    const std::vector<size_t>& MyCars() const { return myCars; }
    // The commands this machine has not yet sent, from the given step, by step then car.
    std::vector<ASP_Command> HeldFrom(long long step, long long upTo) const;
    // The server's commands as a replay; every machine keeps the same one.
    const ASP_Replay& GetReplay() const { return replay; }
    // Whether the confirmed race ever differed from the server's.
    bool Diverged() const { return diverged; }
    bool IsOver() const { return over; }
    long long ConfirmedSteps() const { return confirmedSteps; }
    // Whether steps came from the server that the confirmed race cannot run yet, some before them
    // having been lost on the way.
    bool Missing() const { return newest > confirmedSteps; }

private:
    std::unique_ptr<ASP_Race> confirmed;
    ASP_Replay replay;
    std::vector<size_t> myCars;
    ASP_Difficulty difficulty = ASP_Difficulty::Normal;
    // By step, this machine's commands, kept until the server confirms the step.
    std::map<long long, std::vector<ASP_Command>> held;
    // The last command each car raced with, by car, for guessing the others.
    std::vector<ASP_Command> lastKnown;
    // Cars computer drivers take over, by step, until that step is raced.
    std::vector<std::pair<uint32_t, uint8_t>> takeovers;
    // Steps the confirmed race ran (the start counts as one), and when the guess last started over.
    long long confirmedSteps = 0;
    long long newest = 0;
    long long guessedFrom = -1;
    // The furthest step the guess ran.
    long long reached = -1;
    std::vector<Point> corrections;
    double largestCorrection = 0.0;
    int restarts = 0;
    bool diverged = false;
    bool over = false;
};
