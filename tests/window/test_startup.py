"""Start-up: console dialogue, the window's title and place, the first scene.

Runs zelvix at level 1, checks the exact console bytes, the window's title,
class and icon, position and size, and a screenshot of the starting scene;
then closes the window as a window manager would and expects a clean exit with
status 0.
"""

import os
import struct
import unittest

import windowlib as wl

ARGS = None
ICONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "data", "icons")


class StartupTest(unittest.TestCase):
    def test_console_window_and_first_scene(self):
        with wl.Game(ARGS.zelvix, b"1\n") as game:
            game.wait_window()

            with self.subTest("console"):
                # Flushed before the read; nothing else is written while the game runs.
                self.assertEqual(game.stdout(), wl.BANNER)

            with self.subTest("title"):
                self.assertEqual(game.title(), wl.TITLE)

            with self.subTest("class and icon"):
                if wl.WINE:
                    self.skipTest("Wine sets the class and icon of the windows it makes")
                self.check_class_and_icon(game.window)

            with self.subTest("position and size"):
                self.assertEqual(game.geometry(), wl.DEFAULT_POSITION + wl.DEFAULT_SIZE)

            shot = game.screenshot()
            game.keep_last_shot("startup.xwd")
            self.assertEqual((shot.width, shot.height), wl.DEFAULT_SIZE)
            self.assertAlmostEqual(shot.world_height, 275.0, places=3)

            with self.subTest("status panel"):
                self.check_panel(shot)

            with self.subTest("food square"):
                self.assertEqual(shot.square_problems(*wl.FOOD_START, wl.FOOD_CORNERS), [])

            head_x = shot.head_on_start_row()
            with self.subTest("head square"):
                # The head has moved right by whole steps since start-up.
                self.assertIsNotNone(head_x, "no square on the 100 + 11k grid of row y = 150")
                self.assertEqual(shot.square_problems(head_x, wl.HEAD_START[1], wl.SNAKE_CORNERS), [])

            with self.subTest("nothing else in the field"):
                squares = [wl.FOOD_START, (head_x, wl.HEAD_START[1])]
                stray = [
                    p
                    for p in shot.count_in_world(0, 0, 249.9, 239.9, lambda c: not wl.colour_near(c, wl.BACKGROUND, 2))
                    if not any(self.near_square(shot, p, square) for square in squares)
                ]
                self.assertEqual(stray[:10], [], "%d pixels besides the head and food" % len(stray))

            with self.subTest("closing the window"):
                self.assertEqual(game.close(ARGS.close_window), 0)
                self.assertEqual(game.stdout(), wl.BANNER)
                report = wl.sanitizer_report(game.stderr())
                self.assertIsNone(report, "sanitizer report:\n%s" % report)
                self.assertEqual(game.stderr(), b"")

    def check_class_and_icon(self, window):
        """WM_CLASS as the menu entry's StartupWMClass expects; _NET_WM_ICON the
        art of data/icons at 16, 32 and 48 pixels, as ARGB numbers."""
        xprop = ["xprop", "-id", str(window), "-notype"]
        self.assertEqual(wl.run_tool(xprop + ["WM_CLASS"]).stdout, b'WM_CLASS = "zelvix", "Zelvix"\n')
        found = wl.run_tool(xprop + ["32c", "_NET_WM_ICON"]).stdout.decode()
        self.assertIn(" = ", found)
        numbers = [int(word) for word in found.partition(" = ")[2].split(",")]
        sizes = []
        while numbers:
            width, height = numbers[:2]
            pixels, numbers = numbers[2 : 2 + width * height], numbers[2 + width * height :]
            sizes.append((width, height))
            png = os.path.join(ICONS, "%dx%d" % (width, height), "zelvix.png")
            rgba = wl.run_tool(["convert", png, "-depth", "8", "rgba:-"]).stdout
            argb = [a << 24 | r << 16 | g << 8 | b for r, g, b, a in struct.iter_unpack("4B", rgba)]
            self.assertTrue(pixels == argb, "the %dx%d icon is not %s" % (width, height, png))
        self.assertEqual(sizes, [(16, 16), (32, 32), (48, 48)])

    def check_panel(self, shot):
        # Pixel rows 0..48 (world y 240..275) are the panel. The column at the
        # right edge holds no text, so it shows the plain gradient.
        rows = 49
        for py in range(shot.height):
            for px in (shot.width - 10, shot.width - 1):
                got = shot.pixel(px, py)
                if py < rows:
                    # Orange at the top edge, grey at the lower edge.
                    want = wl.lerp(wl.PANEL_TOP, wl.PANEL_BOTTOM, (py + 0.5) / rows)
                    self.assertTrue(wl.colour_near(got, want, 6), "panel row %d: %s, expected about %s" % (py, got, want))
                else:
                    self.assertTrue(wl.colour_near(got, wl.BACKGROUND, 2), "row %d below the panel: %s" % (py, got))

    @staticmethod
    def near_square(shot, pixel, square):
        left, right, top, bottom = shot.square_box(*square)
        px, py = pixel
        return left <= px <= right and top <= py <= bottom

if __name__ == "__main__":
    ARGS, argv = wl.parse_args(__doc__)
    wl.require_display()
    unittest.main(argv=argv)
