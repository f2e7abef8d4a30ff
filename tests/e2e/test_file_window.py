"""File windows: placement by number, preview colours, hiding and showing
again, files without a preview slot, and the hostile corpus in one drop."""
import os
import subprocess
import unittest

from tessa_e2e import BG, FOCUSED, App, created, wait_for

RED, GREEN, BLUE, WHITE, FALLBACK = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255), (0, 0, 240)
QUADRANTS = (RED, GREEN, BLUE, WHITE)  # of every peer file: top left, top right, bottom left, bottom right
NOT_CONVERTED = ("ffmpeg-rgba8-le.dpx", "openimageio-rgb12-le.dpx")
# A 32 x 16 picture in a 520-pixel window: 485 x 260, in a 1-pixel frame.
FRAME = (487, 262)


def left(index):
    return 20 + index * 50 % 1280


def near(c, want, tol=6):
    return max(abs(a - b) for a, b in zip(c, want)) <= tol


def frame(shot, index):
    """(left, top, right, bottom) of the white frame round the picture of File
    window `index`, 8 pixels in from its left edge (right cut at the screen's)."""
    x = left(index) + 8
    top = next((y for y in range(40, 700) if near(shot(x, y), WHITE, 5)), None)
    if top is None or x >= 1280:
        return None
    right = next((r for r in range(x, 1279) if not near(shot(r + 1, top), WHITE, 5)), 1279)
    return (x, top, right, next(b for b in range(top, 719) if not near(shot(x, b + 1), WHITE, 5)))


def picture_errors(shot, fr, colours, alpha=255, edge=1280):
    """What is wrong with a framed picture of four quadrants (drawn with alpha
    over the window's background): their centres and outer corners, where a
    texture that wraps would take in the far side; those left of `edge` only."""
    x0, y0 = fr[:2]
    x1, y1 = x0 + FRAME[0] - 1, y0 + FRAME[1] - 1
    errors = [] if fr[2:] == (min(x1, edge - 1), y1) else ["frame %r, want %r" % (fr, (x0, y0, x1, y1))]
    for i, colour in enumerate(colours):
        c, r = i % 2, i // 2
        for x, y in (((x0 + 1 + (x1 - x0 - 1) * (2 * c + 1) // 4), y0 + 1 + (y1 - y0 - 1) * (2 * r + 1) // 4),
                     (x1 - 1 if c else x0 + 1, y1 - 1 if r else y0 + 1)):
            want = tuple(round((v * alpha + b * (255 - alpha)) / 255) for v, b in zip(colour, shot(x0 - 3, y)))
            if x < edge and not near(shot(x, y), want):
                errors.append("%r at %r, want %r" % (shot(x, y), (x, y), want))
    return errors


def wait_picture(app, index, colours, alpha=255):
    seen = {}

    def ok(shot):
        fr = seen["frame"] = frame(shot, index)
        seen["errors"] = picture_errors(shot, fr, colours, alpha) if fr else ["no picture frame"]
        return not seen["errors"]
    return app.wait_shot(ok, lambda: "the picture of window %d: %r" % (index, seen)), seen["frame"]


class TestFileWindows(unittest.TestCase):

    def test_placement_fallback_colour_hiding_and_showing_again(self):
        app = App(self)
        a, b, c = app.add("a.dpx", NOT_CONVERTED[0]), app.add("b.dpx", NOT_CONVERTED[1]), app.add("c.dpx")
        app.drop([a])
        shot, _ = wait_picture(app, 1, (FALLBACK,) * 4)
        # 520 x 700 at (70, 20), and nothing else drawn.
        self.assertEqual([shot(x, 300) != BG for x in (69, 70, 589, 590)], [False, True, True, False])
        self.assertEqual([shot(300, y) != BG for y in (19, 20, 719)], [False, True, True])
        self.assertEqual({shot(x, y) for x in range(0, 1280, 9) for y in range(20, 720, 9) if not 70 <= x < 590}, {BG})
        app.drop([b])
        _, fr = wait_picture(app, 2, (FALLBACK,) * 4)
        # Window 1's title bar shows it lost the focus a frame later.
        shot = app.wait_shot(lambda s: [s(x, 22) == FOCUSED for x in (119, 121, 638)] == [False, True, True],
                             "the title bar of window 2 from x = 120 and focused")
        self.assertEqual([shot(x, 300) != BG for x in (639, 640)], [True, False])
        self.assertEqual([shot(620, y) != BG for y in (19, 20)], [False, True])

        app.click(left(2) + 508, 29)  # its close button
        app.wait_shot(lambda s: {s(x, y) for x in (592, 620, 639) for y in (22, 300, 719)} == {BG}, "window 2 hidden")
        app.drop([b])
        self.assertEqual(wait_picture(app, 2, (FALLBACK,) * 4)[1], fr)
        app.drop([c])
        self.assertEqual(app.out().splitlines(),
                         [created(a, 1), created(b, 2), "found exising workset for " + b, created(c, 3)])


class TestManyFiles(unittest.TestCase):

    def test_files_from_100_on_show_no_picture(self):
        app = App(self)
        glyphs = app.learn_glyphs("No preview: 1.dpx", "imagemagick-rgba8-be.dpx")
        wait_picture(app, 1, QUADRANTS, 128)  # alpha 128, over nothing but the background
        paths = [app.path("No preview: 1.dpx")] + [app.add("many/frame %03d.dpx" % i) for i in range(2, 301)]
        app.drop(paths[1:99])
        # Window 99 (x = 1130) on top: the left half of its picture.
        _, fr = wait_picture(app, 99, QUADRANTS)

        def no_picture_but_text(s, index, x0):
            return (glyphs.find(s, "No preview: ", left(index) + 8, fr[1]) and
                    not any(near(s(x, y), p, 60) for x in range(x0, 1280, 4) for y in range(20, 720, 4)
                            for p in (RED, GREEN, BLUE, FALLBACK)))
        app.drop(paths[99:100])
        shot = app.wait_shot(lambda s: no_picture_but_text(s, 100, 1180), "window 100 without a picture")
        self.assertEqual(picture_errors(shot, frame(shot, 99), QUADRANTS, edge=1180), [])
        # 200 in one drop: windows 101 to 300 cover the screen, 300 on top at x = 940.
        app.drop(paths[100:])
        self.assertEqual(app.out().splitlines(), [created(p, i) for i, p in enumerate(paths, 1)])
        app.wait_shot(lambda s: no_picture_but_text(s, 300, 20), "windows 101 to 300 without a picture")
        app.close()
        self.assertEqual(app.wait_exit(), 0)


class TestLightEntries(unittest.TestCase):

    def test_the_preview_is_read_again_from_the_file_as_it_is_now(self):
        app = App(self)
        path = app.add("changing.dpx")
        app.drop([path])
        _, before = wait_picture(app, 1, QUADRANTS)
        for sample, colours in ((NOT_CONVERTED[0], (FALLBACK,) * 4), (None, None)):
            if sample:
                app.add("changing.dpx", sample)  # replaced after the drop
            else:
                os.remove(path)
            app.click(578, 29)  # hidden: the preview is given back, and built again when shown
            app.wait_shot(lambda s: frame(s, 1) is None, "window 1 hidden")
            app.drop([path])
            if colours:
                # One line above the picture says that the file changed.
                _, after = wait_picture(app, 1, colours)
                self.assertGreater(after[1], before[1])
        wait_for(lambda: "%s: No preview: cannot open (No such file or directory)" % path in app.out("err"),
                 lambda: "the line of a file gone" + app.describe())
        self.assertEqual(app.out().splitlines(), [created(path, 1)] + ["found exising workset for " + path] * 2)
        app.close()
        self.assertEqual(app.wait_exit(), 0)


class TestHostileDrop(unittest.TestCase):

    def test_corpus_in_one_drop_loads_the_readable_and_refuses_the_rest(self):
        app = App(self)
        os.mkdir(app.path("hostile"))
        out = subprocess.run([os.environ["TESSA_CORPUS_WRITER"], "hostile", app.path("hostile")], capture_output=True,
                             text=True, check=True).stdout
        files = [(app.path("hostile/" + name), outcome, why)
                 for name, outcome, why in (line.split("\t") for line in out.splitlines())]
        self.assertEqual(sorted(os.listdir(app.path("hostile"))), sorted(os.path.basename(f[0]) for f in files))
        loaded = [p for p, outcome, _ in files if outcome == "loads"]
        refused = [(p, why) for p, outcome, why in files if outcome == "refused"]
        # Alternately, so that a refused file taking an index shows as a gap.
        app.drop(sum(([p for p, _ in refused[i:i + 1]] + loaded[i:i + 1] for i in range(len(files))), []))
        # The last window drawn: its strip right of the one before.
        x0, x1 = left(len(loaded) - 1) + 520, left(len(loaded)) + 520
        app.wait_shot(lambda s: all(s(x, y) != BG for x in (x0 + 5, x1 - 5) for y in (22, 400)),
                      "all %d windows drawn" % len(loaded))
        app.close()
        self.assertEqual(app.wait_exit(), 0)
        self.assertEqual(app.out().splitlines(), [created(p, i) for i, p in enumerate(loaded, 1)])
        err = [l for l in app.out("err").splitlines() if not l.startswith("NDI output unavailable: ")]
        self.assertEqual(len(err), len(refused), err)
        for line, (path, why) in zip(err, refused):
            self.assertTrue(line.startswith("refused %s: " % path) and why in line[len(path) + 10:], line)


if __name__ == "__main__":
    unittest.main()
