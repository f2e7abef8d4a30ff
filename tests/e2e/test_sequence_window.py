"""A folder dropped through XDnD: its sequences' windows, its single file's
File window, the standard-output lines, a frame opened from the table with
the keys, a second frame Ctrl+clicked for a comparison."""
import os
import shutil
import struct
import tempfile
import unittest

from tessa_e2e import DATA, App, created, wait_for, xdotool


def frame(number, size=None, packing=1, time_code=None):
    """A copy of a 10-bit RGB sample, 24 fps, its time code following its number."""
    with open(os.path.join(DATA, "openimageio-rgb10-le.dpx"), "rb") as f:
        b = bytearray(f.read())
    n = 86400 + number if time_code is None else time_code
    bcd = lambda v: (v // 10) << 4 | v % 10  # noqa: E731
    struct.pack_into("<I", b, 1920, bcd(n // 86400 % 24) << 24 | bcd(n // 1440 % 60) << 16 | bcd(n // 24 % 60) << 8 | bcd(n % 24))
    struct.pack_into("<f", b, 1940, 24.0)
    struct.pack_into("<H", b, 804, packing)
    return bytes(b[:size])


class TestSequenceWindow(unittest.TestCase):

    def test_a_dropped_folder(self):
        app = App(self)
        shots = {n: frame(n) for n in range(990, 1011) if n not in (1000, 1001, 1005)}
        shots[993] = b""                      # an empty frame
        shots[995] = frame(995, size=2048)    # cut after its header
        shots[1008] = frame(1008, packing=0)  # another layout
        shots[1003] = frame(1003, time_code=86400 + 1010)  # a time-code jump
        for n, data in shots.items():
            app.add("folder/shot_v001.%04d.dpx" % n, data=data)
        for n in (1, 2, 3):
            app.add("folder/plate.%d.dpx" % n, data=frame(n))
        look = app.add("folder/look.dpx")
        app.add("folder/notes.txt", data=b"not a frame")
        folder = app.path("folder")
        app.drop([folder])
        lines = ["opened sequence plate.[1-3].dpx (3 frames) in %s" % folder,
                 "opened sequence shot_v001.[0990-1010].dpx (18 frames) in %s" % folder,
                 created(look, 1)]
        wait_for(lambda: lines[-1] in app.out(), "the folder's windows" + app.describe())
        self.assertEqual(app.out().splitlines(), lines)

        # The shot's window is on top: Home selects frame 990, Down 991, Return opens it.
        app.click(1000, 99)
        xdotool("key", "--delay", 150, "Home", "Down", "Return")
        first = os.path.join(folder, "shot_v001.0991.dpx")
        wait_for(lambda: created(first, 2) in app.out(), "frame 991 opened" + app.describe())

        # Again the shot's window; Ctrl+click two rows below the selected one. The
        # selected row is the second band in the colour of the open headers: under Problems.
        app.click(1000, 99)
        shot = app.shot()
        lit = [y for y in range(120, 700) if shot(700, y)[2] > 70 and shot(700, y)[2] > shot(700, y)[0] + 40]
        bands = [y for y in lit if y - 1 not in lit]
        self.assertGreater(len(bands), 2, "the headers and the selected row" + app.describe())
        xdotool("mousemove", "--window", app.win.id, 700, bands[1] + 2 * 17 + 4, "sleep", 0.1, "keydown", "ctrl",
                "click", 1, "keyup", "ctrl", "sleep", 0.2)
        app.close()
        self.assertEqual(app.wait_exit(), 0)
        # A Compare window was open: Dear ImGui keeps it in its layout file, under its number.
        with open(app.path("run/imgui.ini")) as f:
            self.assertIn("[Window][###Compare 1]", f.read())

    def test_directories_on_the_command_line_and_again(self):
        folder = tempfile.mkdtemp(prefix="tvsq", dir="/tmp")
        self.addCleanup(shutil.rmtree, folder, True)
        plates, empty = os.path.join(folder, "plates"), os.path.join(folder, "empty")
        for d, name, data in ((plates, "plate.1.dpx", frame(1)), (plates, "plate.2.dpx", frame(2)),
                              (empty, "notes.txt", b"no frame")):
            os.makedirs(d, exist_ok=True)
            with open(os.path.join(d, name), "wb") as f:
                f.write(data)
        app = App(self, args=[plates, empty])
        first = "opened sequence plate.[1-2].dpx (2 frames) in %s\n" % plates
        wait_for(lambda: first in app.out() and "no DPX file in %s\n" % empty in app.out("err"),
                 "the directories at start" + app.describe())
        # A frame arrives: dropped again, the directory is scanned afresh.
        app.add(os.path.join(plates, "plate.3.dpx"), data=frame(3))
        app.drop([plates])
        again = "opened sequence plate.[1-3].dpx (3 frames) in %s\n" % plates
        wait_for(lambda: app.out() == first + again, "the second scan" + app.describe())
        app.close()
        self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
