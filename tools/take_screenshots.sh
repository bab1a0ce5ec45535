#!/usr/bin/env bash
# Renders the shipped menus and races, and the world editor at work, under a virtual X server and
# stores them as PNG in docs/.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target asphaltia_screenshots asphaltia_worldedit

mkdir -p docs
(cd data && SDL_AUDIODRIVER=dummy ../tools/with_xvfb.sh ../build/tools/asphaltia_screenshots ../docs)
tools/take_editor_screenshots.sh
ls docs
