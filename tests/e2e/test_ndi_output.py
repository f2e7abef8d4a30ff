"""NDI output of the real program, recorded by the stand-in runtime: what the
program asks of the runtime at start, the frames the focused File window
sends (checked against a checksum worked out here from the file), the Tool
menu toggle, losing the focus, the shutdown at exit, and what the program says
when the runtime is missing, of the wrong kind or fails to start."""

import collections
import math
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from tessa_e2e import App, MENU_FILE, MENU_TOOL, data_dir, is_text, text_boxes  # noqa: E402

RGB8 = "imagemagick-rgb8-be.dpx"
RGB10 = "imagemagick-rgb10-be.dpx"
QUIET = 0.6  # seconds of unthrottled frames that must send nothing
INT64_MAX = 2 ** 63 - 1  # the "synthesize" timecode
UNAVAILABLE = "NDI output unavailable"
SANITIZER_MARKS = ("AddressSanitizer", "LeakSanitizer", "runtime error:", "UndefinedBehaviorSanitizer")

# Title bar colours of Dear ImGui's default dark style.
TITLE_FOCUSED = (41, 74, 122)
TITLE_UNFOCUSED = (10, 10, 10)
# Where the File window of file number `index` opens, and a row of its title
# bar above the title text.
TITLE_ROW = 22


def window_left(index):
    return 20 + (index * 50) % 1280


def standin_dir():
    path = os.environ.get("TESSA_NDI_STANDIN")
    if not path or not os.path.exists(os.path.join(path, "libndi.so.6")):
        raise unittest.SkipTest("TESSA_NDI_STANDIN names no stand-in runtime")
    return path


def partial_dir():
    path = os.path.join(standin_dir(), "partial")
    if not os.path.exists(os.path.join(path, "libndi.so.5")):
        raise unittest.SkipTest("no stand-in without NDIlib_destroy under %s" % path)
    return path


def system_has_runtime():
    try:
        out = subprocess.run(["/sbin/ldconfig", "-p"], capture_output=True, text=True, timeout=20).stdout
    except (OSError, subprocess.SubprocessError):
        return False
    return bool(re.search(r"\blibndi\.so\.[456]\b", out))


def fnv1a(data):
    h = 0xcbf29ce484222325
    for b in data:
        h = ((h ^ b) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h


def preview(name):
    """(width, height, checksum) of the RGBA preview of a big-endian 8-bit or
    10-bit (filled, method A) RGB peer file, worked out here from its bytes:
    each pixel is (R, G, B, 255) with 8-bit channels, rows top to bottom."""
    with open(os.path.join(data_dir(), name), "rb") as f:
        data = f.read()
    if data[:4] != b"SDPX":
        raise ValueError("%s is not a big-endian DPX file" % name)
    offset, = struct.unpack_from(">I", data, 4)
    width, height = struct.unpack_from(">II", data, 772)
    descriptor, bits = data[780 + 20], data[780 + 23]
    if descriptor != 50 or bits not in (8, 10):
        raise ValueError("%s: descriptor %d, %d bits; RGB of 8 or 10 bits wanted" % (name, descriptor, bits))
    rgba = bytearray()
    for i in range(width * height):
        if bits == 8:
            r, g, b = data[offset + 3 * i:offset + 3 * i + 3]
        else:
            w, = struct.unpack_from(">I", data, offset + 4 * i)
            r, g, b = w >> 24, (w >> 14) & 0xFF, (w >> 4) & 0xFF
        rgba += bytes((r, g, b, 255))
    return width, height, fnv1a(rgba)


def fields(line):
    """{key: value} of a recorded call's "key=value" words (the metadata
    text, which has spaces of its own, is left out)."""
    head = line.split(" data=<", 1)[0]
    return dict(w.split("=", 1) for w in head.split()[1:])


def expected_frame(name):
    width, height, checksum = preview(name)
    return {"instance": "1", "xres": str(width), "yres": str(height), "fourcc": "0x41424752",
            "rate": "30000/1001", "aspect": "%.7f" % (width / height), "format": "0",
            "timecode": str(INT64_MAX), "stride": str(width * 4), "checksum": checksum}


def title_colour(shot, index):
    """Most common colour of a row of the title bar of File window `index`,
    over the part that later windows (50 px further right) leave visible."""
    left = window_left(index)
    row = collections.Counter(shot(x, TITLE_ROW) for x in range(left + 2, left + 46))
    return row.most_common(1)[0][0]


# ---------------------------------------------------------------- menu text

def ink(shot, box):
    """Bright pixels of a word, relative to the word's own ink box: the same
    set for the same glyphs whatever their colour (white or disabled grey)."""
    x0, y0, x1, y1 = box
    points = [(x, y) for x in range(x0, x1 + 1) for y in range(y0 - 3, y1 + 4) if min(shot(x, y)) >= 90]
    if not points:
        return frozenset()
    ox, oy = min(p[0] for p in points), min(p[1] for p in points)
    return frozenset((x - ox, y - oy) for x, y in points)


def layout(text):
    """(first cell, cells) of each word of a line in a fixed-width font."""
    return [(m.start(), len(m.group())) for m in re.finditer(r"\S+", text)]


def words_on(shot, line):
    x0, y0, x1, y1 = line
    return text_boxes(shot, x0 - 2, y0 - 1, x1 + 2, y1 + 2, gap_x=6)


def screen_layout(words, advance):
    """layout() of a line read from the screen with this glyph advance."""
    return [(int(round((w[0] - words[0][0]) / advance)), int(math.ceil((w[2] - w[0] + 1) / advance)))
            for w in words]


class NdiCase(unittest.TestCase):

    def start(self, env=None):
        handle, self.record = tempfile.mkstemp(prefix="tessa-ndi-", suffix=".txt")
        os.close(handle)
        self.addCleanup(os.remove, self.record)
        self.app = App(env=dict(env or {}, NDI_STANDIN_RECORD=self.record))
        self.addCleanup(self.app.stop)
        self.app.start()
        return self.app

    def calls(self):
        with open(self.record) as f:
            return f.read().splitlines()

    def frames(self):
        return [c for c in self.calls() if c.startswith("send_video ")]

    def wait_frames_of(self, name, count=3, timeout=10.0):
        """Waits for `count` new frames, the last one with the preview of
        `name`; returns the new frame lines."""
        checksum = preview(name)[2]
        seen = len(self.frames())
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.assertTrue(self.app.running(), self.app.describe())
            new = self.frames()[seen:]
            if len(new) >= count and new[-1].endswith(" checksum=" + checksum):
                return new
            time.sleep(0.05)
        self.fail("no %d frames ending with one of %s (checksum %s) within %.0f s; last: %r"
                  % (count, name, checksum, timeout, (self.frames() or ["none"])[-1]))

    def assert_quiet(self, why):
        before = len(self.frames())
        time.sleep(QUIET)
        self.assertTrue(self.app.running(), self.app.describe())
        self.assertEqual(len(self.frames()), before, "frames were sent while " + why)

    def drop(self, name):
        path = self.app.add_file(name, source=os.path.join(data_dir(), name))
        self.app.drop([path])
        self.app.wait_for_output("^" + re.escape("created workset for " + path) + r" \(index=\d+\)$")

    def wait_title(self, index, colour, what):
        """Waits for File window `index` to show its title bar in `colour`."""
        try:
            self.app.wait_for_screen(lambda s: title_colour(s, index) == colour, timeout=5,
                                     box=(0, 0, 1280, 40), what=what)
        except TimeoutError as e:
            self.fail(str(e))

    def tool_menu(self):
        """(shot, line boxes) of the open Tool menu; closes it again."""
        lines = self.app.open_menu(MENU_TOOL)
        shot = self.app.screenshot((0, 0, 500, 120))
        self.app.click(1200, 650)
        return shot, lines

    def exit_by_menu(self):
        self.app.choose_menu(MENU_FILE, 0)
        self.assertEqual(self.app.wait_exit(20), 0, self.app.describe())
        marks = [m for m in SANITIZER_MARKS if m in self.app.stderr]
        self.assertEqual(marks, [], self.app.describe())

    def unavailable_lines(self):
        return [l for l in self.app.stderr.splitlines() if l.startswith(UNAVAILABLE)]

    def assert_status_line(self, text):
        """The Tool menu shows the toggle and, under it, `text` as a disabled
        item: dimmer than the toggle, its words laid out as in `text`, its
        first word drawn like the toggle's last one ("NDI")."""
        shot, lines = self.tool_menu()
        self.assertEqual(len(lines), 2, "toggle and status line in the Tool menu, found %r" % (lines,))
        toggle, status = lines
        self.assertGreater(status[1], toggle[3], "status line below the toggle")
        brightest = max(max(shot(x, y)) for x in range(status[0], status[2] + 1)
                        for y in range(status[1], status[3] + 1))
        self.assertLess(brightest, 220, "status line drawn as bright as an enabled item")
        toggle_words, status_words = words_on(shot, toggle), words_on(shot, status)
        # "Use NewTek NDI": the third word starts 11 cells after the first.
        self.assertGreaterEqual(len(toggle_words), 3, toggle_words)
        advance = (toggle_words[2][0] - toggle_words[0][0]) / 11
        self.assertTrue(6 <= advance <= 9, "glyph advance %.2f from the toggle's words" % advance)
        self.assertEqual(screen_layout(status_words, advance), layout(text),
                         "status line's words (first cell, cells) for %r" % text)
        self.assertEqual(ink(shot, status_words[0]), ink(shot, toggle_words[2]),
                         "status line does not start with the toggle's last word")


class TestWithStandIn(NdiCase):

    def setUp(self):
        self.start({"NDI_RUNTIME_DIR_V6": standin_dir()})

    def test_start_up_frames_of_the_focused_window_and_focus_lost_to_the_background(self):
        self.assertEqual(self.unavailable_lines(), [])
        _, lines = self.tool_menu()
        self.assertEqual(len(lines), 1, "no status line under the toggle: %r" % (lines,))
        calls = self.calls()
        self.assertEqual(len(calls), 3, calls)
        self.assertEqual(calls[:2], ["initialize",
                                     "send_create name=Tessaview groups=(null) clock_video=1 clock_audio=0"])
        m = re.match(r"^add_connection_metadata instance=1 length=(\d+) timecode=(-?\d+) data=(.*)$", calls[2])
        self.assertIsNotNone(m, calls[2])
        self.assertEqual(int(m.group(2)), INT64_MAX, "metadata timecode")
        self.assertEqual(int(m.group(1)), len(m.group(3).encode()), "metadata length")
        self.assertRegex(m.group(3), r'^<ndi_product long_name="[^"]+" .*/>$')
        self.assert_quiet("no file was open")

        # The new window takes the focus and sends its preview every frame.
        self.drop(RGB8)
        self.wait_title(1, TITLE_FOCUSED, "the dropped file's window focused")
        new = self.wait_frames_of(RGB8, count=5)
        want = expected_frame(RGB8)
        self.assertEqual(want["aspect"], "2.0000000")
        for line in self.frames():
            got = fields(line)
            self.assertEqual({k: got.get(k) for k in want}, want, line)
        # The frames point at the preview itself: the same buffer every time.
        self.assertEqual(len({fields(f)["data"] for f in new}), 1, new)

        # A second window takes the focus and the frames; a click on the first
        # window's title bar (left of the second) brings them back.
        self.drop(RGB10)
        self.wait_title(2, TITLE_FOCUSED, "the second window focused")
        self.wait_title(1, TITLE_UNFOCUSED, "the first window no longer focused")
        new = self.wait_frames_of(RGB10)
        self.assertEqual({k: fields(new[-1]).get(k) for k in expected_frame(RGB10)}, expected_frame(RGB10))
        self.app.click(95, 29)
        self.wait_title(1, TITLE_FOCUSED, "the first window focused again")
        self.wait_frames_of(RGB8)
        for line in self.frames():
            self.assertIn(fields(line)["checksum"], (preview(RGB8)[2], preview(RGB10)[2]), line)

        # The empty background takes the focus from every window.
        self.app.click(1200, 650)
        self.wait_title(1, TITLE_UNFOCUSED, "the first window unfocused by a click on the background")
        self.assert_quiet("no window had the focus")
        self.app.click(95, 29)
        self.wait_frames_of(RGB8)

    def test_tool_toggle_stops_and_resumes_the_frames(self):
        # With no window under the popup yet, the toggle's line is read whole:
        # its words, then the check mark at the popup's right end.
        shot, lines = self.tool_menu()
        words = words_on(shot, lines[0])
        self.assertEqual(len(words), 4, "Use NewTek NDI and a check mark, found %r" % (words,))
        mark = words[3]
        self.assertGreater(mark[0], words[2][2] + 10, "check mark apart from the text: %r" % (words,))

        def marked(shot):
            x0, y0, x1, y1 = mark
            return any(is_text(shot(x, y)) for x in range(x0, x1 + 1) for y in range(y0, y1 + 1))

        self.drop(RGB8)
        self.wait_frames_of(RGB8)

        # Opening the menu takes the focus; the title bar click gives it back,
        # so that only the toggle can keep the window from sending.
        self.app.choose_menu(MENU_TOOL, 0)
        self.app.click(95, 29)
        self.wait_title(1, TITLE_FOCUSED, "the window focused with the toggle off")
        self.assert_quiet("Use NewTek NDI was off")
        self.assertFalse(marked(self.tool_menu()[0]), "check mark still shown after unchecking")

        self.app.choose_menu(MENU_TOOL, 0)
        self.app.click(95, 29)
        self.wait_title(1, TITLE_FOCUSED, "the window focused with the toggle on again")
        self.wait_frames_of(RGB8)
        self.assertTrue(marked(self.tool_menu()[0]), "no check mark after checking again")

    def test_exit_destroys_the_sender_then_the_runtime(self):
        self.drop(RGB8)
        self.wait_frames_of(RGB8)
        self.exit_by_menu()
        calls = self.calls()
        self.assertEqual(calls[-2:], ["send_destroy instance=1", "destroy"])
        others = collections.Counter(c.split()[0] for c in calls if not c.startswith("send_video "))
        self.assertEqual(others, {"initialize": 1, "send_create": 1, "add_connection_metadata": 1,
                                  "send_destroy": 1, "destroy": 1}, calls[:3] + calls[-3:])


class TestWithoutRuntime(NdiCase):

    def check_not_found(self, env=None):
        """Starts without a usable runtime: one stderr line, the status line,
        a focused window that sends nothing, and no call into any library."""
        self.start(env)
        lines = self.unavailable_lines()
        self.assertEqual(len(lines), 1, self.app.stderr)
        self.assertTrue(lines[0].startswith(UNAVAILABLE + ": runtime not found"), lines[0])
        self.assert_status_line("NDI runtime not found")
        self.drop(RGB8)
        self.wait_title(1, TITLE_FOCUSED, "the dropped file's window focused")
        time.sleep(QUIET)
        self.exit_by_menu()
        self.assertEqual(self.calls(), [])

    def test_none_found_says_so_on_stderr_and_in_the_tool_menu(self):
        if system_has_runtime():
            self.skipTest("this system has an NDI runtime of its own")
        self.check_not_found()

    def test_runtime_without_the_six_functions_counts_as_not_found(self):
        # The stand-in built without NDIlib_destroy loads, but nothing in it is called.
        self.check_not_found({"NDI_RUNTIME_DIR_V6": partial_dir()})


class TestRuntimeFailingToStart(NdiCase):

    def failing(self, call):
        self.start({"NDI_RUNTIME_DIR_V6": standin_dir(), "NDI_STANDIN_FAIL": call})
        self.assertEqual(self.unavailable_lines(), [UNAVAILABLE + ": the runtime failed to start"],
                         self.app.stderr)
        self.assert_status_line("NDI runtime not started")
        self.drop(RGB8)
        self.wait_title(1, TITLE_FOCUSED, "the dropped file's window focused")
        self.assert_quiet("the runtime had failed to start")
        self.exit_by_menu()
        self.assertEqual(self.frames(), [])
        return self.calls()

    def test_failed_initialize_sends_nothing_and_still_shuts_down(self):
        self.assertEqual(self.failing("initialize"), ["initialize", "destroy"])

    def test_failed_sender_creation_sends_nothing_and_destroys_no_sender(self):
        self.assertEqual(self.failing("create"),
                         ["initialize", "send_create name=Tessaview groups=(null) clock_video=1 clock_audio=0",
                          "destroy"])


if __name__ == "__main__":
    unittest.main()
