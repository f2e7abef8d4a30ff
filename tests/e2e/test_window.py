"""The main window: its menus, the About window, and File > Exit."""
import unittest

from tessa_e2e import BG, MENUS, App, checked


def about_at(shot):
    """(left, top) of what is drawn first from the left at y=50 and from the
    top at x=60 (left of any File window); (None, None) when nothing is."""
    return (next((x for x in range(20, 69) if shot(x, 50) != BG), None),
            next((y for y in range(22, 120) if shot(60, y) != BG), None))


class TestMenusAndAbout(unittest.TestCase):

    def test_menus_and_about_window_then_file_exit(self):
        app = App(self)
        self.assertEqual((app.win.get_wm_name(), app.size), ("Tessaview", (1280, 720)))
        glyphs = app.learn_glyphs()
        shot = app.shot()
        self.assertEqual({shot(x, y) for x in range(640, 1280, 41) for y in range(360, 720, 37)}, {BG})
        self.assertEqual([glyphs.find(shot, " %s " % m, x - 7, 3, reach=1) for m, x in MENUS.items()],
                         [(x - 7, 3) for x in MENUS.values()], "labels of the menu bar")
        for menu, item, mark in (("File", "Exit", False), ("Tool", "Use NewTek NDI", True),
                                 ("Help", "About", False)):
            shot, at = app.open_menu(glyphs, menu, item)
            self.assertEqual(checked(shot, at, item), mark, item)
            app.click(1200, 650)

        app.click(578, 29)  # window 1's close button clears the way
        app.wait_shot(lambda s: about_at(s) == (None, None) and s(300, 30) == BG, "an empty screen")

        def choose_about(shown):
            app.choose(glyphs, "Help", "About")
            return app.wait_shot(lambda s: (about_at(s) != (None, None)) == shown, "About shown: %s" % shown)

        shot = choose_about(True)
        self.assertEqual(about_at(shot), (40, 40))
        self.assertTrue(shot(300, 43) == shot(301, 43) != BG and shot(300, 62) != BG, "title bar and body")
        self.assertTrue(checked(*app.open_menu(glyphs, "Help", "About"), "About"))
        app.click(1200, 650)
        # It stays at (40, 40) whatever the mouse does.
        app.drag(150, 49, 400, 300)
        shot = app.wait_shot(lambda s: about_at(s) == (40, 40) and s(420, 320) == BG, "About back at (40, 40)")
        right = max(x for x in range(1280) if shot(x, 50) != BG)
        app.click(right - 11, 49)  # its close button
        app.wait_shot(lambda s: about_at(s) == (None, None), "About closed by its button")
        self.assertFalse(checked(*app.open_menu(glyphs, "Help", "About"), "About"))
        app.click(1200, 650)
        choose_about(True)
        choose_about(False)

        app.choose(glyphs, "File", "Exit")
        self.assertEqual(app.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
