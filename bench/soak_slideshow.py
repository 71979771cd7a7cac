#!/usr/bin/python3
"""Soak test of a long slide show: memory, file descriptors and threads.

soru runs a slide show on Xvfb (1024 x 768) over an album of 24-MP photos
(6000 x 4000 JPEG) for a long time, driven from outside like a user would:
the interval is picked from the drop-down menu of the 自動 button and the show
is started with Ctrl+A, both through XTest. Every few seconds the script reads
/proc/PID/status (VmRSS, RssAnon, Threads) and counts /proc/PID/fd.

The goal: a 1 s show over 300 photos for 15 minutes; once the decode cache is
full (after the warm-up: one round through the album, and at least 30 steps,
which fill the screen-sized cache here), resident memory grows by
at most 5 MiB over the 15 minutes, and the descriptors and threads stay
constant. Printed: a table of samples and a summary with RSS after the warm-up
and at the end, the growth after the warm-up as a least-squares slope
(MiB/min, and extrapolated to 15 min) and first -> last difference, and the
ranges of fds and threads.

A probe pixel in the middle of the screen tells the pictures apart (each photo
has a flat disc of its own colour), so the script counts the steps actually
shown and checks that the show really runs at the chosen interval.

The album: N symbolic links with distinct names (p0001.jpg ...) to the six
photos of --source (made there with ImageMagick if missing, as in
next_picture_blackbox.py), or copies with --copy. The decode cache is keyed by
the path, so distinct names are distinct entries while the decode work is that
of real photos. --album DIR keeps the album there (filled if empty); an album
of one's own photos is used as it is (steps then cannot be counted and the
warm-up is timed instead).

  bench/soak_slideshow.py [--photos 300] [--minutes 15] [--interval-s 1]
                          [--album DIR] [--source DIR] [--copy]
                          [--sample-s 5] [--soru PATH]
  bench/soak_slideshow.py --smoke      # 10 photos, 60 s: checks that it runs
Run it under `nice -n 19` on a shared machine.
"""

import argparse
import glob
import importlib.util
import os
import shutil
import subprocess
import sys
import tempfile
import time

from Xlib import X, XK
from Xlib.ext import xtest

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HERE = os.path.dirname(os.path.abspath(__file__))
SCREEN = (1024, 768)
GOAL_GROWTH_MIB = 5.0
GOAL_MINUTES = 15.0
MIN_WARMUP_STEPS = 30

# The drop-down menu of 自動: its items in order (seconds), a separator
# after the sixth. Positions measured on a screenshot at 1024 x 768: the
# arrow is at the right end of the 自動 button (left 158 + 75, 14 wide, see
# core/layout.cpp), the items are 22 pixels apart below the toolbar.
MENU_SECONDS = [1, 2, 3, 5, 10, 30, None, 60, 180, 300, 600]
ARROW = (158 + 75 + 7, 13)
MENU_FIRST_ITEM = (200, 34)
MENU_ITEM_STEP = 22
MENU_SEPARATOR = 2  # extra pixels the separator line takes

# The photos' discs (same order and tolerance as next_picture_blackbox.py).
_spec = importlib.util.spec_from_file_location(
    "next_picture_blackbox", os.path.join(HERE, "next_picture_blackbox.py"))
blackbox = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(blackbox)
DISCS = [c[0] for c in blackbox.COLOURS]
TOLERANCE = blackbox.TOLERANCE


def log(msg=""):
    print(msg, flush=True)


# ---------------------------------------------------------------- the album

def prepare_album(args, scratch):
    """Returns (folder, counted): counted when the probe can tell the photos apart."""
    folder = os.path.abspath(args.album) if args.album else os.path.join(scratch, "album")
    os.makedirs(folder, exist_ok=True)
    existing = sorted(glob.glob(os.path.join(folder, "*.jpg")))
    ours = [p for p in existing if os.path.basename(p).startswith("p") and
            os.path.basename(p)[1:5].isdigit()]
    if existing and len(ours) != len(existing):
        log(f"album {folder}: {len(existing)} photos of its own, used as they are")
        return folder, False
    source = os.path.abspath(args.source)
    sources = blackbox.make_album(source, 6000, 4000, len(DISCS))
    for i in range(args.photos):
        path = os.path.join(folder, "p%04d.jpg" % (i + 1))
        if os.path.lexists(path):
            continue
        target = sources[i % len(sources)]
        if args.copy:
            shutil.copyfile(target, path)
        else:
            os.symlink(target, path)
    for path in sorted(glob.glob(os.path.join(folder, "p*.jpg")))[args.photos:]:
        os.remove(path)  # a folder kept from a bigger run
    kind = "copies" if args.copy else "symbolic links"
    log(f"album {folder}: {args.photos} {kind} (distinct names) of the 6 photos in {source}")
    return folder, True


# ---------------------------------------------------------------- X server

class Xvfb(blackbox.Xvfb):
    """The benchmark's X server, with the pointer and any key as well."""

    def move(self, x, y):
        xtest.fake_input(self.display, X.MotionNotify, x=x, y=y)
        self.display.sync()

    def click(self, x, y):
        self.move(x, y)
        time.sleep(0.1)
        xtest.fake_input(self.display, X.ButtonPress, 1)
        xtest.fake_input(self.display, X.ButtonRelease, 1)
        self.display.sync()

    def key(self, name, *modifiers):
        codes = [self.display.keysym_to_keycode(XK.string_to_keysym(m)) for m in modifiers]
        code = self.display.keysym_to_keycode(XK.string_to_keysym(name))
        for c in codes:
            xtest.fake_input(self.display, X.KeyPress, c)
        xtest.fake_input(self.display, X.KeyPress, code)
        xtest.fake_input(self.display, X.KeyRelease, code)
        for c in reversed(codes):
            xtest.fake_input(self.display, X.KeyRelease, c)
        self.display.sync()


def disc_of(pixel):
    for i, c in enumerate(DISCS):
        if all(abs(a - b) <= TOLERANCE for a, b in zip(pixel, c)):
            return i
    return None


class StepCounter:
    """Counts the pictures the probe sees settle on a disc of another colour."""

    def __init__(self, xs, probe):
        self.xs, self.probe = xs, probe
        self.last = None
        self.times = []

    def poll(self):
        d = disc_of(self.xs.pixel(*self.probe))
        if d is not None and d != self.last:
            if self.last is not None:
                self.times.append(time.monotonic())
            self.last = d

    def watch(self, seconds, poll_s=0.05):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.poll()
            time.sleep(poll_s)


# ---------------------------------------------------------------- /proc

def sample(pid):
    fields = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "RssAnon", "VmHWM", "Threads"):
                fields[key] = int(value.split()[0])
    fields["fds"] = len(os.listdir(f"/proc/{pid}/fd"))
    return fields


def counts(values):
    """'9 x 35, 10 x 2': how many samples showed each value."""
    return ", ".join(f"{v} x {values.count(v)}" for v in sorted(set(values)))


def steady(values, transient):
    """No rising baseline: the last third's least is the first third's, and
    no sample is more than `transient` above it (a photo being read holds one
    descriptor for a moment)."""
    third = max(1, len(values) // 3)
    base = min(values[:third])
    return min(values[-third:]) == base and max(values) <= base + transient


def slope_per_minute(points):
    """Least-squares slope of (seconds, MiB) points, in MiB per minute."""
    n = len(points)
    if n < 2:
        return float("nan")
    mt = sum(t for t, _ in points) / n
    mv = sum(v for _, v in points) / n
    sxx = sum((t - mt) ** 2 for t, _ in points)
    sxy = sum((t - mt) * (v - mv) for t, v in points)
    return sxy / sxx * 60 if sxx else float("nan")


# ---------------------------------------------------------------- the run

def choose_interval(xs, seconds, by_keys):
    index = MENU_SECONDS.index(seconds)
    xs.click(*ARROW)
    time.sleep(0.8)
    if by_keys:
        for _ in range(index + (0 if index < 6 else -1) + 1):
            xs.key("Down")
            time.sleep(0.05)
        xs.key("Return")
    else:
        y = MENU_FIRST_ITEM[1] + MENU_ITEM_STEP * index + (MENU_SEPARATOR if index > 6 else 0)
        if index > 6:
            y -= MENU_ITEM_STEP  # the separator is no full row
        xs.click(MENU_FIRST_ITEM[0], y)
    time.sleep(0.5)


def check_cadence(counter, interval, seconds):
    """Median gap between the steps seen while watching, or None."""
    start = len(counter.times)
    counter.watch(seconds)
    gaps = [b - a for a, b in zip(counter.times[start:], counter.times[start + 1:])]
    if not gaps:
        return None
    gaps.sort()
    return gaps[len(gaps) // 2]


def run(args, album, counted):
    xs = Xvfb(*SCREEN)
    runtime = tempfile.mkdtemp(prefix="soru-soak-")
    probe = (SCREEN[0] // 2, SCREEN[1] // 2)
    env = {k: v for k, v in os.environ.items()
           if k not in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR",
                        "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR")}
    env.update(DISPLAY=xs.name, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime,
               XDG_CACHE_HOME=os.path.join(runtime, "cache"),
               XDG_CONFIG_HOME=os.path.join(runtime, "config"),
               XDG_DATA_HOME=os.path.join(runtime, "data"))
    errlog = open(os.path.join(runtime, "stderr.txt"), "w+")
    proc = subprocess.Popen([args.soru, album], env=env, stdout=subprocess.DEVNULL,
                            stderr=errlog, start_new_session=True)
    try:
        return soak(args, xs, proc, probe, counted)
    finally:
        blackbox.stop(proc, grace=10)
        errlog.seek(0)
        lines = [l for l in errlog.read().splitlines() if "runtime directory" not in l]
        if lines:
            log(f"soru's stderr ({len(lines)} lines), last ones:")
            for l in lines[-5:]:
                log("  " + l)
        errlog.close()
        xs.close()
        shutil.rmtree(runtime, ignore_errors=True)


def soak(args, xs, proc, probe, counted):
    # The first picture on screen.
    t0 = time.monotonic()
    first = xs.pixel(*probe)
    while True:
        if proc.poll() is not None:
            raise RuntimeError(f"soru exited with {proc.returncode} before showing a picture")
        p = xs.pixel(*probe)
        if (disc_of(p) is not None) if counted else (p != first):
            break
        if time.monotonic() - t0 > 120:
            raise RuntimeError(f"no picture after 120 s (probe shows {p})")
        time.sleep(0.1)
    log(f"first picture after {time.monotonic() - t0:.1f} s")
    time.sleep(1.5)
    start_sample = sample(proc.pid)

    counter = StepCounter(xs, probe)
    away = (SCREEN[0] * 3 // 4, SCREEN[1] * 3 // 4)  # right half: the show steps forwards
    cadence = None
    for attempt, by_keys in enumerate((False, True)):
        if attempt == 0:
            choose_interval(xs, args.interval_s, by_keys)
            xs.move(*away)
            time.sleep(0.3)
            xs.key("a", "Control_L")
        else:
            log("  again: stopping, picking the interval with the keyboard, starting")
            xs.move(*away)
            xs.key("a", "Control_L")  # off
            time.sleep(0.5)
            choose_interval(xs, args.interval_s, by_keys)
            xs.move(*away)
            time.sleep(0.3)
            xs.key("a", "Control_L")
        show_start = time.monotonic()
        if not counted:
            break
        cadence = check_cadence(counter, args.interval_s, 4 * args.interval_s + 4)
        log(f"show started ({'menu by keys' if by_keys else 'menu by mouse'}): median step "
            f"{'none seen' if cadence is None else '%.2f s' % cadence}")
        if cadence is not None and cadence <= 1.5 * args.interval_s + 0.5:
            break
        if attempt == 1:
            raise RuntimeError("the show does not step at the chosen interval")

    # The soak: pixel polls for the steps, /proc every sample_s.
    duration = args.minutes * 60
    samples = []  # (seconds since show start, steps, fields)
    warm_steps = max(args.photos, MIN_WARMUP_STEPS)
    warm_time = None
    next_sample = time.monotonic()
    steps0 = len(counter.times)
    while True:
        now = time.monotonic()
        if proc.poll() is not None:
            raise RuntimeError(f"soru exited with {proc.returncode} after "
                               f"{now - show_start:.0f} s of the show")
        if now >= next_sample:
            t = now - show_start
            samples.append((t, len(counter.times), sample(proc.pid)))
            if warm_time is None and counted and len(counter.times) >= warm_steps:
                warm_time = t
            next_sample += args.sample_s
            if t >= duration:
                break
        if counted:
            counter.poll()
        time.sleep(0.1)
    report(args, samples, start_sample, warm_time, warm_steps, counted, counter, steps0,
           show_start)


def report(args, samples, start_sample, warm_time, warm_steps, counted, counter, steps0,
           show_start):
    duration = samples[-1][0]
    note = ""
    if warm_time is None:
        if counted:
            note = (f" (only {samples[-1][1]} steps seen, fewer than {warm_steps}: "
                    "warm-up taken as half the run)")
            warm_time = duration / 2
        else:
            warm_time = min(duration / 2, warm_steps * (args.interval_s + 0.5))
            note = " (timed: steps not counted in this album)"

    mib = lambda kib: kib / 1024
    every = max(1, round(max(args.sample_s, duration / 30) / args.sample_s))
    log()
    log("   time  steps   RSS MiB  anon MiB   fds  threads")
    warm_marked = False
    for i, (t, steps, f) in enumerate(samples):
        mark = ""
        if not warm_marked and t >= warm_time:
            mark, warm_marked = "  <- warm-up over", True
        if i % every == 0 or mark or i == len(samples) - 1:
            log(f"  {int(t) // 60:2d}:{int(t) % 60:02d} {steps:6d} {mib(f['VmRSS']):9.1f} "
                f"{mib(f['RssAnon']):9.1f} {f['fds']:5d} {f['Threads']:8d}{mark}")

    after = [(t, s, f) for t, s, f in samples if t >= warm_time]
    first, last = after[0], after[-1]
    slope = slope_per_minute([(t, mib(f["VmRSS"])) for t, _, f in after])
    slope_anon = slope_per_minute([(t, mib(f["RssAnon"])) for t, _, f in after])
    span_min = (last[0] - first[0]) / 60
    fds_all = [f["fds"] for _, _, f in samples]
    thr_all = [f["Threads"] for _, _, f in samples]
    fds_after = [f["fds"] for _, _, f in after]
    thr_after = [f["Threads"] for _, _, f in after]

    log()
    log(f"summary: {args.photos} photos, interval {args.interval_s} s, "
        f"{duration / 60:.1f} min of show, samples every {args.sample_s} s")
    if counted:
        shown = counter.times[steps0:]
        gaps = [b - a for a, b in zip(shown, shown[1:])]
        if gaps:
            gaps.sort()
            log(f"  steps seen {len(shown)} ({len(shown) / args.photos:.1f} rounds), "
                f"step median {gaps[len(gaps) // 2]:.2f} s, longest {gaps[-1]:.2f} s")
    log(f"  warm-up: {warm_steps} steps, over at {warm_time:.0f} s{note}")
    log(f"  RSS at the first picture   {mib(start_sample['VmRSS']):7.1f} MiB")
    log(f"  RSS after the warm-up      {mib(first[2]['VmRSS']):7.1f} MiB")
    log(f"  RSS at the end             {mib(last[2]['VmRSS']):7.1f} MiB "
        f"(peak VmHWM {mib(last[2]['VmHWM']):.1f} MiB)")
    log(f"  growth after the warm-up over {span_min:.1f} min: first -> last "
        f"{mib(last[2]['VmRSS'] - first[2]['VmRSS']):+.1f} MiB (anon "
        f"{mib(last[2]['RssAnon'] - first[2]['RssAnon']):+.1f}), "
        f"slope {slope:+.3f} MiB/min (anon {slope_anon:+.3f})")
    log(f"    slope x {GOAL_MINUTES:.0f} min = {slope * GOAL_MINUTES:+.1f} MiB "
        f"(goal <= {GOAL_GROWTH_MIB:.0f} MiB over {GOAL_MINUTES:.0f} min)")
    log(f"  fds     {min(fds_all)}..{max(fds_all)} over the run; after the warm-up "
        f"{counts(fds_after)} (goal: constant)")
    log(f"  threads {min(thr_all)}..{max(thr_all)} over the run; after the warm-up "
        f"{counts(thr_after)} (goal: constant)")
    full = args.minutes >= GOAL_MINUTES and args.photos >= 300 and args.interval_s == 1
    growth = max(slope * GOAL_MINUTES, mib(last[2]["VmRSS"] - first[2]["VmRSS"]))
    ok = (growth <= GOAL_GROWTH_MIB and steady(fds_after, 1) and steady(thr_after, 0))
    log(f"  {'goal run' if full else 'short run, not the goal run'}: "
        f"{'within' if ok else 'NOT within'} the goals")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    build = os.environ.get("SORU_BUILD_DIR", "build")
    ap.add_argument("--soru", default=os.path.join(REPO, build, "app", "soru"),
                    help="the program (default: $SORU_BUILD_DIR/app/soru)")
    ap.add_argument("--photos", type=int, default=300)
    ap.add_argument("--minutes", type=float, default=15)
    ap.add_argument("--interval-s", type=int, default=1, choices=[s for s in MENU_SECONDS if s])
    ap.add_argument("--sample-s", type=float, default=5, help="seconds between samples")
    ap.add_argument("--album", help="keep the album in this folder (filled if empty)")
    ap.add_argument("--source", default="/tmp/bb-album/6000x4000",
                    help="the six photos the album links to (made if missing)")
    ap.add_argument("--copy", action="store_true", help="copies instead of symbolic links")
    ap.add_argument("--smoke", action="store_true", help="10 photos, 60 s")
    args = ap.parse_args()
    if args.smoke:
        args.photos, args.minutes = 10, 1
    for tool in (args.soru, blackbox.CONVERT, shutil.which("Xvfb")):
        if not tool or not os.access(tool, os.X_OK):
            sys.exit(f"missing: {tool or 'Xvfb'}")

    scratch = tempfile.mkdtemp(prefix="soru-soak-album-")
    try:
        album, counted = prepare_album(args, scratch)
        log(f"soru: {args.soru}; screen {SCREEN[0]} x {SCREEN[1]}; {os.cpu_count()} cores; "
            "load average %.2f %.2f %.2f" % os.getloadavg())
        run(args, album, counted)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
