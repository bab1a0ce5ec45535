#pragma once

#include <ostream>

#include "engine/command_line.h"

// The headless race of the command line: "--simulate WORLD" runs a race of computer cars on a world
// file of dat\ (or plays a replay of one) with no display and no sound, prints the results as the
// results screen shows them and, last, the final state hash.

// The options the game takes for it, for its --help.
std::vector<CProgramOption> SimulateOptions();

// Whether the start asks for a headless race.
bool WantsSimulation(const CStartOptions& options);

// Runs the race; the status to exit with: 0 when it ran, 1 for a file it refused (missing,
// corrupt, another version), 2 for bad arguments (after the usage).
int RunSimulation(const CProgramInfo& program, const CStartOptions& options, std::ostream& out,
                  std::ostream& err);
