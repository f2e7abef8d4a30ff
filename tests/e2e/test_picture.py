"""A File window's menu bar: the Picture window upright and zooming, the checks
count in its colour; and the memory bound on previews."""
import os
import struct
import unittest

from tessa_e2e import BG, DATA, App, created, wait_for
from test_file_window import BLUE, GREEN, QUADRANTS, RED, WHITE, left, wait_picture

MIB = 1 << 20


def boxes(shot, area, colours):
    """Per colour: (left, top, right, bottom, samples) of its exact pixels in the area, or None."""
    found = {c: [] for c in colours}
    for y in range(area[1], area[3], 3):
        for x in range(area[0], area[2], 3):
            found.get(shot(x, y), []).append((x, y))
    return [(min(x for x, _ in p), min(y for _, y in p), max(x for x, _ in p), max(y for _, y in p), len(p))
            if p else None for p in found.values()]


def centre(box):
    return ((box[0] + box[2]) // 2, (box[1] + box[3]) // 2)


class TestPicture(unittest.TestCase):

    def test_menu_bar_opens_the_picture_upright_and_the_wheel_zooms(self):
        app = App(self)
        app.drop([app.add("bottom-up.dpx", "oiio-rgb10-orient-bottomup.dpx")])
        wait_picture(app, 1, QUADRANTS)  # the preview as stored: red at the top left
        # After "Picture" in the menu bar, the count of findings: "No findings", in green.
        app.wait_shot(lambda s: any(g > r + 60 and g > b + 60 for x in range(left(1) + 70, left(1) + 160)
                                    for r, g, b in [s(x, 49)]), "a green checks count in the menu bar")
        app.click(left(1) + 30, 49)
        area = (left(1) + 45, 100, left(1) + 800, 615)

        def upright(s):  # orientation 2 applied: blue and white above, red and green below
            red, green, blue, white = found = boxes(s, area, (RED, GREEN, BLUE, WHITE))
            return all(found) and centre(red)[1] > centre(blue)[1] and centre(red)[0] < centre(green)[0] and \
                centre(white)[1] < centre(green)[1] and found
        red = app.wait_shot(upright, "the Picture window's quadrants upright") and upright(app.shot())[0]
        # Three notches up over the red quadrant: it takes more of the window.
        for _ in range(3):
            app.click(*centre(red), button=4)
        app.wait_shot(lambda s: (b := boxes(s, area, (RED,))[0]) and b[4] > 1.5 * red[4],
                      "the red quadrant zoomed")
        app.close()
        self.assertEqual(app.wait_exit(), 0)


class TestMemoryBound(unittest.TestCase):

    def test_twelve_small_files_of_huge_pictures(self):
        app = App(self)
        with open(os.path.join(DATA, "imagemagick-rgb8-be.dpx"), "rb") as f:
            header = bytearray(f.read(2048))
        struct.pack_into(">I", header, 4, 2048)
        struct.pack_into(">I", header, 16, 2080)
        struct.pack_into(">II", header, 772, 16384, 16384)
        struct.pack_into(">I", header, 780 + 28, 2048)
        data = bytes(header) + bytes(32)
        paths = [app.add("huge %02d.dpx" % i, data=data) for i in range(1, 13)]
        with open("/proc/meminfo") as f:
            limit = min(3072 * MIB, int(f.readline().split()[1]) * 1024 // 4)
        previews = 1 if limit >= 2048 * MIB else 0  # a 16384 x 16384 preview takes 2 GiB
        app.drop(paths)
        self.assertEqual(app.out().splitlines(), [created(p, i) for i, p in enumerate(paths, 1)])
        refused = lambda: [l for l in app.out("err").splitlines() if ": No preview: it needs 2048 MiB, " in l]  # noqa
        wait_for(lambda: app.running() and len(refused()) == 12 - previews, lambda: "refusals" + app.describe(), 120)
        self.assertEqual([l.split(": No preview")[0] for l in refused()], paths[previews:])
        app.wait_shot(lambda s: all(s(x, y) != BG for x in (left(11) + 525, left(12) + 515) for y in (22, 400)),
                      "all twelve windows drawn")
        with open("/proc/%d/status" % app.proc.pid) as f:
            peak = next(int(line.split()[1]) * 1024 for line in f if line.startswith("VmHWM:"))
        self.assertLess(peak, limit + 12 * len(data), "peak %d MiB, bound %d MiB" % (peak // MIB, limit // MIB))
        app.close()
        self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
