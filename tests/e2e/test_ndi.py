"""NDI output, recorded by the stand-in runtime (tests/ndi_standin), and what
the program does without a usable runtime."""
import collections
import os
import pathlib
import re
import struct
import subprocess
import time
import unittest

from tessa_e2e import FOCUSED, UNFOCUSED, App, checked, wait_for

STANDIN = os.environ["TESSA_NDI_STANDIN"]
INT64_MAX = 2 ** 63 - 1  # "synthesize the time code"
CREATE = "send_create name=Tessaview groups=(null) clock_video=1 clock_audio=0"
METADATA = "<ndi_product %s/>" % (" " * 14).join((
    'long_name="NDILib Send Example."', 'short_name="NDILib Send"', 'manufacturer="CoolCo, inc."',
    'version="1.000.000"', 'session="default"', 'model_name="S1"', 'serial="ABCDEFG"'))
QUIET = 0.6  # seconds of frames at full speed in which nothing may be sent
TOGGLE = "Use NewTek NDI"


def frame(width, height, pixels):
    """The fields of a recorded send_video of an RGBA picture (FNV-1a of its bytes)."""
    checksum = 0xcbf29ce484222325
    for byte in pixels:
        checksum = ((checksum ^ byte) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    aspect = struct.unpack("f", struct.pack("f", width / height))[0]
    return {"instance": "1", "xres": str(width), "yres": str(height), "fourcc": "0x41424752", "rate": "30000/1001",
            "aspect": "%.7f" % aspect, "format": "0", "timecode": str(INT64_MAX), "stride": str(4 * width),
            "checksum": "%016x" % checksum}


# Window 1: a peer file's quadrants. Window 2: 37 x 19 packed 10-bit RGB, which
# has no converter: all fallback colour.
QUADRANTS = frame(32, 16, b"".join(bytes(((255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255))[
    2 * (y >= 8) + (x >= 16)]) + b"\xff" for y in range(16) for x in range(32)))
FALLBACK = frame(37, 19, bytes((0, 0, 240, 255)) * 37 * 19)


class NdiCase(unittest.TestCase):

    def calls(self):
        record = pathlib.Path(self.app.path("calls"))
        return record.read_text().splitlines() if record.exists() else []

    def frames(self):
        """(fields, pixel pointer) of each frame sent so far."""
        sent = [dict(w.split("=", 1) for w in c.split()[1:]) for c in self.calls() if c.startswith("send_video ")]
        return [(f, f.pop("data")) for f in sent]

    def wait_frames(self, want):
        """Waits for 3 more frames, the last one `want`; returns its pointer."""
        seen = len(self.frames())
        return wait_for(lambda: self.app.running() and len(f := self.frames()) >= seen + 3 and f[-1][0] == want
                        and f[-1][1], "frames of %r%s" % (want, self.app.describe()))

    def assert_quiet(self, why):
        before = len(self.frames())
        time.sleep(QUIET)
        self.assertTrue(self.app.running())
        self.assertEqual(len(self.frames()), before, "frames sent while " + why)

    def focus(self, x, colour):
        """Clicks at (x, 29) and waits for window 1's title bar to show `colour`."""
        self.app.click(x, 29)
        self.app.wait_shot(lambda s: s(100, 22) == colour, "window 1's title bar in %r" % (colour,))

    def file_exit(self, glyphs):
        self.app.choose(glyphs, "File", "Exit")
        self.assertEqual(self.app.wait_exit(), 0)


class TestStandIn(NdiCase):

    def test_start_frames_of_the_focused_window_toggle_and_shutdown(self):
        app = self.app = App(self, {"NDI_RUNTIME_DIR_V6": STANDIN, "NDI_STANDIN_RECORD": "{dir}/calls"})
        self.assertNotIn("NDI output unavailable", app.out("err"))
        self.assertEqual(self.calls(), ["initialize", CREATE, "add_connection_metadata instance=1 length=249 "
                                        "timecode=%d data=%s" % (INT64_MAX, METADATA)])
        self.assert_quiet("no file was open")

        # Each new window takes the focus and sends its preview, from one buffer.
        glyphs = app.learn_glyphs()
        p1 = self.wait_frames(QUADRANTS)
        app.drop([app.add("odd.dpx", "odd37-oiio-rgb10-packed.dpx")])
        app.wait_shot(lambda s: s(150, 22) == FOCUSED and s(100, 22) == UNFOCUSED, "window 2 focused")
        p2 = self.wait_frames(FALLBACK)
        self.assertNotEqual(p1, p2)
        self.focus(95, FOCUSED)  # window 1's title bar
        self.assertEqual(self.wait_frames(QUADRANTS), p1)
        self.assertEqual({(f["checksum"], p) for f, p in self.frames()},
                         {(QUADRANTS["checksum"], p1), (FALLBACK["checksum"], p2)})
        self.focus(1200, UNFOCUSED)  # the background takes the focus from every window
        self.assert_quiet("no window had the focus")

        # Off and on again; opening the menu takes the focus, a click gives it back.
        shot, at = app.open_menu(glyphs, "Tool", TOGGLE)
        self.assertTrue(checked(shot, at, TOGGLE))
        self.assertIsNone(glyphs.find(shot, " NDI runtime not", at[0] - 7, at[1] + 17))
        for on in (False, True):
            app.click(at[0] + 49, at[1] + 7)
            self.focus(95, FOCUSED)
            if on:
                self.wait_frames(QUADRANTS)
            else:
                self.assert_quiet("the toggle was off")
            shot, at = app.open_menu(glyphs, "Tool", TOGGLE)
            self.assertEqual(checked(shot, at, TOGGLE), on)
        app.click(1200, 650)

        self.file_exit(glyphs)
        calls = self.calls()
        self.assertEqual(calls[-2:], ["send_destroy instance=1", "destroy"])
        self.assertEqual(collections.Counter(c.split()[0] for c in calls if not c.startswith("send_video ")),
                         dict.fromkeys(("initialize", "send_create", "add_connection_metadata", "send_destroy",
                                        "destroy"), 1))


class TestWithoutRuntime(NdiCase):
    CASES = (  # name, environment, line on stderr, line in the Tool menu, calls into the runtime
        ("none", {}, "runtime not found .+", "NDI runtime not found", []),
        ("initialize fails", {"NDI_RUNTIME_DIR_V6": STANDIN, "NDI_STANDIN_FAIL": "initialize"},
         "the runtime failed to start", "NDI runtime not started", ["initialize", "destroy"]),
        ("no sender", {"NDI_RUNTIME_DIR_V6": STANDIN, "NDI_STANDIN_FAIL": "create"},
         "the runtime failed to start", "NDI runtime not started", ["initialize", CREATE, "destroy"]),
    )

    def test_one_line_on_stderr_one_in_the_menu_and_nothing_sent(self):
        for name, env, line, status, calls in self.CASES:
            with self.subTest(name):
                if not env and "libndi.so" in subprocess.run(["/sbin/ldconfig", "-p"], capture_output=True,
                                                              text=True).stdout:
                    self.skipTest("the system has an NDI runtime")
                app = self.app = App(self, dict(env, NDI_STANDIN_RECORD="{dir}/calls"))
                err = [l for l in app.out("err").splitlines() if l.startswith("NDI output unavailable")]
                self.assertEqual(len(err), 1, err)
                self.assertTrue(re.fullmatch("NDI output unavailable: " + line, err[0]), err)
                glyphs = app.learn_glyphs()
                app.wait_shot(lambda s: s(100, 22) == FOCUSED, "window 1 focused")
                time.sleep(QUIET)  # a focused window would send now
                shot, at = app.open_menu(glyphs, "Tool", TOGGLE)
                self.assertTrue(checked(shot, at, TOGGLE))
                x, y = glyphs.find(shot, " %s " % status, at[0] - 7, at[1] + 17, reach=1)
                self.assertLess(max(max(shot(x + i, y + j)) for i in range(7 * len(status)) for j in range(14)),
                                200, "status line drawn dimmer, disabled")
                app.click(1200, 650)
                self.file_exit(glyphs)
                self.assertEqual(self.calls(), calls)


if __name__ == "__main__":
    unittest.main()
