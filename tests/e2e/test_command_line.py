"""Files on the command line, --help, --version and unknown options; a drop
whose source goes away before it is answered."""
import os
import subprocess
import tempfile
import unittest

from tessa_e2e import BIN, App, created, wait_for


class TestCommandLine(unittest.TestCase):

    def test_options_print_and_exit(self):
        for args, status, stream, text in ((["--version"], 0, "stdout", "tessaview 0.6.0\n"),
                                           (["--help"], 0, "stdout", "usage: tessaview [--help] [--version] [FILE...]\n"),
                                           (["--bogus", "x.dpx"], 2, "stderr",
                                            "tessaview: unknown option --bogus\nusage: tessaview [--help]")):
            run = subprocess.run([BIN, *args], capture_output=True, text=True, timeout=60)
            self.assertEqual(run.returncode, status, args)
            self.assertTrue(getattr(run, stream).startswith(text), (args, run.stdout, run.stderr))

    def test_files_open_in_order_as_a_drop_takes_them(self):
        folder = tempfile.mkdtemp(prefix="tvcl", dir="/tmp")
        self.addCleanup(subprocess.run, ["rm", "-rf", folder])
        with open(os.path.join(os.environ["TESSA_TEST_DATA"], "openimageio-rgb8-le.dpx"), "rb") as f:
            sample = f.read()
        names = ["b.dpx", "missing.dpx", "notes.txt", "a.DPX", "b.dpx"]
        for name in ("a.DPX", "b.dpx", "notes.txt"):
            with open(os.path.join(folder, name), "wb") as f:
                f.write(sample)
        paths = [os.path.join(folder, n) for n in names]
        app = App(self, args=paths)
        wait_for(lambda: "found exising workset for %s" % paths[4] in app.out(), "the files at start" + app.describe())
        self.assertEqual(app.out(), "%s\n%s\nfound exising workset for %s\n" % (
            created(paths[0], 1), created(paths[3], 2), paths[4]))
        refusals = [line for line in app.out("err").splitlines() if line.startswith("refused")]
        self.assertEqual(refusals, ["refused %s: cannot open (No such file or directory)" % paths[1]])

    def test_a_drop_source_that_closes_early_ends_nothing(self):
        app = App(self)
        first = app.add("first.dpx")
        app.drop([first])
        app.abandoned_drop()
        wait_for(lambda: "which no longer exists; going on" in app.out("err"), "the X error's line" + app.describe())
        second = app.add("second.dpx")
        app.drop([second])
        self.assertEqual(app.out(), "%s\n%s\n" % (created(first, 1), created(second, 2)))
        app.close()
        self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
