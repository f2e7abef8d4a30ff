"""Drives the real program in the X server that xvfb-run gives each test.

App runs tessaview in a fresh directory (it writes imgui.ini there) and does
what a person does: drop files (XDnD, the only way GLFW takes drops), click,
drag, look (shot), read stdout and stderr, close the window. Glyphs checks
texts on the screen glyph for glyph. Run with Debian's /usr/bin/python3.
"""
import glob
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import time
import urllib.parse

from Xlib import X, display
from Xlib.protocol import event

BIN = os.environ["TESSA_BIN"]
DATA = os.environ["TESSA_TEST_DATA"]
BG = (34, 36, 38)
FOCUSED, UNFOCUSED = (41, 74, 122), (10, 10, 10)  # title bar colours
MENUS = {"File": 11, "Tool": 55, "Help": 99}  # where each main menu label starts
_INK = bytes(int(v >= 100) for v in range(256))  # text, enabled or disabled, on any dark fill
_x = display.Display()


# Under AddressSanitizer: Mesa's driver, preloaded, stays mapped after GLFW
# unloads GL, so that the suppressions can name what it keeps until exit.
# g++ links the sanitizer's runtime as a library, which must come first.
_ASAN_LIB = re.findall(r"=> (\S*libasan\.so\S*)", subprocess.run(["ldd", BIN], capture_output=True, text=True).stdout)
SANITIZER_ENV = {"LD_PRELOAD": " ".join(_ASAN_LIB[:1] + sorted(glob.glob("/usr/lib/*/dri/swrast_dri.so"))[:1]),
                 "LSAN_OPTIONS": "suppressions=%s/lsan.supp:print_suppressions=0" % os.path.dirname(__file__),
                 } if b"__asan_init" in pathlib.Path(BIN).read_bytes() else {}


def created(path, index):
    return "created workset for %s (index=%d)" % (path, index)


def wait_for(cond, what, timeout=20):
    """Polls cond() until it gives a true value, which is returned; `what`
    (text, or a function giving it) says what was waited for."""
    deadline = time.monotonic() + timeout
    while not (value := cond()):
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + (what() if callable(what) else what))
        time.sleep(0.05)
    return value


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], check=True, capture_output=True,
                          text=True, timeout=60).stdout


def wait_window(title, pid=None):
    """Id of the visible X window titled exactly `title` (of process `pid`)."""
    args = ["xdotool", "search", "--onlyvisible", *(("--pid", str(pid)) if pid else ()), "--name", "^%s$" % re.escape(title)]
    return int(wait_for(lambda: subprocess.run(args, capture_output=True, text=True).stdout.split(), "a window " + title)[0])


class Shot:
    """The program's window as drawn: shot(x, y) -> (r, g, b)."""

    def __init__(self, data, width):
        self.data, self.width = data, width

    def __call__(self, x, y):
        o = 4 * (y * self.width + x)
        b, g, r = self.data[o:o + 3]
        return (r, g, b)

    def ink(self, x, y, n):
        """n pixels of row y from x on, one byte each: 1 where text is drawn."""
        o = 4 * (y * self.width + x)
        row = self.data[o:o + 4 * n]
        b, g, r = (row[i::4].translate(_INK) for i in range(3))
        return bytes(p & q & s for p, q, s in zip(b, g, r))


def _cells(rows, dx, dy, n):
    return [tuple(row[dx + 7 * i + 1:dx + 7 * i + 6] for row in rows[dy:dy + 14]) for i in range(n)]


class Glyphs:
    """The GUI font's glyphs (cells 7 pixels wide) learnt from a text of ours
    on the screen, to find other texts glyph for glyph. Only the middle five
    columns of a cell count: some glyphs reach into their neighbours."""

    def __init__(self, shot, x, y, text):
        rows = [shot.ink(x, y + r, 7 * len(text)) for r in range(14)]
        self.cells = dict(zip(text, _cells(rows, 0, 0, len(text))))
        self.cells[" "] = (bytes(5),) * 14

    def find(self, shot, text, x, y, reach=8):
        """(x, y) where `text` starts (spaces: blank cells), within `reach`
        pixels across and 4 up or down of (x, y); else None."""
        want = [self.cells[c] for c in text]
        rows = [shot.ink(x - reach, y + r, 7 * len(text) + 2 * reach) for r in range(-4, 18)]
        return next(((x + dx - reach, y + dy - 4) for dy in range(9) for dx in range(2 * reach + 1)
                     if _cells(rows, dx, dy, len(text)) == want), None)


class App:
    """One run of tessaview, ended and cleaned up with the test."""

    def __init__(self, test, env=None, args=()):
        """`env` adds to the environment; "{dir}" in it is the run's directory.
        `args` go on the command line."""
        self.dir = tempfile.mkdtemp(prefix="tv", dir="/tmp")  # short: paths show in titles
        test.addCleanup(shutil.rmtree, self.dir, True)
        os.mkdir(self.path("run"))
        none = self.path("no-ndi")  # no NDI runtime of the machine's
        env = {**os.environ, "NDI_RUNTIME_DIR_V6": none, "NDI_RUNTIME_DIR_V5": none, "LIBGL_ALWAYS_SOFTWARE": "1",
               **SANITIZER_ENV, **{k: v.format(dir=self.dir) for k, v in (env or {}).items()}}
        with open(self.path("out"), "wb") as out, open(self.path("err"), "wb") as err:
            self.proc = subprocess.Popen([BIN, *args], cwd=self.path("run"), env=env,
                                         stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        test.addCleanup(self.proc.wait)
        test.addCleanup(self.proc.kill)  # first; does nothing once the program has ended
        self.win = _x.create_resource_object("window", wait_window("Tessaview", self.proc.pid))
        self.size = (self.win.get_geometry().width, self.win.get_geometry().height)
        self.wait_shot(lambda s: 1 in s.ink(12, 9, 30), "a first frame")

    def path(self, name):
        return os.path.join(self.dir, name)

    def add(self, name, sample="openimageio-rgb10-le.dpx", data=None):
        """A file in the run's directory: a copy of a sample, or `data`."""
        path = pathlib.Path(self.path(name))
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(pathlib.Path(DATA, sample).read_bytes() if data is None else data)
        return str(path)

    def out(self, stream="out"):
        """What the program has written to stdout (or "err") so far."""
        return pathlib.Path(self.path(stream)).read_text(errors="surrogateescape")

    def describe(self):
        return "\n--- stdout:\n%s--- stderr:\n%s" % (self.out()[-3000:], self.out("err")[-3000:])

    def running(self):
        if self.proc.poll() is not None:
            raise AssertionError("program ended with status %s%s" % (self.proc.returncode, self.describe()))
        return True

    def wait_exit(self, timeout=60):
        """The exit status, once the program has ended with no sanitizer report."""
        status = self.proc.wait(timeout)
        if any(mark in self.out("err") for mark in ("AddressSanitizer", "LeakSanitizer", "runtime error:")):
            raise AssertionError("sanitizer report" + self.describe())
        return status

    def shot(self):
        self.running()
        return Shot(bytes(self.win.get_image(0, 0, *self.size, X.ZPixmap, 0xFFFFFFFF).data), self.size[0])

    def wait_shot(self, cond, what, timeout=20):
        """A shot for which cond(shot) holds (frames change all the time)."""
        return wait_for(lambda: cond(shot := self.shot()) and shot,
                        lambda: (what() if callable(what) else what) + self.describe(), timeout)

    def click(self, x, y, button=1):
        """Button 4 and 5 turn the wheel one notch up and down."""
        # Pauses let the program see the pointer before and after the press.
        xdotool("mousemove", "--window", self.win.id, x, y, "sleep", 0.1, "click", button, "sleep", 0.1)

    def drag(self, x0, y0, x1, y1):
        xdotool("mousemove", "--window", self.win.id, x0, y0, "sleep", 0.2, "mousedown", 1, "sleep", 0.2,
                "mousemove", "--window", self.win.id, x1, y1, "sleep", 0.2, "mouseup", 1, "sleep", 0.1)

    def close(self):
        """Asks the program to close, as a window manager's close button does."""
        self.win.send_event(event.ClientMessage(window=self.win, client_type=_x.intern_atom("WM_PROTOCOLS"), data=(
            32, [_x.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])))
        _x.flush()

    def abandoned_drop(self):
        """Starts a drop whose source window is gone before the program answers it."""
        atom = _x.intern_atom
        source = _x.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
        at = _x.screen().root.translate_coords(self.win, self.size[0] - 40, self.size[1] - 20)
        for kind, data in (("XdndEnter", [5 << 24, atom("text/uri-list"), 0, 0]),
                           ("XdndPosition", [0, at.x << 16 | at.y, X.CurrentTime, atom("XdndActionCopy")])):
            self.win.send_event(event.ClientMessage(window=self.win, client_type=atom(kind),
                                                    data=(32, [source.id] + data)))
        source.destroy()
        _x.flush()

    def drop(self, paths):
        """Drops files on the window through XDnD; returns once the program has
        taken them (XdndFinished), with all that it printed for them out."""
        atom = _x.intern_atom
        source = _x.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
        source.set_selection_owner(atom("XdndSelection"), X.CurrentTime)
        uris = "".join("file://%s\r\n" % urllib.parse.quote(p) for p in paths).encode()
        at = _x.screen().root.translate_coords(self.win, self.size[0] - 40, self.size[1] - 20)
        for kind, data in (("XdndEnter", [5 << 24, atom("text/uri-list"), 0, 0]),
                           ("XdndPosition", [0, at.x << 16 | at.y, X.CurrentTime, atom("XdndActionCopy")]),
                           ("XdndDrop", [0, X.CurrentTime, 0, 0])):
            self.win.send_event(event.ClientMessage(window=self.win, client_type=atom(kind),
                                                    data=(32, [source.id] + data)))
        _x.flush()

        def finished():  # serves the program's request for the paths meanwhile
            while self.running() and _x.pending_events():
                e = _x.next_event()
                if e.type == X.SelectionRequest:
                    e.requestor.change_property(e.property, e.target, 8, uris)
                    e.requestor.send_event(event.SelectionNotify(time=e.time, requestor=e.requestor, target=e.target,
                                                                 selection=e.selection, property=e.property))
                elif e.type == X.ClientMessage and e.client_type == atom("XdndFinished"):
                    return True
        wait_for(finished, lambda: "the end of a drop" + self.describe(), 60)
        source.destroy()

    def learn_glyphs(self, name="FileToolHpExUsNwkDIrunmfdaAb.dpx", sample="openimageio-rgb10-le.dpx"):
        """Drops a file as number 1 (no other may be open); its window's title,
        the path, teaches the glyphs of its letters (by default those of the
        menus' labels)."""
        path = self.add(name, sample)
        self.drop([path])
        shot = self.wait_shot(lambda s: 1 in s.ink(91 + 7 * len(path) - 21, 30, 14), "the title of " + path)
        return Glyphs(shot, 91, 23, path)

    def open_menu(self, glyphs, menu, item):
        """Opens a main menu; returns (shot, where `item`'s label starts)."""
        self.click(MENUS[menu] + 14, 10)
        find = lambda s: glyphs.find(s, " %s " % item, MENUS[menu] - 8, 27)  # noqa: E731
        shot = self.wait_shot(find, "%r in the %s menu" % (item, menu))
        x, y = find(shot)
        return shot, (x + 7, y)

    def choose(self, glyphs, menu, item):
        _, at = self.open_menu(glyphs, menu, item)
        self.click(at[0] + 7 * len(item) // 2, at[1] + 7)


def checked(shot, at, label):
    """Whether the menu item whose label starts at `at` shows its check mark:
    ink right of the label, before the popup's border (its first colour that
    is not a grey)."""
    x, y = at[0] + 7 * len(label) + 7, at[1] + 7
    while len(set(shot(x, y))) == 1:
        if min(shot(x, y)) >= 100:
            return True
        x += 1
    return False
