"""The main window, its menus, the About window and file drops, end to end."""

import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from tessa_e2e import (  # noqa: E402
    App, AppTestCase, BACKGROUND, MENU_FILE, MENU_HELP, WINDOW_SIZE, WINDOW_TITLE,
    centre, created_line, differs_from, found_line, text_boxes,
)


class TestMainWindow(unittest.TestCase):
    """Looks only, so one program serves every test here."""

    @classmethod
    def setUpClass(cls):
        cls.app = App()
        cls.app.start()

    @classmethod
    def tearDownClass(cls):
        cls.app.stop()

    def test_window_is_titled_and_sized(self):
        win = self.app.find_window(WINDOW_TITLE)
        self.assertIsNotNone(win, "no mapped window titled %r" % WINDOW_TITLE)
        # Both the ICCCM and the EWMH name carry the title.
        self.assertEqual(win.get_wm_name(), WINDOW_TITLE)
        _, _, w, h = self.app.geometry()
        self.assertEqual((w, h), WINDOW_SIZE)

    def test_background_far_from_widgets(self):
        shot = self.app.wait_for_screen(lambda s: s(1270, 710) == BACKGROUND, timeout=5,
                                        what="background colour")
        w, h = WINDOW_SIZE
        # A grid over the lower right part, where nothing is drawn at start.
        wrong = [(x, y, shot(x, y)) for y in range(360, h, 37) for x in range(640, w, 41)
                 if shot(x, y) != BACKGROUND]
        self.assertEqual(wrong, [], "pixels that are not the background %r" % (BACKGROUND,))

    def test_menu_bar_shows_three_menus_from_the_left(self):
        words = self.app.wait_for_screen(lambda s: len(self.app.menu_bar_words(s)) >= 3,
                                         what="menu bar text")
        words = self.app.menu_bar_words(words)
        self.assertEqual(len(words), 3, "File, Tool and Help, found %r" % words)
        file_word = words[0]
        self.assertTrue(5 <= file_word[0] and file_word[2] <= 45, "File at %r" % (file_word,))
        self.assertTrue(all(b[1] >= 1 and b[3] <= 18 for b in words), words)


class TestAbout(AppTestCase):

    def frame_at(self, shot):
        """(left, top) of the first non-background pixels scanned towards
        (40, 40) from above and from the left; (None, None) when clear."""
        not_bg = differs_from(BACKGROUND)
        return (shot.first_along_row(50, 20, 120, not_bg),
                shot.first_along_column(300, 22, 120, not_bg))

    def open_about(self):
        self.assertEqual(self.frame_at(self.app.screenshot()), (None, None),
                         "something is drawn at (40, 40) before Help > About")
        self.app.choose_menu(MENU_HELP, 0)
        return self.app.wait_for_screen(lambda s: self.frame_at(s) != (None, None),
                                        what="About window")

    def wait_hidden(self, what):
        return self.app.wait_for_screen(lambda s: self.frame_at(s) == (None, None), what=what)

    def test_help_about_opens_the_window_at_40_40(self):
        shot = self.open_about()
        self.assertEqual(self.frame_at(shot), (40, 40), "About window's left and top edges")
        # Inside: a title bar of its own colour, above the window's body.
        title = shot(300, 43)
        self.assertNotEqual(title, BACKGROUND)
        self.assertEqual(shot(301, 43), title, "title bar is not one flat colour")
        self.assertNotEqual(shot(300, 62), BACKGROUND, "no window body below the title bar")

    def test_help_about_again_hides_it(self):
        self.open_about()
        self.app.choose_menu(MENU_HELP, 0)
        self.wait_hidden("About window hidden by the second Help > About")

    def test_close_button_hides_it(self):
        shot = self.open_about()
        right = shot.first_along_row(50, WINDOW_SIZE[0] - 1, 40, differs_from(BACKGROUND))
        # The close button is the last glyph at the title bar's right end.
        glyphs = text_boxes(shot, right - 30, 41, right, 58)
        self.assertTrue(glyphs, "no close button in the title bar ending at x=%d" % right)
        self.app.click(*centre(glyphs[-1]))
        self.wait_hidden("About window hidden by its close button")
        self.assertTrue(self.app.running())

    def test_dragged_window_returns_to_40_40(self):
        self.open_about()
        self.app.drag(150, 49, 400, 300)
        shot = self.app.wait_for_screen(lambda s: self.frame_at(s) == (40, 40),
                                        what="About window back at (40, 40)")
        self.assertEqual(shot(420, 320), BACKGROUND, "window left where it was dragged to")


class TestDrop(AppTestCase):
    # Each case ends with a sentinel drop, so the lines are compared whole.
    # Files that are not taken hold real DPX data: the path alone must decide.

    def test_two_dpx_and_one_other_in_one_drop(self):
        a, b = self.dpx("a.dpx"), self.dpx("b.DPX")
        other = self.dpx("c.txt")
        self.app.drop([a, b, other])
        sentinel = self.drop_sentinel()
        self.assertEqual(self.workset_lines(),
                         [created_line(a, 1), created_line(b, 2), created_line(sentinel, 3)])
        self.assertNotIn(other, self.app.stdout + self.app.stderr)

    def test_same_path_again_finds_the_workset(self):
        a = self.dpx("a.dpx")
        self.app.drop([a])
        self.app.drop([a])
        # The second drop used no index: the next new file still gets 2.
        sentinel = self.drop_sentinel()
        self.assertEqual(self.workset_lines(),
                         [created_line(a, 1), found_line(a), created_line(sentinel, 2)])

    def test_path_with_space_and_folder_named_like_a_dpx_file(self):
        spaced = self.dpx("two words/frame 0001.dpx")
        # ".dpx" anywhere in the path takes it, whatever the file's own name.
        inner = self.dpx("x.dpx.d/frame")
        backup = self.dpx("shot.dpx.bak")
        mixed = self.dpx("shot.Dpx")
        self.app.drop([spaced, inner, mixed, backup])
        sentinel = self.drop_sentinel()
        self.assertEqual(self.workset_lines(),
                         [created_line(spaced, 1), created_line(inner, 2), created_line(backup, 3),
                          created_line(sentinel, 4)])
        self.assertNotIn(mixed, self.app.stdout)
        self.assertTrue(self.app.running())

    def test_unreadable_dpx_paths_use_no_index(self):
        text = self.app.add_file("notes.dpx", data=b"not a picture\n" * 200)
        missing = os.path.join(self.app.files, "missing.dpx")
        a = self.dpx("a.dpx")
        self.app.drop([text, missing, a])
        sentinel = self.drop_sentinel()
        self.assertEqual(self.workset_lines(), [created_line(a, 1), created_line(sentinel, 2)])
        self.assertNotIn(text, self.app.stdout)
        self.assertNotIn(missing, self.app.stdout)


class TestManyFiles(AppTestCase):

    def test_150_files_in_one_drop_load_in_order(self):
        paths = [self.dpx("many/frame %03d.dpx" % i) for i in range(150)]
        self.app.drop(paths, timeout=20)
        sentinel = self.drop_sentinel(timeout=30)
        self.assertEqual(self.workset_lines(),
                         [created_line(p, i + 1) for i, p in enumerate(paths)] +
                         [created_line(sentinel, 151)])
        self.app.close()
        self.assertEqual(self.app.wait_exit(20), 0, self.app.describe())


class TestEnding(AppTestCase):

    def test_file_exit_clicked_ends_with_status_0(self):
        items = self.app.open_menu(MENU_FILE)
        self.assertTrue(items, "File menu shows no item")
        exit_item = items[0]
        self.assertTrue(20 <= centre(exit_item)[1] <= 45, "first File item at %r" % (exit_item,))
        self.assertTrue(self.app.running(), "program ended on opening the menu")
        self.app.click(*centre(exit_item))
        self.assertEqual(self.app.wait_exit(10), 0, self.app.describe())

    def test_window_manager_close_ends_with_status_0(self):
        # A few frames first, so the close does not race the start-up.
        self.app.wait_for_screen(lambda s: s(1270, 710) == BACKGROUND, what="first frames")
        self.app.close()
        self.assertEqual(self.app.wait_exit(10), 0, self.app.describe())


if __name__ == "__main__":
    unittest.main()
