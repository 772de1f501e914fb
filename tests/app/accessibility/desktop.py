"""A private desktop for the app: a virtual X server, the app on it, and the
accessibility bus as a screen reader reads it (Debian's pyatspi). Everything
here waits for a condition with a bound, never for a fixed time."""
import os
import select
import struct
import subprocess
import time
import zlib

import pyatspi
from gi.repository import GLib


class Failure(Exception):
    pass


def pump(seconds=0.05):
    """Lets the accessibility bus deliver its events for a moment."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if not context.iteration(False):
            time.sleep(0.005)


def wait_for(condition, seconds, what):
    end = time.monotonic() + seconds
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > end:
            raise Failure("timed out after %ss waiting for %s" % (seconds, what))
        pump()


class Desktop:
    """Xvfb on a free display with its framebuffer in a file, and the app."""

    def __init__(self, work, app, container, more=()):
        self.work = work
        self.processes = []
        fbdir = os.path.join(work, "framebuffer")
        os.makedirs(fbdir, exist_ok=True)
        self.framebuffer = os.path.join(fbdir, "Xvfb_screen0")
        # Xvfb picks a free display and writes its number on its output.
        self.xvfb_log = open(os.path.join(work, "xvfb-stderr.txt"), "w")
        self.xvfb = self._start(["Xvfb", "-displayfd", "1", "-screen", "0", "480x720x24", "-fbdir", fbdir,
                                 "-nolisten", "tcp", "-noreset"], stdout=subprocess.PIPE, stderr=self.xvfb_log)
        if not select.select([self.xvfb.stdout], [], [], 20)[0]:
            raise Failure("Xvfb did not start")
        number = self.xvfb.stdout.readline().decode().strip()
        if not number:
            raise Failure("Xvfb found no display")
        self.display = ":" + number
        env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        # Under AddressSanitizer: the X keyboard library strndup()s a name
        # that ends at its length rather than at a NUL, which the strict
        # string check reads on past; the standard reads no further.
        if "ASAN_OPTIONS" in env:
            env["ASAN_OPTIONS"] += ":strict_string_checks=0"
        os.environ["DISPLAY"] = self.display
        self.app_log = open(os.path.join(work, "app-stderr.txt"), "w")
        self.app = self._start([app, "--container", container, *more], env=env, stderr=self.app_log, cwd=work)
        self.app_name = os.path.basename(app)

    def _start(self, argv, **kwargs):
        kwargs.setdefault("stdout", subprocess.DEVNULL)
        process = subprocess.Popen(argv, **kwargs)
        self.processes.append(process)
        return process

    def close(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self.app_log.close()
        self.xvfb_log.close()

    def window(self, title, seconds=30):
        """The app's window as the accessibility bus shows it."""
        def found():
            if self.app.poll() is not None:
                raise Failure("the app ended with status %s" % self.app.returncode)
            desktop = pyatspi.Registry.getDesktop(0)
            for app in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
                if app is None or app.name != self.app_name:
                    continue
                for win in (app.getChildAtIndex(i) for i in range(app.childCount)):
                    if win is not None and win.name == title:
                        return win
            return None
        return wait_for(found, seconds, "the window %s on the accessibility bus" % title)

    def screenshot(self):
        return Screenshot.read(self.framebuffer)


def showing(obj):
    try:
        return obj.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:
        return False


def actions_of(obj):
    try:
        action = obj.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def children(obj):
    return [c for c in (obj.getChildAtIndex(i) for i in range(obj.childCount)) if c is not None]


def showing_objects(root):
    """Every showing object under root, depth first."""
    found = []

    def visit(node):
        for child in children(node):
            if showing(child):
                found.append(child)
                visit(child)
    visit(root)
    return found


def screen_problems(root):
    """What a screen reader user could not tell apart or not hear at all: a
    showing object that can be used but has no name, and siblings that can
    be used and share a name."""
    problems = []

    def visit(node, path):
        named = []
        for child in children(node):
            if not showing(child):
                continue
            if actions_of(child):
                if not child.name:
                    problems.append("%s: a %s with an action and no name" % (path, child.getRoleName()))
                named.append(child.name)
            visit(child, path + "/" + (child.name or child.getRoleName()))
        for name in sorted(set(n for n in named if n and named.count(n) > 1)):
            problems.append("%s: %d siblings with an action share the name %s" % (path, named.count(name), name))
    visit(root, root.name)
    return problems


class Screenshot:
    """The virtual screen as Xvfb keeps it in its framebuffer file (XWD)."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    @staticmethod
    def read(path):
        with open(path, "rb") as f:
            data = f.read()
        header = struct.unpack(">25I", data[:100])
        size, depth, width, height, byte_order, bpp, stride, ncolors = (
            header[0], header[3], header[4], header[5], header[7], header[11], header[12], header[19])
        if depth != 24 or bpp != 32:
            raise Failure("unexpected framebuffer format: depth %d, %d bits per pixel" % (depth, bpp))
        start = size + ncolors * 12
        rgb = bytearray(width * height * 3)
        for y in range(height):
            row = data[start + y * stride:start + y * stride + width * 4]
            # Least significant byte first: blue, green, red, padding.
            b, g, r = (row[0::4], row[1::4], row[2::4]) if byte_order == 0 else (row[3::4], row[2::4], row[1::4])
            line = rgb[y * width * 3:(y + 1) * width * 3]
            line[0::3], line[1::3], line[2::3] = r, g, b
            rgb[y * width * 3:(y + 1) * width * 3] = line
        return Screenshot(width, height, bytes(rgb))

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return self.rgb[i], self.rgb[i + 1], self.rgb[i + 2]

    def crop(self, box):
        x0, y0, w, h = box
        rows = [self.rgb[((y0 + y) * self.width + x0) * 3:((y0 + y) * self.width + x0 + w) * 3] for y in range(h)]
        return Screenshot(w, h, b"".join(rows))

    def differing_pixels(self, other):
        return [(x, y) for y in range(self.height) for x in range(self.width)
                if self.rgb[(y * self.width + x) * 3:(y * self.width + x) * 3 + 3]
                != other.rgb[(y * self.width + x) * 3:(y * self.width + x) * 3 + 3]]

    def save_png(self, path):
        raw = b"".join(b"\0" + self.rgb[y * self.width * 3:(y + 1) * self.width * 3] for y in range(self.height))

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
                    + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))
