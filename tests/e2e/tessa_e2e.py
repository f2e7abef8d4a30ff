"""Drives tessaview in a real X window, as a person would.

Each App gets its own Xvfb, a fresh working directory and its own X client
connection. Files are dropped with the XDnD protocol from a source window of
our own, screenshots are read from the root window, clicks go through xdotool
and closing goes through WM_DELETE_WINDOW.

Run with /usr/bin/python3 (Debian's python3-xlib).
"""

import atexit
import ctypes
import glob
import os
import re
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import zlib

from Xlib import X, Xatom, display as xdisplay, error as xerror
from Xlib.protocol import event as xevent

WINDOW_TITLE = "Tessaview"
WINDOW_SIZE = (1280, 720)
BACKGROUND = (34, 36, 38)
XDND_VERSION = 5
URI_LIST = "text/uri-list"
SCREEN = "1600x1000x24"

HERE = os.path.dirname(os.path.abspath(__file__))


class HarnessError(Exception):
    """The harness could not do what it was asked (not a verdict on the app)."""


class AppExited(HarnessError):
    pass


class DropError(HarnessError):
    pass


def data_dir():
    return os.environ.get("TESSA_TEST_DATA") or os.path.normpath(os.path.join(HERE, "..", "data"))


def binary_path():
    path = os.environ.get("TESSA_BIN")
    if not path:
        raise HarnessError("TESSA_BIN is not set (path of the tessaview binary)")
    if not os.access(path, os.X_OK):
        raise HarnessError("TESSA_BIN=%s is not an executable file" % path)
    return path


# ---------------------------------------------------------------- processes

# Everything we start, so that an interpreter exit (normal, exception, SIGTERM
# from a test runner's timeout) still tears it down.
_live = []


def _cleanup_all():
    for obj in list(_live):
        try:
            obj.stop()
        except Exception:
            pass


atexit.register(_cleanup_all)


def _on_sigterm(signum, frame):
    # Turn into SystemExit so finally blocks and atexit run.
    sys.exit(128 + signum)


if signal.getsignal(signal.SIGTERM) is signal.SIG_DFL:
    signal.signal(signal.SIGTERM, _on_sigterm)

_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def _child_setup():
    # Runs in the child before exec: if the harness dies even by SIGKILL, the
    # kernel kills the child too, so nothing is left behind.
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)


def _popen(argv, **kw):
    return subprocess.Popen(argv, start_new_session=True, preexec_fn=_child_setup,
                            stdin=subprocess.DEVNULL, close_fds=True, **kw)


def _kill_group(proc, grace=2.0):
    """Ends proc and its process group: SIGTERM, then SIGKILL after grace."""
    if proc is None:
        return
    if proc.poll() is None:
        try:
            os.killpg(proc.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
        try:
            proc.wait(grace)
        except subprocess.TimeoutExpired:
            pass
    # The group may hold children even after the leader is gone.
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass
    try:
        proc.wait(grace)
    except subprocess.TimeoutExpired:
        pass


def wait_until(cond, timeout, interval=0.02, what="condition"):
    """Polls cond() until it returns a true value, which is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = cond()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimeoutError("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def sanitizer_env(binary, base_env):
    """Extra environment for an AddressSanitizer build, {} for a plain one.

    GLFW unloads the GL libraries at termination, and Mesa's software driver
    goes with them; what the driver still held then shows as leaks from an
    unknown module, which no suppression can name. Preloading the driver keeps
    it mapped, so its frames stay named and the suppressions apply."""
    with open(binary, "rb") as f:
        if b"__asan_init" not in f.read():
            return {}
    preload = []
    # A shared ASan runtime (gcc) must come first in the library list.
    try:
        out = subprocess.run(["ldd", binary], capture_output=True, text=True, timeout=20).stdout
    except (OSError, subprocess.SubprocessError):
        out = ""
    m = re.search(r"(\S*libasan\.so[.\d]*) => (\S+)", out)
    if m:
        preload.append(m.group(2))
    drivers = sorted(glob.glob("/usr/lib/*/dri/swrast_dri.so") + glob.glob("/usr/lib/dri/swrast_dri.so"))
    preload += drivers[:1]
    if base_env.get("LD_PRELOAD"):
        preload.append(base_env["LD_PRELOAD"])
    env = {"LD_PRELOAD": " ".join(preload)}
    env["LSAN_OPTIONS"] = base_env.get("LSAN_OPTIONS") or (
        "suppressions=%s:print_suppressions=0" % os.path.join(HERE, "lsan.supp"))
    return env


# ---------------------------------------------------------------- X server

class XServer:
    """A private Xvfb on the first free display number from `first` on."""

    def __init__(self, first=90, screen=SCREEN, timeout=10.0):
        self.first = first
        self.screen = screen
        self.timeout = timeout
        self.proc = None
        self.number = None
        self.log_path = None

    @property
    def name(self):
        return ":%d" % self.number

    @staticmethod
    def _taken(n):
        # A lock whose process is gone (a server killed hard) is stale; Xvfb
        # itself replaces it, so only a live owner makes the number taken.
        try:
            with open("/tmp/.X%d-lock" % n) as f:
                pid = int(f.read().strip() or 0)
        except FileNotFoundError:
            return XServer._socket_live(n)
        except (OSError, ValueError):
            return True
        if pid <= 0:
            return True
        try:
            os.kill(pid, 0)
        except ProcessLookupError:
            return False
        except PermissionError:
            pass
        return True

    @staticmethod
    def _socket_live(n):
        # Servers started with -displayfd write no lock; their socket tells.
        path = "/tmp/.X11-unix/X%d" % n
        if not os.path.exists(path):
            return False
        sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        sock.settimeout(1.0)
        try:
            sock.connect(path)
            return True
        except (ConnectionRefusedError, FileNotFoundError):
            return False
        except OSError:
            return True
        finally:
            sock.close()

    def start(self):
        _live.append(self)
        fd, self.log_path = tempfile.mkstemp(prefix="tessa-xvfb-", suffix=".log")
        os.close(fd)
        deadline = time.monotonic() + self.timeout
        n = self.first
        while time.monotonic() < deadline and n < self.first + 200:
            if self._taken(n):
                n += 1
                continue
            # -displayfd: our own server writes the number once it accepts
            # connections; one that lost the number to a parallel run writes
            # nothing and exits, so we never mistake another server for ours.
            rfd, wfd = os.pipe()
            try:
                with open(self.log_path, "ab") as log:
                    self.proc = _popen(["Xvfb", ":%d" % n, "-displayfd", str(wfd), "-screen", "0",
                                        self.screen, "-nolisten", "tcp", "-noreset"],
                                       stdout=log, stderr=log, pass_fds=(wfd,))
                os.close(wfd)
                wfd = None
                self.number = n
                if self._wait_ready(rfd, deadline):
                    return self
            finally:
                os.close(rfd)
                if wfd is not None:
                    os.close(wfd)
            _kill_group(self.proc)
            self.proc = None
            n += 1
        raise HarnessError("could not start Xvfb; log:\n" + self._log())

    def _wait_ready(self, rfd, deadline):
        got = b""
        while not got.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0:
                return False
            if select.select([rfd], [], [], min(left, 0.1))[0]:
                chunk = os.read(rfd, 16)
                if not chunk:
                    return False
                got += chunk
            elif self.proc.poll() is not None:
                return False
        if got.strip() != str(self.number).encode() or self.proc.poll() is not None:
            return False
        d = xdisplay.Display(self.name)
        d.close()
        return True

    def _log(self):
        try:
            with open(self.log_path, errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def stop(self):
        _kill_group(self.proc)
        self.proc = None
        if self.log_path and os.path.exists(self.log_path):
            os.unlink(self.log_path)
        self.log_path = None
        if self in _live:
            _live.remove(self)


# ---------------------------------------------------------------- screenshots

class Screenshot:
    """Pixels of a screen area; pixel(x, y) / shot(x, y) -> (r, g, b) in the
    coordinates the area was asked in (window coordinates for App.screenshot)."""

    def __init__(self, data, width, height, stride, masks, big_endian, origin=(0, 0)):
        self.data = data
        self.width = width
        self.height = height
        self.stride = stride
        self.masks = masks
        self.big_endian = big_endian
        self.origin = origin
        self._shifts = [((m & -m).bit_length() - 1) for m in masks]

    def pixel(self, x, y):
        x -= self.origin[0]
        y -= self.origin[1]
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError("pixel (%d, %d) outside the shot" % (x + self.origin[0], y + self.origin[1]))
        off = y * self.stride + x * 4
        v = int.from_bytes(self.data[off:off + 4], "big" if self.big_endian else "little")
        return tuple((v & m) >> s for m, s in zip(self.masks, self._shifts))

    __call__ = pixel

    def box_pixels(self, x0, y0, x1, y1):
        """Yields (x, y, rgb) over the half-open box."""
        for y in range(y0, y1):
            for x in range(x0, x1):
                yield x, y, self.pixel(x, y)

    def count(self, pred, x0, y0, x1, y1):
        return sum(1 for _, _, c in self.box_pixels(x0, y0, x1, y1) if pred(c))

    def diff_bbox(self, other):
        """Inclusive box (in shot coordinates) around the pixels that differ
        from another shot of the same area, or None when none do."""
        if (other.origin, other.width, other.height) != (self.origin, self.width, self.height):
            raise ValueError("shots of different areas")
        ys = [y for y in range(self.height)
              if self.data[y * self.stride:y * self.stride + self.width * 4] !=
              other.data[y * other.stride:y * other.stride + other.width * 4]]
        if not ys:
            return None
        xs = [x for y in ys for x in range(self.width)
              if self.data[y * self.stride + 4 * x:y * self.stride + 4 * x + 3] !=
              other.data[y * other.stride + 4 * x:y * other.stride + 4 * x + 3]]
        ox, oy = self.origin
        return (ox + min(xs), oy + ys[0], ox + max(xs), oy + ys[-1])

    def first_along_row(self, y, x0, x1, pred):
        """First x from x0 towards x1 (either direction) whose pixel matches."""
        step = 1 if x1 >= x0 else -1
        for x in range(x0, x1, step):
            if pred(self.pixel(x, y)):
                return x
        return None

    def first_along_column(self, x, y0, y1, pred):
        step = 1 if y1 >= y0 else -1
        for y in range(y0, y1, step):
            if pred(self.pixel(x, y)):
                return y
        return None

    def rgb_bytes(self):
        """The shot as packed RGB rows."""
        fast = self.masks == (0xFF0000, 0xFF00, 0xFF) and not self.big_endian
        out = bytearray(self.width * self.height * 3)
        for y in range(self.height):
            o = y * self.width * 3
            if fast:
                row = self.data[y * self.stride:y * self.stride + self.width * 4]
                out[o:o + self.width * 3:3] = row[2::4]
                out[o + 1:o + self.width * 3:3] = row[1::4]
                out[o + 2:o + self.width * 3:3] = row[0::4]
            else:
                for x in range(self.width):
                    out[o + 3 * x:o + 3 * x + 3] = bytes(self.pixel(x + self.origin[0], y + self.origin[1]))
        return bytes(out)

    def save_png(self, path):
        rgb = self.rgb_bytes()
        n = self.width * 3
        raw = b"".join(b"\0" + rgb[y * n:(y + 1) * n] for y in range(self.height))

        def chunk(tag, body):
            c = struct.pack(">I", len(body)) + tag + body
            return c + struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF)

        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
            f.write(chunk(b"IEND", b""))
        return path


def close_to(expected, tol=0):
    """Predicate: colour within tol of expected in every channel."""
    return lambda c: all(abs(a - b) <= tol for a, b in zip(c, expected))


def differs_from(expected, tol=0):
    near = close_to(expected, tol)
    return lambda c: not near(c)


def is_text(c):
    # Dear ImGui's default text is white; anti-aliased glyph cores stay light grey.
    return min(c) >= 150 and max(c) - min(c) <= 40


def clusters(flags, gap):
    """Runs of true indexes, merging runs separated by fewer than `gap` falses.
    Returns [(first, last)]."""
    runs = []
    for i, f in enumerate(flags):
        if not f:
            continue
        if runs and i - runs[-1][1] <= gap:
            runs[-1][1] = i
        else:
            runs.append([i, i])
    return [tuple(r) for r in runs]


def text_boxes(shot, x0, y0, x1, y1, gap_x=5, gap_y=3, pred=is_text):
    """Words of text in a box, found from pixels: first rows of text, then
    words within each row. Returns [(x0, y0, x1, y1)] inclusive, reading order."""
    rows = clusters([any(pred(shot(x, y)) for x in range(x0, x1)) for y in range(y0, y1)], gap_y)
    boxes = []
    for ra, rb in rows:
        ya, yb = y0 + ra, y0 + rb
        cols = clusters([any(pred(shot(x, y)) for y in range(ya, yb + 1)) for x in range(x0, x1)], gap_x)
        boxes.extend((x0 + ca, ya, x0 + cb, yb) for ca, cb in cols)
    return boxes


def centre(box):
    return ((box[0] + box[2]) // 2, (box[1] + box[3]) // 2)


# ---------------------------------------------------------------- the app

class App:
    """One run of the program under test.

        with App() as app:
            app.drop([path])
            app.wait_for_output(r"created workset")
            shot = app.screenshot(); shot(10, 10)
            app.click(20, 10)
            app.close(); app.wait_exit()
    """

    def __init__(self, binary=None, args=(), env=None, xserver=None, start_timeout=15.0,
                 wait_drawn=True):
        self.binary = binary or binary_path()
        self.args = list(args)
        self.extra_env = dict(env or {})
        self.xserver = xserver
        self._own_xserver = xserver is None
        self.start_timeout = start_timeout
        self.wait_drawn = wait_drawn
        self.proc = None
        self.dir = None
        self.x = None
        self.window = None
        self.returncode = None

    # -- life cycle

    def start(self):
        _live.append(self)
        try:
            self.dir = tempfile.mkdtemp(prefix="tessa-e2e-")
            self.cwd = os.path.join(self.dir, "run")
            self.files = os.path.join(self.dir, "files")
            os.mkdir(self.cwd)
            os.mkdir(self.files)
            self.stdout_path = os.path.join(self.dir, "stdout.txt")
            self.stderr_path = os.path.join(self.dir, "stderr.txt")
            if self.xserver is None:
                self.xserver = XServer().start()
            self.x = xdisplay.Display(self.xserver.name)
            self.root = self.x.screen().root
            env = dict(os.environ)
            env.pop("WAYLAND_DISPLAY", None)
            env.update(DISPLAY=self.xserver.name, LIBGL_ALWAYS_SOFTWARE="1")
            # No NDI runtime from the machine: NDI cases bring their own.
            for var in ("NDI_RUNTIME_DIR_V6", "NDI_RUNTIME_DIR_V5", "NDI_RUNTIME_DIR_V4"):
                env[var] = os.path.join(self.dir, "no-ndi")
            env.update(sanitizer_env(self.binary, env))
            env.update(self.extra_env)
            with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
                self.proc = _popen([self.binary] + self.args, cwd=self.cwd, env=env,
                                   stdout=out, stderr=err)
            self.window = self.wait_for_window(self.start_timeout)
            if self.wait_drawn:
                self.wait_for_frame(self.start_timeout)
            return self
        except BaseException:
            self.stop()
            raise

    def stop(self):
        """Kills the program if it still runs, stops Xvfb, removes the temp dir.
        Set TESSA_E2E_KEEP=1 to keep the directory for a look afterwards."""
        if self.proc is not None:
            _kill_group(self.proc)
            if self.returncode is None and self.proc.returncode is not None:
                self.returncode = self.proc.returncode
            self.proc = None
        if self.x is not None:
            try:
                self.x.close()
            except Exception:
                pass
            self.x = None
        if self._own_xserver and self.xserver is not None:
            self.xserver.stop()
            self.xserver = None
        if self.dir:
            if os.environ.get("TESSA_E2E_KEEP"):
                sys.stderr.write("tessa_e2e: kept %s\n" % self.dir)
            else:
                shutil.rmtree(self.dir, ignore_errors=True)
            self.dir = None
        if self in _live:
            _live.remove(self)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
        return False

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def _check_running(self, doing):
        if self.proc is None or self.proc.poll() is not None:
            code = None if self.proc is None else self.proc.returncode
            raise AppExited("program exited (status %s) while %s\n%s" % (code, doing, self.describe()))

    def wait_exit(self, timeout=10.0):
        """Waits for the program to end; returns its status (negative: signal)."""
        try:
            self.returncode = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise TimeoutError("program still running %.1f s after being asked to end\n%s"
                               % (timeout, self.describe()))
        return self.returncode

    # -- output

    def _read(self, path):
        with open(path, "rb") as f:
            return f.read().decode("utf-8", "surrogateescape")

    @property
    def stdout(self):
        return self._read(self.stdout_path)

    @property
    def stderr(self):
        return self._read(self.stderr_path)

    def mark(self, stream="stdout"):
        """Current length of a stream; pass as `since` to look only at newer text."""
        return len(getattr(self, stream))

    def wait_for_output(self, pattern, timeout=5.0, stream="stdout", since=0):
        """Waits until regex `pattern` (multiline) matches the stream's text from
        offset `since`; returns the match (offsets relative to `since`)."""
        rx = re.compile(pattern, re.M)
        deadline = time.monotonic() + timeout
        while True:
            m = rx.search(getattr(self, stream)[since:])
            if m:
                return m
            if not self.running():
                m = rx.search(getattr(self, stream)[since:])
                if m:
                    return m
                raise AppExited("program exited before %s showed %r\n%s"
                                % (stream, pattern, self.describe()))
            if time.monotonic() >= deadline:
                raise TimeoutError("no %r on %s within %.1f s\n%s"
                                   % (pattern, stream, timeout, self.describe()))
            time.sleep(0.02)

    def describe(self, tail=40):
        def last(text):
            lines = text.splitlines()
            return "\n".join(lines[-tail:])
        try:
            return "--- stdout:\n%s\n--- stderr:\n%s" % (last(self.stdout), last(self.stderr))
        except (OSError, TypeError):
            return "(no output captured)"

    # -- window

    def _atom(self, name):
        return self.x.intern_atom(name)

    def window_name(self, win):
        try:
            prop = win.get_full_property(self._atom("_NET_WM_NAME"), self._atom("UTF8_STRING"))
            if prop is not None and prop.value:
                v = prop.value
                return v.decode("utf-8", "replace") if isinstance(v, bytes) else str(v)
            name = win.get_wm_name()
            if isinstance(name, bytes):
                name = name.decode("latin-1")
            return name
        except xerror.XError:
            return None

    def find_window(self, title=WINDOW_TITLE):
        """The mapped top-level window with this title, or None. Without a
        window manager the top-level windows are the root's children."""
        try:
            children = self.root.query_tree().children
        except xerror.XError:
            return None
        for win in children:
            try:
                if win.get_attributes().map_state != X.IsViewable:
                    continue
            except xerror.XError:
                continue
            if self.window_name(win) == title:
                return win
        return None

    def wait_for_window(self, timeout=15.0, title=WINDOW_TITLE):
        deadline = time.monotonic() + timeout
        while True:
            self._check_running("waiting for its window")
            win = self.find_window(title)
            if win is not None:
                return win
            if time.monotonic() >= deadline:
                raise TimeoutError("no mapped window titled %r within %.1f s\n%s"
                                   % (title, timeout, self.describe()))
            time.sleep(0.05)

    def wait_for_frame(self, timeout=15.0):
        """Waits for a drawn frame: a mapped window may still show nothing, so
        wait until the menu bar's text is on the screen."""
        bar = (0, 0, WINDOW_SIZE[0], self.MENU_BAR_HEIGHT + 2)
        self.wait_for_screen(lambda s: self.menu_bar_words(s), timeout, box=bar,
                             what="a first frame with the menu bar")

    def geometry(self):
        """(x, y, width, height) of the window, x and y in root coordinates."""
        g = self.window.get_geometry()
        t = self.root.translate_coords(self.window, 0, 0)
        return (t.x, t.y, g.width, g.height)

    def to_root(self, x, y):
        gx, gy, _, _ = self.geometry()
        return gx + x, gy + y

    # -- screenshots

    def screenshot(self, box=None):
        """Shot of the window (or of box=(x0, y0, x1, y1) in window coordinates,
        half-open), read from the screen as a person sees it."""
        gx, gy, w, h = self.geometry()
        x0, y0, x1, y1 = box or (0, 0, w, h)
        x0, y0 = max(0, x0), max(0, y0)
        x1, y1 = min(w, x1), min(h, y1)
        if x1 <= x0 or y1 <= y0:
            raise ValueError("empty screenshot box")
        img = self.root.get_image(gx + x0, gy + y0, x1 - x0, y1 - y0, X.ZPixmap, 0xFFFFFFFF)
        return self._to_shot(img, x1 - x0, y1 - y0, (x0, y0))

    def _to_shot(self, img, w, h, origin):
        depth = self.x.screen().root_depth
        bpp = next(f.bits_per_pixel for f in self.x.display.info.pixmap_formats if f.depth == depth)
        if bpp != 32:
            raise HarnessError("screen has %d bits per pixel, want 32" % bpp)
        visual = self.x.screen().root_visual
        masks = None
        for d in self.x.screen().allowed_depths:
            for v in d.visuals:
                if v.visual_id == visual:
                    masks = (v.red_mask, v.green_mask, v.blue_mask)
        data = img.data if isinstance(img.data, bytes) else bytes(img.data)
        stride = len(data) // h
        big = self.x.display.info.image_byte_order == X.MSBFirst
        return Screenshot(data, w, h, stride, masks, big, origin)

    def wait_for_screen(self, cond, timeout=5.0, box=None, what="screen condition"):
        """Takes shots until cond(shot) is true (the program redraws all the
        time, so a single shot may catch a frame in the middle of a change)."""
        last = [None]

        def probe():
            self._check_running("waiting for " + what)
            last[0] = self.screenshot(box)
            return last[0] if cond(last[0]) else None

        try:
            return wait_until(probe, timeout, interval=0.05, what=what)
        except TimeoutError:
            if last[0] is not None and self.dir:
                path = last[0].save_png(os.path.join(self.dir, "timeout.png"))
                raise TimeoutError("timed out waiting for %s (last shot %s)\n%s"
                                   % (what, path, self.describe()))
            raise

    # -- input

    def xdotool(self, *args):
        env = dict(os.environ, DISPLAY=self.xserver.name)
        subprocess.run(["xdotool"] + [str(a) for a in args], env=env, check=True,
                       timeout=10, stdin=subprocess.DEVNULL)

    def move(self, x, y):
        """Moves the pointer to window coordinates."""
        self._check_running("moving the pointer")
        rx, ry = self.to_root(x, y)
        self.xdotool("mousemove", "--sync", rx, ry)

    def click(self, x, y, button=1, settle=0.1):
        """Moves to window coordinates, lets a few frames see the hover, clicks."""
        self.move(x, y)
        time.sleep(settle)
        self.xdotool("click", button)
        time.sleep(settle)

    def drag(self, x0, y0, x1, y1, steps=5, settle=0.1):
        """Presses the left button at one window point, moves in steps to
        another and releases there."""
        self.move(x0, y0)
        time.sleep(settle)
        self.xdotool("mousedown", 1)
        time.sleep(settle)
        for i in range(1, steps + 1):
            self.move(x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
            time.sleep(settle / 2)
        self.xdotool("mouseup", 1)
        time.sleep(settle)

    def close(self):
        """Asks the program to close, as a window manager's close button does."""
        self._check_running("closing")
        protocols = self._atom("WM_PROTOCOLS")
        delete = self._atom("WM_DELETE_WINDOW")
        prop = self.window.get_full_property(protocols, Xatom.ATOM)
        if prop is None or delete not in prop.value:
            raise HarnessError("window does not take part in WM_DELETE_WINDOW")
        ev = xevent.ClientMessage(window=self.window, client_type=protocols,
                                  data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        self.window.send_event(ev, event_mask=X.NoEventMask)
        self.x.flush()

    # -- menus (positions read from the screen, not assumed)

    MENU_BAR_HEIGHT = 19

    def menu_bar_words(self, shot=None):
        """Words in the main menu bar, left to right, as boxes."""
        shot = shot or self.screenshot((0, 0, WINDOW_SIZE[0], self.MENU_BAR_HEIGHT + 2))
        return text_boxes(shot, 0, 0, shot.width, self.MENU_BAR_HEIGHT, gap_x=6)

    def open_menu(self, index, timeout=5.0):
        """Clicks the index-th menu of the menu bar and waits for its popup;
        returns the boxes of the popup's text lines (one box per line)."""
        bar = (0, 0, WINDOW_SIZE[0], self.MENU_BAR_HEIGHT + 2)
        try:
            shot = self.wait_for_screen(lambda s: len(self.menu_bar_words(s)) > index, timeout,
                                        box=bar, what="menu bar with %d menus" % (index + 1))
        except TimeoutError as e:
            raise HarnessError(str(e))
        word = self.menu_bar_words(shot)[index]
        # The popup is where the screen changes below the bar; text of windows
        # underneath (About, File windows) must not count as menu lines.
        box = (max(0, word[0] - 12), self.MENU_BAR_HEIGHT + 1,
               min(WINDOW_SIZE[0], word[0] + 400), min(WINDOW_SIZE[1], self.MENU_BAR_HEIGHT + 300))
        before = self.screenshot(box)
        self.click(*centre(word))

        def lines(shot):
            changed = before.diff_bbox(shot)
            if changed is None:
                return None
            x0, y0, x1, y1 = changed
            found = text_boxes(shot, x0 + 1, y0 + 1, x1, y1, gap_x=12)
            return found or None

        shot = self.wait_for_screen(lambda s: lines(s), timeout, box=box, what="menu popup")
        # One box per text line: join the words of each line.
        rows = {}
        for b in lines(shot):
            r = rows.setdefault(b[1], list(b))
            r[0], r[2], r[3] = min(r[0], b[0]), max(r[2], b[2]), max(r[3], b[3])
        return [tuple(v) for _, v in sorted(rows.items())]

    def choose_menu(self, menu, item, timeout=5.0):
        """Clicks menu `menu` of the menu bar, then its item number `item`.
        The popup opens under the bar with the default style, its lines 17
        pixels apart from y = 27; the lines are not read from the screen here,
        because windows under the popup change as the menu takes the focus."""
        try:
            shot = self.wait_for_screen(lambda s: len(self.menu_bar_words(s)) > menu, timeout,
                                        box=(0, 0, WINDOW_SIZE[0], self.MENU_BAR_HEIGHT + 2),
                                        what="menu bar with %d menus" % (menu + 1))
        except TimeoutError as e:
            raise HarnessError(str(e))
        x = centre(self.menu_bar_words(shot)[menu])[0]
        self.click(x, self.MENU_BAR_HEIGHT // 2)
        self.click(x + 10, 33 + 17 * item)

    # -- drag and drop

    def add_file(self, name, source=None, data=None):
        """Makes a file under the run's files directory (subdirectories allowed),
        copied from `source` or written from `data`; returns its absolute path."""
        path = os.path.join(self.files, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if source is not None:
            shutil.copyfile(source, path)
        else:
            with open(path, "wb") as f:
                f.write(data if data is not None else b"")
        return path

    def drop(self, paths, at=None, timeout=5.0):
        """Drops files on the window through XDnD; returns when the program
        reports XdndFinished. `at` is the drop point in window coordinates."""
        self._check_running("dropping files")
        if at is None:
            w, h = self.geometry()[2:]
            at = (w - 40, h - 20)
        rx, ry = self.to_root(*at)
        Dnd(self.xserver.name, self.window.id).drop([os.path.abspath(p) for p in paths], rx, ry, timeout)


def uri_list(paths):
    """text/uri-list body: one percent-encoded file URI per path, CRLF ended."""
    out = b""
    for p in paths:
        raw = os.fsencode(p)
        out += b"file://" + urllib.parse.quote_from_bytes(raw, safe="/").encode("ascii") + b"\r\n"
    return out


class Dnd:
    """An XDnD drag source on its own connection, for one drop."""

    TYPES = (URI_LIST, "text/plain;charset=utf-8", "UTF8_STRING")

    def __init__(self, display_name, target_id):
        self.d = xdisplay.Display(display_name)
        self.target = self.d.create_resource_object("window", target_id)
        self.a = {n: self.d.intern_atom(n) for n in (
            "XdndAware", "XdndSelection", "XdndEnter", "XdndPosition", "XdndStatus",
            "XdndLeave", "XdndDrop", "XdndFinished", "XdndActionCopy", "XdndTypeList",
            "TARGETS", "TIMESTAMP", "_TESSA_E2E_TIME") + self.TYPES}
        root = self.d.screen().root
        self.src = root.create_window(-10, -10, 1, 1, 0, X.CopyFromParent, X.InputOutput,
                                      X.CopyFromParent, event_mask=X.PropertyChangeMask)
        self.events = []

    def _send(self, kind, *longs):
        data = list(longs) + [0] * (5 - len(longs))
        ev = xevent.ClientMessage(window=self.target, client_type=self.a[kind], data=(32, data))
        self.target.send_event(ev, event_mask=X.NoEventMask)
        self.d.flush()

    def _next(self, deadline):
        while True:
            if self.d.pending_events():
                return self.d.next_event()
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            select.select([self.d], [], [], min(left, 0.05))

    def _server_time(self, timeout):
        # A zero-length append gives a PropertyNotify stamped by the server.
        self.src.change_property(self.a["_TESSA_E2E_TIME"], Xatom.STRING, 8, b"", X.PropModeAppend)
        self.d.flush()
        deadline = time.monotonic() + timeout
        while True:
            ev = self._next(deadline)
            if ev is None:
                raise DropError("no PropertyNotify for the timestamp")
            if ev.type == X.PropertyNotify and ev.atom == self.a["_TESSA_E2E_TIME"]:
                return ev.time
            self.events.append(ev)

    def _answer(self, req, payload):
        """Answers a SelectionRequest as an owner of XdndSelection does."""
        prop = req.property or req.target
        if req.target == self.a[URI_LIST]:
            req.requestor.change_property(prop, req.target, 8, payload)
        elif req.target == self.a["TARGETS"]:
            targets = [self.a["TARGETS"], self.a["TIMESTAMP"], self.a[URI_LIST]]
            req.requestor.change_property(prop, Xatom.ATOM, 32, targets)
        elif req.target == self.a["TIMESTAMP"]:
            req.requestor.change_property(prop, Xatom.INTEGER, 32, [self.time])
        else:
            prop = X.NONE
        ev = xevent.SelectionNotify(time=req.time, requestor=req.requestor, selection=req.selection,
                                    target=req.target, property=prop)
        req.requestor.send_event(ev, event_mask=X.NoEventMask)
        self.d.flush()
        return req.target == self.a[URI_LIST]

    def _wait_message(self, kind, deadline):
        """Waits for ClientMessage `kind` from the target, answering selection
        requests meanwhile. Returns its data longs."""
        served = False
        while True:
            ev = self._next(deadline)
            if ev is None:
                raise DropError("no %s from the target in time%s"
                                % (kind, " (the uri list was sent)" if served else ""))
            if ev.type == X.SelectionRequest and ev.selection == self.a["XdndSelection"]:
                served = self._answer(ev, self.payload) or served
            elif ev.type == X.ClientMessage and ev.client_type == self.a[kind]:
                longs = list(ev.data[1])
                if longs[0] == self.target.id:
                    return longs

    def drop(self, paths, root_x, root_y, timeout=5.0):
        try:
            payload = self.payload = uri_list(paths)
            if len(payload) > 200000:
                # Would need the INCR protocol, which a drop target need not speak.
                raise DropError("uri list of %d bytes is too long for one property" % len(payload))
            deadline = time.monotonic() + timeout
            aware = self.target.get_full_property(self.a["XdndAware"], Xatom.ATOM)
            if aware is None or not aware.value:
                raise DropError("target window has no XdndAware property")
            version = min(XDND_VERSION, int(aware.value[0]))
            self.time = self._server_time(timeout)
            types = [self.a[t] for t in self.TYPES]
            self.src.change_property(self.a["XdndTypeList"], Xatom.ATOM, 32, types)
            self.src.set_selection_owner(self.a["XdndSelection"], self.time)
            self.d.flush()
            if self.d.get_selection_owner(self.a["XdndSelection"]).id != self.src.id:
                raise DropError("could not own XdndSelection")

            # Three types fit in the message, so the list flag (bit 0) stays clear.
            self._send("XdndEnter", self.src.id, version << 24, *types)
            self._send("XdndPosition", self.src.id, 0, ((root_x & 0xFFFF) << 16) | (root_y & 0xFFFF),
                       self.time, self.a["XdndActionCopy"])
            status = self._wait_message("XdndStatus", deadline)
            if not status[1] & 1:
                self._send("XdndLeave", self.src.id)
                raise DropError("target refused the drop (XdndStatus %r)" % status)
            self._send("XdndDrop", self.src.id, 0, self.time)
            finished = self._wait_message("XdndFinished", deadline)
            # Bit 0 means success; GLFW 3.3 puts the byte count there, so any
            # non-zero value counts.
            if version >= 5 and not finished[1]:
                raise DropError("target reported the drop as failed (XdndFinished %r)" % finished)
            return finished
        finally:
            try:
                self.src.destroy()
                self.d.close()
            except Exception:
                pass


# ---------------------------------------------------------------- unittest glue

SAMPLE_DPX = "openimageio-rgb10-le.dpx"  # 32 x 16, red/green/blue/white quadrants

MENU_FILE, MENU_TOOL, MENU_HELP = 0, 1, 2


class AppTestCase(unittest.TestCase):
    """A fresh program (own Xvfb, own working directory) for every test."""

    app_args = ()

    def setUp(self):
        self.app = App(args=self.app_args)
        self.addCleanup(self.app.stop)
        self.app.start()

    def dpx(self, name, sample=SAMPLE_DPX):
        """Copies a sample DPX file under `name` into the run's files dir."""
        return self.app.add_file(name, source=os.path.join(data_dir(), sample))

    def workset_lines(self, since=0):
        """The workset lines (created / found) printed on stdout since an offset."""
        return [l for l in self.app.stdout[since:].splitlines()
                if l.startswith(("created workset for ", "found exising workset for "))]

    def drop_sentinel(self, name="sentinel.dpx", timeout=10.0):
        """Drops one more new file and waits for its creation line, whatever its
        index: all that earlier drops print is then on stdout, so lines can be
        compared whole and absences asserted."""
        p = self.dpx(name)
        self.app.drop([p], timeout=timeout)
        self.app.wait_for_output("^" + re.escape("created workset for %s (index=" % p) + r"\d+\)$",
                                 timeout)
        return p


def created_line(path, index):
    return "created workset for %s (index=%d)" % (path, index)


def found_line(path):
    return "found exising workset for %s" % path
