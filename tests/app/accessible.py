#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads and works a running program through the accessibility bus, as a screen reader would.

    accessible.py PID lines        every showing object's name and text, one per line
    accessible.py PID press NAME   does the first action of the showing object named NAME
    accessible.py PID where NAME   the screen rectangle "x y width height" of the showing object named NAME
"""
import sys

import pyatspi


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    sys.exit("no application with process id %d on the accessibility bus" % pid)


def showing(node):
    try:
        if not node.getState().contains(pyatspi.STATE_SHOWING):
            return
    except Exception:
        return
    yield node
    for child in node:
        if child is not None:
            yield from showing(child)


def everything(app):
    for window in app:
        if window is not None:
            yield from showing(window)


def pressable(node):
    try:
        return node.queryAction().nActions > 0
    except NotImplementedError:
        return False


def named(app, name, test=lambda node: True):
    for node in everything(app):
        if node.name == name and test(node):
            return node
    sys.exit("nothing named %r is showing" % name)


def main():
    pid, command = int(sys.argv[1]), sys.argv[2]
    app = application(pid)
    if command == "lines":
        for node in everything(app):
            text = ""
            try:
                text = node.queryText().getText(0, -1)
            except NotImplementedError:
                pass
            print(node.name)
            if text:
                print(text)
    elif command == "press":
        # A window may share its title with the button in it.
        named(app, sys.argv[3], pressable).queryAction().doAction(0)
    elif command == "where":
        box = named(app, sys.argv[3]).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        print(box.x, box.y, box.width, box.height)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
