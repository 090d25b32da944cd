#!/usr/bin/env python3
"""Exports the fixture songs with kore-cli and reads the files back with mido, an independent
SMF implementation: event times with the lead-in, set-up events, GM System On, note pairs in
time order, tempo bytes.

usage: check_with_mido.py KORE_CLI FIXTURE_DIR
"""
import json
import os
import subprocess
import sys
import tempfile

import mido

GM_SYSTEM_ON = (0x7E, 0x7F, 0x09, 0x01)
TPQ = 32
MEASURE = 4 * TPQ

EXPECTATIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data",
                            "export_expectations.json")


def load_fixtures():
    """The expectations with JSON lists turned back into comparable tuples."""
    def tuples(rows):
        return [tuple(tuple(v) if isinstance(v, list) else v for v in row) for row in rows]
    fixtures = json.load(open(EXPECTATIONS, encoding="utf-8"))
    fixtures.pop("_comment")
    for fixture in fixtures.values():
        fixture["slots"] = {int(k): tuple(v) for k, v in fixture["slots"].items()}
        fixture["raw"] = [bytes.fromhex(h) for h in fixture["raw"]]
        for key in ("notes", "tempos", "other"):
            fixture[key] = tuples(fixture[key])
    return fixtures


failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def absolute(track):
    time = 0
    for message in track:
        time += message.time
        yield time, message


def setup_events(program, volume, pan, channel, fmt):
    if fmt == 1:
        return [("control_change", channel, 0, 0), ("control_change", channel, 32, 0),
                ("program_change", channel, program), ("control_change", channel, 7, volume),
                ("control_change", channel, 10, pan)]
    return [("program_change", channel, program), ("control_change", channel, 32, 0),
            ("control_change", channel, 0, 0), ("control_change", channel, 10, pan),
            ("control_change", channel, 7, volume)]


def describe(message):
    if message.type == "program_change":
        return ("program_change", message.channel, message.program)
    if message.type == "control_change":
        return ("control_change", message.channel, message.control, message.value)
    return (message.type,)


def check_file(path, fixture, fmt, label):
    raw = open(path, "rb").read()
    midi = mido.MidiFile(path)
    extended = any(slot[4] for slot in fixture["slots"].values())
    lead_in = MEASURE if fmt == 0 or extended else MEASURE - TPQ
    check(midi.type == fmt, f"{label}: format {midi.type}")
    check(midi.ticks_per_beat == TPQ, f"{label}: division {midi.ticks_per_beat}")
    check(len(midi.tracks) == (1 if fmt == 0 else fixture["chunks"]),
          f"{label}: {len(midi.tracks)} track chunks")

    first = list(absolute(midi.tracks[0]))
    metas = [m for t, m in first if t == 0 and m.is_meta]
    check(metas and metas[0].type == "time_signature" and metas[0].numerator == 4
          and metas[0].denominator == 4, f"{label}: time signature first")
    check(any(m.type == "track_name" and m.name == fixture["title"] for m in metas),
          f"{label}: sequence name")
    gm = [t for t, m in first if m.type == "sysex" and tuple(m.data) == GM_SYSTEM_ON]
    check(gm == ([] if extended else [0]), f"{label}: GM System On at {gm}")

    # Set-up events: at time 0, in order, per slot in use that is not extended.
    for slot, (name, program, volume, pan, is_extended) in fixture["slots"].items():
        track = midi.tracks[0] if fmt == 0 else midi.tracks[slot]
        events = list(absolute(track))
        at_zero = [describe(m) for t, m in events if t == 0 and not m.is_meta and m.type != "sysex"]
        expected = [] if is_extended else setup_events(program, volume, pan, slot, fmt)
        if fmt == 1:
            check(at_zero == expected, f"{label}: set-up of slot {slot}: {at_zero}")
            names = [m.name for t, m in events if m.type == "track_name"]
            check(name in names, f"{label}: track name {name} in {names}")
        else:
            found = [e for e in at_zero if e[1] == slot]
            check(found == expected, f"{label}: set-up of slot {slot}: {found}")
    if fmt == 1:
        for chunk in range(fixture["chunks"]):
            if chunk not in fixture["slots"]:
                types = [m.type for m in midi.tracks[chunk]]
                check(types == ["track_name", "end_of_track"], f"{label}: empty chunk {types}")

    # Notes: each note-on closed by the next note-off of its channel and pitch, in time order.
    notes, tempos, other = [], [], []
    for track in midi.tracks:
        open_notes = {}
        last = 0
        for time, message in absolute(track):
            check(time >= last, f"{label}: time goes back at {time}")
            last = time
            if message.type == "note_on" and message.velocity > 0:
                open_notes.setdefault((message.channel, message.note), []).append(
                    (time, message.velocity))
            elif message.type in ("note_on", "note_off"):
                key = (message.channel, message.note)
                check(open_notes.get(key), f"{label}: note-off without note-on {key} at {time}")
                if open_notes.get(key):
                    start, velocity = open_notes[key].pop(0)
                    notes.append((start - lead_in, time - start, message.note, velocity,
                                  message.channel))
            elif message.type == "set_tempo":
                tempos.append((time - lead_in, message.tempo))
            elif message.type in ("program_change", "control_change") and time > 0:
                value = message.program if message.type == "program_change" else (
                    message.control, message.value)
                other.append((time - lead_in, message.type, message.channel, value))
            elif message.type == "end_of_track":
                check(all(not v for v in open_notes.values()), f"{label}: notes left open")
    check(sorted(notes) == sorted(fixture["notes"]), f"{label}: notes {sorted(notes)}")
    check(sorted(tempos) == sorted(fixture["tempos"]), f"{label}: tempos {sorted(tempos)}")
    check(sorted(other) == sorted(fixture["other"]), f"{label}: other events {sorted(other)}")
    for pattern in fixture["raw"]:
        check(pattern in raw, f"{label}: bytes {pattern.hex()} missing")


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    cli, fixtures = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        for name, fixture in load_fixtures().items():
            for fmt in (1, 0):
                out = os.path.join(work, f"{name}.{fmt}.mid")
                result = subprocess.run([cli, "export-smf", os.path.join(fixtures, name), out,
                                         "--format", str(fmt)], capture_output=True, text=True)
                if result.returncode != 0:
                    failures.append(f"{name} format {fmt}: kore-cli failed: {result.stderr}")
                    continue
                check_file(out, fixture, fmt, f"{name} format {fmt}")
    for failure in failures:
        print("FAIL", failure)
    print("ok" if not failures else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
