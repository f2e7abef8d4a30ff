"""Peak memory of tessaview with 100 typical 1920 x 1080 10-bit files open.

Drops the files into the real program in its own Xvfb, waits until every
window has been drawn, then reads the peak resident size (VmHWM). The budget
is the files' sizes plus twice their previews (buffer and texture) plus 64 MiB.

Usage: TESSA_BIN=$PWD/build/src/tessaview /usr/bin/python3 bench/peak_memory.py [files]
"""

import os
import struct
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))

from tessa_e2e import App, data_dir, wait_until  # noqa: E402

WIDTH, HEIGHT = 1920, 1080
MIB = 1024 * 1024


def typical_frame():
    """A 1920 x 1080 10-bit RGB frame: a peer file's header, resized."""
    with open(os.path.join(data_dir(), "openimageio-rgb10-le.dpx"), "rb") as f:
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


def main():
    count = int(sys.argv[1]) if len(sys.argv) > 1 else 100
    frame = typical_frame()
    with App() as app:
        paths = [app.add_file("frame%03d.dpx" % i, data=frame) for i in range(count)]
        baseline = vm_kib(app.proc.pid, "VmHWM")
        app.drop(paths, timeout=60)
        wait_until(lambda: app.stdout.count("created workset for ") == count, 120, what="all files loaded")
        # Previews are made in the first frame that draws each window; let a few more frames pass.
        time.sleep(3)
        peak = vm_kib(app.proc.pid, "VmHWM")
        app.close()
        app.wait_exit(60)
    files = count * len(frame)
    previews = count * WIDTH * HEIGHT * 4
    budget = files + 2 * previews + 64 * MIB
    print("files: %d x %d bytes = %.1f MiB" % (count, len(frame), files / MIB))
    print("previews: %.1f MiB" % (previews / MIB))
    print("peak resident before the drop: %.1f MiB" % (baseline / 1024))
    print("peak resident: %.1f MiB (budget %.1f MiB)" % (peak / 1024, budget / MIB))
    return 0 if peak * 1024 <= budget else 1


if __name__ == "__main__":
    sys.exit(main())
