#!/usr/bin/python3
"""Reads SORU's main window through the accessibility bus, as a screen
reader does: every interactive control must have a name, the album opens
from the keyboard, and a step to the next picture is announced.

Usage: atspi_walk.py SORU LIBRARY
Runs its own X server and session bus; exits 77 when they cannot be had."""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
TIMEOUT = 20  # seconds for each wait


def skip(why):
    print("SKIP: " + why)
    sys.exit(SKIP)


def fail(why):
    print("FAIL: " + why)
    sys.exit(1)


def outer(soru, library):
    """Starts a private session bus around the inner run."""
    for tool in ("dbus-run-session", "dbus-send", "Xvfb", "xdotool"):
        if not shutil.which(tool):
            skip(tool + " is not installed")
    if not os.path.exists("/usr/libexec/at-spi-bus-launcher"):
        skip("at-spi-bus-launcher is not installed")
    try:
        import pyatspi  # noqa: F401
    except ImportError:
        skip("pyatspi is not installed")
    cmd = ["dbus-run-session", "--", sys.executable, os.path.abspath(__file__), "--inner", soru, library]
    try:
        return subprocess.run(cmd, timeout=120).returncode
    except subprocess.TimeoutExpired:
        fail("the run did not end within 120 s")


class Processes:
    def __init__(self):
        self.started = []

    def start(self, cmd, **kw):
        p = subprocess.Popen(cmd, start_new_session=True, **kw)
        self.started.append(p)
        return p

    def stop(self):
        for p in reversed(self.started):
            if p.poll() is None:
                os.killpg(p.pid, signal.SIGTERM)
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    os.killpg(p.pid, signal.SIGKILL)
                    p.wait()


def start_x(procs):
    r, w = os.pipe()
    procs.start(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"], pass_fds=(w,),
                stderr=subprocess.DEVNULL)
    os.close(w)
    number = b""
    deadline = time.time() + TIMEOUT
    while time.time() < deadline and not number.endswith(b"\n"):
        chunk = os.read(r, 16)
        if not chunk:
            break
        number += chunk
    os.close(r)
    if not number.strip():
        skip("Xvfb did not start")
    return ":" + number.decode().strip()


def start_bus(procs):
    procs.start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], stderr=subprocess.DEVNULL)
    deadline = time.time() + TIMEOUT
    while time.time() < deadline:
        out = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                              "org.a11y.Bus.GetAddress"], capture_output=True, text=True)
        if out.returncode == 0 and "unix:" in out.stdout:
            return
        time.sleep(0.2)
    skip("the accessibility bus did not start")


INTERACTIVE = {"push button", "toggle button", "list", "list item", "scroll bar", "text", "image", "page tab",
               "check box", "menu item", "combo box", "slider", "spin button", "table cell", "entry"}


def walk(node, depth=0, out=None):
    out = [] if out is None else out
    if node is None or depth > 30:
        return out
    out.append((depth, node.getRoleName(), node.name or "", node.description or ""))
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), depth + 1, out)
    return out


def inner(soru, library):
    import pyatspi
    from gi.repository import GLib

    procs = Processes()
    home = tempfile.mkdtemp(prefix="soru-a11y-")
    try:
        display = start_x(procs)
        start_bus(procs)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QT_ACCESSIBILITY="1", HOME=home, XDG_CONFIG_HOME=home + "/config",
                   XDG_CACHE_HOME=home + "/cache", NO_AT_BRIDGE="0")
        env.pop("WAYLAND_DISPLAY", None)
        # Under AddressSanitizer: the X keyboard library reads past the end
        # of a string it copies with strndup (in the toolkit's X connection,
        # before any of the program's code runs); that copy is not checked.
        if "ASAN_OPTIONS" in env:
            env["ASAN_OPTIONS"] += ":intercept_strndup=0"
        app_proc = procs.start([soru, library], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        os.environ["DISPLAY"] = display

        def find_app():
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                a = desktop.getChildAtIndex(i)
                if a is not None and a.name and "soru" in a.name.lower():
                    return a
            return None

        app = None
        deadline = time.time() + TIMEOUT
        while time.time() < deadline and app is None:
            if app_proc.poll() is not None:
                fail("soru ended early: " + app_proc.stderr.read().decode(errors="replace"))
            app = find_app()
            if app is None or app.childCount == 0:
                app = None
                time.sleep(0.3)
        if app is None:
            fail("soru did not appear on the accessibility bus")
        time.sleep(1.0)  # the album scan and the first drawing

        nodes = walk(app)
        unnamed = [(role, desc) for _, role, name, desc in nodes if role in INTERACTIVE and not name.strip()]
        for depth, role, name, desc in nodes:
            print("%s%s: %r%s" % ("  " * depth, role, name, (" — " + desc) if desc else ""))
        if unnamed:
            fail("%d interactive controls have no name: %r" % (len(unnamed), unnamed[:10]))
        names = [name for _, _, name, _ in nodes]
        for wanted in ("アルバム一覧", "写真一覧", "サムネイル一覧", "終了", "次へ", "最小化"):
            if wanted not in names:
                fail("no control named %r" % wanted)
        if not any(re.fullmatch(r".+ \(写真 \d+ 枚\)", n) for n in names):
            fail("no album row is read as 'NAME (写真 N 枚)'")

        # The keyboard alone: Enter opens the album list's first album, the
        # right arrow steps to the next picture; each is announced.
        seen = []

        def on_event(event):
            if event.source is not None and event.source.name:
                seen.append((event.type, event.source.name, event.source.description or ""))

        pyatspi.Registry.registerEventListener(on_event, "object:property-change:accessible-name",
                                               "object:property-change:accessible-description")

        def wait_for(pattern):
            deadline = time.time() + TIMEOUT
            while time.time() < deadline:
                GLib.MainContext.default().iteration(False)
                for e in seen:
                    if re.search(pattern, e[1]):
                        return e
                time.sleep(0.05)
            return None

        def key(name):
            subprocess.run(["xdotool", "key", "--clearmodifiers", name], env=dict(os.environ, DISPLAY=display),
                           timeout=10, check=True)

        key("Return")
        opened = wait_for(r"^写真 1 / \d+: ")
        if not opened:
            fail("opening the album by Enter was not announced; events: %r" % seen)
        print("announced on opening: %s — %s" % (opened[1], opened[2]))
        count = int(re.search(r"/ (\d+):", opened[1]).group(1))
        if count < 2:
            fail("the first album has a single picture; nothing to step to")
        key("Right")
        stepped = wait_for(r"^写真 2 / %d: " % count)
        if not stepped:
            fail("the step to the next picture was not announced; events: %r" % seen)
        print("announced on stepping: %s — %s (%s)" % (stepped[1], stepped[2], stepped[0]))
        pyatspi.Registry.deregisterEventListener(on_event, "object:property-change:accessible-name",
                                                 "object:property-change:accessible-description")
        print("PASS")
        return 0
    finally:
        procs.stop()
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--inner":
        sys.exit(inner(sys.argv[2], sys.argv[3]))
    if len(sys.argv) != 3:
        print(__doc__)
        sys.exit(2)
    sys.exit(outer(sys.argv[1], sys.argv[2]))
