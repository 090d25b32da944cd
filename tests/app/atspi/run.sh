#!/usr/bin/env bash
# Drives the built kore through the accessibility bus under a virtual X server:
#   bash tests/app/atspi/run.sh [build-dir]
# Needs xvfb, dbus, at-spi2-core and python3-pyatspi (scripts/install-deps.sh).
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
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
# The server picks a free display and reports it, so parallel runs never meet.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  launcher=$!
  sleep 1
  /usr/bin/python3 ${KORE_SCRIPT:-tests/app/atspi/kore_atspi.py}
  status=$?
  kill $launcher 2>/dev/null || true
  exit $status'
