#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job on the bundled demo song.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
build/cli/kore-cli events --summary --mml-file data/demo_track.txt
