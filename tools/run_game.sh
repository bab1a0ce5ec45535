#!/usr/bin/env bash
# Installs what is missing, builds the game and starts it in its working directory, data/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target asphaltia asphaltia_worldedit
cd data
exec ../build/game/asphaltia "$@"
