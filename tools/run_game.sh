#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it on the repository's data/. Settings,
# the log and screenshots go to the player's own folders (see README), never into the repository.
# Arguments are passed on to the game. With ASPHALTIA_GAME naming a built game, nothing is
# installed or built.
set -euo pipefail
cd "$(dirname "$0")/.."

game=${ASPHALTIA_GAME:-}
if [ -z "$game" ]; then
    tools/setup.sh
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j"$(nproc)" --target asphaltia asphaltia_worldedit
    game=build/game/asphaltia
fi
exec "$game" --data data "$@"
