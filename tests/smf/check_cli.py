#!/usr/bin/env python3
"""kore-cli smf-tracks and import-smf on a fixture: the listed sources, the converted tracks in
the written song file, the spread preset and the selection errors.

usage: check_cli.py KORE_CLI FIXTURE_DIR
"""
import os
import re
import subprocess
import sys
import tempfile

failures = []


def run(*args):
    return subprocess.run(list(args), capture_output=True)


def channels(song_bytes):
    """[ChannelN] sections of a song file -> {N: text}."""
    text = song_bytes.decode("cp932")
    sections = re.split(r"^\[([^\]]+)\]\r?$", text, flags=re.M)
    out = {}
    for name, body in zip(sections[1::2], sections[2::2]):
        m = re.fullmatch(r"Channel(\d+)", name)
        if m:
            out[int(m.group(1))] = body
    return out


def music(text):
    text = re.sub(r"/\*.*?\*/", "", text)
    text = re.sub(r"//[^\n]*", "", text)
    return re.sub(r"\s", "", text)


def check(condition, message):
    if not condition:
        failures.append(message)


def main():
    cli, fixtures = sys.argv[1], sys.argv[2]
    mid = os.path.join(fixtures, "import_chords.mid")
    listed = run(cli, "smf-tracks", mid)
    check(listed.returncode == 0 and listed.stdout.decode().splitlines() ==
          [" 1 : --- Demo Song", " 2 : A01 Piano", " 3 : A02 Chords"],
          f"smf-tracks: {listed.stdout!r} {listed.stderr!r}")

    with tempfile.TemporaryDirectory() as work:
        song = os.path.join(work, "demo.mml")
        result = run(cli, "import-smf", mid, song)
        check(result.returncode == 0, f"import-smf failed: {result.stderr!r}")
        if result.returncode == 0:
            tracks = channels(open(song, "rb").read())
            check(sorted(tracks) == [1, 2, 3], f"import-smf tracks {sorted(tracks)}")
            check(music(tracks.get(1, "")) == "t120", f"conductor {tracks.get(1)!r}")
            check(music(tracks.get(2, "")) == "c4d4e4f4g4", f"melody {tracks.get(2)!r}")
            check(music(tracks.get(3, "")) == "c2", f"chord without spread {tracks.get(3)!r}")

        spread = os.path.join(work, "spread.mml")
        result = run(cli, "import-smf", mid, spread, "--preset", "Elvara 和音再現", "--tracks", "3")
        check(result.returncode == 0, f"spread failed: {result.stderr!r}")
        if result.returncode == 0:
            tracks = channels(open(spread, "rb").read())
            got = [music(tracks[k]) for k in sorted(tracks)]
            # The source keeps the first note; the others go to the free lists 0 and 1.
            check(got == ["e2", "g2", "c2"], f"spread tracks {got}")

        refused = run(cli, "import-smf", mid, os.path.join(work, "x.mml"), "--preset", "3")
        check(refused.returncode != 0 and "１つだけ" in refused.stderr.decode(),
              f"spread over several tracks accepted: {refused.stderr!r}")
        check(not os.path.exists(os.path.join(work, "x.mml")), "file written after a refusal")

        bad = os.path.join(work, "bad.mid")
        open(bad, "wb").write(b"MThd\x00\x00\x00\x08" + bytes(8))
        result = run(cli, "import-smf", bad, os.path.join(work, "y.mml"))
        check(result.returncode == 4 and "SMFの解析に失敗しました" in result.stderr.decode(),
              f"bad header: {result.returncode} {result.stderr!r}")

    for failure in failures:
        print("FAIL", failure)
    print("ok" if not failures else f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
