"""What the desktop tests share: failing with a message, waiting for a
condition, finding a control the way a screen reader does, and asking the
X server which Ferrowax windows are up."""
import subprocess
import sys
import time


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)


def wait_for(condition, what, seconds=10):
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


def start_ferrowax(program, work, **environment):
    """Starts the program in the virtual display, with its settings and cache
    in `work`, and answers its process, its application and its main window
    as a screen reader sees them, the window moved to the top-left corner."""
    import os
    process = subprocess.Popen([program], env=dict(
        os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
        XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_CACHE_HOME=os.path.join(work, "cache"), **environment))
    try:
        wait_for(lambda: len(windows_named("^Ferrowax$")) == 1, "the window")
        subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Ferrowax$", "windowmove", "0", "0"],
                       check=True)
        app = find_app("ferrowax")
        return process, app, find(app, "frame", "Ferrowax")
    except BaseException:
        process.kill()
        process.wait()
        raise
