"""views_demo seen through AT-SPI: the views' names, the event list as a table with its
columns and cells, the monitor as a window listing one entry per track, and the measure
display's name following playback."""
import os
import subprocess
import sys
import threading

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "support"))
from atspi_util import application as find_application, fail, find, wait_for  # noqa: E402


def application():
    return find_application("views_demo")




def check_table(app):
    table_node = wait_for("the event list", lambda: find(app, lambda n: n.name == "イベントリスト"))
    if table_node.getRoleName() != "table":
        fail("event list role is " + table_node.getRoleName())
    table = table_node.queryTable()
    columns = [table.getColumnDescription(c) for c in range(table.nColumns)]
    if columns != ["Meas", "Tick", "Step", "Event", "Gate", "Vel/Value"]:
        fail("columns %r" % columns)
    if table.nRows < 10:
        fail("only %d rows" % table.nRows)
    row = [table.getAccessibleAt(2, c).name for c in range(table.nColumns)]
    if row != ["0", "0000", "32", "E  5 [ 76]", "32", "13"]:
        fail("row 2 reads %r" % row)
    if not table.getRowDescription(2).startswith("    0:0000   32 E  5 [ 76]"):
        fail("row description %r" % table.getRowDescription(2))


def main():
    demo = subprocess.Popen([os.environ["VIEWS_DEMO"], "--silent"])
    try:
        app = wait_for("views_demo on the bus", application)
        for name in ["ピアノロール", "鍵盤"]:
            wait_for(name, lambda: find(app, lambda n, name=name: n.name == name))
        measure = wait_for("the measure display",
                           lambda: find(app, lambda n: n.name.startswith("小節表示 ")))
        if measure.name != "小節表示 0000:0000 Meas 120 bpm":
            fail("measure display reads %r" % measure.name)
        check_table(app)
        monitor = wait_for("the monitor window",
                           lambda: next((w for w in app if w.name == "演奏モニタ 実験版"), None))
        if monitor.getRoleName() not in ("window", "frame"):
            fail("the monitor is a " + monitor.getRoleName())
        rows = wait_for("monitor rows", lambda: find(monitor, lambda n: n.getRoleName() == "list" and n.name == "トラック一覧"))
        entries = [rows.getChildAtIndex(i).name for i in range(rows.childCount)]
        if len(entries) != 3 or not entries[0].startswith("メロディ, "):
            fail("monitor rows %r" % entries)
        play = find(app, lambda n: n.getRoleName() == "push button" and n.name.startswith("再生"))
        threading.Thread(target=lambda: play.queryAction().doAction(0), daemon=True).start()
        wait_for("the position to move",
                 lambda: find(app, lambda n: n.name.startswith("小節表示 ") and
                              n.name != "小節表示 0000:0000 Meas 120 bpm"))
        print("views_demo through AT-SPI: OK")
    finally:
        demo.terminate()
        demo.wait(10)


main()
