"""tessaview-dump over 1,000 typical files from a warm cache, as text and as
JSON, and `exiftool -j` on the same files in the same run when it is there.

The files are copies of a peer file written by ImageMagick: an 8 KiB header,
no user data, a small picture. Each command runs over all of them in one
process, seven times; the median counts, the lowest and highest beside it.

Usage: /usr/bin/python3 bench/bench_dump.py build/src/cli/tessaview-dump
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

FILES = 1000
RUNS = 7
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "imagemagick-rgb10-be.dpx")


def seconds(argv):
    """Median, lowest and highest of the runs' wall times."""
    runs = []
    for _ in range(RUNS):
        start = time.perf_counter()
        subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        runs.append(time.perf_counter() - start)
    return statistics.median(runs), min(runs), max(runs)


def main():
    dump = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/src/tessaview-dump")
    folder = tempfile.mkdtemp(prefix="tessa-bench-dump-")
    try:
        paths = []
        for i in range(FILES):
            path = os.path.join(folder, "frame.%07d.dpx" % i)
            shutil.copyfile(SOURCE, path)
            paths.append(path)
        for path in paths:  # warm the page cache
            with open(path, "rb") as f:
                f.read()
        rates = {}
        for name, argv in (("text", [dump] + paths), ("json", [dump, "--json"] + paths)):
            median, low, high = seconds(argv)
            rates[name] = FILES / median
            print("tessaview-dump %-4s %8.1f ms [%.1f, %.1f]  %8.0f files/s" % (name, median * 1000, low * 1000,
                                                                             high * 1000, rates[name]))
        exiftool = shutil.which("exiftool")
        if exiftool:
            median, low, high = seconds([exiftool, "-j"] + paths)
            rate = FILES / median
            print("exiftool -j         %8.1f ms [%.1f, %.1f]  %8.0f files/s" % (median * 1000, low * 1000, high * 1000,
                                                                           rate))
            print("tessaview-dump / exiftool: text %.0f x, json %.0f x" % (rates["text"] / rate, rates["json"] / rate))
        else:
            print("exiftool not installed (Debian libimage-exiftool-perl): no comparison")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
