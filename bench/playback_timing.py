#!/usr/bin/env python3
"""Real-time accuracy of `kore-cli play --dump`.

Plays a dense three-track song at 32 ticks per quarter and tempo 150 (12.5 ms a tick) with
--dump, and compares the time of every note message with the moment it falls due: a record of
tick T is due when the player's rounded now-tick first reaches T, i.e. (T - 0.5) ticks after the
clock's base. Then plays a song of long notes and reports the CPU the player used while waiting.

usage: bench/playback_timing.py [path/to/kore-cli] [seconds]
"""
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time

KORE_CLI = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(__file__), "..", "build", "cli", "kore-cli")
SECONDS = float(sys.argv[2]) if len(sys.argv) > 2 else 30.0
TEMPO = 150
TPQ = 32
MS_PER_TICK = 60000.0 / TEMPO / TPQ
# Track lengths in ticks: l64 (2 ticks), l32 (4 ticks), l16 (8 ticks).
TRACKS = [(64, 2), (32, 4), (16, 8)]


def song_file(path, tracks, tempo, octave_notes="cdefgab"):
    lines = ["[Settings]", "Title=timing", "TimeBase=%d" % TPQ]
    for slot, (length, ticks) in enumerate(tracks):
        count = int(SECONDS * 1000 / (ticks * 60000.0 / tempo / TPQ))
        notes = (octave_notes * (count // len(octave_notes) + 1))[:count]
        lines.append("[Channel%d]" % (slot + 1))
        lines.append("t%d o%d l%d %s" % (tempo, 4 + slot % 2, length, notes))
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("ascii"))


def run_dump(path):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    out = subprocess.run([KORE_CLI, "play", "--dump", path], check=True,
                         stdout=subprocess.PIPE, text=True).stdout
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return out, wall, cpu


def percentile(values, p):
    ordered = sorted(values)
    k = min(len(ordered) - 1, max(0, int(round(p / 100.0 * (len(ordered) - 1)))))
    return ordered[k]


def accuracy():
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "dense.mml")
        song_file(path, TRACKS, TEMPO)
        out, wall, cpu = run_dump(path)
    per_track = {}
    for line in out.splitlines():
        parts = line.split()
        ms, track = float(parts[0]), int(parts[1])
        status = int(parts[2], 16) & 0xF0
        if track < 0 or status not in (0x80, 0x90):
            continue
        per_track.setdefault(track, []).append(ms)
    errors = []
    for track, times in per_track.items():
        ticks = TRACKS[track][1]
        for i, ms in enumerate(times):
            tick = ((i + 1) // 2) * ticks  # on, off, on, off ... ; an off and the next on share a tick
            due = 0.0 if tick == 0 else (tick - 0.5) * MS_PER_TICK
            errors.append(ms - due)
    late = [abs(e) for e in errors]
    print("dense song: %d note messages in %.1f s on 3 tracks (32 ticks per quarter, tempo %d)"
          % (len(errors), wall, TEMPO))
    print("  dispatch error vs due moment: median %.3f ms, p99 %.3f ms, max %.3f ms, earliest %.3f ms"
          % (statistics.median(late), percentile(late, 99), max(late), min(errors)))
    return statistics.median(late), percentile(late, 99)


def idle_cpu():
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "long.mml")
        # Whole notes at 60 bpm: a message every 4 s per track.
        song_file(path, [(1, 128), (1, 128), (1, 128)], 60, "cegc")
        _, wall, cpu = run_dump(path)
    share = 100.0 * cpu / wall
    print("long notes: %.1f s played, %.3f s CPU: %.2f %% of a core" % (wall, cpu, share))
    return share


if __name__ == "__main__":
    median, p99 = accuracy()
    share = idle_cpu()
    ok = median <= 0.3 and p99 <= 2.0 and share <= 5.0
    print("targets (median <= 0.3 ms, p99 <= 2 ms, CPU <= 5 %%): %s" % ("met" if ok else "NOT met"))
    sys.exit(0 if ok else 1)
