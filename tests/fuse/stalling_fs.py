#!/usr/bin/python3
"""A FUSE file system whose folders misbehave on cue, as a dead network share
or a failing disk does.

    stalling_fs.py MOUNTPOINT

    a.txt        a file
    ok/          b.txt and sub/c.txt, listed at once
    slow/        d.txt, each listing handed over a quarter of a second late
    eio/         e.txt, whose listing fails with "Input/output error"
    stuck/       f.txt, whose listing never returns until released
    calm/        g.txt and stuck/h.txt: nothing fails before the stall
    save/        results, and whatever is written: files and folders kept in
                 memory, whose create, open for writing, write, fsync, rename
                 and unlink never return once a stat of "stall-writes" at the
                 top has armed them, until released; "stall-syncs" arms
                 fsync, rename and unlink alone

A stat of "release" at the top releases every stuck listing and stalled
write; later ones are stuck again, and writes stall once armed anew. Each
time a listing of a stuck folder begins, "stuck" and a count are printed;
each time a write stalls, "stalled", the call and the path. Runs in the
foreground until unmounted.
"""
import errno
import os
import stat
import sys
import threading
import time

from fusepy import FUSE, FuseOSError, Operations

FOLDERS = {
    "/": ["a.txt", "ok", "slow", "eio", "stuck", "calm", "save"],
    "/ok": ["b.txt", "sub"],
    "/ok/sub": ["c.txt"],
    "/slow": ["d.txt"],
    "/eio": ["e.txt"],
    "/stuck": ["f.txt"],
    "/calm": ["g.txt", "stuck"],
    "/calm/stuck": ["h.txt"],
}
OLD_TEXT = b"the old text, which must stay whole\r\n"


def saved(path):
    return path == "/save" or path.startswith("/save/")


class StallingFolders(Operations):
    def __init__(self):
        self.released = threading.Event()
        self.stuck_listings = 0
        self.lock = threading.Lock()
        self.armed = set()  # the calls that stall
        # What is written: the bytes of each file, None for a folder.
        self.saved = {"/save": None, "/save/results": bytearray(OLD_TEXT)}

    def stall(self, call, path):
        with self.lock:
            if call not in self.armed:
                return
            released = self.released
        print("stalled", call, path, flush=True)
        released.wait()

    def getattr(self, path, fh=None):
        if path == "/release":
            with self.lock:
                self.released.set()
                self.released = threading.Event()
                self.armed = set()
            raise FuseOSError(errno.ENOENT)
        if path in ("/stall-writes", "/stall-syncs"):
            with self.lock:
                self.armed = {"fsync", "rename", "unlink"}
                if path == "/stall-writes":
                    self.armed |= {"create", "open", "write"}
            raise FuseOSError(errno.ENOENT)
        now = time.time()
        times = {"st_atime": now, "st_mtime": now, "st_ctime": now, "st_uid": 0, "st_gid": 0}
        if saved(path):
            if path not in self.saved:
                raise FuseOSError(errno.ENOENT)
            content = self.saved[path]
            if content is None:
                return dict(times, st_mode=stat.S_IFDIR | 0o755, st_nlink=2)
            return dict(times, st_mode=stat.S_IFREG | 0o644, st_nlink=1, st_size=len(content))
        if path in FOLDERS:
            return dict(times, st_mode=stat.S_IFDIR | 0o755, st_nlink=2)
        parent, _, name = path.rpartition("/")
        if name in FOLDERS.get(parent or "/", []):
            return dict(times, st_mode=stat.S_IFREG | 0o644, st_nlink=1, st_size=0)
        raise FuseOSError(errno.ENOENT)

    def readdir(self, path, fh):
        if saved(path):
            inside = [name[len(path) + 1:] for name in self.saved if name.rpartition("/")[0] == path]
            return [".", ".."] + inside
        name = path.rpartition("/")[2]
        if name == "eio":
            raise FuseOSError(errno.EIO)
        if name == "slow":
            time.sleep(0.25)
        if name == "stuck":
            with self.lock:
                self.stuck_listings += 1
                print("stuck", self.stuck_listings, flush=True)
                released = self.released
            released.wait()
        return [".", ".."] + FOLDERS[path]

    def read(self, path, size, offset, fh):
        content = self.saved.get(path) or b""
        return bytes(content[offset:offset + size])

    def writable(self, path):
        if not saved(path):
            raise FuseOSError(errno.EROFS)

    def create(self, path, mode, fi=None):
        self.writable(path)
        self.stall("create", path)
        self.saved[path] = bytearray()
        return 0

    def open(self, path, flags):
        if flags & (os.O_WRONLY | os.O_RDWR):
            self.writable(path)
            self.stall("open", path)
        if saved(path) and path not in self.saved:
            raise FuseOSError(errno.ENOENT)
        return 0

    def write(self, path, data, offset, fh):
        self.writable(path)
        self.stall("write", path)
        content = self.saved[path]
        content[offset:offset + len(data)] = data
        return len(data)

    def truncate(self, path, length, fh=None):
        self.writable(path)
        del self.saved[path][length:]

    def fsync(self, path, datasync, fh):
        self.stall("fsync", path)
        return 0

    def rename(self, old, new):
        self.writable(old)
        self.writable(new)
        self.stall("rename", new)
        self.saved[new] = self.saved.pop(old)

    def unlink(self, path):
        self.writable(path)
        self.stall("unlink", path)
        self.saved.pop(path, None)

    def mkdir(self, path, mode):
        self.writable(path)
        self.saved[path] = None

    def chmod(self, path, mode):
        self.writable(path)

    def chown(self, path, uid, gid):
        self.writable(path)

    def utimens(self, path, times=None):
        self.writable(path)


if __name__ == "__main__":
    FUSE(StallingFolders(), sys.argv[1], foreground=True, nothreads=False)
