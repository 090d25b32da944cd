#!/usr/bin/env bash
# Reads the built views_demo through the accessibility bus under a virtual X server:
#   bash tests/views/atspi/run.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/../../.."
build=${1:-build}
demo="$PWD/$build/views/views_demo"
[ -x "$demo" ] || { echo "no $demo: build the views_demo target first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export VIEWS_DEMO="$demo"
bash tests/support/atspi_session.sh 1440x700 /usr/bin/python3 tests/views/atspi/views_atspi.py
