"""The File window of a dropped file, end to end: where it opens, the preview
picture it shows, hiding it with its close button and showing it again, and
many files at once (files from 100 on have no preview slot)."""

import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from tessa_e2e import (  # noqa: E402
    App, AppExited, AppTestCase, BACKGROUND, WINDOW_SIZE, centre, close_to, clusters,
    created_line, data_dir, differs_from, found_line, is_text, text_boxes,
)

# ---------------------------------------------------------------- test data

# Files written by other programs, 32 x 16 pixels, in quadrants: red top left,
# green top right, blue bottom left, white bottom right.
# The RGBA one stores alpha 128: its picture is drawn half see-through, so it
# comes first, with nothing but the plain background behind its window.
CONVERTED = (
    "imagemagick-rgba8-be.dpx", "imagemagick-rgb8-be.dpx", "imagemagick-rgb10-be.dpx",
    "imagemagick-rgb12-be.dpx", "imagemagick-rgb16-be.dpx", "graphicsmagick-rgb8-be.dpx",
    "graphicsmagick-rgb10-be.dpx", "ffmpeg-rgb8-le.dpx", "ffmpeg-rgb10-le.dpx",
    "ffmpeg-rgb12-le.dpx", "ffmpeg-rgb16-le.dpx", "ffmpeg-rgb16-be.dpx",
    "openimageio-rgb8-le.dpx", "openimageio-rgb10-le.dpx", "openimageio-rgb16-le.dpx",
)
# Same pictures, in layouts the program has no converter for.
NOT_CONVERTED = ("ffmpeg-rgba8-le.dpx", "openimageio-rgb12-le.dpx")

RED, GREEN, BLUE, WHITE = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)
# (column, row) of each quadrant in a 2 x 2 split of the picture.
QUADRANTS = (((0, 0), RED), ((1, 0), GREEN), ((0, 1), BLUE), ((1, 1), WHITE))
FALLBACK = (0, 0, 240)
COLOUR_TOL = 6

FILE_WINDOW_SIZE = (520, 700)
FILE_WINDOW_TOP = 20


def window_left(index):
    return 20 + (index * 50) % 1280


def header_size(data):
    """(pixels per line, lines) from a DPX header, in the file's byte order."""
    order = {b"SDPX": "big", b"XPDS": "little"}[data[:4]]
    return (int.from_bytes(data[772:776], order), int.from_bytes(data[776:780], order))


def peer_path(name):
    return os.path.join(data_dir(), name)


def quadrant_alphas(path):
    """{(column, row): alpha} at the quadrant centres of an 8-bit RGBA file
    (descriptor 51), read from its pixels; {} for other layouts."""
    with open(path, "rb") as f:
        data = f.read()
    order = {b"SDPX": "big", b"XPDS": "little"}[data[:4]]
    width, height = header_size(data)
    if (data[800], data[803]) != (51, 8):
        return {}
    offset = int.from_bytes(data[808:812], order)
    alphas = {}
    for (c, r), _ in QUADRANTS:
        x, y = width * (2 * c + 1) // 4, height * (2 * r + 1) // 4
        alphas[(c, r)] = data[offset + (y * width + x) * 4 + 3]
    return alphas


def zero_width_dpx():
    """A peer file whose header says 0 pixels per line: it loads, and its
    window says why it shows no picture."""
    with open(peer_path("imagemagick-rgb8-be.dpx"), "rb") as f:
        data = bytearray(f.read())
    data[772:776] = bytes(4)
    return bytes(data)


# ---------------------------------------------------------------- reading the screen

def is_white(c):
    return min(c) >= 250


_WHITE_BYTE = bytes(1 if v >= 250 else 0 for v in range(256))


def white_flags(shot, y, x0, x1):
    """One byte per pixel of row y from x0 to x1: 1 where the pixel is white.
    Works on the raw bytes: this runs for hundreds of rows per shot while the
    program under test wants the same CPU."""
    ox, oy = shot.origin
    row = shot.data[(y - oy) * shot.stride + 4 * (x0 - ox):(y - oy) * shot.stride + 4 * (x1 - ox)]
    flags = None
    for mask in shot.masks:
        shift = (mask & -mask).bit_length() - 1
        if mask & ~(0xFF << shift) or shift % 8:
            raise ValueError("channel mask %#x is not one whole byte" % mask)
        index = shift // 8 if not shot.big_endian else 3 - shift // 8
        channel = int.from_bytes(row[index::4].translate(_WHITE_BYTE), "big")
        flags = channel if flags is None else flags & channel
    return flags.to_bytes(x1 - x0, "big")


def picture_frame(shot, x0, x1, top, min_run=100):
    """The preview's 1-pixel white frame in the window columns [x0, x1) below
    the window top: inclusive (left, top, right, bottom), with right cut at the
    screen edge, or None. The frame's top row is the first long white run from
    the top (text never makes one); the bottom is where its left side ends."""
    x1 = min(x1, shot.origin[0] + shot.width)
    min_run = min(min_run, (x1 - x0) // 2)
    y_end = min(top + FILE_WINDOW_SIZE[1], shot.origin[1] + shot.height)
    for y in range(top + 20, y_end):
        flags = white_flags(shot, y, x0, x1)
        start = flags.find(b"\1" * min_run)
        if start < 0:
            continue
        left = x0 + start
        end = flags.find(b"\0", start)
        right = (x1 if end < 0 else x0 + end) - 1
        bottom = y
        while bottom + 1 < y_end and is_white(shot(left, bottom + 1)):
            bottom += 1
        return (left, y, right, bottom)
    return None


def quadrant_points(frame):
    """Centre of each quadrant of a fully visible picture inside its frame."""
    left, top, right, bottom = frame
    w, h = right - left - 1, bottom - top - 1
    return [((left + 1 + w * (2 * c + 1) // 4, top + 1 + h * (2 * r + 1) // 4), colour)
            for (c, r), colour in QUADRANTS]


def off_colour(shot, x, y, colour, tol=COLOUR_TOL, r=3):
    """Pixels of the (2r+1)^2 patch around (x, y) that are not `colour`."""
    near = close_to(colour, tol)
    return [(px, py, c) for px, py, c in shot.box_pixels(x - r, y - r, x + r + 1, y + r + 1)
            if not near(c)]


def expected_colour(shot, frame, y, colour, alpha):
    """`colour` as drawn with `alpha` over the window background beside the picture."""
    if alpha >= 255:
        return colour
    a = alpha / 255.0
    bg = shot(frame[0] - 3, y)
    return tuple(int(round(c * a + b * (1 - a))) for c, b in zip(colour, bg))


def quadrant_errors(shot, frame, alphas=None):
    """What is wrong with the quadrant colours of a picture, [] when nothing:
    at each quadrant's centre and in its outer corner, where a picture that
    wrapped around would take in the colours of the far side.
    With alphas ({(column, row): alpha}), a quadrant's colour is expected
    blended over the window background, taken left of the picture."""
    left, top, right, bottom = frame
    errors = []
    for ((x, y), colour), (quadrant, _) in zip(quadrant_points(frame), QUADRANTS):
        want = expected_colour(shot, frame, y, colour, (alphas or {}).get(quadrant, 255))
        corner = (left + 1 if quadrant[0] == 0 else right - 1, top + 1 if quadrant[1] == 0 else bottom - 1)
        for px, py, r in ((x, y, 3), corner + (0,)):
            bad = off_colour(shot, px, py, want, r=r)
            if bad:
                errors.append("at (%d, %d) want %r, got %r" % (px, py, want, bad[0][2]))
    return errors


def uniform_errors(shot, frame, colour, steps=(9, 5)):
    """Points of a grid over the picture (2 pixels in from the frame) whose
    colour is not `colour`."""
    left, top, right, bottom = frame
    x0, y0, x1, y1 = left + 3, top + 3, right - 3, bottom - 3
    near = close_to(colour, COLOUR_TOL)
    bad = []
    for j in range(steps[1]):
        for i in range(steps[0]):
            x = x0 + (x1 - x0) * i // (steps[0] - 1)
            y = y0 + (y1 - y0) * j // (steps[1] - 1)
            if not near(shot(x, y)):
                bad.append("at (%d, %d) want %r, got %r" % (x, y, colour, shot(x, y)))
    return bad


PICTURE_COLOURS = (RED, GREEN, BLUE, FALLBACK)


def is_picture_colour(c):
    return any(close_to(p, 60)(c) for p in PICTURE_COLOURS)


def picture_pixels(shot, x0, y0, x1, y1, step=1):
    """Pixels of a box (on a grid of `step`) in one of the preview's colours."""
    return [(x, y, shot(x, y)) for y in range(y0, y1, step) for x in range(x0, x1, step)
            if is_picture_colour(shot(x, y))]


def no_preview_line(shot, left, top):
    """Box of the text line that starts at the window's left padding below the
    "Image data" header (whose text starts further right, after its arrow),
    as (first text x, y0, y1), or None."""
    x1 = min(left + 100, shot.origin[0] + shot.width)
    y0 = top + 40
    rows = clusters([any(is_text(shot(x, y)) for x in range(left + 4, x1))
                     for y in range(y0, top + 140)], 2)
    for a, b in rows:
        first = min(x for x in range(left + 4, x1) for y in range(y0 + a, y0 + b + 1)
                    if is_text(shot(x, y)))
        if first < left + 14:
            return (first, y0 + a, y0 + b)
    return None


def glyphs(shot, box, level):
    x0, y0, x1, y1 = box
    return {(x - x0, y - y0) for x, y, c in shot.box_pixels(x0, y0, x1, y1) if min(c) >= level}


def same_glyphs(shot_a, box_a, shot_b, box_b):
    """Whether two boxes hold the same text: each one's bright pixels are at
    least half-bright in the other (the window backgrounds differ a little)."""
    strong_a, weak_a = glyphs(shot_a, box_a, 170), glyphs(shot_a, box_a, 90)
    strong_b, weak_b = glyphs(shot_b, box_b, 170), glyphs(shot_b, box_b, 90)
    return bool(strong_a) and strong_a <= weak_b and strong_b <= weak_a


def settle(app, cond, timeout=15.0, box=None):
    """Takes shots until cond(shot) holds; returns (shot, True), or the last
    shot and False when the time is up, so that the caller can fail with what
    it saw rather than error out."""
    deadline = time.monotonic() + timeout
    while True:
        if not app.running():
            raise AppExited("program exited\n" + app.describe())
        shot = app.screenshot(box)
        if cond(shot):
            return shot, True
        if time.monotonic() >= deadline:
            return shot, False
        time.sleep(0.05)


class FileWindowCase(AppTestCase):

    def keep(self, shot, name):
        """Saves a shot in the run's directory (kept with TESSA_E2E_KEEP=1)."""
        return shot.save_png(os.path.join(self.app.dir, name + ".png"))

    def drop_new(self, path, index, timeout=10.0):
        since = self.app.mark()
        self.app.drop([path], timeout=timeout)
        self.app.wait_for_output("^" + re.escape(created_line(path, index)) + "$", timeout, since=since)

    def drop_last(self, timeout=10.0):
        """Drops one more new file and waits for its line: what earlier drops
        print is then all out. (A drop on a program with many windows takes
        several slow frames, hence the long timeouts.)"""
        path = self.dpx("sentinel.dpx")
        self.app.drop([path], timeout=timeout)
        self.app.wait_for_output("^" + re.escape("created workset for %s (index=" % path) + r"\d+\)$",
                                 timeout)
        return path

    def wait_picture(self, index, problems=lambda shot, frame: [], timeout=15.0):
        """Waits for window `index` to show a picture (its frame found in the
        window's columns) in which problems(shot, frame) finds nothing; returns
        (shot, frame) and fails with what it saw when that does not come."""
        left = window_left(index)
        seen = {}

        def probe(shot):
            frame = picture_frame(shot, left, left + FILE_WINDOW_SIZE[0], FILE_WINDOW_TOP)
            seen["frame"] = frame
            if frame is None or frame[0] <= left:
                seen["problems"] = ["no picture frame inside the window (found %r)" % (frame,)]
                return False
            seen["problems"] = problems(shot, frame)
            return not seen["problems"]

        shot, ok = settle(self.app, probe, timeout)
        if not ok:
            self.fail("window %d (left edge x=%d), picture frame %r: %s (shot %s)"
                      % (index, left, seen.get("frame"), "; ".join(seen["problems"][:6]),
                         self.keep(shot, "picture-%d" % index)))
        return shot, seen["frame"]

    def close_button(self, shot, top=FILE_WINDOW_TOP):
        """Centre of the close button at the right end of the title bar of the
        window on top whose right edge is the rightmost drawn pixel."""
        y = top + 5
        right = shot.first_along_row(y, WINDOW_SIZE[0] - 1, 0, differs_from(BACKGROUND))
        self.assertIsNotNone(right, "no window at y=%d" % y)
        found = text_boxes(shot, right - 30, top + 1, right, top + 18)
        self.assertTrue(found, "no close button in the title bar ending at x=%d" % right)
        return centre(found[-1])


# ---------------------------------------------------------------- tests

class TestPlacement(FileWindowCase):

    def test_index_1_opens_at_70_20_and_index_2_50_px_further_right(self):
        w, h = FILE_WINDOW_SIZE
        empty = self.app.screenshot()
        self.drop_new(self.dpx("a.dpx"), 1)
        shot, frame = self.wait_picture(1)
        self.assertEqual(empty.diff_bbox(shot), (70, 20, 70 + w - 1, 20 + h - 1),
                         "what the first File window changed on the screen: left, top, right, bottom")

        # Window 1 stays; its title bar changes colour when it loses the focus,
        # so window 2's left edge is looked for below the title bars and its top
        # right of window 1.
        low = (0, 60, WINDOW_SIZE[0], WINDOW_SIZE[1])
        right_part = (70 + w, 0, WINDOW_SIZE[0], WINDOW_SIZE[1])
        low_before, right_before = self.app.screenshot(low), self.app.screenshot(right_part)
        self.drop_new(self.dpx("b.dpx"), 2)
        self.wait_picture(2, lambda s, f: [] if f[0] == frame[0] + 50 else
                          ["picture not 50 px right of window 1's at x=%d" % frame[0]])
        for before, box, want, where in (
                (low_before, low, (120, 60, 120 + w - 1, 20 + h - 1), "below y=60"),
                (right_before, right_part, (70 + w, 20, 120 + w - 1, 20 + h - 1), "right of window 1")):
            after, _ = settle(self.app, lambda s: before.diff_bbox(s) == want, timeout=5, box=box)
            self.assertEqual(before.diff_bbox(after), want, "what the second File window changed " + where)


class TestPreview(FileWindowCase):

    def test_peer_files_show_their_quadrants(self):
        # Each new window opens on top of the ones before, 50 px further right;
        # the 15th picture still ends inside the main window.
        for index, name in enumerate(CONVERTED, 1):
            with self.subTest(name):
                with open(peer_path(name), "rb") as f:
                    self.assertEqual(header_size(f.read(2048)), (32, 16), "test file's size")
                path = self.dpx(name, sample=name)
                self.drop_new(path, index)
                alphas = quadrant_alphas(path)
                shot, frame = self.wait_picture(index, lambda s, f: quadrant_errors(s, f, alphas))
                left, top, right, bottom = frame
                # Scaled to the window's width, a landscape picture.
                self.assertGreaterEqual(right - left + 1, 0.8 * FILE_WINDOW_SIZE[0], frame)
                self.assertLessEqual(right, window_left(index) + FILE_WINDOW_SIZE[0] - 1, frame)
                self.assertTrue(0.4 <= (bottom - top) / (right - left) <= 0.6, frame)

    def test_layouts_without_converter_show_the_fallback_colour(self):
        for index, name in enumerate(NOT_CONVERTED, 1):
            with self.subTest(name):
                path = self.dpx(name, sample=name)
                self.drop_new(path, index)
                self.wait_picture(index, lambda s, f: uniform_errors(s, f, FALLBACK))


class TestCloseAndShowAgain(FileWindowCase):

    def test_close_button_hides_the_window_and_a_new_drop_shows_it_again(self):
        w, h = FILE_WINDOW_SIZE
        # Window 1 (a uniform picture) stays behind window 2 all along.
        behind = self.dpx("behind.dpx", sample=NOT_CONVERTED[0])
        self.drop_new(behind, 1)
        self.wait_picture(1, lambda s, f: uniform_errors(s, f, FALLBACK))
        place = (120, 40, 120 + w, 20 + h)  # window 2 without its title bar
        title = (70 + w, 20, 120 + w, 40)   # window 2's title bar right of window 1
        before = self.app.screenshot(place)

        path = self.dpx("quadrants.dpx", sample="imagemagick-rgb8-be.dpx")
        self.drop_new(path, 2)
        shot, frame = self.wait_picture(2, quadrant_errors)
        self.app.click(*self.close_button(shot))

        gone, ok = settle(self.app, lambda s: before.diff_bbox(s) is None, box=place)
        if not ok:
            self.fail("where window 2 was, pixels differ from before it opened in %r (shot %s)"
                      % (before.diff_bbox(gone), self.keep(gone, "closed")))
        bar = self.app.screenshot(title)
        self.assertEqual(bar.count(differs_from(BACKGROUND), *title), 0,
                         "window 2's title bar still drawn right of window 1")
        self.assertTrue(self.app.running())

        since = self.app.mark()
        self.app.drop([path], timeout=10)
        self.app.wait_for_output("^" + re.escape(found_line(path)) + "$", 10, since=since)
        again, frame_again = self.wait_picture(2, quadrant_errors)
        self.assertEqual(frame_again, frame, "picture frame of the window shown again")

        sentinel = self.drop_last()
        self.assertEqual(self.workset_lines(),
                         [created_line(behind, 1), created_line(path, 2), found_line(path),
                          created_line(sentinel, 3)])


class TestManyFileWindows(FileWindowCase):
    """Files 1 to 99 have a preview slot, later ones none: their windows show a
    line starting "No preview: " where the picture would be."""

    @classmethod
    def setUpClass(cls):
        # What that line's start looks like, from a file that has no picture
        # for another reason (0 pixels per line), alone in a program.
        with App() as app:
            path = app.add_file("zero.dpx", data=zero_width_dpx())
            app.drop([path], timeout=10)
            app.wait_for_output("^" + re.escape(created_line(path, 1)) + "$", 10)
            left = window_left(1)
            shot = app.wait_for_screen(lambda s: no_preview_line(s, left, FILE_WINDOW_TOP), timeout=15,
                                       what="the no-preview line of a 0-pixel file")
        first, y0, y1 = no_preview_line(shot, left, FILE_WINDOW_TOP)
        # "No preview: " is 12 glyphs of 7 pixels, from one pixel left of the N.
        cls.reference = (shot, (first - 1, y0 - 2, first - 1 + 12 * 7 - 1, y1 + 3))
        cls.reference_offset = (first - 1 - left, y0 - 2 - FILE_WINDOW_TOP)

    def line_box(self, index):
        x, y = self.reference_offset
        rx0, ry0, rx1, ry1 = self.reference[1]
        left = window_left(index)
        return (left + x, FILE_WINDOW_TOP + y, left + x + rx1 - rx0, FILE_WINDOW_TOP + y + ry1 - ry0)

    def shows_no_preview_line(self, shot, index):
        return same_glyphs(self.reference[0], self.reference[1], shot, self.line_box(index))

    def copies(self, count):
        return [self.dpx("many/frame %03d.dpx" % i) for i in range(count)]

    def test_150_files_in_one_drop(self):
        paths = self.copies(150)
        self.app.drop(paths, timeout=20)
        self.app.wait_for_output("^" + re.escape(created_line(paths[-1], 150)) + "$", timeout=30)
        self.assertTrue(self.app.running())
        # A later drop still works (index 151), and all lines came in order.
        sentinel = self.drop_last(timeout=30)
        self.assertEqual(self.workset_lines(),
                         [created_line(p, i) for i, p in enumerate(paths, 1)] +
                         [created_line(sentinel, 151)])

        # Windows 128 to 151 are on top from x=20 to the right end, window 151
        # at x=1170: no picture anywhere, the line instead in window 151.
        shot, ok = settle(self.app, lambda s: self.shows_no_preview_line(s, 151), timeout=20)
        if not ok:
            self.fail("window 151 shows no 'No preview: ' line at %r (shot %s)"
                      % (self.line_box(151), self.keep(shot, "window-151")))
        pixels = picture_pixels(shot, 0, FILE_WINDOW_TOP, WINDOW_SIZE[0], WINDOW_SIZE[1], step=4)
        if pixels:
            self.fail("picture colours on a screen of windows 128 to 151, e.g. %r (shot %s)"
                      % (pixels[:3], self.keep(shot, "many")))
        self.assertTrue(self.app.running())

    def test_window_99_has_a_picture_and_window_100_none(self):
        paths = self.copies(99)
        self.app.drop(paths, timeout=20)
        self.app.wait_for_output("^" + re.escape(created_line(paths[-1], 99)) + "$", timeout=30)
        # Window 99 is on top at x=1130: the left half of its picture shows.
        left99 = window_left(99)

        def left_quadrants(shot, frame):
            left, top, _, bottom = frame
            h = bottom - top - 1
            return ["%r not at (%d, %d)" % (colour, left + 30, y) for y, colour in
                    ((top + 1 + h // 4, RED), (top + 1 + 3 * h // 4, BLUE))
                    if off_colour(shot, left + 30, y, colour)]

        shot, frame = self.wait_picture(99, left_quadrants, timeout=20)
        self.assertLess(frame[0], left99 + 50, "picture of window 99 not at its left side: %r" % (frame,))

        last = self.dpx("many/frame 099.dpx")
        self.drop_new(last, 100, timeout=30)
        left100 = window_left(100)
        self.assertEqual(left100, 1180)
        shot, ok = settle(self.app, lambda s: self.shows_no_preview_line(s, 100), timeout=20)
        if not ok:
            self.fail("window 100 shows no 'No preview: ' line at %r (shot %s)"
                      % (self.line_box(100), self.keep(shot, "window-100")))
        pixels = picture_pixels(shot, left100, FILE_WINDOW_TOP, WINDOW_SIZE[0], WINDOW_SIZE[1])
        if pixels:
            self.fail("picture colours in window 100, e.g. %r (shot %s)"
                      % (pixels[:3], self.keep(shot, "window-100")))
        # Window 99's strip left of window 100 keeps its picture.
        problems = left_quadrants(shot, frame)
        if problems:
            self.fail("window 99's picture: %s (shot %s)"
                      % ("; ".join(problems), self.keep(shot, "window-99")))
        self.assertTrue(self.app.running())


if __name__ == "__main__":
    unittest.main()
