#!/usr/bin/python3
"""The first picture on screen from process start, timed from outside.

Each viewer is started on a library on a real X server (Xvfb); the time from
the process start until a pixel in the middle of the screen shows the first
picture is measured (several starts, the median is kept). The first picture
is a flat-coloured photo in the library's root, named so that it sorts
first; every other picture is a small JPEG.

Libraries (all in one run, so the ratios compare like with like):
  tiny       10 pictures: the reference every big library is held against
  files      100,000 pictures in 200 albums, as regular files (hard links)
  links      the same, as symbolic links
  untyped    the files library on a file system that reports no entry types
             (ext4 made without its file-type feature, on a loop device)
  share      1,000 pictures in 10 albums through the same pass-through with
             2 ms per metadata operation and reads at 30 MB/s (a slow share)
  photo      one 24-megapixel photo (6000 x 4000)

Printed: soru's milliseconds, its ratio to tiny, the metadata calls it made
per picture (statx, newfstatat, stat, lstat, fstatat, access, readlink
counted with strace; on the slow share also the file system's own getattr
count, which the kernel's name lookups add to), and for
share and photo the ratio to feh (-r, sorted by name) on the same files.
Goals: big libraries within 2x tiny and at most 1.1 metadata calls per
picture; share and photo at most 0.5x feh.

  bench/start_blackbox.py [--soru PATH] [--runs N] [--only NAME,...]
  bench/start_blackbox.py --smoke    # 2,000 pictures, one run; untyped and
                                     # share left out where loop devices or
                                     # FUSE are missing (run as root)
"""

import argparse
import json
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display as xdisplay

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CONVERT = "/usr/bin/convert"
MARK = (230, 40, 200)  # the first picture's colour
TOLERANCE = 40
WIDTH, HEIGHT = 1024, 768


def log(msg=""):
    print(msg, flush=True)


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, **kw)


# ------------------------------------------------------------- libraries

def make_mark(path, width=1600, height=1200, grain=False):
    cmd = [CONVERT, "-size", f"{width}x{height}", "xc:rgb(%d,%d,%d)" % MARK]
    if grain:
        # A camera-sized file: grain that does not move the mean colour much.
        cmd += ["-attenuate", "0.2", "+noise", "Gaussian"]
    run(cmd + ["-quality", "90", path])


def make_small(path):
    run([CONVERT, "-size", "64x48", "gradient:#306090-#90c0f0", "-quality", "80", path])


def make_library(root, albums, per_album, links, small, mark):
    os.makedirs(root)
    shutil.copy(mark, os.path.join(root, "0000-first.jpg"))
    for a in range(albums):
        folder = os.path.join(root, f"album{a:03d}")
        os.makedirs(folder)
        # One file per album, hard-linked under every name (a file system
        # allows some tens of thousands of links to one file).
        source = small
        if not links:
            source = os.path.join(root, f".source{a:03d}.jpg")
            shutil.copy(small, source)
        for i in range(per_album):
            path = os.path.join(folder, f"p{i:05d}.jpg")
            if links:
                os.symlink(source, path)
            else:
                os.link(source, path)
        # What real albums hold beside pictures: names no picture has.
        for extra in ("notes.txt", "thumbs.db"):
            with open(os.path.join(folder, extra), "w") as f:
                f.write("x\n")


def make_tiny(root, small, mark):
    os.makedirs(os.path.join(root, "album"))
    shutil.copy(mark, os.path.join(root, "0000-first.jpg"))
    for i in range(9):
        shutil.copy(small, os.path.join(root, "album", f"p{i}.jpg"))


# ------------------------------------------------------------- the screen

class Screen:
    def __init__(self, number):
        self.number = number
        self.proc = subprocess.Popen(
            ["Xvfb", f":{number}", "-screen", "0", f"{WIDTH}x{HEIGHT}x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 10
        while True:
            try:
                self.display = xdisplay.Display(f":{number}")
                break
            except Exception:
                if time.time() > deadline:
                    raise
                time.sleep(0.05)
        self.root = self.display.screen().root

    def pixel(self, x, y):
        raw = self.root.get_image(x, y, 1, 1, X.ZPixmap, 0xFFFFFFFF).data
        return raw[2], raw[1], raw[0]

    def close(self):
        self.display.close()
        self.proc.terminate()
        self.proc.wait()


def marked(p):
    return all(abs(a - b) <= TOLERANCE for a, b in zip(p, MARK))


def stop(proc):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def first_picture_ms(screen, command, env, timeout):
    """Milliseconds from the start until the middle pixel shows the mark."""
    # The screen is cleared first, so a picture left by the run before
    # cannot count.
    screen.root.fill_rectangle(screen.root.create_gc(foreground=0), 0, 0, WIDTH, HEIGHT)
    screen.display.sync()
    start = time.perf_counter()
    proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        while time.perf_counter() - start < timeout:
            if marked(screen.pixel(WIDTH // 2, HEIGHT // 2)):
                return (time.perf_counter() - start) * 1000
            if proc.poll() is not None:
                return None
            time.sleep(0.002)
        return None
    finally:
        stop(proc)


def median_ms(screen, command, env, runs, timeout):
    """The median time, or NaN when a start showed nothing in time."""
    times = []
    for _ in range(runs):
        t = first_picture_ms(screen, command, env, timeout)
        if t is None:
            return float("nan")
        times.append(t)
    return statistics.median(times)


STAT_CALLS = ("statx", "newfstatat", "stat", "lstat", "fstatat64", "access", "faccessat",
              "faccessat2", "readlink", "readlinkat")


def metadata_calls(soru, library, env, shot):
    """Metadata system calls soru makes from start to its screenshot."""
    out = shot + ".strace"
    run(["strace", "-f", "-c", "-o", out, "-e", "trace=" + ",".join(STAT_CALLS),
         soru, "--screenshot", shot, library], env=env, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL, timeout=600)
    total = 0
    with open(out) as f:
        for line in f:
            m = re.match(r"\s*[\d.]+\s+[\d.]+\s+\d+\s+(\d+)\s+(?:\d+\s+)?(\w+)$", line)
            if m and m.group(2) in STAT_CALLS:
                total += int(m.group(1))
    return total


class Mount:
    """bench/slowfs.py over source at mountpoint."""

    def __init__(self, source, mountpoint, latency, rate):
        os.makedirs(mountpoint, exist_ok=True)
        self.mountpoint = mountpoint
        self.counts = mountpoint + ".counts.json"
        self.proc = subprocess.Popen(
            ["/usr/bin/python3", os.path.join(REPO, "bench", "slowfs.py"), source, mountpoint,
             "--latency", str(latency), "--rate", str(rate), "--counts", self.counts],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 10
        while not os.path.ismount(mountpoint):
            if time.time() > deadline or self.proc.poll() is not None:
                raise RuntimeError("slowfs did not mount")
            time.sleep(0.05)

    def getattr_count(self):
        time.sleep(0.6)  # the file system writes its counts four times a second
        with open(self.counts) as f:
            return json.load(f).get("getattr", 0)

    def close(self):
        subprocess.run(["fusermount3", "-u", self.mountpoint], stderr=subprocess.DEVNULL)
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def fuse_usable():
    return os.path.exists("/dev/fuse") and shutil.which("fusermount3") is not None


class Untyped:
    """The source tree copied onto ext4 without its file-type feature,
    mounted from a loop device: every entry of a listing is DT_UNKNOWN."""

    def __init__(self, source, image, mountpoint):
        self.mountpoint = mountpoint
        run(["truncate", "-s", "2G", image])
        run(["mkfs.ext4", "-q", "-F", "-O", "^filetype", "-N", "300000", "-d", source, image],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.makedirs(mountpoint)
        run(["mount", "-o", "loop,ro", image, mountpoint], stderr=subprocess.DEVNULL)

    def close(self):
        subprocess.run(["umount", self.mountpoint], stderr=subprocess.DEVNULL)


# ------------------------------------------------------------------ main

def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--soru", default=os.path.join(REPO, "build", "app", "soru"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--only", default="")
    parser.add_argument("--smoke", action="store_true")
    args = parser.parse_args()
    soru = os.path.abspath(args.soru)
    if not os.access(soru, os.X_OK):
        sys.exit(f"start_blackbox: no program at {soru}")
    albums, per_album = (200, 500) if not args.smoke else (20, 100)
    share_albums, share_per_album = (10, 100) if not args.smoke else (4, 50)
    runs = 1 if args.smoke else args.runs
    only = set(filter(None, args.only.split(",")))
    want = lambda name: not only or name in only

    work = tempfile.mkdtemp(prefix="soru-start-")
    env = dict(os.environ)
    env.update({"XDG_RUNTIME_DIR": os.path.join(work, "runtime"),
                "XDG_CACHE_HOME": os.path.join(work, "cache"),
                "XDG_CONFIG_HOME": os.path.join(work, "config"),
                "QT_QPA_PLATFORM": "xcb", "LC_ALL": "C.UTF-8"})
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    number = next(n for n in range(97, 200) if not os.path.exists(f"/tmp/.X{n}-lock"))
    screen = Screen(number)
    env["DISPLAY"] = f":{number}"
    mounts = []
    try:
        small = os.path.join(work, "small.jpg")
        mark = os.path.join(work, "mark.jpg")
        make_small(small)
        make_mark(mark)
        total = albums * per_album + 1
        log(f"start_blackbox: {total} pictures in {albums} albums; {runs} start(s) each; "
            f"screen {WIDTH} x {HEIGHT}")

        def soru_cmd(lib):
            return [soru, lib]

        tiny = os.path.join(work, "tiny")
        make_tiny(tiny, small, mark)
        reference = median_ms(screen, soru_cmd(tiny), env, runs, 60)
        log(f"  tiny     soru {reference:8.1f} ms  (10 pictures: the reference)")

        files = os.path.join(work, "files")
        if want("files") or want("untyped") or want("links"):
            started = time.time()
            make_library(files, albums, per_album, False, small, mark)
            if want("links"):
                make_library(os.path.join(work, "links"), albums, per_album, True, small, mark)
            log(f"  (libraries written in {time.time() - started:.1f} s)")
        for name in ("files", "links"):
            if not want(name):
                continue
            lib = os.path.join(work, name)
            ms = median_ms(screen, soru_cmd(lib), env, runs, 300)
            calls = metadata_calls(soru, lib, env, os.path.join(work, name + ".png"))
            log(f"  {name:8} soru {ms:8.1f} ms  {ms / reference:5.2f} x tiny (goal <= 2)  "
                f"{calls / total:5.2f} metadata calls per picture (goal <= 1.1)")
        if want("untyped"):
            try:
                u = Untyped(files, os.path.join(work, "untyped.img"), os.path.join(work, "untyped"))
            except (subprocess.CalledProcessError, OSError):
                u = None
                log("  untyped  skipped (cannot make or mount a loop file system here)")
            if u:
                mounts.append(u)
                ms = median_ms(screen, soru_cmd(u.mountpoint), env, runs, 600)
                calls = metadata_calls(soru, u.mountpoint, env, os.path.join(work, "untyped.png"))
                log(f"  untyped  soru {ms:8.1f} ms  {ms / reference:5.2f} x tiny (goal <= 2)  "
                    f"{calls / total:5.2f} metadata calls per picture (goal <= 1.1)")
                u.close()
                mounts.remove(u)
        if want("share") and not fuse_usable():
            log("  share    skipped (no /dev/fuse or fusermount3)")
        elif want("share"):
            source = os.path.join(work, "share-source")
            # feh does not show the root's first picture first (it walks the
            # albums before it), so on the share every picture carries the
            # mark: what counts for both programs is the first picture shown.
            small_mark = os.path.join(work, "small-mark.jpg")
            run([CONVERT, "-size", "64x48", "xc:rgb(%d,%d,%d)" % MARK, "-quality", "90", small_mark])
            make_library(source, share_albums, share_per_album, False, small_mark, mark)
            m = Mount(source, os.path.join(work, "share"), 2.0, 30.0)
            mounts.append(m)
            ms = median_ms(screen, soru_cmd(m.mountpoint), env, runs, 600)
            before = m.getattr_count()
            share_total = share_albums * share_per_album + 1
            calls = metadata_calls(soru, m.mountpoint, env, os.path.join(work, "share.png"))
            getattrs = m.getattr_count() - before
            # feh takes tens of seconds here: it is given two minutes, and
            # left out of the smoke run.
            feh = float("nan") if args.smoke else median_ms(
                screen, ["feh", "-F", "-Z", "-r", "-S", "filename", m.mountpoint], env, runs, 120)
            log(f"  share    soru {ms:8.1f} ms  feh {feh:8.1f} ms  {ms / feh:5.2f} x feh "
                f"(goal <= 0.5; {share_albums * share_per_album + 1} pictures, 2 ms per "
                "metadata operation, 30 MB/s; "
                + ("feh is not run in a smoke run)" if args.smoke else "nan: nothing shown in time)"))
            log(f"           {calls / share_total:5.2f} metadata calls and {getattrs / share_total:5.2f} "
                "getattr of the file system per picture")
            m.close()
            mounts.remove(m)
        if want("photo"):
            photo = os.path.join(work, "photo")
            os.makedirs(photo)
            make_mark(os.path.join(photo, "0000-first.jpg"), 6000, 4000, grain=True)
            ms = median_ms(screen, soru_cmd(photo), env, runs, 60)
            feh = median_ms(screen, ["feh", "-F", "-Z", photo], env, runs, 60)
            log(f"  photo    soru {ms:8.1f} ms  feh {feh:8.1f} ms  {ms / feh:5.2f} x feh "
                "(goal <= 0.5; one 24-MP photo)")
    finally:
        for m in mounts:
            m.close()
        screen.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
