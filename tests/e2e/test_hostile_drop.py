"""The hostile corpus dropped into the real program in one drop: the files
that can be read load in order, the others are refused with their reason, the
program draws every window and still ends cleanly from its File menu (with
no sanitizer report under an AddressSanitizer build)."""

import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from tessa_e2e import AppTestCase, BACKGROUND, MENU_FILE, created_line, wait_until  # noqa: E402

SANITIZER_MARKS = ("AddressSanitizer", "LeakSanitizer", "runtime error:", "UndefinedBehaviorSanitizer")
NDI_LINE = "NDI output unavailable: "
FILE_WINDOW_WIDTH = 520


def window_left(index):
    return 20 + (index * 50) % 1280


def write_corpus(directory):
    """Writes the corpus with its writer, which lists each file's outcome on
    stdout; returns [(path, loads, expected text)] in the corpus's order."""
    writer = os.environ.get("TESSA_CORPUS_WRITER")
    if not writer:
        raise unittest.SkipTest("TESSA_CORPUS_WRITER names no corpus writer")
    os.makedirs(directory, exist_ok=True)
    out = subprocess.run([writer, directory], capture_output=True, text=True, check=True, timeout=30).stdout
    files = []
    for line in out.splitlines():
        name, outcome, expect = line.split("\t")
        if outcome not in ("loads", "refused"):
            raise ValueError("corpus listing line %r: outcome %r" % (line, outcome))
        files.append((os.path.join(directory, name), outcome == "loads", expect))
    return files


def interleaved(refused, loaded):
    """Refused and loaded paths alternately, so that a refused file between
    two loaded ones would show as a gap in their indexes."""
    order = []
    for i in range(max(len(refused), len(loaded))):
        order += refused[i:i + 1] + loaded[i:i + 1]
    return order


class TestHostileDrop(AppTestCase):

    def test_corpus_in_one_drop_loads_the_readable_and_refuses_the_rest(self):
        directory = os.path.join(self.app.files, "hostile")
        files = write_corpus(directory)
        # The listing names exactly the files written.
        self.assertEqual(sorted(os.path.basename(p) for p, _, _ in files), sorted(os.listdir(directory)))
        loaded = [p for p, loads, _ in files if loads]
        refused = [p for p, loads, _ in files if not loads]
        reasons = {p: why for p, loads, why in files if not loads}
        self.assertTrue(loaded and refused, "the corpus has files of both outcomes")
        order = interleaved(refused, loaded)
        self.assertEqual(sorted(order), sorted(p for p, _, _ in files))
        loaded_in_order = [p for p in order if p in loaded]
        refused_in_order = [p for p in order if p in reasons]

        self.app.drop(order, timeout=15)
        # The paths of a drop are taken in order in one go: once the last one
        # is on either stream, all of them are.
        last = re.compile(r"^(created workset for %s \(index=\d+\)|refused %s: .*)$"
                          % (re.escape(order[-1]), re.escape(order[-1])), re.M)
        wait_until(lambda: last.search(self.app.stdout) or last.search(self.app.stderr)
                   or not self.app.running(), 20, what="a line about %s" % order[-1])
        self.assertTrue(self.app.running(), self.app.describe())

        # The last window opens on top, 50 px right of the one before: the strip
        # right of that one shows its title bar and body once it is drawn.
        n = len(loaded)
        x0, x1 = window_left(n - 1) + FILE_WINDOW_WIDTH, window_left(n) + FILE_WINDOW_WIDTH
        self.assertLess(x0 + 10, x1 - 10)

        def last_window_drawn(shot):
            return all(shot(x, y) != BACKGROUND for x in (x0 + 5, (x0 + x1) // 2, x1 - 5) for y in (22, 400))

        try:
            self.app.wait_for_screen(last_window_drawn, timeout=15, what="window %d drawn" % n)
        except TimeoutError as e:
            self.fail(str(e))
        # A few more frames with every window drawn.
        time.sleep(0.5)
        self.assertTrue(self.app.running(), self.app.describe())

        self.app.choose_menu(MENU_FILE, 0)
        status = self.app.wait_exit(30)
        marks = [m for m in SANITIZER_MARKS if m in self.app.stderr]
        self.assertEqual(marks, [], self.app.describe())
        self.assertEqual(status, 0, self.app.describe())

        # The program has ended: what it printed is all there is.
        self.assertEqual(self.app.stdout.splitlines(),
                         [created_line(p, i) for i, p in enumerate(loaded_in_order, 1)],
                         "standard output: one line per loaded file, nothing else")
        stderr = self.app.stderr.splitlines()
        refusals = [l for l in stderr if l.startswith("refused ")]
        self.assertEqual(len(refusals), len(refused), "one refusal line per refused file:\n" + "\n".join(stderr))
        for path, line in zip(refused_in_order, refusals):
            self.assertTrue(line.startswith("refused %s: " % path), "%s refused as %r" % (path, line))
            self.assertIn(reasons[path], line[len("refused %s: " % path):])
        others = [l for l in stderr if not l.startswith(("refused ", NDI_LINE))]
        self.assertEqual(others, [], "nothing else on standard error")


if __name__ == "__main__":
    unittest.main()
