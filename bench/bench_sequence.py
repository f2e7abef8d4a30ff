"""tessaview-dump --sequence --json over 10,000 small frames in one directory,
page cache warm and, where the machine lets us drop it, cold; 100,000 frames
warm for linearity; and, in the same run, `exiftool -j` and
`mediainfo --Output=JSON` over the same 10,000 files, what users script
around today. Medians of five runs (three for ExifTool, one for MediaInfo,
which takes minutes), with the spread,
and the peak resident size of a process. MediaInfo gets 100 files a process
(as `xargs -n 100` would give them): given all 10,000 at once it grew past
12 GiB and had not finished after 7 minutes.

The frames are written by bench_sequence --write: 16 x 8 10-bit RGB, 2560
bytes, time code, frame position and file name set as a writer sets them.

Usage: /usr/bin/python3 bench/bench_sequence.py build/src/tessaview-dump build/bench/bench_sequence [--no-mediainfo]
(--no-mediainfo leaves out MediaInfo's five minutes.)
"""

import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def cpu_model():
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return platform.processor()


def drop_caches():
    """True when the page cache could be dropped (root, and allowed here)."""
    try:
        os.sync()
        with open("/proc/sys/vm/drop_caches", "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False


def timed(commands, cold=False):
    """Seconds and peak resident KiB of one run of the commands, one after another."""
    if cold and not drop_caches():
        return None
    start = time.perf_counter()
    peak = 0
    for argv in commands:
        child = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(child.pid, 0)
        if os.waitstatus_to_exitcode(status) not in (0, 1):
            sys.exit("failed: %s" % argv[0])
        peak = max(peak, usage.ru_maxrss)
    return time.perf_counter() - start, peak


def report(name, files, commands, runs, cold=False):
    results = [timed(commands, cold) for _ in range(runs)]
    if None in results:
        print("%-34s the page cache cannot be dropped here (needs root and a writable /proc/sys/vm)" % name)
        return None
    seconds = sorted(r[0] for r in results)
    median = statistics.median(seconds)
    print("%-34s median %9.1f ms  (%.1f to %.1f)  %8.0f files/s  peak %4d MiB" % (
        name, median * 1000, seconds[0] * 1000, seconds[-1] * 1000, files / median,
        max(r[1] for r in results) // 1024))
    return median


def frames(writer, count):
    folder = tempfile.mkdtemp(prefix="tessa-bench-sequence-")
    subprocess.run([writer, "--write", folder, str(count)], check=True)
    paths = sorted(os.path.join(folder, n) for n in os.listdir(folder))
    for path in paths:  # warm the page cache
        with open(path, "rb") as f:
            f.read()
    return folder, paths


def main():
    dump = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/src/tessaview-dump")
    writer = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else "build/bench/bench_sequence")
    print("%s, %s, %d cores" % (time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()), cpu_model(), os.cpu_count()))
    folder, paths = frames(writer, 10000)
    try:
        argv = [[dump, "--sequence", "--json", folder]]
        warm = report("10,000 frames, warm", 10000, argv, 5)
        report("10,000 frames, cold", 10000, argv, 5, cold=True)
        peers = (("exiftool -j", ["exiftool", "-j"], len(paths), 3),
                 ("mediainfo --Output=JSON, 100 a run", ["mediainfo", "--Output=JSON"], 100, 1))
        for name, peer, batch, runs in peers:
            if peer[0] == "mediainfo" and "--no-mediainfo" in sys.argv:
                continue
            if shutil.which(peer[0]):
                commands = [peer + paths[i:i + batch] for i in range(0, len(paths), batch)]
                took = report(name + ", warm", 10000, commands, runs)
                print("%-34s tessaview-dump is %.0f times as fast" % ("", took / warm))
            else:
                print("%s not installed" % peer[0])
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    folder, _ = frames(writer, 100000)
    try:
        report("100,000 frames, warm", 100000, [[dump, "--sequence", "--json", folder]], 5)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
