#!/usr/bin/env bash
# Runs one command inside a private virtual X server, D-Bus session and accessibility bus, so
# a program can be driven through AT-SPI with no display or desktop:
#   bash tests/support/atspi_session.sh WIDTHxHEIGHT COMMAND [ARGS...]
# The caller exports what the program and the script need (HOME, XDG folders, paths).
# Needs xvfb, dbus, at-spi2-core and python3-pyatspi (scripts/install-deps.sh).
set -euo pipefail
screen=$1
shift
logs=$(mktemp -d)
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
# The server picks a free display and reports it, so parallel runs never meet; -noreset keeps
# it from resetting when its last client leaves, which refused a program connecting just then.
Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3>"$logs/display" 2>"$logs/xvfb.log" &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$logs"' EXIT
for _ in $(seq 100); do [ -s "$logs/display" ] && break; sleep 0.1; done
[ -s "$logs/display" ] || { cat "$logs/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(cat "$logs/display")"
dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately &
  launcher=$!
  sleep 1
  "$@"
  status=$?
  kill $launcher 2>/dev/null || true
  exit $status' atspi-session "$@"
