#!/usr/bin/python3
"""Acts on found files with real clicks and key presses in a virtual X
display: a double-click and Enter open a result, the context menu (right
button, Menu key, Shift+F10) shows one in its folder and copies paths, and
Space ticks a whole selection, which a screen reader hears.

    open_results.py PROGRAM
    open_results.py PROGRAM SCREENSHOT   (the menu over the program's own samples)

An xdg-open of the test's own, first on the PATH, writes down what it is
asked to open; a FileManager1 service on the private session bus writes down
what it is asked to show. Run inside a private D-Bus session with the AT-SPI
bus started (see screen_reader_session.sh).
"""
import os
import shutil
import subprocess
import sys
import tempfile

import pyatspi
from gi.repository import GLib

from window_driver import answer_box, fail, find, open_menu, start_ferrowax, wait_for

HERE = os.path.dirname(os.path.abspath(__file__))


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True)


def centre(accessible):
    x, y, width, height = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return str(x + width // 2), str(y + height // 2)


def lines_of(path):
    """The files recorded; the maker's home page, which opens on about one
    start in a hundred, is left out."""
    try:
        with open(path) as record:
            return [line for line in record.read().splitlines() if line.startswith("file://")]
    except FileNotFoundError:
        return []


def make_program_folder(work, program):
    folder = os.path.join(work, "program")
    os.makedirs(os.path.join(folder, "Samples", "1"))
    os.makedirs(os.path.join(folder, "Samples", "2"))
    shutil.copy(program, os.path.join(folder, "ferrowax"))
    for name in (b"caf\xe9.jpg", b"harbour.jpg"):
        open(os.path.join(os.fsencode(folder), b"Samples", b"1", name), "w").close()
    open(os.path.join(folder, "Samples", "2", "note.txt"), "w").close()
    return folder


def make_opener(work, record):
    bin_folder = os.path.join(work, "bin")
    os.makedirs(bin_folder)
    opener = os.path.join(bin_folder, "xdg-open")
    with open(opener, "w") as script:
        script.write("#!/bin/sh\nprintf '%%s\\n' \"$1\" >> '%s'\n" % record)
    os.chmod(opener, 0o755)
    return bin_folder


def load_samples_and_search(app, window):
    samples = find(window, "push button", "Load Sample/Example Folder").queryAction()
    answer_box(lambda: samples.doAction(0), "Escape", "the sample loader's question")
    start = find(window, "push button", "Start Searching").queryAction()

    def search():
        start.doAction(0)
        wait_for(lambda: find(app, "label", "Done.") is not None, "the search to end")

    answer_box(search, "Escape", "\"Done.\"")
    xdotool("search", "--onlyvisible", "--name", "^Ferrowax$", "windowfocus", "--sync")
    return find(window, "table", "Results").queryTable()


def take_screenshot(program, path):
    """The menu on a result of the installed program's own samples."""
    work = tempfile.mkdtemp()
    ferrowax, app, window = start_ferrowax(program, work)
    try:
        results = load_samples_and_search(app, window)
        wait_for(lambda: results.nRows > 2, "the results")
        open_menu(ferrowax, lambda: xdotool("mousemove", *centre(results.getAccessibleAt(2, 0)), "click", "3"),
                  "the menu")
        # Only the picture waits for the menu to be drawn.
        xdotool("sleep", "0.5")
        _, _, width, height = window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+0+0" % (width, height), path], check=True)
    finally:
        ferrowax.kill()
        ferrowax.wait()
        shutil.rmtree(work, ignore_errors=True)


def main():
    if len(sys.argv) > 2:
        take_screenshot(sys.argv[1], sys.argv[2])
        return
    work = tempfile.mkdtemp()
    opened = os.path.join(work, "opened")
    shown = os.path.join(work, "shown")
    folder = make_program_folder(work, os.path.abspath(sys.argv[1]))
    samples = "file://" + folder + "/Samples/"
    service = subprocess.Popen(["/usr/bin/python3", os.path.join(HERE, "file_manager_service.py"), shown],
                               stdout=subprocess.PIPE, text=True)
    if service.stdout.readline().strip() != "ready":
        fail("the file manager service did not start")
    try:
        ferrowax, app, window = start_ferrowax(os.path.join(folder, "ferrowax"), work,
                                               PATH=make_opener(work, opened) + ":" + os.environ["PATH"])
    except BaseException:
        service.kill()
        raise
    try:
        results = load_samples_and_search(app, window)
        wait_for(lambda: results.nRows == 3, "three results")
        xdotool("search", "--onlyvisible", "--name", "^Ferrowax$", "windowfocus", "--sync")

        # A double-click opens a result; Enter opens the current one, whose
        # name is no UTF-8.
        xdotool("mousemove", *centre(results.getAccessibleAt(1, 0)), "click", "--repeat", "2", "--delay", "80", "1")
        wait_for(lambda: lines_of(opened) == [samples + "1/harbour.jpg"], "the double-click to open harbour.jpg")
        xdotool("mousemove", *centre(results.getAccessibleAt(0, 0)), "click", "1")
        xdotool("key", "Return")
        wait_for(lambda: lines_of(opened)[1:] == [samples + "1/caf%E9.jpg"], "Enter to open caf\\xe9.jpg")
        if not results.getAccessibleAt(1, 0).getState().contains(pyatspi.STATE_CHECKED):
            fail("the double-click changed the check box")

        # The right button's menu shows a result in its folder; a screen
        # reader hears each item as it is reached.
        heard = []
        pyatspi.Registry.registerEventListener(
            lambda event: event.detail1 and heard.append((event.source.getRoleName(), event.source.name)),
            "object:state-changed:focused")

        def heard_item(name):
            while GLib.MainContext.default().iteration(False):
                pass
            return ("menu item", name) in heard

        open_menu(ferrowax, lambda: xdotool("mousemove", *centre(results.getAccessibleAt(2, 0)), "click", "3"),
                  "the right button's menu")
        xdotool("key", "Down")
        wait_for(lambda: heard_item("Open"), "a screen reader to hear \"Open\"")
        xdotool("key", "Down")
        wait_for(lambda: heard_item("Open Containing Folder"), "a screen reader to hear \"Open Containing Folder\"")
        xdotool("key", "Return")
        wait_for(lambda: lines_of(shown) == [samples + "2/note.txt"], "the file manager to show note.txt")

        # The Menu key and Shift+F10 open it on the current result: Copy Path.
        for keys in (["Menu"], ["shift+F10"]):
            xdotool("mousemove", *centre(results.getAccessibleAt(1, 0)), "click", "1")
            open_menu(ferrowax, lambda: xdotool("key", *keys), "the menu from " + keys[0])
            xdotool("key", "Up")
            wait_for(lambda: heard_item("Copy Path"), "the menu from " + keys[0])
            xdotool("key", "Return")
            wait_for(lambda: subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True).stdout
                     == (folder + "/Samples/1/harbour.jpg\r\n").encode(), "Copy Path from " + keys[0])
            subprocess.run(["xclip", "-i", "-selection", "clipboard"], input=b"", check=True)

        # Space ticks or unticks a whole selection, each row taking the
        # opposite of the current row's state; a screen reader hears each
        # change. One row is ticked as ever.
        def ticks():
            return [results.getAccessibleAt(row, 0).getState().contains(pyatspi.STATE_CHECKED) for row in range(3)]

        def heard_all_ticked():
            while GLib.MainContext.default().iteration(False):
                pass
            return {results.getAccessibleAt(row, 0).name for row in range(3)} <= {
                name for name, ticked in heard_ticks if ticked}

        heard_ticks = []
        pyatspi.Registry.registerEventListener(
            lambda event: heard_ticks.append((event.source.name, event.detail1)), "object:state-changed:checked")
        xdotool("mousemove", *centre(results.getAccessibleAt(0, 0)), "click", "1", "key", "space")
        wait_for(lambda: ticks() == [False, True, True], "Space to untick one result")
        xdotool("mousemove", *centre(results.getAccessibleAt(2, 0)), "keydown", "shift", "click", "1", "keyup", "shift")
        xdotool("key", "space")
        wait_for(lambda: ticks() == [False, False, False], "Space to untick the selected results")
        xdotool("key", "space")
        wait_for(lambda: ticks() == [True, True, True], "Space to tick the selected results")
        wait_for(heard_all_ticked, "a screen reader to hear each result ticked")
        print("double-click, Enter, the right button, the Menu key, Shift+F10 and Space act on the results")
    finally:
        ferrowax.kill()
        ferrowax.wait()
        service.kill()
        service.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
