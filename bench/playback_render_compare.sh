#!/usr/bin/env bash
# Offline rendering speed: renders a two-minute three-track song with `kore-cli render` and the
# same song, exported as a Standard MIDI File, with `fluidsynth -F`, both with the distribution's
# General MIDI SoundFont at 44.1 kHz stereo, start-up included, in one run.
# usage: bench/playback_render_compare.sh [path/to/kore-cli]
set -euo pipefail
cli=${1:-$(dirname "$0")/../build/cli/kore-cli}
sf2=${KORE_SOUNDFONT:-/usr/share/sounds/sf2/default-GM.sf2}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# 120 bpm, 60 measures of 4/4: two minutes.
python3 - "$tmp/song.mml" <<'PY'
import sys
melody = "o5 l8 " + "cdefgfed edcdefga gfedc<b>cd ecg<g>c4r4 " * 15
chords = "o4 l4 " + "cegc ceg>c< dfad fac>c< " * 15
bass = "o3 l2 " + "c<g>fc d<a>ge " * 15
lines = ["[Settings]", "Title=render speed", "TimeBase=32",
         "[Channel1]", "t120 v12 " + melody,
         "[Channel2]", "t120 v10 " + chords,
         "[Channel3]", "t120 v11 " + bass]
open(sys.argv[1], "wb").write(("\r\n".join(lines) + "\r\n").encode("ascii"))
PY
"$cli" export-smf "$tmp/song.mml" "$tmp/song.mid" >/dev/null

# Wall and CPU seconds (user + system) of one command.
measure() {
  local out=$1; shift
  /usr/bin/time -f "%e %U %S" -o "$out" "$@" >/dev/null 2>&1
}
measure "$tmp/t1" "$cli" render --soundfont "$sf2" "$tmp/song.mml" "$tmp/kore.wav"
measure "$tmp/t2" "$cli" render --soundfont "$sf2" --reverb --chorus "$tmp/song.mml" "$tmp/kore-fx.wav"
measure "$tmp/t3" fluidsynth -q -F "$tmp/fluid.wav" -ni "$sf2" "$tmp/song.mid"

python3 - "$tmp" <<'PY'
import sys, wave
tmp = sys.argv[1]
def times(name):
    wall, user, system = map(float, open("%s/%s" % (tmp, name)).read().split()[-3:])
    return wall, user + system
def length(name):
    w = wave.open("%s/%s" % (tmp, name))
    return w.getnframes() / w.getframerate()
audio = length("kore.wav")
fluid_wall, fluid_cpu = times("t3")
print("song: %.1f s of audio from kore-cli, %.1f s from fluidsynth (its SMF has a one-measure lead-in)"
      % (audio, length("fluid.wav")))
for label, name in (("kore-cli render (effects off)     ", "t1"),
                    ("kore-cli render --reverb --chorus ", "t2")):
    wall, cpu = times(name)
    print("%s wall %6.3f s %5.0fx real time %.2fx fluidsynth | cpu %6.3f s %5.0fx real time %.2fx fluidsynth"
          % (label, wall, audio / wall, wall / fluid_wall, cpu, audio / cpu, cpu / fluid_cpu))
print("fluidsynth -F (reverb, chorus on) wall %6.3f s %5.0fx real time       | cpu %6.3f s %5.0fx real time"
      % (fluid_wall, audio / fluid_wall, fluid_cpu, audio / fluid_cpu))
PY
