"""NDI output of the real program, recorded by the stand-in runtime."""

import os
import re
import struct
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from tessa_e2e import App, MENU_FILE, MENU_TOOL, data_dir  # noqa: E402

RGB8 = "imagemagick-rgb8-be.dpx"
RGB10 = "imagemagick-rgb10-be.dpx"
QUIET = 0.5  # seconds of unthrottled frames that must send nothing


def standin_dir():
    path = os.environ.get("TESSA_NDI_STANDIN")
    if not path or not os.path.exists(os.path.join(path, "libndi.so.6")):
        raise unittest.SkipTest("TESSA_NDI_STANDIN names no stand-in runtime")
    return path


def fnv1a(data):
    h = 0xcbf29ce484222325
    for b in data:
        h = ((h ^ b) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h


def preview(name):
    """(width, height, checksum) of the RGBA preview of a big-endian 8-bit or
    10-bit RGB peer file, worked out here from the file's bytes."""
    with open(os.path.join(data_dir(), name), "rb") as f:
        data = f.read()
    offset, = struct.unpack_from(">I", data, 4)
    width, height = struct.unpack_from(">II", data, 772)
    bits = data[780 + 23]
    rgba = bytearray()
    for i in range(width * height):
        if bits == 8:
            r, g, b = data[offset + 3 * i:offset + 3 * i + 3]
        else:
            w, = struct.unpack_from(">I", data, offset + 4 * i)
            r, g, b = w >> 24, (w >> 14) & 0xFF, (w >> 4) & 0xFF
        rgba += bytes((r, g, b, 255))
    return width, height, fnv1a(rgba)


class NdiCase(unittest.TestCase):
    env = {}

    def setUp(self):
        handle, self.record = tempfile.mkstemp(prefix="tessa-ndi-", suffix=".txt")
        os.close(handle)
        self.addCleanup(os.remove, self.record)
        self.app = App(env=dict(self.env, NDI_STANDIN_RECORD=self.record))
        self.addCleanup(self.app.stop)
        self.app.start()

    def calls(self):
        with open(self.record) as f:
            return f.read().splitlines()

    def frames(self):
        return [c for c in self.calls() if c.startswith("send_video ")]

    def wait_frames_of(self, name, timeout=10.0):
        """Waits for a new frame with the preview of `name`; returns its line."""
        width, height, checksum = preview(name)
        seen = len(self.frames())
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            new = self.frames()[seen:]
            if new and new[-1].endswith("checksum=" + checksum):
                return new[-1]
            time.sleep(0.05)
        self.fail("no frame of %s (checksum %s) within %.0f s; last: %r"
                  % (name, checksum, timeout, (self.frames() or ["none"])[-1]))

    def assert_quiet(self, why):
        before = len(self.frames())
        time.sleep(QUIET)
        self.assertEqual(len(self.frames()), before, "frames were sent while " + why)

    def drop(self, name):
        path = self.app.add_file(name, source=os.path.join(data_dir(), name))
        self.app.drop([path])
        self.app.wait_for_output(re.escape("created workset for " + path))

    def menu_lines(self, menu):
        """The lines of a menu's popup; closes it again."""
        lines = self.app.open_menu(menu)
        self.app.click(1200, 650)
        return lines


class TestWithStandIn(NdiCase):

    @classmethod
    def setUpClass(cls):
        cls.env = {"NDI_RUNTIME_DIR_V6": standin_dir()}

    def test_focused_window_sends_its_preview_until_the_focus_or_the_toggle_goes(self):
        self.assertNotIn("NDI output unavailable", self.app.stderr)
        self.assertEqual(len(self.menu_lines(MENU_TOOL)), 1, "no status line under the toggle")
        calls = self.calls()
        self.assertEqual(calls[:2], ["initialize", "send_create name=Tessaview groups=(null) clock_video=1 "
                                                   "clock_audio=0"])
        self.assertRegex(calls[2], r"^add_connection_metadata instance=1 length=249 ")
        self.assert_quiet("no file was open")

        self.drop(RGB8)
        frame = self.wait_frames_of(RGB8)
        self.assertRegex(frame, r"^send_video instance=1 xres=32 yres=16 fourcc=0x41424752 rate=30000/1001 "
                                r"aspect=2.0000000 format=0 timecode=9223372036854775807 stride=128 ")
        # The frame points at the preview itself: the same buffer every time.
        data = {re.search(r" data=(\S+)", f).group(1) for f in self.frames()[-5:]}
        self.assertEqual(len(data), 1, data)

        # A second window takes the focus and the frames; a click on the first
        # window's title bar (left of the second) brings them back.
        self.drop(RGB10)
        self.wait_frames_of(RGB10)
        self.app.click(95, 29)
        self.wait_frames_of(RGB8)

        self.app.click(1200, 650)
        self.assert_quiet("no window had the focus")

        self.app.choose_menu(MENU_TOOL, 0)
        self.app.click(95, 29)
        self.assert_quiet("Use NewTek NDI was off")
        self.app.choose_menu(MENU_TOOL, 0)
        self.app.click(95, 29)
        self.wait_frames_of(RGB8)

    def test_exit_destroys_the_sender_then_the_runtime(self):
        self.drop(RGB8)
        self.wait_frames_of(RGB8)
        self.app.choose_menu(MENU_FILE, 0)
        self.assertEqual(self.app.wait_exit(20), 0, self.app.describe())
        self.assertEqual(self.calls()[-2:], ["send_destroy instance=1", "destroy"])


class TestWithoutRuntime(NdiCase):

    def test_runs_and_says_the_runtime_was_not_found(self):
        lines = [l for l in self.app.stderr.splitlines() if l.startswith("NDI output unavailable")]
        self.assertEqual(len(lines), 1, self.app.stderr)
        self.assertTrue(lines[0].startswith("NDI output unavailable: runtime not found"), lines[0])
        self.assertEqual(len(self.menu_lines(MENU_TOOL)), 2, "toggle and status line")
        self.drop(RGB8)
        self.assertEqual(self.calls(), [])
        self.app.choose_menu(MENU_FILE, 0)
        self.assertEqual(self.app.wait_exit(20), 0, self.app.describe())


class TestRuntimeFailingToStart(NdiCase):

    @classmethod
    def setUpClass(cls):
        cls.env = {"NDI_RUNTIME_DIR_V6": standin_dir(), "NDI_STANDIN_FAIL": "initialize"}

    def test_says_the_runtime_failed_and_sends_nothing(self):
        self.assertIn("NDI output unavailable: the runtime failed to start", self.app.stderr)
        self.assertEqual(len(self.menu_lines(MENU_TOOL)), 2, "toggle and status line")
        self.drop(RGB8)
        self.assert_quiet("the runtime had failed to start")
        self.assertEqual(self.frames(), [])
        self.app.choose_menu(MENU_FILE, 0)
        self.assertEqual(self.app.wait_exit(20), 0, self.app.describe())
        self.assertEqual(self.calls(), ["initialize", "destroy"])


if __name__ == "__main__":
    unittest.main()
