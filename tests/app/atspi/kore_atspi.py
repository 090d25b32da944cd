"""kore seen through AT-SPI: the demo's caption, the hosted views and the monitor window, New
with its save prompt, typing through the editable-text interface, saving through Qt's file
dialog, and the file written; and the instance marker on the X window, as xprop reads it."""
import os, re, shutil, subprocess, sys, threading, time

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "support"))
from atspi_util import application, fail, find, wait_for  # noqa: E402

PROGRAM = os.environ["KORE_PROGRAM"]
WORK = os.environ["KORE_WORK"]
DEMO_CAPTION = "KOR EDITOR - demo.mml [はじまりの森] - メロディ"




MARKER = "KOREV1-{6D3B1E52-8C4A-4F0B-9E27-5A1C0D7E4B93}"


def packed_version():
    """The project version of CMakeLists.txt, a byte per number, as the marker holds it."""
    with open(os.path.join(os.path.dirname(__file__), "..", "..", "..", "CMakeLists.txt")) as f:
        numbers = re.search(r"project\(\S+ VERSION ([0-9.]+)", f.read()).group(1).split(".")
    packed = 0
    for n in (numbers + ["0"] * 4)[:4]:
        packed = (packed << 8) | int(n)
    return packed


def marker_values():
    """The marker's value on every top-level X window that has it."""
    run = lambda *args: subprocess.run(args, capture_output=True, text=True).stdout
    tree = run("xwininfo", "-root", "-children")
    shown = [run("xprop", "-id", w, MARKER) for w in re.findall(r"^\s+(0x[0-9a-f]+)", tree, re.M)]
    return [int(m.group(1)) for m in (re.search(r"\(CARDINAL\) = (\d+)", s) for s in shown) if m]


def frame_named(name):
    return next((w for w in (application("kore") or []) if w.name == name), None)


def act(node):
    """Runs an action without waiting: a modal dialog it opens would hold the reply."""
    action = node.queryAction()

    def run():
        try:
            action.doAction(0)
        except Exception:  # no reply while the modal dialog it opened runs
            pass
    threading.Thread(target=run, daemon=True).start()
    time.sleep(0.5)


def menu_item(window, menu_name, item_name):
    bar = find(window, lambda n: n.getRoleName() == "menu bar")
    menu = next((m for m in bar if m.name == menu_name), None) if bar else None
    if menu is None:
        fail("no menu " + menu_name)
    item = find(menu, lambda n: n.name == item_name)
    if item is None:
        fail("no item %s in %s" % (item_name, menu_name))
    return item


def type_text(window, text):
    node = find(window, lambda n: n.getRoleName() == "text" and
                n.getState().contains(pyatspi.STATE_SHOWING) and n.name == "MML")
    if node is None:
        fail("no MML text object")
    node.queryEditableText().insertText(node.queryText().characterCount, text, len(text))
    time.sleep(0.3)


def main():
    song = os.path.join(WORK, "demo.mml")
    shutil.copy(os.environ["KORE_DEMO"], song)
    process = subprocess.Popen([PROGRAM, song], cwd=WORK)
    try:
        window = wait_for("the demo caption", lambda: frame_named(DEMO_CAPTION))
        if window.getRoleName() != "frame":
            fail("main window role is " + window.getRoleName())
        if marker_values() != [packed_version()]:
            fail("instance marker %r, expected [%d]" % (marker_values(), packed_version()))
        tabs = find(window, lambda n: n.getRoleName() == "page tab list")
        names = [t.name for t in tabs] if tabs else []
        if names[:3] != ["メロディ", "ベース", "和音"]:
            fail("track tabs are %r" % names)
        if menu_item(window, "表示(V)", "鍵盤(K)").getState().contains(pyatspi.STATE_ENABLED):
            fail("鍵盤(K) is enabled")
        for view in ("ピアノロール", "イベントリスト", "鍵盤"):
            if find(window, lambda n, view=view: n.name == view) is None:
                fail("no view named " + view)
        if find(window, lambda n: n.name.startswith("小節表示 ")) is None:
            fail("no measure display")
        act(menu_item(window, "表示(V)", "演奏モニタ(M)"))
        wait_for("the monitor window", lambda: frame_named("演奏モニタ 実験版"))

        type_text(window, "c")
        wait_for("the modified caption",
                 lambda: frame_named("KOR EDITOR - demo.mml(更新) [はじまりの森] - メロディ"))
        act(menu_item(window, "ファイル(F)", "新規作成(N)"))
        prompt = wait_for("the save prompt", lambda: frame_named("KOR EDITOR"))
        if find(prompt, lambda n: n.getRoleName() == "label" and "変更されています" in n.name) is None:
            fail("the prompt holds no text label")
        act(find(prompt, lambda n: n.getRoleName() == "push button" and n.name == "いいえ(N)"))
        window = wait_for("the new song", lambda: frame_named("KOR EDITOR - (無題) [] - Track1"))

        type_text(window, "cde")
        act(menu_item(window, "ファイル(F)", "名前をつけて保存(A)"))
        dialog = wait_for("the save dialog", lambda: frame_named("名前を付けて保存"))
        field = wait_for("the file-name field", lambda: find(
            dialog, lambda n: n.getRoleName() == "text" and n.name.startswith("ファイル名")))
        target = os.path.join(WORK, "typed.mml")
        field.queryEditableText().setTextContents(target)
        time.sleep(0.3)
        act(find(dialog, lambda n: n.getRoleName() == "push button" and n.name == "保存(S)"))
        wait_for("the saved caption", lambda: frame_named("KOR EDITOR - typed.mml [] - Track1"))
        data = open(target, "rb").read()
        if b"[Channel1]\r\ncde" not in data:
            fail("saved file lacks the typed text: %r" % data[:200])
        print("AT-SPI: caption, marker, prompt, typing and save through the file dialog work")
    finally:
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()


main()
