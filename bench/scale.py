#!/usr/bin/env python3
"""Whole-process cost of opening long songs with kore-cli: wall time and peak memory.

Generates four inputs from a fixed seed (15 tracks of 64 KiB, 15 tracks of 1 MiB, one track of
1 MiB of raw MML, and an empty track), runs each command as a fresh process, best of N runs,
and prints wall time, CPU time (user + system: the fairer figure on a shared machine, where wall
time also counts waiting for a core) and peak RSS. With --before a second kore-cli (e.g. one built from an older
commit) is measured the same way, and the table shows both; the outputs of the two are compared
byte for byte.

  bench/scale.sh [--cli build/cli/kore-cli] [--before /tmp/base-build/cli/kore-cli] [--runs 3]
"""
import argparse
import hashlib
import os
import random
import subprocess
import sys
import tempfile
import time

KIB = 1024
MIB = 1024 * 1024


def melody(rng, size):
    """Game-dialect MML like a long song: notes with lengths, dots and accidentals, rests, ties,
    octave steps, l/v/t/o commands, line ends and the odd comment."""
    lengths = ["", "", "", "4", "8", "8", "16", "2", "4.", "8.", "32"]
    accidentals = ["", "", "", "", "+", "-"]
    parts = []
    total = 0
    octave = 4
    last = "c"
    while total < size:
        roll = rng.random()
        if roll < 0.60:
            last = rng.choice("cdefgab") + rng.choice(accidentals) + rng.choice(lengths)
            piece = last
        elif roll < 0.65:
            piece = "&" + last
        elif roll < 0.73:
            piece = "r" + rng.choice(lengths)
        elif roll < 0.81:
            up = octave < 3 or (octave < 6 and rng.random() < 0.5)
            octave += 1 if up else -1
            piece = ">" if up else "<"
        elif roll < 0.84:
            piece = "l" + str(1 << rng.randrange(5))
        elif roll < 0.87:
            piece = "v" + str(rng.randrange(16))
        elif roll < 0.88:
            piece = "t" + str(60 + rng.randrange(150))
        elif roll < 0.89:
            octave = 3 + rng.randrange(3)
            piece = "o" + str(octave)
        elif roll < 0.98:
            piece = "\r\n" if rng.random() < 0.3 else " "
        else:
            piece = "// bar " + str(rng.randrange(200)) + "\r\n"
        parts.append(piece)
        total += len(piece)
    return "".join(parts)[:size]


def song_file(rng, tracks, size):
    lines = ["[Settings]\r\nTitle=scale\r\nSource=\r\nMemo=\r\n\r\n"]
    for slot in range(tracks):
        text = melody(rng, size)
        lines.append("[Channel%d]\r\n%s\r\n" % (slot + 1, text))
    return "".join(lines)


def generate(folder):
    os.makedirs(folder, exist_ok=True)
    wanted = {
        "song_15x64k.mml": lambda rng: song_file(rng, 15, 64 * KIB),
        "song_15x1m.mml": lambda rng: song_file(rng, 15, MIB - 3),
        "track_1m.txt": lambda rng: melody(rng, MIB),
        "track_empty.txt": lambda rng: "",
    }
    paths = {}
    for name, make in wanted.items():
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            data = make(random.Random(20261206)).encode("ascii")
            with open(path + ".tmp", "wb") as out:
                out.write(data)
            os.replace(path + ".tmp", path)
        paths[name] = path
    return paths


def run_once(argv):
    """Wall seconds, CPU seconds (user + system), peak RSS in MB (10^6 bytes) and the output
    digest of one fresh process.
    The peak comes from /usr/bin/time: a child forked from Python would count Python's own
    pages before its exec."""
    with tempfile.NamedTemporaryFile("r") as report:
        start = time.perf_counter()
        process = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", report.name] + argv,
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        digest = hashlib.sha256()
        for chunk in iter(lambda: process.stdout.read(1 << 16), b""):
            digest.update(chunk)
        # wait4 gives the CPU time in microseconds (time's own report rounds to 10 ms); it
        # includes the command, which /usr/bin/time waited for.
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - start
        process.returncode = os.waitstatus_to_exitcode(status)
        if process.returncode != 0:
            sys.exit("failed (%d): %s" % (process.returncode, " ".join(argv)))
        peak_kib = int(report.read().split()[-1])
    return wall, usage.ru_utime + usage.ru_stime, peak_kib * 1024 / 1e6, digest.hexdigest()


def best_of(argv, runs):
    results = [run_once(argv) for _ in range(runs)]
    return (min(r[0] for r in results), min(r[1] for r in results), min(r[2] for r in results),
            results[0][3])


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", default=os.path.join(root, "build", "cli", "kore-cli"))
    parser.add_argument("--before", help="a second kore-cli to compare with")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--songs", default="/tmp/kore-scale-songs")
    args = parser.parse_args()

    songs = generate(args.songs)
    cases = [
        ("info 15 x 64 KiB", ["info", songs["song_15x64k.mml"]]),
        ("events --song --summary 15 x 64 KiB",
         ["events", songs["song_15x64k.mml"], "--song", "--summary"]),
        ("info 15 x 1 MiB", ["info", songs["song_15x1m.mml"]]),
        ("events --mml-file 1 MiB --summary",
         ["events", "--mml-file", songs["track_1m.txt"], "--summary"]),
        ("events --mml-file empty --summary",
         ["events", "--mml-file", songs["track_empty.txt"], "--summary"]),
    ]
    binaries = [("after", args.cli)] + ([("before", args.before)] if args.before else [])
    with open("/proc/loadavg") as load:
        print("load average at start: " + " ".join(load.read().split()[:3]))
    header = "%-38s" % "command"
    for label, _ in binaries:
        header += " | %9s %7s %7s" % (label + " s", "CPU s", "MB")
    if args.before:
        header += " | output"
    print(header)
    figures = {}
    for title, command in cases:
        row = "%-38s" % title
        digests = []
        for label, binary in binaries:
            wall, cpu, rss, digest = best_of([binary] + command, args.runs)
            figures[(label, title)] = (wall, cpu)
            digests.append(digest)
            row += " | %9.3f %7.3f %7.1f" % (wall, cpu, rss)
        if args.before:
            row += " | " + ("same" if len(set(digests)) == 1 else "DIFFERENT")
        print(row, flush=True)
    for label, _ in binaries:
        net = figures[(label, cases[3][0])][0] - figures[(label, cases[4][0])][0]
        net_cpu = figures[(label, cases[3][0])][1] - figures[(label, cases[4][0])][1]
        rate = (MIB / MIB) / net if net > 0 else float("inf")
        print("%s: one 1 MiB track takes %.1f ms wall (%.0f MiB/s), %.0f ms CPU above an empty run"
              % (label, net * 1000, rate, net_cpu * 1000))


if __name__ == "__main__":
    main()
