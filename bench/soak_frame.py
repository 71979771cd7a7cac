#!/usr/bin/python3
"""Soak test of the photo frame: memory, file descriptors and threads.

`soru --frame LIBRARY` runs on Xvfb (1024 x 768) for a long time with a short
interval and fade from its INI file ([frame] in $XDG_CONFIG_HOME/soru/soru.ini,
here a private one), over a library of photos of mixed sizes and formats:
JPEG from 1 to 24 MP (landscape and portrait), PNG, WebP, and HEIC and AVIF
when heif-enc and avifenc are installed. The photos are spread over the root
album and five albums. While the frame runs, the script changes the library
as a user copying photos onto it would: every --churn-s seconds one new
picture is copied into an album (written next to the library, then renamed
in) and, once more than five of its own are there, the oldest one it added is
deleted; once, a new album of six pictures is added. Every few seconds it
reads /proc/PID/status (VmRSS, RssAnon, Threads) and counts /proc/PID/fd.

The goal: 2 hours at 0.2 s with a 0.15 s fade over 300 photos; after the
first round through the library (read from the frame's own state file,
$XDG_STATE_HOME/soru/frame-state, whose round counter goes up when the show
starts over), resident memory grows by at most 5 MiB, and the descriptors
and threads stay constant. Printed: a table of samples and a summary with RSS
after the first round and at the end, the growth after it (first -> last and
a least-squares slope), the ranges of fds and threads, and the number of
pictures added and removed.

A probe pixel in the middle of the screen tells the pictures apart (each
photo has a flat disc of its own colour, the pictures added during the run a
light grey one), so the script counts the steps it sees and how often an
added picture came on screen. What soru writes on standard error (a picture
that failed is noted there) is counted and its last lines printed.

The library: N symbolic links with distinct names (p0001.jpg ...) to 24
photos in --source (made there once, with ImageMagick, heif-enc and avifenc),
or copies with --copy. The decode cache is keyed by the path, so distinct
names are distinct entries while the decode work is that of real photos.

  bench/soak_frame.py [--photos 300] [--minutes 120] [--interval-s 0.2]
                      [--fade-s 0.15] [--order name|shuffle|date]
                      [--churn-s 20] [--sample-s 5] [--source DIR] [--copy]
                      [--soru PATH]
  bench/soak_frame.py --smoke      # 10 photos, 60 s: checks that it runs
Run it under `nice -n 19` on a shared machine, with a copy of the program
(a rebuild must not replace it under a running soak).
"""

import argparse
import importlib.util
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HERE = os.path.dirname(os.path.abspath(__file__))
SCREEN = (1024, 768)
GOAL_GROWTH_MIB = 5.0
GOAL_MINUTES = 120.0
KEEP_ADDED = 5         # pictures of its own the script keeps in the library
NEW_ALBUM_PICTURES = 6
ALBUMS = 5             # besides the root album

# The slide-show soak's X server, /proc sampling and figures.
_spec = importlib.util.spec_from_file_location(
    "soak_slideshow", os.path.join(HERE, "soak_slideshow.py"))
soak = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(soak)
blackbox = soak.blackbox
log, sample, counts, steady, slope_per_minute = (
    soak.log, soak.sample, soak.counts, soak.steady, soak.slope_per_minute)

DISCS = [c[0] for c in blackbox.COLOURS]
ADDED_DISC = (235, 235, 235)  # far from the six in every channel that matters
TOLERANCE = blackbox.TOLERANCE

# The photos the library links to: kind (file extension), width, height.
# Source i is KINDS[i % 8] with disc i % 6, so 24 sources give every kind
# three colours and neighbours in name order always differ in colour.
KINDS = [
    ("jpg", 6000, 4000),   # 24 MP, a camera's
    ("png", 2400, 1600),
    ("jpg", 4000, 3000),   # 12 MP
    ("webp", 3000, 2000),
    ("jpg", 3000, 4000),   # portrait
    ("heic", 4032, 3024),  # a phone's
    ("jpg", 1920, 1080),
    ("avif", 2048, 1536),
]
SOURCES = 24
# The added pictures: a few kinds, all with the light grey disc.
ADDED_KINDS = [("jpg", 4000, 3000), ("webp", 1920, 1280), ("png", 1600, 1200), ("jpg", 6000, 4000)]


# ---------------------------------------------------------------- the photos

def encoders():
    return {"heic": shutil.which("heif-enc"), "avif": shutil.which("avifenc")}


def make_source(path, kind, width, height, disc, seed):
    """One photo: a gradient with grain and a flat disc in the middle."""
    cx, cy, r = width // 2, height // 2, min(width, height) // 4
    # Darker and lighter tints of the disc for the gradient's ends.
    top = "#%02x%02x%02x" % tuple(c // 5 for c in disc)
    bottom = "#%02x%02x%02x" % tuple(80 + c // 3 for c in disc)
    base = path + ".part"
    direct = kind in ("jpg", "png", "webp")
    out = base + "." + (kind if direct else "png")
    cmd = [blackbox.CONVERT, "-size", f"{width}x{height}", "-seed", str(seed),
           f"gradient:{top}-{bottom}", "-attenuate", "0.5", "+noise", "Gaussian",
           "-fill", "rgb(%d,%d,%d)" % disc, "-draw", f"circle {cx},{cy} {cx + r},{cy}"]
    if kind == "jpg":
        cmd += ["-quality", "92", "-sampling-factor", "2x1"]
    elif kind == "webp":
        cmd += ["-quality", "85"]
    subprocess.run(cmd + [out], check=True)
    if kind == "heic":
        subprocess.run([encoders()["heic"], "-q", "80", "-o", base + ".heic", out],
                       check=True, stdout=subprocess.DEVNULL)
        os.remove(out)
        out = base + ".heic"
    elif kind == "avif":
        subprocess.run([encoders()["avif"], "-s", "8", "--min", "20", "--max", "30", out,
                        base + ".avif"], check=True, stdout=subprocess.DEVNULL)
        os.remove(out)
        out = base + ".avif"
    os.replace(out, path)


def make_sources(folder):
    """Returns (sources, added): paths of the library's photos and of the
    pictures the script adds; the ones already in folder are kept."""
    os.makedirs(folder, exist_ok=True)
    have = {k: bool(v) for k, v in encoders().items()}
    kinds = [k for k in KINDS if have.get(k[0], True)]
    skipped = sorted({k[0] for k in KINDS if not have.get(k[0], True)})
    if skipped:
        log(f"no encoder for {', '.join(skipped)}: those kinds are left out")
    todo, sources, added = [], [], []
    for i in range(SOURCES):
        kind, w, h = kinds[i % len(kinds)]
        path = os.path.join(folder, f"s{i:02d}-{w}x{h}.{kind}")
        sources.append(path)
        todo.append((path, kind, w, h, DISCS[i % len(DISCS)], i + 1))
    for i, (kind, w, h) in enumerate(ADDED_KINDS):
        path = os.path.join(folder, f"added{i}-{w}x{h}.{kind}")
        added.append(path)
        todo.append((path, kind, w, h, ADDED_DISC, 100 + i))
    todo = [t for t in todo if not os.path.exists(t[0])]
    if todo:
        log(f"writing {len(todo)} photos into {folder}")
        with ThreadPoolExecutor(max_workers=os.cpu_count() or 1) as pool:
            list(pool.map(lambda t: make_source(*t), todo))
    return sources, added


def album_folder(library, index):
    return library if index == 0 else os.path.join(library, "album%d" % index)


def make_library(library, sources, photos, copy):
    """photos pictures in contiguous runs over the root album and the
    albums, named p0001... in show order, each to source i % 24."""
    for a in range(ALBUMS + 1):
        os.makedirs(album_folder(library, a), exist_ok=True)
    for j in range(photos):
        src = sources[j % len(sources)]
        folder = album_folder(library, j * (ALBUMS + 1) // photos)
        path = os.path.join(folder, "p%04d.%s" % (j + 1, src.rsplit(".", 1)[1]))
        if copy:
            shutil.copyfile(src, path)
        else:
            os.symlink(src, path)
    kinds = {}
    for s in sources:
        kinds[s.rsplit(".", 1)[1]] = kinds.get(s.rsplit(".", 1)[1], 0) + 1
    log(f"library {library}: {photos} {'copies' if copy else 'symbolic links'} over the "
        f"root album and {ALBUMS} albums, of {len(sources)} photos ("
        + ", ".join(f"{n} {k}" for k, n in sorted(kinds.items())) + ")")


class Churn:
    """Adds and removes pictures while the frame runs."""

    def __init__(self, library, staging, added_sources):
        self.library, self.staging, self.sources = library, staging, added_sources
        self.ours = []  # paths added, oldest first
        self.adds = self.removes = 0
        self.new_album = None
        self.errors = []

    def _copy_in(self, src, folder, name):
        # Written beside the library, then renamed in: the watcher sees a
        # whole file appear, as when a copy finishes.
        tmp = os.path.join(self.staging, name)
        shutil.copyfile(src, tmp)
        dst = os.path.join(folder, name)
        os.replace(tmp, dst)
        return dst

    def tick(self):
        n = self.adds + 1
        src = self.sources[self.adds % len(self.sources)]
        folder = album_folder(self.library, n % (ALBUMS + 1))
        try:
            # "p0000a..." sorts among the album's own pictures.
            name = "p%04da%04d.%s" % ((n * 37) % 300, n, src.rsplit(".", 1)[1])
            self.ours.append(self._copy_in(src, folder, name))
            self.adds += 1
            while len(self.ours) > KEEP_ADDED:
                os.remove(self.ours.pop(0))
                self.removes += 1
        except OSError as e:
            self.errors.append(str(e))

    def add_album(self):
        folder = os.path.join(self.library, "album-new")
        os.makedirs(self.staging + "/album-new", exist_ok=True)
        for i in range(NEW_ALBUM_PICTURES):
            src = self.sources[i % len(self.sources)]
            shutil.copyfile(src, os.path.join(self.staging, "album-new",
                                              "n%02d.%s" % (i + 1, src.rsplit(".", 1)[1])))
        os.replace(os.path.join(self.staging, "album-new"), folder)
        self.new_album = folder


# ---------------------------------------------------------------- the screen

def disc_of(pixel):
    """0..5 for the photos' discs, 6 for an added picture's, else None."""
    for i, c in enumerate(DISCS + [ADDED_DISC]):
        if all(abs(a - b) <= TOLERANCE for a, b in zip(pixel, c)):
            return i
    return None


class Probe:
    def __init__(self, xs, point):
        self.xs, self.point = xs, point
        self.last = None
        self.steps = 0
        self.added_seen = 0
        self.last_change = time.monotonic()
        self.longest_still = 0.0

    def poll(self):
        d = disc_of(self.xs.pixel(*self.point))
        now = time.monotonic()
        if d is not None and d != self.last:
            if self.last is not None:
                self.steps += 1
                self.longest_still = max(self.longest_still, now - self.last_change)
            if d == len(DISCS):
                self.added_seen += 1
            self.last, self.last_change = d, now


def read_round(state_file):
    """The round and album of the frame's state file, or (None, None)."""
    try:
        with open(state_file) as f:
            text = f.read()
    except OSError:
        return None, None
    r = re.search(r"^round=(\d+)$", text, re.M)
    a = re.search(r"^album=(.*)$", text, re.M)
    return (int(r.group(1)) if r else None), (a.group(1) if a else None)


# ---------------------------------------------------------------- the run

def write_ini(config_home, args):
    folder = os.path.join(config_home, "soru")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "soru.ini"), "w") as f:
        f.write(f"[frame]\ninterval={args.interval_s:g}\norder={args.order}\n"
                f"fade={args.fade_s:g}\ncaptions=false\nsounds=false\n")


def run(args, library, staging, added_sources):
    xs = soak.Xvfb(*SCREEN)
    home = tempfile.mkdtemp(prefix="soru-soak-frame-")
    env = {k: v for k, v in os.environ.items()
           if k not in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR",
                        "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR")}
    env.update(DISPLAY=xs.name, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=home,
               XDG_CACHE_HOME=os.path.join(home, "cache"),
               XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_STATE_HOME=os.path.join(home, "state"),
               XDG_DATA_HOME=os.path.join(home, "data"))
    write_ini(env["XDG_CONFIG_HOME"], args)
    state_file = os.path.join(env["XDG_STATE_HOME"], "soru", "frame-state")
    errlog = open(os.path.join(home, "stderr.txt"), "w+")
    proc = subprocess.Popen([args.soru, "--frame", library], env=env,
                            stdout=subprocess.DEVNULL, stderr=errlog, start_new_session=True)
    churn = Churn(library, staging, added_sources)
    try:
        soak_run(args, xs, proc, state_file, churn)
    finally:
        blackbox.stop(proc, grace=10)
        errlog.seek(0)
        lines = [l for l in errlog.read().splitlines() if "runtime directory" not in l]
        log(f"  soru's stderr: {len(lines)} lines" + (", last ones:" if lines else ""))
        for l in lines[-5:]:
            log("    " + l)
        errlog.close()
        xs.close()
        shutil.rmtree(home, ignore_errors=True)


def soak_run(args, xs, proc, state_file, churn):
    point = (SCREEN[0] // 2, SCREEN[1] // 2)
    t0 = time.monotonic()
    while disc_of(xs.pixel(*point)) is None:
        if proc.poll() is not None:
            raise RuntimeError(f"soru exited with {proc.returncode} before showing a picture")
        if time.monotonic() - t0 > 120:
            raise RuntimeError(f"no picture after 120 s (probe shows {xs.pixel(*point)})")
        time.sleep(0.1)
    show_start = time.monotonic()
    log(f"first picture after {show_start - t0:.1f} s")
    start_sample = sample(proc.pid)

    probe = Probe(xs, point)
    duration = args.minutes * 60
    samples = []  # (seconds, steps, round, fields)
    album_after = duration / 3
    try:
        watch(args, xs, proc, state_file, churn, probe, point, samples, show_start, duration,
              album_after)
    except KeyboardInterrupt:  # Ctrl+C: the figures so far
        log("  interrupted")
        if len(samples) < 2:
            raise
    warm_time = next((t for t, _, rnd, _ in samples if rnd is not None and rnd >= 1), None)
    report(args, samples, start_sample, warm_time, probe, churn)


def watch(args, xs, proc, state_file, churn, probe, point, samples, show_start, duration,
          album_after):
    """Polls the probe, changes the library and samples /proc until the end."""
    warm_time = None
    next_sample = next_churn = next_progress = show_start
    next_churn += args.churn_s
    while True:
        now = time.monotonic()
        t = now - show_start
        if proc.poll() is not None:
            raise RuntimeError(f"soru exited with {proc.returncode} after {t:.0f} s of the show")
        if probe.steps == 0 and t > 30 + 10 * args.interval_s:
            raise RuntimeError(f"the probe saw no step in {t:.0f} s (it shows "
                               f"{xs.pixel(*point)}): is the frame window on the screen?")
        if now >= next_churn:
            churn.tick()
            if churn.new_album is None and t >= album_after and (warm_time is not None
                                                                  or t >= duration / 2):
                churn.add_album()
                log(f"  {int(t) // 60:3d}:{int(t) % 60:02d} new album {churn.new_album}")
            next_churn += args.churn_s
        if now >= next_sample:
            rnd, _ = read_round(state_file)
            samples.append((t, probe.steps, rnd, sample(proc.pid)))
            if warm_time is None and rnd is not None and rnd >= 1:
                warm_time = t
            if now >= next_progress:  # a line now and then, for a look at a long run's log
                f = samples[-1][3]
                log(f"  {int(t) // 60:3d}:{int(t) % 60:02d} steps {probe.steps}, round {rnd}, "
                    f"RSS {f['VmRSS'] / 1024:.1f} MiB, fds {f['fds']}, threads {f['Threads']}, "
                    f"{churn.adds} added, {churn.removes} removed")
                next_progress += args.progress_s
            next_sample += args.sample_s
            if t >= duration:
                break
        probe.poll()
        time.sleep(0.03)


def report(args, samples, start_sample, warm_time, probe, churn):
    duration = samples[-1][0]
    note = ""
    if warm_time is None or warm_time >= duration * 0.9:
        note = " (the first round did not end in time: taken as half the run)"
        warm_time = duration / 2
    mib = lambda kib: kib / 1024
    every = max(1, round(max(args.sample_s, duration / 30) / args.sample_s))
    log()
    log("    time  steps round   RSS MiB  anon MiB   fds  threads")
    marked = False
    for i, (t, steps, rnd, f) in enumerate(samples):
        mark = ""
        if not marked and t >= warm_time:
            mark, marked = "  <- first round over", True
        if i % every == 0 or mark or i == len(samples) - 1:
            log(f"  {int(t) // 60:3d}:{int(t) % 60:02d} {steps:6d} {'-' if rnd is None else rnd:>5} "
                f"{mib(f['VmRSS']):9.1f} {mib(f['RssAnon']):9.1f} {f['fds']:5d} "
                f"{f['Threads']:8d}{mark}")

    after = [(t, f) for t, _, _, f in samples if t >= warm_time]
    first, last = after[0], after[-1]
    slope = slope_per_minute([(t, mib(f["VmRSS"])) for t, f in after])
    slope_anon = slope_per_minute([(t, mib(f["RssAnon"])) for t, f in after])
    span_min = (last[0] - first[0]) / 60
    fds_all = [f["fds"] for _, _, _, f in samples]
    thr_all = [f["Threads"] for _, _, _, f in samples]
    fds_after = [f["fds"] for _, f in after]
    thr_after = [f["Threads"] for _, f in after]
    rounds = samples[-1][2]

    log()
    log(f"summary: {args.photos} photos, interval {args.interval_s:g} s, fade {args.fade_s:g} s, "
        f"order {args.order}, {duration / 60:.1f} min of show, samples every {args.sample_s:g} s")
    log(f"  steps seen {probe.steps} (mean {duration / max(1, probe.steps):.2f} s a step), "
        f"rounds {rounds if rounds is not None else 'unknown'}, "
        f"longest still {probe.longest_still:.1f} s")
    log(f"  library changes: {churn.adds} added, {churn.removes} removed (one every "
        f"{args.churn_s:g} s), new album {'added' if churn.new_album else 'not added'}; "
        f"added pictures seen on screen {probe.added_seen} times"
        + (f"; {len(churn.errors)} errors: {churn.errors[-1]}" if churn.errors else ""))
    log(f"  RSS at the first picture   {mib(start_sample['VmRSS']):7.1f} MiB")
    log(f"  RSS after the first round  {mib(first[1]['VmRSS']):7.1f} MiB "
        f"(at {first[0] / 60:.1f} min){note}")
    log(f"  RSS at the end             {mib(last[1]['VmRSS']):7.1f} MiB "
        f"(peak VmHWM {mib(last[1]['VmHWM']):.1f} MiB)")
    log(f"  growth after the first round over {span_min:.1f} min: first -> last "
        f"{mib(last[1]['VmRSS'] - first[1]['VmRSS']):+.1f} MiB (anon "
        f"{mib(last[1]['RssAnon'] - first[1]['RssAnon']):+.1f}), "
        f"slope {slope:+.4f} MiB/min (anon {slope_anon:+.4f})")
    log(f"    slope x {GOAL_MINUTES:.0f} min = {slope * GOAL_MINUTES:+.1f} MiB "
        f"(goal <= {GOAL_GROWTH_MIB:.0f} MiB)")
    log(f"  fds     {min(fds_all)}..{max(fds_all)} over the run; after the first round "
        f"{counts(fds_after)} (goal: constant)")
    log(f"  threads {min(thr_all)}..{max(thr_all)} over the run; after the first round "
        f"{counts(thr_after)} (goal: constant)")
    full = args.minutes >= GOAL_MINUTES and args.photos >= 300 and args.interval_s <= 0.2
    growth = max(slope * GOAL_MINUTES, mib(last[1]["VmRSS"] - first[1]["VmRSS"]))
    ok = growth <= GOAL_GROWTH_MIB and steady(fds_after, 1) and steady(thr_after, 0)
    log(f"  {'goal run' if full else 'not the full goal run'}: "
        f"{'within' if ok else 'NOT within'} the goals")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    build = os.environ.get("SORU_BUILD_DIR", "build")
    ap.add_argument("--soru", default=os.path.join(REPO, build, "app", "soru"),
                    help="the program (default: $SORU_BUILD_DIR/app/soru)")
    ap.add_argument("--photos", type=int, default=300)
    ap.add_argument("--minutes", type=float, default=120)
    ap.add_argument("--interval-s", type=float, default=0.2)
    ap.add_argument("--fade-s", type=float, default=0.15)
    ap.add_argument("--order", choices=["name", "shuffle", "date"], default="name")
    ap.add_argument("--churn-s", type=float, default=20,
                    help="seconds between two pictures added (and one removed)")
    ap.add_argument("--sample-s", type=float, default=5, help="seconds between samples")
    ap.add_argument("--progress-s", type=float, default=300,
                    help="seconds between two progress lines while it runs")
    ap.add_argument("--source", default="/tmp/soak-frame-sources",
                    help="the photos the library links to (made if missing)")
    ap.add_argument("--copy", action="store_true", help="copies instead of symbolic links")
    ap.add_argument("--smoke", action="store_true", help="10 photos, 60 s")
    args = ap.parse_args()
    if args.smoke:
        args.photos, args.minutes, args.progress_s = 10, 1, 20
    for tool in (args.soru, blackbox.CONVERT, shutil.which("Xvfb")):
        if not tool or not os.access(tool, os.X_OK):
            sys.exit(f"missing: {tool or 'Xvfb'}")

    sources, added = make_sources(os.path.abspath(args.source))
    scratch = tempfile.mkdtemp(prefix="soru-soak-frame-lib-")
    try:
        library = os.path.join(scratch, "library")
        staging = os.path.join(scratch, "staging")
        os.makedirs(staging)
        make_library(library, sources, args.photos, args.copy)
        log(f"soru: {args.soru}; screen {SCREEN[0]} x {SCREEN[1]}; {os.cpu_count()} cores; "
            "load average %.2f %.2f %.2f" % os.getloadavg())
        run(args, library, staging, added)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
