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

A stat of "release" at the top releases every stuck listing. Each time a
listing of a stuck folder begins, "stuck" and a count are printed. Runs in the
foreground until unmounted.
"""
import errno
import stat
import sys
import threading
import time

from fusepy import FUSE, FuseOSError, Operations

FOLDERS = {
    "/": ["a.txt", "ok", "slow", "eio", "stuck", "calm"],
    "/ok": ["b.txt", "sub"],
    "/ok/sub": ["c.txt"],
    "/slow": ["d.txt"],
    "/eio": ["e.txt"],
    "/stuck": ["f.txt"],
    "/calm": ["g.txt", "stuck"],
    "/calm/stuck": ["h.txt"],
}


class StallingFolders(Operations):
    def __init__(self):
        self.released = threading.Event()
        self.stuck_listings = 0
        self.lock = threading.Lock()

    def getattr(self, path, fh=None):
        if path == "/release":
            self.released.set()
            raise FuseOSError(errno.ENOENT)
        now = time.time()
        times = {"st_atime": now, "st_mtime": now, "st_ctime": now, "st_uid": 0, "st_gid": 0}
        if path in FOLDERS:
            return dict(times, st_mode=stat.S_IFDIR | 0o755, st_nlink=2)
        parent, _, name = path.rpartition("/")
        if name in FOLDERS.get(parent or "/", []):
            return dict(times, st_mode=stat.S_IFREG | 0o644, st_nlink=1, st_size=0)
        raise FuseOSError(errno.ENOENT)

    def readdir(self, path, fh):
        name = path.rpartition("/")[2]
        if name == "eio":
            raise FuseOSError(errno.EIO)
        if name == "slow":
            time.sleep(0.25)
        if name == "stuck":
            with self.lock:
                self.stuck_listings += 1
                print("stuck", self.stuck_listings, flush=True)
            self.released.wait()
        return [".", ".."] + FOLDERS[path]

    def read(self, path, size, offset, fh):
        return b""


if __name__ == "__main__":
    FUSE(StallingFolders(), sys.argv[1], foreground=True, ro=True, nothreads=False)
