#!/usr/bin/python3
"""Drives Ferrowax with real key presses and mouse clicks in a virtual X
display, and reads it the way a screen reader does, over AT-SPI.

    keyboard_and_screen_reader.py PROGRAM

Run inside a private D-Bus session with the AT-SPI bus started (see
screen_reader_session.sh). Checks that Enter, and the keypad's Enter, press the focused button,
that Delete acts right after tabbing into a list, that a double-click
below the entries removes the selected one, and that the start button
reads "Stop" during a search, each question answered promptly.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import pyatspi

from window_driver import answer_box, fail, find, start_ferrowax, wait_for


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True)


def centre(accessible):
    x, y, width, height = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return x + width // 2, y + height // 2


def make_program_folder(work, program):
    """A copy of the program whose first sample folder holds enough files
    for a search to last a moment."""
    folder = os.path.join(work, "program")
    os.makedirs(os.path.join(folder, "Samples", "2"))
    shutil.copy(program, os.path.join(folder, "ferrowax"))
    for group in range(50):
        path = os.path.join(folder, "Samples", "1", "group-%d" % group)
        os.makedirs(path)
        for number in range(1000):
            os.close(os.open(os.path.join(path, "file-%d.%s" % (number, "jpg" if number % 10 == 0 else "dat")),
                             os.O_CREAT | os.O_WRONLY))
    with open(os.path.join(folder, "Samples", "2", "note.txt"), "w") as note:
        note.write("note\n")
    return os.path.join(folder, "ferrowax")


def main():
    work = tempfile.mkdtemp()
    program = make_program_folder(work, os.path.abspath(sys.argv[1]))
    ferrowax, app, window = start_ferrowax(program, work)
    try:
        folders = find(window, "table", "Folder(s)").queryTable()
        extensions = find(window, "table", "Extension").queryTable()
        samples = find(window, "push button", "Load Sample/Example Folder")
        start = find(window, "push button", "Start Searching")

        # Enter presses the focused button: the sample loader asks its question.
        xdotool("search", "--onlyvisible", "--name", "^Ferrowax$", "windowfocus", "--sync")
        samples.queryComponent().grabFocus()
        answer_box(lambda: xdotool("key", "Return"), "Escape", "the sample loader's question")
        wait_for(lambda: folders.nRows == 2 and extensions.nRows == 2, "the sample folders and extensions")
        # The keypad's Enter presses it too: Help shows its box.
        xdotool("search", "--onlyvisible", "--name", "^Ferrowax$", "windowfocus", "--sync")
        find(window, "push button", "Help").queryComponent().grabFocus()
        answer_box(lambda: xdotool("key", "KP_Enter"), "Escape", "Help's box")

        # Delete right after tabbing into a list removes its current entry.
        # Without a window manager the window gets the keyboard only when told.
        xdotool("search", "--onlyvisible", "--name", "^Ferrowax$", "windowfocus", "--sync")
        find(window, "push button", "Add Drive/Folder To Search").queryComponent().grabFocus()
        xdotool("key", "shift+Tab", "Delete")
        wait_for(lambda: extensions.nRows == 1, "Delete to remove an extension")

        # A double-click below the entries removes the selected entry.
        x, y = centre(folders.getAccessibleAt(0, 0))
        xdotool("mousemove", str(x), str(y), "click", "1")
        table_x, table_y, table_width, table_height = find(window, "table", "Folder(s)").queryComponent().getExtents(
            pyatspi.DESKTOP_COORDS)
        xdotool("mousemove", str(x), str(table_y + table_height - 12), "click", "--repeat", "2", "--delay", "80", "1")
        wait_for(lambda: folders.nRows == 1, "the double-click to remove the selected folder")
        if not folders.getAccessibleAt(0, 0).name.endswith("/Samples/2"):
            fail("the double-click removed the wrong folder: " + folders.getAccessibleAt(0, 0).name)

        # Twenty walks of the big sample folder: a search that lasts a while.
        action = samples.queryAction()
        for _ in range(20):
            answer_box(lambda: action.doAction(0), "Escape", "the sample loader's question")

        # During the search the start button reads "Stop", and each question
        # is answered within a slice of the window's time.
        start.queryAction().doAction(0)
        wait_for(lambda: start.name == "Stop", "the search to start")
        answers = []
        name = start.name
        deadline = time.monotonic() + 60
        while name != "Start Searching" and time.monotonic() < deadline:
            asked = time.monotonic()
            name = start.name
            if name == "Stop":
                answers.append(time.monotonic() - asked)
        if len(answers) < 10:
            fail("the start button read \"Stop\" only %d times during the search" % len(answers))
        mean = statistics.mean(answers) * 1000
        print("%d answers during the search: mean %.1f ms, longest %.1f ms" % (len(answers), mean, max(answers) * 1000))
        if mean > 8:
            fail("a screen reader waits %.1f ms for each answer during a search" % mean)
        print("Enter, Delete after Tab, a double-click below the entries and a screen reader all work")
    finally:
        ferrowax.kill()
        ferrowax.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
