#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (no display, sound card or MIDI port needed).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j "$(nproc)"
