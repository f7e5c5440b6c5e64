"""What the desktop tests share: failing with a message, waiting for a
condition, finding a control the way a screen reader does, asking the X
server which Ferrowax windows are up, and answering a box by key only once
it has the keyboard."""
import subprocess
import sys
import time


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)


# Generous: a loaded machine can take seconds for what takes milliseconds
# on an idle one. Only a hang should run into it.
def wait_for(condition, what, seconds=60):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.02)
    fail("timed out after %g s waiting for %s" % (seconds, what))


def find(node, role, name=None):
    for child in node:
        if child is None:
            continue
        if child.getRoleName() == role and (name is None or child.name == name):
            return child
        found = find(child, role, name)
        if found is not None:
            return found
    return None


def windows_named(title):
    """The ids of the visible windows whose title matches `title`."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title], capture_output=True, text=True)
    return [int(window) for window in found.stdout.split()]


def focused_window():
    found = subprocess.run(["xdotool", "getwindowfocus"], capture_output=True, text=True)
    return int(found.stdout) if found.returncode == 0 and found.stdout.strip() else None


def with_keyboard(open_box, what, title="^Ferrowax$"):
    """Calls `open_box`, which shows a window titled `title`, and answers
    that window once it is shown and has the keyboard: a key sent any
    earlier may reach the window beneath it. It is given the keyboard as a
    window manager gives it to a new window: without one, the program's own
    request for it can lose to an earlier one."""
    before = set(windows_named(title))
    open_box()
    box = None

    def shown_with_keyboard():
        nonlocal box
        box = next(iter(set(windows_named(title)) - before), None)
        if box is None or focused_window() == box:
            return box is not None
        subprocess.run(["xdotool", "windowfocus", str(box)], capture_output=True)
        return False

    wait_for(shown_with_keyboard, what + " to be shown with the keyboard")
    return box


def answer_box(open_box, key, what, title="^Ferrowax$"):
    """Calls `open_box`, which shows a box titled `title`; once the box has
    the keyboard, presses `key` and waits until it is gone."""
    box = with_keyboard(open_box, what, title)
    subprocess.run(["xdotool", "key", key], check=True)
    wait_for(lambda: box not in windows_named(title), what + " to close")


def windows_of(process):
    """The ids of the visible windows of `process`, its menus included."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(process.pid)], capture_output=True,
                           text=True)
    return {int(window) for window in found.stdout.split()}


def open_menu(process, open_it, what, title="^Ferrowax$"):
    """Calls `open_it`, which opens a menu of `process`, and waits until the
    menu is on the screen: from then on the program sends every key to it.
    A menu is a window without the title; a menu closed just before may
    still be on the screen, and the next may reuse its window."""
    def menus():
        return windows_of(process) - set(windows_named(title))

    wait_for(lambda: not menus(), "the last menu to close before " + what)
    open_it()
    wait_for(menus, what)


def find_app(name):
    """The application of that name on the accessibility bus, once it is there."""
    import pyatspi
    app = None

    def found():
        nonlocal app
        app = next((a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == name), None)
        return app is not None

    wait_for(found, name + " on the accessibility bus")
    return app


def start_ferrowax(program, work, to_corner=True, **environment):
    """Starts the program in the virtual display, with its settings and cache
    in `work` unless `environment` says otherwise, and answers its process,
    its application and its main window as a screen reader sees them, the
    window moved to the top-left corner unless told otherwise."""
    import os
    process = subprocess.Popen([program], env=dict(
        os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
        XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_CACHE_HOME=os.path.join(work, "cache")) | environment)
    try:
        wait_for(lambda: len(windows_named("^Ferrowax$")) == 1, "the window")
        if to_corner:
            subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Ferrowax$", "windowmove", "0", "0"],
                           check=True)
        app = find_app("ferrowax")
        return process, app, find(app, "frame", "Ferrowax")
    except BaseException:
        process.kill()
        process.wait()
        raise
