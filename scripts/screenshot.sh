#!/usr/bin/env bash
# Renders docs/kore.png: the kore window on the demo song under a virtual X server.
#   bash scripts/screenshot.sh [build-dir]
# Needs xvfb, x11-apps (xwd) and netpbm (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
kore="$PWD/${1:-build}/app/kore"
[ -x "$kore" ] || { echo "no $kore: build the kore target first" >&2; exit 1; }
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 960x720x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
# A private copy of the program keeps its settings beside it: the picture shows the defaults,
# and no sound card is opened.
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$work/bin"
cp "$kore" "$work/bin/kore"
printf '[DLS Settings]\r\nAudioDriver=silent\r\n' > "$work/bin/KORE.ini"
cp data/demo.mml "$work/demo.mml"
"$work/bin/kore" "$work/demo.mml" &
app=$!
sleep 4
xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > docs/kore.png
kill $app 2>/dev/null || true
echo "wrote docs/kore.png"
