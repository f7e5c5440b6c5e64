#!/usr/bin/python3
"""A FUSE file system in memory that writes down the calls that make a save
safe, keeps times to the whole second, as FAT, exFAT and ext4 with small
inodes do, and fails on cue.

    recording_fs.py MOUNTPOINT LOG [CALL[=ERROR]...]

Each fsync of a file, fsyncdir of a folder and rename is appended to LOG as
one line ("fsync /name", "fsyncdir /", "rename /old /new") before it is
answered. Each of these calls named on the command line fails with
"Input/output error", as NFS, quotas and other FUSE file systems report
write errors at an fsync, or with the error named after it, as in
"fsyncdir=EINVAL" (a file system that cannot sync folders). Named "full",
it holds no file with more than 16 blocks of 4 KiB written to, as a disk
filling up: a hole takes none. Named "writes", it writes down each write
("write /name") too, to show what was written before a rename.
A folder without write permission takes no new entry, whoever asks.
Prints "ready" once mounted and runs in the foreground until unmounted.
"""
import errno
import os
import stat
import sys
import time

from fusepy import FUSE, FuseOSError, Operations, fuse_get_context

SECOND = 10 ** 9
BLOCK = 4096
BLOCKS_WHEN_FULL = 16


def now():
    return time.time_ns() // SECOND * SECOND


class Node:
    def __init__(self, mode, uid, gid):
        self.mode = mode
        self.uid = uid
        self.gid = gid
        self.data = bytearray()
        self.children = {}
        self.blocks = set()  # those written to
        self.mtime = now()


class RecordingFs(Operations):
    use_ns = True

    def __init__(self, log, failing):
        self.root = Node(stat.S_IFDIR | 0o755, os.getuid(), os.getgid())
        self.log = open(log, "a", buffering=1)
        # The error each failing call answers, by its name.
        self.writes = "writes" in failing
        self.failing = {call: getattr(errno, error or "EIO") for call, _, error in
                        (cue.partition("=") for cue in failing if cue != "writes")}

    def init(self, path):
        print("ready", flush=True)

    def find(self, path):
        node = self.root
        for name in filter(None, path.split("/")):
            if name not in node.children:
                raise FuseOSError(errno.ENOENT)
            node = node.children[name]
        return node

    def parent(self, path):
        folder, _, name = path.rpartition("/")
        node = self.find(folder)
        if not node.mode & 0o200:
            raise FuseOSError(errno.EACCES)
        return node, name

    def add(self, path, mode):
        folder, name = self.parent(path)
        uid, gid, _ = fuse_get_context()
        folder.children[name] = Node(mode, uid, gid)
        folder.mtime = now()

    def getattr(self, path, fh=None):
        node = self.find(path)
        folder = stat.S_ISDIR(node.mode)
        return {"st_mode": node.mode, "st_nlink": 2 if folder else 1, "st_size": len(node.data),
                "st_uid": node.uid, "st_gid": node.gid,
                "st_mtime": node.mtime, "st_atime": node.mtime, "st_ctime": node.mtime}

    def readdir(self, path, fh):
        return [".", ".."] + list(self.find(path).children)

    def mkdir(self, path, mode):
        self.add(path, stat.S_IFDIR | mode)

    def mknod(self, path, mode, dev):
        self.add(path, mode)

    def create(self, path, mode, fi=None):
        self.add(path, stat.S_IFREG | (mode & 0o7777))
        return 0

    def symlink(self, link, target):
        self.add(link, stat.S_IFLNK | 0o777)
        self.find(link).data = bytearray(target.encode())

    def readlink(self, path):
        return self.find(path).data.decode()

    def unlink(self, path):
        folder, name = self.parent(path)
        self.find(path)
        del folder.children[name]

    def rename(self, old, new):
        self.record("rename", old, new)
        node = self.find(old)
        source, old_name = self.parent(old)
        target, new_name = self.parent(new)
        del source.children[old_name]
        target.children[new_name] = node

    def read(self, path, size, offset, fh):
        return bytes(self.find(path).data[offset:offset + size])

    def write(self, path, data, offset, fh):
        if self.writes:
            self.record("write", path)
        node = self.find(path)
        blocks = node.blocks | set(range(offset // BLOCK, (offset + len(data) + BLOCK - 1) // BLOCK))
        if "full" in self.failing and len(blocks) > BLOCKS_WHEN_FULL:
            raise FuseOSError(errno.ENOSPC)
        node.blocks = blocks
        if offset > len(node.data):
            node.data.extend(bytes(offset - len(node.data)))
        node.data[offset:offset + len(data)] = data
        node.mtime = now()
        return len(data)

    def truncate(self, path, length, fh=None):
        node = self.find(path)
        del node.data[length:]
        node.blocks = {block for block in node.blocks if block * BLOCK < length}
        node.data.extend(bytes(length - len(node.data)))
        node.mtime = now()

    def chmod(self, path, mode):
        node = self.find(path)
        node.mode = stat.S_IFMT(node.mode) | (mode & 0o7777)

    def chown(self, path, uid, gid):
        node = self.find(path)
        node.uid = node.uid if uid == -1 else uid
        node.gid = node.gid if gid == -1 else gid

    def utimens(self, path, times=None):
        node = self.find(path)
        node.mtime = now() if times is None else times[1] // SECOND * SECOND

    def fsync(self, path, datasync, fh):
        self.record("fsync", path)
        return 0

    def fsyncdir(self, path, datasync, fh):
        self.record("fsyncdir", path)
        return 0

    def record(self, call, *paths):
        print(call, *paths, file=self.log)
        if call in self.failing:
            raise FuseOSError(self.failing[call])


if __name__ == "__main__":
    FUSE(RecordingFs(sys.argv[2], sys.argv[3:]), sys.argv[1], foreground=True, nothreads=True,
         attr_timeout=0, entry_timeout=0, negative_timeout=0)
