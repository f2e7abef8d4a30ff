"""A dropped folder stepped and played in its Sequence window's Picture
window: the frame number shown, the pictures sent to the stand-in NDI
runtime at the sequence's rate, missing and refused frames passed over."""
import os
import pathlib
import struct
import time
import unittest

from tessa_e2e import App, wait_for, xdotool

STANDIN = os.environ["TESSA_NDI_STANDIN"]
W, H = 64, 36
LAST, MISSING, REFUSED = 14, (7, 8), 11


def colour(n):
    return (8 * n, 255 - 8 * n, n)


def frame(n):
    """W x H pixels of 8-bit R, G, B, all of colour(n), at 24 frames per second."""
    header = bytearray(2048)
    struct.pack_into(">I4s", header, 0, 0x53445058, b"")
    struct.pack_into(">I", header, 4, 2048)
    header[8:12] = b"V2.0"
    struct.pack_into(">IIII", header, 16, 2048 + W * H * 3, 0, 1664, 384)
    struct.pack_into(">HHII", header, 768, 0, 1, W, H)
    header[800:804] = bytes((50, 2, 2, 8))  # descriptor R, G, B; linear; 8 bits
    struct.pack_into(">I", header, 808, 2048)  # the element's data offset
    struct.pack_into(">f", header, 1940, 24.0)
    return bytes(header) + bytes(colour(n)) * (W * H)


def checksum(n):
    """FNV-1a of the picture as RGBA, as the stand-in computes it."""
    h = 0xcbf29ce484222325
    for byte in bytes((*colour(n), 255)) * (W * H):
        h = ((h ^ byte) * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h


class TestPlayback(unittest.TestCase):

    def sent(self):
        """Frame numbers of the pictures sent so far, with their size and rate."""
        record = pathlib.Path(self.app.path("calls"))
        calls = record.read_text().splitlines() if record.exists() else []
        frames = [dict(w.split("=", 1) for w in c.split()[1:]) for c in calls if c.startswith("send_video ")]
        return [(self.numbers.get(f["checksum"], f["checksum"]), f["xres"], f["yres"], f["rate"]) for f in frames]

    def test_step_play_and_send(self):
        self.numbers = {checksum(n): n for n in range(1, LAST + 1)}
        app = self.app = App(self, {"NDI_RUNTIME_DIR_V6": STANDIN, "NDI_STANDIN_RECORD": "{dir}/calls"})
        glyphs = app.learn_glyphs(name="Frame0123456789.dpx")
        for n in range(1, LAST + 1):
            if n not in MISSING:
                app.add("shot/s.%02d.dpx" % n, data=b"not a frame" if n == REFUSED else frame(n))
        folder = app.path("shot")
        app.drop([folder])
        wait_for(lambda: "opened sequence s.[01-14].dpx (12 frames)" in app.out(), "the sequence" + app.describe())
        before = len(self.sent())

        # The Sequence window's menu bar: Picture. Its window takes the focus and sends frame 1.
        app.click(475, 88)
        wait_for(lambda: [s[0] for s in self.sent()[before:]] == [1], "frame 1 sent" + app.describe())
        xdotool("key", "--delay", 200, "Right", "Right", "Right", "Left")
        wait_for(lambda: [s[0] for s in self.sent()[before:]] == [1, 2, 3, 4, 3], "steps" + app.describe())
        find = lambda s: glyphs.find(s, "Frame 3 ", 28, 87)  # noqa: E731
        app.wait_shot(find, "the frame number after the steps" + app.describe())

        # Played for two seconds at 24 frames a second, round the loop. A key
        # is held long enough for a frame of the program to see it.
        xdotool("key", "--delay", 200, "space")
        time.sleep(2.0)
        xdotool("key", "--delay", 200, "k")
        time.sleep(0.5)
        played = self.sent()[before + 5:]
        numbers = [p[0] for p in played]
        self.assertGreater(len(numbers), 8, numbers)
        self.assertEqual({(str(W), str(H), "24/1")}, {p[1:] for p in played})
        self.assertFalse(set(numbers) & {*MISSING, REFUSED}, numbers)
        self.assertTrue({9, 10, 12} & set(numbers), "frames after the gap and the refused one: %s" % numbers)
        self.assertTrue(all(isinstance(n, int) for n in numbers), numbers)
        # Forwards, round the loop from the last frames to the first (a slow
        # machine passes over some).
        self.assertTrue(any(b < a for a, b in zip(numbers, numbers[1:])), numbers)
        self.assertTrue(all(a < b or (a > LAST - 3 and b < 4) for a, b in zip(numbers, numbers[1:])), numbers)
        # Paused: the frame shown is the last sent, or a missing or refused one after it.
        last = numbers[-1]
        shown = [last] + [n for n in range(last + 1, LAST) if all(m in (*MISSING, REFUSED) for m in range(last + 1, n + 1))]
        find = lambda s: any(glyphs.find(s, "Frame %d " % n, 28, 87) for n in shown)  # noqa: E731
        app.wait_shot(find, "frame %s shown once paused" % shown + app.describe())

        # Backwards with J, and End: the last frame.
        sent = len(self.sent())
        xdotool("key", "--delay", 200, "j")
        time.sleep(0.6)
        xdotool("key", "--delay", 200, "k", "End")
        wait_for(lambda: self.sent()[-1][0] == LAST, "the last frame after End" + app.describe())
        back = [p[0] for p in self.sent()[sent:-1]]
        self.assertTrue(back and all(b < a or (a < 4 and b > LAST - 3) for a, b in zip([last] + back, back)), back)
        app.close()
        self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
