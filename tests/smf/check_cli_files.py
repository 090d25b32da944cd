#!/usr/bin/env python3
# kore-cli's SMF exports of the fixtures read back by mido (each event at its tick), compared
# with data/cli_files.txt (the imports are in tests/cli/data/smf_import.txt)
# (KORE_UPDATE_GOLDEN=1 rewrites it: review the diff). usage: check_cli_files.py KORE_CLI DIR
import difflib, os, subprocess, sys, tempfile

import mido

GOLDEN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "cli_files.txt")


def midi_events(path):
    midi = mido.MidiFile(path)
    out = [f"format {midi.type} division {midi.ticks_per_beat} chunks {len(midi.tracks)}"]
    for chunk, track in enumerate(midi.tracks):
        tick = 0
        for message in track:
            tick += message.time
            out.append(f"{chunk} {tick:5d} {message.copy(time=0)}")
    return out


def main():
    cli, fixtures = sys.argv[1], sys.argv[2]
    out = []
    with tempfile.TemporaryDirectory() as work:
        def run(title, *args):
            result = subprocess.run([cli, *args], capture_output=True)
            text = (result.stdout + result.stderr).decode("utf-8", "replace")
            out.append(f"== {title}: exit {result.returncode}")
            out.extend(text.replace(work, "WORK").splitlines())

        for name, fmt in [(n, f) for n in ("export_plain.mml", "export_extended.mml")
                          for f in ("1", "0")]:
            target = os.path.join(work, f"{name}.{fmt}.mid")
            run(f"export-smf {name} --format {fmt}", "export-smf",
                os.path.join(fixtures, name), target, "--format", fmt)
            out.extend(midi_events(target) if os.path.exists(target) else [])

    got = "\n".join(out) + "\n"
    if os.environ.get("KORE_UPDATE_GOLDEN") == "1":
        open(GOLDEN, "w", encoding="utf-8").write(got)
        return 0
    want = open(GOLDEN, encoding="utf-8").read()
    sys.stdout.writelines(difflib.unified_diff(want.splitlines(True), got.splitlines(True),
                                               "expected", "got"))
    return 0 if got == want else 1


if __name__ == "__main__":
    sys.exit(main())
