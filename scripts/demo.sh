#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: opens the bundled demo song in the
# kore window when a display is there; otherwise renders it to a WAVE file and plays it where a
# sound device exists.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/app/kore ]; then
  exec build/app/kore data/demo.mml
fi
build/cli/kore-cli info data/demo.mml | head -n 5
build/cli/kore-cli render data/demo.mml build/demo.wav
build/cli/kore-cli play data/demo.mml || echo "No sound device here: listen to build/demo.wav"
