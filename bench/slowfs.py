#!/usr/bin/python3
"""A pass-through file system that behaves like a slow network share.

Mounts SOURCE read-only at MOUNTPOINT through FUSE. Every metadata
operation (getattr, readlink, readdir, open) waits --latency milliseconds
first, reads are served at --rate MB/s, and directory entries carry no type
(DT_UNKNOWN), as many SMB, NFS and FUSE file systems report them, so a
reader must ask for every entry's kind. The operations are counted and written to --counts FILE (JSON) four times a
second.

  slowfs.py SOURCE MOUNTPOINT [--latency MS] [--rate MB] [--counts FILE] [--cache S]

Runs in the foreground until unmounted (fusermount3 -u MOUNTPOINT).
"""

import argparse
import errno
import json
import os
import sys
import threading
import time

import fuse

fuse.fuse_python_api = (0, 2)


class SlowFS(fuse.Fuse):
    def __init__(self, source, latency, rate, counts, *args, **kw):
        super().__init__(*args, **kw)
        self.source = source
        self.latency = latency
        self.rate = rate
        self.counts_file = counts
        self.counts = {}
        self._mutex = threading.Lock()

    def _wait(self, op):
        with self._mutex:
            self.counts[op] = self.counts.get(op, 0) + 1
        if self.latency > 0:
            time.sleep(self.latency)

    def _path(self, path):
        return os.path.join(self.source, path.lstrip("/"))

    def dump(self):
        if self.counts_file:
            with self._mutex:
                data = dict(self.counts)
            with open(self.counts_file, "w") as f:
                json.dump(data, f)

    def getattr(self, path):
        self._wait("getattr")
        try:
            return os.lstat(self._path(path))
        except OSError as e:
            return -e.errno

    def readlink(self, path):
        self._wait("readlink")
        try:
            return os.readlink(self._path(path))
        except OSError as e:
            return -e.errno

    def readdir(self, path, offset):
        self._wait("readdir")
        try:
            names = os.listdir(self._path(path))
        except OSError as e:
            yield -e.errno
            return
        for name in [".", ".."] + names:
            yield fuse.Direntry(name)  # no type: DT_UNKNOWN

    def open(self, path, flags):
        self._wait("open")
        if flags & (os.O_WRONLY | os.O_RDWR):
            return -errno.EROFS
        if not os.path.exists(self._path(path)):
            return -errno.ENOENT
        return 0

    def read(self, path, size, offset):
        with self._mutex:
            self.counts["read"] = self.counts.get("read", 0) + 1
        try:
            with open(self._path(path), "rb") as f:
                f.seek(offset)
                data = f.read(size)
        except OSError as e:
            return -e.errno
        if self.rate > 0:
            time.sleep(len(data) / self.rate)
        return data

    def access(self, path, mode):
        self._wait("access")
        if not os.access(self._path(path), mode):
            return -errno.EACCES
        return 0

    def statfs(self):
        return os.statvfs(self.source)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("source")
    parser.add_argument("mountpoint")
    parser.add_argument("--latency", type=float, default=2.0, help="ms per metadata operation")
    parser.add_argument("--rate", type=float, default=30.0, help="MB/s of reads (0: unlimited)")
    parser.add_argument("--counts", default="")
    parser.add_argument("--cache", type=float, default=0.0,
                        help="seconds the kernel may keep attributes and names (0: ask every time)")
    args = parser.parse_args()
    server = SlowFS(os.path.abspath(args.source), args.latency / 1000.0, args.rate * 1e6,
                    args.counts, version="%prog " + fuse.__version__, usage="",
                    dash_s_do="setsingle")
    # Foreground, read-only, with the kernel keeping attributes and names
    # only as long as --cache says.
    server.parse([args.mountpoint, "-f", "-o",
                  f"ro,attr_timeout={args.cache},entry_timeout={args.cache}"], errex=1)
    def dump_often():
        while True:
            time.sleep(0.25)
            server.dump()

    threading.Thread(target=dump_often, daemon=True).start()
    server.main()
    server.dump()


if __name__ == "__main__":
    main()
