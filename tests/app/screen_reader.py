#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What a sighted user reads, a screen reader hears: every state of the gallery is shown in turn, and each text it
draws must be found in the accessibility tree, and every button's accessible name must contain its label.

    screen_reader.py GALLERY_PROGRAM
"""
import json
import os
import re
import subprocess
import sys
import time

import pyatspi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from accessible import everything  # noqa: E402

BUTTON_ROLES = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
                pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_LINK}


def words(text):
    """What is read aloud: letters and digits, in lower case, with one space between words."""
    return " ".join(re.findall(r"\w+", text.casefold()))


def heard(app):
    """Every showing object's name, description and text, and the buttons by place on screen."""
    app.clear_cache()
    spoken, buttons = [], {}
    for node in everything(app):
        parts = [node.name or "", node.description or ""]
        try:
            parts.append(node.queryText().getText(0, -1))
        except NotImplementedError:
            pass
        spoken.append(words(" ".join(parts)))
        if node.getRole() in BUTTON_ROLES:
            box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            buttons[(box.x, box.y, box.width, box.height)] = words(node.name or "")
    return spoken, buttons


def application(pid):
    for _ in range(100):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == pid:
                return app
        time.sleep(0.1)
    sys.exit("the gallery did not appear on the accessibility bus")


def problems_in(state, app):
    spoken, buttons = heard(app)
    found = []
    for text in state["texts"]:
        if words(text) and not any(words(text) in line for line in spoken):
            found.append("text %r is not exposed" % text)
    for button in state["buttons"]:
        place = (button["x"], button["y"], button["width"], button["height"])
        if place not in buttons:
            found.append("button %r is not exposed as a button" % button["label"])
        elif words(button["label"]) not in buttons[place]:
            found.append("button %r is named %r" % (button["label"], buttons[place]))
    return found


def main():
    gallery = subprocess.Popen([sys.argv[1], "--screen-reader"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               text=True)
    app, states, failures = None, 0, []
    for line in gallery.stdout:
        state = json.loads(line)
        app = app or application(gallery.pid)
        states += 1
        failures += ["%s: %s" % (state["state"], problem) for problem in problems_in(state, app)]
        gallery.stdin.write("next\n")
        gallery.stdin.flush()
    gallery.stdin.close()
    if gallery.wait() != 0:
        failures.append("the gallery ended with status %d" % gallery.returncode)
    if states == 0:
        failures.append("the gallery showed no state")
    print("%d states checked" % states)
    for failure in failures:
        print("FAIL", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
