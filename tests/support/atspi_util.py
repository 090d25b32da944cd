"""What every AT-SPI check needs: failing with a message, waiting for the accessibility tree to
show something, finding a program and a descendant by predicate."""
import sys
import time

import pyatspi


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def wait_for(what, probe, timeout=20.0):
    end = time.time() + timeout
    while time.time() < end:
        try:
            found = probe()
        except Exception:  # the tree changes under us while windows open and close
            found = None
        if found:
            return found
        time.sleep(0.2)
    fail("timed out waiting for " + what)


def application(name):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == name:
            return app
    return None


def find(root, predicate):
    return pyatspi.findDescendant(root, predicate, True)
