#!/usr/bin/python3
"""The first thumbnail page of a new run, with and without the desktop's
thumbnail cache, timed from outside on a real X server.

soru shows an album of 24 photos of 24 MP (6000 x 4000 JPEG, made with
ImageMagick as in next_picture_blackbox.py) on Xvfb (1024 x 768). Once the
first picture is on screen and the program has been left alone for a pause,
the 一覧 toolbar button is clicked through XTest (its Alt letter is taken by
自動) and the time until the page is on screen is measured: a probe in the
middle of the last cell must show that photo's disc colour (the page is put
on screen in one step), then every cell is checked once.

Two kinds of run, each a new start of soru with its own XDG_CACHE_HOME:
  cold  the thumbnail cache is empty: every cell is decoded (and its
        thumbnail written afterwards; the run ends once all are there);
  warm  a new run over the cache the cold run left: the cells come from it.
Rounds alternate cold and warm. The reference, timed in the same rounds:
vipsthumbnail (package libvips-tools) making the same 24 thumbnails, PNG
files of the cache's size for the cell (256), from its start to its exit.
Printed: the times (median), cached / empty (goal <= 0.1) and empty /
vipsthumbnail (goal <= 0.5).

  bench/thumbnail_page_blackbox.py [--soru PATH] [--album DIR] [--rounds N]
  bench/thumbnail_page_blackbox.py --smoke   # small photos: checks that it runs
Run it under `nice -n 19` on a shared machine.
"""

import argparse
import glob
import importlib.util
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X
from Xlib.ext import xtest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
SCREEN = (1024, 768)
PHOTOS = 24
GOAL = 0.1
VIPS_GOAL = 0.5
# The cache's size for a 157-pixel cell: "large", 256 pixels.
THUMBNAIL_SIDE = 256

_spec = importlib.util.spec_from_file_location(
    "next_picture_blackbox", os.path.join(HERE, "next_picture_blackbox.py"))
blackbox = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(blackbox)

# The 一覧 button (ToolItem::Sum): 75 pixels wide at 330 in the toolbar's
# client area, which starts inside its 2-pixel edge (core/layout.cpp); the
# toolbar is 26 pixels high.
SUM_BUTTON = (2 + 330 + 75 // 2, 13)

# The sheet at 1024 x 768 (core/thumbnail_grid.cpp): the panel below the
# 26-pixel toolbar, less the 16-pixel scroll bar, holds 6 x 4 cells of 157
# pixels at a pitch of 165, from 14, 24.
PANEL_TOP = 26
CELL, PITCH, LEFT, TOP, COLS = 157, 165, 14, 24, 6


def log(msg=""):
    print(msg, flush=True)


def cell_probe(index):
    col, row = index % COLS, index // COLS
    return (LEFT + PITCH * col + CELL // 2, PANEL_TOP + TOP + PITCH * row + CELL // 2)


def disc(index):
    return blackbox.COLOURS[index % len(blackbox.COLOURS)][0]


def thumbnails_in(cache):
    return [p for p in glob.glob(os.path.join(cache, "thumbnails", "*", "*.png"))]


def click(xs, x, y):
    """Moves the pointer, lets the button see it, then clicks; returns the
    time of the press."""
    xtest.fake_input(xs.display, X.MotionNotify, x=x, y=y)
    xs.display.sync()
    time.sleep(0.3)
    t = time.perf_counter()
    xtest.fake_input(xs.display, X.ButtonPress, 1)
    xtest.fake_input(xs.display, X.ButtonRelease, 1)
    xs.display.sync()
    return t


def one_run(xs, soru, album, env, pause, timeout, written_timeout):
    """One start of soru: the time from the click on 一覧 to the whole page."""
    proc = subprocess.Popen([soru, album], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, start_new_session=True)
    try:
        centre = (SCREEN[0] // 2, SCREEN[1] // 2)
        try:
            blackbox.wait_for(xs, *centre, disc(0), timeout, "soru")
        except RuntimeError:
            if proc.poll() is not None:
                raise RuntimeError(f"soru exited with {proc.returncode}: "
                                   f"{proc.stderr.read().decode(errors='replace')}")
            raise
        time.sleep(pause)  # the first picture's neighbours are decoded meanwhile
        last = PHOTOS - 1
        sent = click(xs, *SUM_BUTTON)
        shown = blackbox.wait_for(xs, *cell_probe(last), disc(last), timeout, "soru")
        wrong = [i for i in range(PHOTOS) if not blackbox.close_to(xs.pixel(*cell_probe(i)), disc(i))]
        if wrong:
            raise RuntimeError(f"cells {wrong} do not show their photos")
        # The thumbnails are written after the page; the run ends once they
        # all are (or after a while, for a cache that cannot be written).
        deadline = time.perf_counter() + written_timeout
        cache = env["XDG_CACHE_HOME"]
        while len(thumbnails_in(cache)) < PHOTOS and time.perf_counter() < deadline:
            time.sleep(0.05)
        return shown - sent
    finally:
        blackbox.stop(proc)


def vips_page(paths, out):
    """Seconds vipsthumbnail takes to make the page's thumbnails."""
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    t = time.perf_counter()
    subprocess.run(["vipsthumbnail", "-s", str(THUMBNAIL_SIDE), "-o", os.path.join(out, "%s.png")]
                   + list(paths), check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - t


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    build = os.environ.get("SORU_BUILD_DIR", "build")
    ap.add_argument("--soru", default=os.path.join(REPO, build, "app", "soru"),
                    help="the program to time (default: $SORU_BUILD_DIR/app/soru)")
    ap.add_argument("--album", help="keep the photos in this folder and reuse them")
    ap.add_argument("--rounds", type=int, default=3, help="cold and warm runs each (default 3)")
    ap.add_argument("--pause", type=float, default=2.0,
                    help="seconds the first picture stays before the click (default 2)")
    ap.add_argument("--smoke", action="store_true", help="small photos, one round")
    args = ap.parse_args()

    for tool in (args.soru, blackbox.CONVERT, shutil.which("Xvfb"), shutil.which("vipsthumbnail")):
        if not tool or not os.access(tool, os.X_OK):
            sys.exit(f"missing: {tool or 'Xvfb or vipsthumbnail'} (bash scripts/deps.sh, build soru)")

    photo = (600, 400) if args.smoke else (6000, 4000)
    rounds = 1 if args.smoke else max(1, args.rounds)
    scratch = tempfile.mkdtemp(prefix="soru-thumbs-bench-")
    album = (os.path.join(os.path.abspath(args.album), "%dx%d-%d" % (*photo, PHOTOS))
             if args.album else os.path.join(scratch, "album"))
    xs = None
    try:
        paths = blackbox.make_album(album, photo[0], photo[1], PHOTOS)
        log(f"soru: {args.soru}")
        log(f"{PHOTOS} photos of {photo[0]} x {photo[1]} "
            f"({sum(os.path.getsize(p) for p in paths) / PHOTOS / 1e6:.1f} MB each), "
            f"{rounds} round(s), {os.cpu_count()} cores, load average "
            + " ".join("%.2f" % v for v in os.getloadavg()))
        xs = blackbox.Xvfb(*SCREEN)
        runtime = os.path.join(scratch, "runtime")
        os.makedirs(runtime, mode=0o700)
        base = {k: v for k, v in os.environ.items()
                if k not in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR",
                             "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR")}
        base.update(DISPLAY=xs.name, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime,
                    XDG_CONFIG_HOME=os.path.join(scratch, "config"),
                    XDG_DATA_HOME=os.path.join(scratch, "data"))
        timeout = 30 if args.smoke else 120
        cold, warm, vips = [], [], []
        for r in range(rounds):
            cache = os.path.join(scratch, "cache%d" % r)  # empty: nothing cached yet
            env = dict(base, XDG_CACHE_HOME=cache)
            cold.append(one_run(xs, args.soru, album, env, args.pause, timeout, 30))
            written = sorted(thumbnails_in(cache))
            if len(written) != PHOTOS:
                raise RuntimeError(f"the cold run left {len(written)} thumbnails, not {PHOTOS}")
            stamps = [os.stat(p).st_mtime_ns for p in written]
            warm.append(one_run(xs, args.soru, album, env, args.pause, timeout, 0))
            if sorted(thumbnails_in(cache)) != written or \
                    [os.stat(p).st_mtime_ns for p in written] != stamps:
                raise RuntimeError("the warm run wrote thumbnails again")
            vips.append(vips_page(paths, os.path.join(scratch, "vips")))
            log(f"  round {r + 1}: cold {cold[-1] * 1000:7.0f} ms   warm {warm[-1] * 1000:6.0f} ms   "
                f"vipsthumbnail {vips[-1] * 1000:6.0f} ms")
        c, w, v = statistics.median(cold), statistics.median(warm), statistics.median(vips)
        log(f"\nfirst thumbnail page of a new run (median of {rounds}):")
        log(f"  empty thumbnail cache  {c * 1000:7.0f} ms")
        log(f"  thumbnails cached      {w * 1000:7.0f} ms")
        log(f"  vipsthumbnail          {v * 1000:7.0f} ms  (the same {PHOTOS} thumbnails, {THUMBNAIL_SIDE} pixels)")
        log(f"  empty / vipsthumbnail = {c / v:.3f} (goal <= {VIPS_GOAL})")
        log(f"  cached / empty = {w / c:.3f} (goal <= {GOAL}); load average "
            + " ".join("%.2f" % v for v in os.getloadavg()))
    finally:
        if xs:
            xs.close()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
