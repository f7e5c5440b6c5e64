#!/usr/bin/python3
"""Points Ferrowax at folders of a real FUSE file system that stall, fail
or answer slowly (stalling_fs.py), as a dead network share or a failing disk
would, and saves the results into a folder whose writes never return.

    hostile_folders.py PROGRAM

The command line reports the failing folder and goes on, and never reads a
folder it is told to leave out or one on another file system. The window, driven
in a virtual X display and read over AT-SPI, answers while a listing never
returns, Stop stops it at once, and closing takes the window off the screen
at once (the times are printed); the process ends once the listing returns.
The same holds while a text export or a spreadsheet export waits on writes
that never return, and the file the save would replace stays whole. Run inside a
private D-Bus session with the AT-SPI bus started (screen_reader_session.sh).
Exits with 77, counted as skipped, where FUSE cannot be used.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from Xlib import X, display, protocol

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "desktop"))
from window_driver import answer_box, fail, find, start_ferrowax, wait_for, windows_named, with_keyboard  # noqa: E402
SKIPPED = 77


def close_as_a_window_manager_does(window_id):
    screen = display.Display()
    window = screen.create_resource_object("window", window_id)
    protocols = screen.intern_atom("WM_PROTOCOLS")
    delete = screen.intern_atom("WM_DELETE_WINDOW")
    event = protocol.event.ClientMessage(window=window, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(event, event_mask=X.NoEventMask)
    # A round trip: a busy server that sees the request and the hang-up
    # together drops the connection unread.
    screen.sync()
    screen.close()


class StallingMount:
    """stalling_fs.py mounted at a folder, unmounted again at the end."""

    def __init__(self, mountpoint):
        self.mountpoint = mountpoint
        os.makedirs(mountpoint, exist_ok=True)
        self.server = subprocess.Popen(["/usr/bin/python3", os.path.join(HERE, "stalling_fs.py"), mountpoint],
                                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.printed = []
        threading.Thread(target=lambda: self.printed.extend(self.server.stdout), daemon=True).start()
        deadline = time.monotonic() + 60
        while not os.path.ismount(mountpoint):
            if self.server.poll() is not None or time.monotonic() > deadline:
                self.close()
                print("skipped: FUSE cannot be used here: " + self.server.stderr.read().strip())
                sys.exit(SKIPPED)
            time.sleep(0.05)

    def path(self, name):
        return os.path.join(self.mountpoint, name)

    def wait_for_stuck_listing(self, count):
        wait_for(lambda: "stuck %d\n" % count in self.printed, "listing %d of the stuck folder" % count)

    def stall(self, calls):
        """Arms the writes ("stall-writes") or the syncs ("stall-syncs") of
        the folder "save" to stall."""
        try:
            os.stat(self.path(calls))
        except OSError:
            pass

    def wait_for_stalled_write(self):
        wait_for(lambda: any(line.startswith("stalled ") for line in self.printed), "a write to stall")
        return next(line.strip() for line in self.printed if line.startswith("stalled "))

    def release(self):
        try:
            os.stat(self.path("release"))
        except OSError:
            pass

    def close(self):
        if os.path.ismount(self.mountpoint):
            self.release()
            subprocess.run(["umount", "-l", self.mountpoint], check=False)
        if self.server.poll() is None:
            self.server.terminate()
        self.server.wait()


def check_command_line(program, mount):
    listed = subprocess.run([program, "--list", "--folder", mount.path("ok"), "--folder", mount.path("eio"),
                             "--folder", mount.path("slow"), "--ext", "txt"], capture_output=True, timeout=30)
    expected = [mount.path(name).encode() for name in ("ok/b.txt", "ok/sub/c.txt", "slow/d.txt")]
    if listed.stdout.splitlines() != expected:
        fail("--list printed %r" % listed.stdout)
    # Named once, the folder first.
    reported = b"ferrowax: %s: Input/output error (in Drovatek2021/08/31.Search.searchInFiles at line 154)\n" % (
        mount.path("eio").encode())
    if listed.stderr != reported or listed.returncode != 1:
        fail("--list did not report the failing folder: %d %r" % (listed.returncode, listed.stderr))

    # What is left out is never read, so neither the failing folder nor the
    # one whose listing never returns is met.
    left_out = subprocess.run([program, "--list", "--folder", mount.mountpoint, "--exclude", "eio", "--exclude",
                               "stuck", "--ext", "txt"], capture_output=True, timeout=30)
    expected = sorted(mount.path(name).encode() for name in ("a.txt", "ok/b.txt", "ok/sub/c.txt", "slow/d.txt",
                                                              "calm/g.txt"))
    if sorted(left_out.stdout.splitlines()) != expected or left_out.stderr or left_out.returncode != 0:
        fail("--exclude read what it left out: %d %r %r" % (left_out.returncode, left_out.stdout, left_out.stderr))
    # Nor is a file system mounted below the folder walked.
    one = subprocess.run([program, "--list", "--folder", os.path.dirname(mount.mountpoint), "--one-file-system",
                          "--ext", "txt"], capture_output=True, timeout=30)
    if one.stdout or one.stderr or one.returncode != 0:
        fail("--one-file-system entered the mount: %d %r %r" % (one.returncode, one.stdout, one.stderr))


def make_program_folder(work, program, first_sample):
    """A copy of the program whose first sample folder is `first_sample`."""
    folder = os.path.join(work, "program")
    os.makedirs(os.path.join(folder, "Samples", "2"))
    os.symlink(first_sample, os.path.join(folder, "Samples", "1"))
    shutil.copy(program, os.path.join(folder, "ferrowax"))
    with open(os.path.join(folder, "Samples", "2", "note.txt"), "w") as note:
        note.write("note\n")
    return folder


def check_window(work, program, mount):
    folder = make_program_folder(work, program, mount.path("calm"))
    ferrowax, app, window = start_ferrowax(os.path.join(folder, "ferrowax"), work)
    try:
        start = find(window, "push button", "Start Searching")
        progress = find(window, "progress bar")
        samples = find(window, "push button", "Load Sample/Example Folder").queryAction()
        answer_box(lambda: samples.doAction(0), "Escape", "the sample loader's question")

        # The walk reaches the folder whose listing never returns; the
        # window goes on answering.
        start.queryAction().doAction(0)
        mount.wait_for_stuck_listing(1)
        answers = []
        for _ in range(50):
            asked = time.monotonic()
            if start.name != "Stop":
                fail("the start button reads %r while the search waits" % start.name)
            answers.append(time.monotonic() - asked)
        print("a screen reader's question waits at most %.1f ms while a listing never returns" % (max(answers) * 1000))
        # A frozen window does not answer at all; the bound leaves room for a
        # loaded machine.
        if max(answers) > 2:
            fail("the window answers slowly while a listing never returns")

        # Stop takes effect at once: the run ends and says so.
        pressed = time.monotonic()

        def stop():
            start.queryAction().doAction(0)
            # The limits are for a loaded machine; the times are printed.
            wait_for(lambda: start.name == "Start Searching", "Stop to end the search")
            wait_for(lambda: find(app, "label", "Done.") is not None, "\"Done.\"")
            print("Stop ended the search after %.0f ms" % ((time.monotonic() - pressed) * 1000))

        answer_box(stop, "Escape", "\"Done.\"")

        # A new search reads with new readers, though the old one is stuck;
        # closing the window then takes it off the screen at once.
        start.queryAction().doAction(0)
        wait_for(lambda: progress.name.endswith("/stuck"), "the second search to wait for the stuck folder")
        close_and_wait_for_the_end(ferrowax, mount, "")
    finally:
        end(ferrowax, mount)


def close_and_wait_for_the_end(ferrowax, mount, while_what):
    closed = time.monotonic()
    close_as_a_window_manager_does(windows_named("^Ferrowax$")[0])
    wait_for(lambda: not windows_named("^Ferrowax$"), "the window to go")
    print("closing took the window away after %.0f ms %s" % ((time.monotonic() - closed) * 1000, while_what))
    mount.release()
    ferrowax.wait(timeout=60)


# Whatever happened, no program or stalled call outlives the test.
def end(ferrowax, mount):
    if ferrowax.poll() is None:
        ferrowax.kill()
    mount.release()
    ferrowax.wait()


def check_answering(start, while_what):
    """Asks the window what its start button reads, as a screen reader
    would, and fails unless every answer comes at once."""
    answers = []
    for _ in range(50):
        asked = time.monotonic()
        name = start.name
        answers.append(time.monotonic() - asked)
        if name not in ("Start Searching", "Stop"):
            fail("the start button reads %r %s" % (name, while_what))
    print("a screen reader's question waits at most %.1f ms %s" % (max(answers) * 1000, while_what))
    if max(answers) > 0.3:
        fail("the window answers slowly %s" % while_what)


def stop_a_search(start, progress, app):
    """Starts a search that waits on the stuck folder and stops it."""
    start.queryAction().doAction(0)
    wait_for(lambda: progress.name.endswith("/stuck"), "the search to wait for the stuck folder")

    def stop():
        start.queryAction().doAction(0)
        wait_for(lambda: start.name == "Start Searching", "Stop to end the search")
        wait_for(lambda: find(app, "label", "Done.") is not None, "\"Done.\"")

    answer_box(stop, "Escape", "\"Done.\"")


def save_as_text(window, path):
    """Saves the results as a text file at `path`, answering the dialog and
    the question whether to replace the file there."""
    save = find(window, "push button", "Save Results As Text File").queryAction()

    def name_the_file():
        with_keyboard(lambda: save.doAction(0), "the save dialog", "^Save$")
        subprocess.run(["xdotool", "type", "--delay", "5", path], check=True)
        subprocess.run(["xdotool", "key", "Return"], check=True)

    answer_box(name_the_file, "y", "the question whether to replace the file")


def check_exports(work, program, mount):
    """Each export in turn, into the folder whose writes never return, and
    a text export whose sync never returns, nor the removal of what it wrote
    at the close: the window answers, Stop stops a search, closing takes the
    window away at once, and the file the save would replace, or the
    workbook record, stays whole."""
    folder = make_program_folder(os.path.join(work, "exports"), program, mount.path("calm"))
    record = mount.path("save/cache/ferrowax/.ferrowax-workbooks")
    os.makedirs(os.path.dirname(record), exist_ok=True)
    with open(record, "wb") as old:
        old.write(b"the old record\n")
    for export, calls in (("text", "stall-writes"), ("text", "stall-syncs"), ("spreadsheet", "stall-writes")):
        mount.printed.clear()
        ferrowax, app, window = start_ferrowax(os.path.join(folder, "ferrowax"), work,
                                               XDG_CACHE_HOME=mount.path("save/cache"), FERROWAX_SPREADSHEET="/bin/true")
        try:
            start = find(window, "push button", "Start Searching")
            progress = find(window, "progress bar")
            samples = find(window, "push button", "Load Sample/Example Folder").queryAction()
            answer_box(lambda: samples.doAction(0), "Escape", "the sample loader's question")
            stop_a_search(start, progress, app)  # a result to save: calm/g.txt

            mount.stall(calls)
            if export == "text":
                save_as_text(window, mount.path("save/results"))
            else:
                find(window, "push button", "Save Results As Excel File").queryAction().doAction(0)
            stalled = mount.wait_for_stalled_write()
            while_what = "while the %s export waits on %s" % (export, stalled)
            check_answering(start, while_what)
            stop_a_search(start, progress, app)
            close_and_wait_for_the_end(ferrowax, mount, while_what)
        finally:
            end(ferrowax, mount)
        with open(mount.path("save/results"), "rb") as results, open(record, "rb") as kept:
            if results.read() != b"the old text, which must stay whole\r\n" or kept.read() != b"the old record\n":
                fail("the %s export that was closed did not leave the old file whole" % export)
        workbooks = [name for name in os.listdir(os.path.dirname(record)) if name.endswith(".xlsx")]
        if workbooks:
            fail("a workbook was left behind: %r" % workbooks)


def main():
    program = os.path.abspath(sys.argv[1])
    if not os.access("/dev/fuse", os.R_OK | os.W_OK):
        print("skipped: /dev/fuse cannot be opened")
        sys.exit(SKIPPED)
    work = tempfile.mkdtemp()
    try:
        mount = StallingMount(os.path.join(work, "mnt"))
        try:
            check_command_line(program, mount)
            check_window(work, program, mount)
            check_exports(work, program, mount)
        finally:
            mount.close()
        print("stalling, failing and slow folders and writes leave the window answering, Stop stopping and close closing")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
