#!/usr/bin/env bash
# Drives the built kore through the accessibility bus under a virtual X server:
#   bash tests/app/atspi/run.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/../../.."
build=${1:-build}
kore="$PWD/$build/app/kore"
[ -x "$kore" ] || { echo "no $kore: build the kore target first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export KORE_PROGRAM="$kore" KORE_WORK="$work" KORE_DEMO="$PWD/data/demo.mml"
bash tests/support/atspi_session.sh 1280x900 /usr/bin/python3 "${KORE_SCRIPT:-tests/app/atspi/kore_atspi.py}"
