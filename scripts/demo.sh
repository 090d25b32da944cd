#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job: renders the bundled demo song to a
# WAVE file, then plays it where a sound device exists.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
build/cli/kore-cli info data/demo.mml | head -n 5
build/cli/kore-cli render data/demo.mml build/demo.wav
build/cli/kore-cli play data/demo.mml || echo "No sound device here: listen to build/demo.wav"
