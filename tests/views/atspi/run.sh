#!/usr/bin/env bash
# Reads the built views_demo through the accessibility bus under a virtual X server:
#   bash tests/views/atspi/run.sh [build-dir]
# Needs xvfb, dbus, at-spi2-core and python3-pyatspi (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/../../.."
build=${1:-build}
demo="$PWD/$build/views/views_demo"
[ -x "$demo" ] || { echo "no $demo: build the views_demo target first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export VIEWS_DEMO="$demo" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1
Xvfb -displayfd 3 -screen 0 1440x700x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"
dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  launcher=$!
  sleep 1
  /usr/bin/python3 tests/views/atspi/views_atspi.py
  status=$?
  kill $launcher 2>/dev/null || true
  exit $status'
