#!/usr/bin/python3
"""The next picture after a pause, timed from outside on a real X server.

An album of 24-MP photos (6000 x 4000 JPEG) is shown full screen on Xvfb by
soru and, in the same run, by feh (zoomed to fit, the reference). Once the
first picture is on screen and the viewer has been left alone for the pause,
the Right key is sent through XTest and the time until a pixel in the middle
of the screen shows the next photo is measured; several steps, the median is
kept. Each photo has a flat disc of its own colour in its middle, so the probe
recognises which picture is on screen, not just that something changed.

Screens: 3840 x 2160 at ratio 1, and 5120 x 3200 with soru at
QT_SCALE_FACTOR=2 (a 2560 x 1600 logical screen; feh sees the same device
pixels). Printed per screen: soru and feh in milliseconds and their ratio
(goal <= 0.15), and the growth of soru's resident memory from idle after the
start to its peak (VmHWM - VmRSS in /proc/PID/status).

Single pixels are read with GetImage of 1 x 1: a whole-screen grab per poll
would take tens of milliseconds at these sizes and falsify the latency.

  bench/next_picture_blackbox.py [--soru PATH] [--album DIR] [--steps N]
                                 [--rounds N]  # N starts of each, alternating
  bench/next_picture_blackbox.py --smoke   # small pictures, small screen,
                                           # one step: checks that it runs
  bench/next_picture_blackbox.py --heic    # soru on 12-MP HEIC photos (a
                                           # phone's), feh on the same as JPEG

With --heic the photos are 4032 x 3024, written as JPEG and then encoded with
heif-enc; feh (which reads no HEIC here) shows the JPEG files. The goal is
the same: the prefetch has the next HEIC picture ready within the pause.
"""

import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor

from Xlib import X, XK, display as xdisplay
from Xlib.ext import xtest

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CONVERT = "/usr/bin/convert"  # /usr/local/bin/convert may be a stand-in

# The disc colour of each photo, and a darker ramp around it. Neighbours are
# far apart in every channel that matters, so no photo passes for another.
COLOURS = [
    ((220, 40, 40), "#301010", "#a08070"),
    ((40, 200, 60), "#103010", "#70a080"),
    ((40, 60, 220), "#101030", "#7080a0"),
    ((230, 210, 40), "#303010", "#a0a070"),
    ((210, 50, 200), "#301030", "#a070a0"),
    ((40, 200, 210), "#103030", "#70a0a0"),
]
TOLERANCE = 40  # per channel: JPEG and the downscale move a flat colour a little


def log(msg):
    print(msg, flush=True)


# ---------------------------------------------------------------- the album

def make_photo(path, width, height, index):
    disc, top, bottom = COLOURS[index % len(COLOURS)]
    cx, cy, r = width // 2, height // 2, height // 4
    tmp = path + ".part.jpg"
    subprocess.run(
        [CONVERT, "-size", f"{width}x{height}", "-seed", str(index + 1),
         f"gradient:{top}-{bottom}",
         # Sensor-like grain, so the file has the size of a camera's (about
         # 9 MB at 24 MP, 4:2:2 like most cameras write).
         "-attenuate", "0.5", "+noise", "Gaussian",
         "-fill", "rgb(%d,%d,%d)" % disc,
         "-draw", f"circle {cx},{cy} {cx + r},{cy}",
         "-quality", "92", "-sampling-factor", "2x1", tmp],
        check=True)
    os.replace(tmp, path)


def make_album(folder, width, height, count):
    """Photos photo01.jpg ... in folder; ones already there are kept."""
    os.makedirs(folder, exist_ok=True)
    paths = [os.path.join(folder, "photo%02d.jpg" % (i + 1)) for i in range(count)]
    todo = [(p, i) for i, p in enumerate(paths) if not os.path.exists(p)]
    if todo:
        log(f"writing {len(todo)} photos of {width} x {height} into {folder}")
        with ThreadPoolExecutor(max_workers=os.cpu_count() or 1) as pool:
            list(pool.map(lambda t: make_photo(t[0], width, height, t[1]), todo))
    return paths


# ---------------------------------------------------------------- X server

class Xvfb:
    def __init__(self, width, height):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             f"{width}x{height}x24", "-noreset", "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        with os.fdopen(read_fd, "rb") as r:
            while not number.endswith(b"\n"):
                chunk = r.read(1)
                if not chunk:
                    raise RuntimeError("Xvfb did not start")
                number += chunk
        self.name = ":" + number.decode().strip()
        self.display = xdisplay.Display(self.name)
        self.root = self.display.screen().root
        if not self.display.has_extension("XTEST"):
            raise RuntimeError("Xvfb has no XTEST extension")
        # Keys go to the window under the pointer; nothing else takes focus.
        self.display.set_input_focus(X.PointerRoot, X.RevertToPointerRoot, X.CurrentTime)
        self.display.sync()
        self.right = self.display.keysym_to_keycode(XK.string_to_keysym("Right"))

    def pixel(self, x, y):
        data = self.root.get_image(x, y, 1, 1, X.ZPixmap, 0xFFFFFFFF).data
        return data[2], data[1], data[0]  # 32-bit pixels, least significant byte first

    def press_right(self):
        xtest.fake_input(self.display, X.KeyPress, self.right)
        xtest.fake_input(self.display, X.KeyRelease, self.right)
        self.display.sync()

    def close(self):
        try:
            self.display.close()
        finally:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def close_to(pixel, colour):
    return all(abs(a - b) <= TOLERANCE for a, b in zip(pixel, colour))


def wait_for(xs, x, y, colour, timeout, viewer):
    """Polls one pixel until it shows colour; returns when it did."""
    deadline = time.perf_counter() + timeout
    while True:
        now = time.perf_counter()
        if close_to(xs.pixel(x, y), colour):
            return now
        if now > deadline:
            raise RuntimeError(
                f"{viewer}: the probe at {x},{y} shows {xs.pixel(x, y)}, "
                f"not {colour}, after {timeout} s")
        time.sleep(0.0005)  # leaves the X server to the viewer between polls


def memory_kib(pid):
    fields = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "VmHWM"):
                fields[key] = int(value.split()[0])
    return fields


# ---------------------------------------------------------------- one viewer

def stop(proc, grace=5):
    """Ends a viewer started in a session of its own, and all it started."""
    if proc.poll() is None:
        os.killpg(proc.pid, signal.SIGTERM)
        try:
            proc.wait(grace)
        except subprocess.TimeoutExpired:
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()


def time_viewer(viewer, command, env, xs, width, height, steps, pause, start_timeout):
    """Starts the viewer, times `steps` next-picture steps after `pause`."""
    x, y = width // 2, height // 2
    proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, start_new_session=True)
    try:
        t0 = time.perf_counter()
        try:
            shown = wait_for(xs, x, y, COLOURS[0][0], start_timeout, viewer)
        except RuntimeError:
            if proc.poll() is not None:
                raise RuntimeError(f"{viewer} exited with {proc.returncode}: "
                                   f"{proc.stderr.read().decode(errors='replace')}")
            raise
        startup = shown - t0
        times = []
        idle = None
        for step in range(1, steps + 1):
            time.sleep(max(0.0, shown + pause - time.perf_counter()))
            if idle is None:
                idle = memory_kib(proc.pid)
            expected = COLOURS[step % len(COLOURS)][0]
            sent = time.perf_counter()
            xs.press_right()
            shown = wait_for(xs, x, y, expected, 30, viewer)
            times.append((shown - sent) * 1000)
        peak = memory_kib(proc.pid)
        return {"startup": startup, "times": times,
                "idle_rss": idle["VmRSS"], "hwm_idle": idle["VmHWM"],
                "peak": peak["VmHWM"]}
    finally:
        stop(proc)


def idle_memory_probe(pause, mib=16, rounds=3):
    """The same copy of `mib` MiB after the viewers' pause and right after it
    (median ms of each). On some virtual machines the host slows down the
    first memory a process touches after it has been idle; every viewer
    then pays that on every step, soru's reads of a prefetched picture as
    much as feh's decode. Printed with the figures, so that a run on such a
    host can be told from a slower viewer."""
    size = mib << 20
    src, dst = bytearray(b"\x01") * size, bytearray(size)
    dst[:] = src
    first, again = [], []
    for _ in range(rounds):
        time.sleep(pause)
        t = time.perf_counter()
        dst[:] = src
        first.append((time.perf_counter() - t) * 1000)
        t = time.perf_counter()
        dst[:] = src
        again.append((time.perf_counter() - t) * 1000)
    return statistics.median(first), statistics.median(again)


def load():
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def make_heic_album(folder, jpegs):
    """HEIC copies (heif-enc, quality 80) of the JPEG photos, in folder."""
    os.makedirs(folder, exist_ok=True)
    paths = [os.path.join(folder, os.path.splitext(os.path.basename(j))[0] + ".heic") for j in jpegs]
    todo = [(j, p) for j, p in zip(jpegs, paths) if not os.path.exists(p)]
    if todo:
        log(f"encoding {len(todo)} photos as HEIC into {folder}")
        for j, p in todo:
            subprocess.run(["heif-enc", "-q", "80", "-o", p + ".part.heic", j], check=True,
                           stdout=subprocess.DEVNULL)
            os.replace(p + ".part.heic", p)
    return paths


def run_screen(label, width, height, scale, paths, soru, steps, pause, start_timeout,
               rounds, feh_paths=None):
    log(f"\n== {label}: Xvfb {width} x {height}, soru at QT_SCALE_FACTOR={scale} ({load()})")
    xs = Xvfb(width, height)
    runtime = tempfile.mkdtemp(prefix="soru-bb-")
    runs = {"soru": [], "feh": []}
    try:
        base = {k: v for k, v in os.environ.items()
                if k not in ("WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_SCALE_FACTOR",
                             "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR")}
        base.update(DISPLAY=xs.name, XDG_RUNTIME_DIR=runtime,
                    XDG_CACHE_HOME=os.path.join(runtime, "cache"),
                    XDG_CONFIG_HOME=os.path.join(runtime, "config"),
                    XDG_DATA_HOME=os.path.join(runtime, "data"))
        commands = {
            "soru": ([soru, os.path.dirname(paths[0])],
                     dict(base, QT_QPA_PLATFORM="xcb", QT_SCALE_FACTOR=str(scale))),
            "feh": (["feh", "-F", "-Z", "--no-menus"] + (feh_paths or paths), base),
        }
        # Alternating rounds share out the load of a busy machine between both.
        for _ in range(rounds):
            for viewer, (command, env) in commands.items():
                runs[viewer].append(time_viewer(viewer, command, env, xs, width, height,
                                                steps, pause, start_timeout))
    finally:
        xs.close()
        shutil.rmtree(runtime, ignore_errors=True)

    medians = {}
    for v, rs in runs.items():
        times = [t for r in rs for t in r["times"]]
        medians[v] = statistics.median(times)
        log(f"  {v:5} next picture {medians[v]:8.1f} ms median of {len(times)} "
            f"[{', '.join('%.0f' % t for t in times)}]; first picture "
            f"{statistics.median(r['startup'] for r in rs) * 1000:.0f} ms after start")
        r = max(rs, key=lambda r: r["peak"] - r["idle_rss"])
        log(f"  {v:5} memory: idle RSS {r['idle_rss'] / 1024:.0f} MiB, peak "
            f"{r['peak'] / 1024:.0f} MiB (peak during start {r['hwm_idle'] / 1024:.0f} MiB), "
            f"peak over idle {(r['peak'] - r['idle_rss']) / 1024:.0f} MiB")
    s, f = medians["soru"], medians["feh"]
    log(f"  soru / feh = {s / f:.3f} (goal <= 0.15) ({load()})")
    return s, f


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    build = os.environ.get("SORU_BUILD_DIR", "build")
    ap.add_argument("--soru", default=os.path.join(REPO, build, "app", "soru"),
                    help="the program to time (default: $SORU_BUILD_DIR/app/soru)")
    ap.add_argument("--album", help="keep the photos in this folder and reuse them")
    ap.add_argument("--steps", type=int, default=5)
    ap.add_argument("--rounds", type=int, default=1,
                    help="start each viewer this many times, alternately (default 1)")
    ap.add_argument("--pause", type=float, default=1.5,
                    help="seconds the picture stays before the next key (default 1.5)")
    ap.add_argument("--smoke", action="store_true",
                    help="small pictures, a small screen, one step: checks that it runs")
    ap.add_argument("--heic", action="store_true",
                    help="soru on 12-MP HEIC photos, feh on the same photos as JPEG (3840 x 2160 only)")
    args = ap.parse_args()

    needed = [args.soru, CONVERT, shutil.which("feh"), shutil.which("Xvfb")]
    if args.heic:
        needed.append(shutil.which("heif-enc"))
    for tool in needed:
        if not tool or not os.access(tool, os.X_OK):
            sys.exit(f"missing: {tool or 'feh or Xvfb'} (bash scripts/deps.sh, build soru)")

    if args.smoke:
        photo, count, steps, rounds = (600, 400), 3, 1, 1
        screens = [("smoke 800 x 600, ratio 1", 800, 600, 1)]
        start_timeout = 30
    elif args.heic:
        photo, count, steps, rounds = (4032, 3024), 6, args.steps, max(1, args.rounds)
        screens = [("3840 x 2160, ratio 1, HEIC", 3840, 2160, 1)]
        start_timeout = 60
    else:
        photo, count, steps, rounds = (6000, 4000), 6, args.steps, max(1, args.rounds)
        screens = [("3840 x 2160, ratio 1", 3840, 2160, 1),
                   ("2560 x 1600 logical, ratio 2", 5120, 3200, 2)]
        start_timeout = 60
    steps = max(1, steps)
    count = max(count, steps + 1)  # no step comes back to a picture already shown

    scratch = None
    if args.album:
        folder = os.path.join(os.path.abspath(args.album), "%dx%d" % photo)
    else:
        scratch = tempfile.mkdtemp(prefix="soru-bb-album-")
        folder = scratch
    try:
        paths = make_album(folder, photo[0], photo[1], count)
        feh_paths = None
        if args.heic:
            feh_paths = paths
            paths = make_heic_album(os.path.join(folder, "heic"), paths)
        log(f"soru: {args.soru}")
        log(f"{count} photos of {photo[0]} x {photo[1]} "
            f"({sum(os.path.getsize(p) for p in paths) / count / 1e6:.1f} MB each), "
            f"{steps} steps after a {args.pause} s pause, {rounds} round(s), "
            f"{os.cpu_count()} cores")
        idle = idle_memory_probe(args.pause)
        log(f"this machine: a 16 MiB copy after {args.pause} s idle takes {idle[0]:.1f} ms, "
            f"{idle[1]:.1f} ms right after")
        summary = []
        for label, w, h, scale in screens:
            s, f = run_screen(label, w, h, scale, paths, args.soru, steps, args.pause,
                              start_timeout, rounds, feh_paths)
            summary.append((label, s, f))
        log("\nsummary (next picture after a pause, median ms):")
        for label, s, f in summary:
            log(f"  {label:32} soru {s:8.1f}  feh {f:8.1f}  ratio {s / f:.3f}  (goal <= 0.15)")
        idle_after = idle_memory_probe(args.pause)
        log(f"  a 16 MiB copy after {args.pause} s idle: {idle[0]:.1f} ms before the runs, "
            f"{idle_after[0]:.1f} ms after them ({idle_after[1]:.1f} ms when not idle)")
    finally:
        if scratch:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
