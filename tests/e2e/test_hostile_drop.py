"""The hostile corpus dropped into the real program in one drop."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from tessa_e2e import AppTestCase, BACKGROUND, MENU_FILE, created_line  # noqa: E402

SANITIZER_MARKS = ("AddressSanitizer", "LeakSanitizer", "runtime error:", "UndefinedBehaviorSanitizer")
NDI_LINE = "NDI output unavailable: "


def write_corpus(directory):
    """Writes the corpus; returns [(path, loads, expected text)] in its order."""
    writer = os.environ.get("TESSA_CORPUS_WRITER")
    if not writer:
        raise unittest.SkipTest("TESSA_CORPUS_WRITER names no corpus writer")
    os.makedirs(directory, exist_ok=True)
    out = subprocess.run([writer, directory], capture_output=True, text=True, check=True, timeout=30).stdout
    files = []
    for line in out.splitlines():
        name, outcome, expect = line.split("\t")
        files.append((os.path.join(directory, name), outcome == "loads", expect))
    return files


class TestHostileDrop(AppTestCase):

    def test_corpus_in_one_drop_loads_the_readable_and_refuses_the_rest(self):
        files = write_corpus(os.path.join(self.app.files, "hostile"))
        loaded = [p for p, loads, _ in files if loads]
        refused = [(p, why) for p, loads, why in files if not loads]
        self.assertTrue(loaded and refused, "the corpus has files of both outcomes")

        self.app.drop([p for p, _, _ in files], timeout=15)
        sentinel = self.drop_sentinel(timeout=20)
        # The sentinel's window on screen: every window has been drawn since.
        left = 20 + (len(loaded) + 1) * 50
        self.app.wait_for_screen(lambda s: s(left + 10, 25) != BACKGROUND, timeout=10,
                                 what="the sentinel's window")
        self.assertTrue(self.app.running(), self.app.describe())

        self.assertEqual(self.workset_lines(),
                         [created_line(p, i) for i, p in enumerate(loaded, 1)] +
                         [created_line(sentinel, len(loaded) + 1)])
        stdout_others = [l for l in self.app.stdout.splitlines() if l not in self.workset_lines()]
        self.assertEqual(stdout_others, [])

        stderr = self.app.stderr.splitlines()
        refusals = [l for l in stderr if l.startswith("refused ")]
        self.assertEqual(len(refusals), len(refused), "one refusal line per refused file:\n" + "\n".join(stderr))
        for (path, why), line in zip(refused, refusals):
            self.assertTrue(line.startswith("refused %s: " % path), line)
            self.assertIn(why, line)
        others = [l for l in stderr if not l.startswith(("refused ", NDI_LINE))]
        self.assertEqual(others, [], "nothing else on standard error")

        self.app.choose_menu(MENU_FILE, 0)
        status = self.app.wait_exit(30)
        marks = [m for m in SANITIZER_MARKS if m in self.app.stderr]
        self.assertEqual(marks, [], self.app.describe())
        self.assertEqual(status, 0, self.app.describe())


if __name__ == "__main__":
    unittest.main()
