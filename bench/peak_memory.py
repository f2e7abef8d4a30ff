"""Peak memory of tessaview with 100 typical 1920 x 1080 10-bit files open.

Drops the files into the real program and reads the peak resident size
(VmHWM) once every preview exists: after a creation line for every file,
after the last window with a preview slot shows its picture, and after the
peak has not grown for two seconds. The budget is the files' sizes plus twice
their previews (buffer and texture) plus 64 MiB.

Usage, from the top of the tree:
  TESSA_BIN=$PWD/build/src/tessaview TESSA_TEST_DATA=$PWD/tests/data \
  xvfb-run -a -s "-screen 0 1600x1000x24" /usr/bin/python3 bench/peak_memory.py [files, 1 to 100]
"""

import os
import struct
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from tessa_e2e import DATA, App, wait_for  # noqa: E402
from test_file_window import frame  # noqa: E402

WIDTH, HEIGHT = 1920, 1080
MIB = 1024 * 1024
# Files 1 to 99 have a preview slot; later ones show a line instead.
PREVIEW_SLOTS = 99
# How long the peak must stay put before it counts as the peak.
QUIET_SECONDS = 2.0


class Run:
    """What App needs of a test: somewhere to leave its clean-ups."""

    def __init__(self):
        self.cleanups = []

    def addCleanup(self, function, *args):
        self.cleanups.append((function, args))

    def end(self):
        for function, args in reversed(self.cleanups):
            function(*args)


def typical_frame():
    """A 1920 x 1080 10-bit RGB frame: a peer file's header, resized."""
    with open(os.path.join(DATA, "openimageio-rgb10-le.dpx"), "rb") as f:
        header = bytearray(f.read(8192))
    image = bytes(range(256)) * (WIDTH * HEIGHT * 4 // 256)
    struct.pack_into("<I", header, 16, len(header) + len(image))
    struct.pack_into("<II", header, 772, WIDTH, HEIGHT)
    return bytes(header) + image


def vm_kib(pid, key):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    raise KeyError(key)


def last_picture_shown(app, count):
    """The picture frame of the last window with a preview slot (in the strip
    that window 100 leaves uncovered), as tall as a picture."""
    fr = frame(app.shot(), min(count, PREVIEW_SLOTS))
    return fr if fr and fr[3] - fr[1] >= 100 else None

def settled_peak(pid, timeout):
    """Polls VmHWM until it has not grown for QUIET_SECONDS; returns it in KiB
    and the monotonic time of its last growth."""
    deadline = time.monotonic() + timeout
    peak = vm_kib(pid, "VmHWM")
    grew = time.monotonic()
    while time.monotonic() - grew < QUIET_SECONDS:
        if time.monotonic() > deadline:
            raise TimeoutError("peak resident size still growing after %.0f s" % timeout)
        time.sleep(0.1)
        now = vm_kib(pid, "VmHWM")
        if now > peak:
            peak, grew = now, time.monotonic()
    return peak, grew


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 100
    if not 1 <= count <= PREVIEW_SLOTS + 1:
        # More windows would cover the last picture, which the wait looks for.
        sys.exit("files: 1 to %d" % (PREVIEW_SLOTS + 1))
    image = typical_frame()
    run = Run()
    try:
        app = App(run)
        paths = [app.add("frame%03d.dpx" % i, data=image) for i in range(count)]
        baseline = vm_kib(app.proc.pid, "VmHWM")
        dropped = time.monotonic()
        app.drop(paths)
        wait_for(lambda: app.out().count("created workset for ") == count, "all files loaded", 120)
        wait_for(lambda: last_picture_shown(app, count), "the picture of window %d" % min(count, PREVIEW_SLOTS), 120)
        shown = time.monotonic()
        peak, grew = settled_peak(app.proc.pid, 120)
        app.close()
        app.wait_exit(60)
    finally:
        run.end()
    files = count * len(image)
    built = min(count, PREVIEW_SLOTS)
    previews = built * WIDTH * HEIGHT * 4
    budget = files + 2 * count * WIDTH * HEIGHT * 4 + 64 * MIB
    print("files: %d x %d bytes = %.1f MiB" % (count, len(image), files / MIB))
    print("previews: %d (files from %d on have no slot), %.1f MiB of pixels, held twice (buffer and texture)"
          % (built, PREVIEW_SLOTS + 1, previews / MIB))
    print("last picture shown %.1f s after the drop; peak last grew %.1f s after the drop, then stayed for %.0f s"
          % (shown - dropped, grew - dropped, QUIET_SECONDS))
    print("peak resident before the drop: %.1f MiB" % (baseline / 1024))
    print("peak resident: %.1f MiB (budget %.1f MiB: files + 2 x %d previews + 64 MiB)"
          % (peak / 1024, budget / MIB, count))
    return 0 if peak * 1024 <= budget else 1


if __name__ == "__main__":
    sys.exit(main())
