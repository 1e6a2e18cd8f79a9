"""Window resizes while the game runs at level 8.

Shrinks the window to a single pixel, stretches it very wide and very tall,
and puts it back, holding each size for a couple of seconds of ticks. The
game must keep running and drawing, with the status panel 35 world units
high at the top of every size, and write nothing to stderr.
"""

import time
import unittest

import windowlib as wl

ARGS = None

HOLD_SECONDS = 2.0


def panel_like(colour):
    """On the panel's orange-to-grey gradient, or one of its brown texts."""
    if wl.colour_near(colour, wl.TEXT_BROWN, 3):
        return True
    t = min(max((colour[2] - wl.PANEL_TOP[2]) / (wl.PANEL_BOTTOM[2] - wl.PANEL_TOP[2]), 0.0), 1.0)
    return wl.colour_near(colour, wl.lerp(wl.PANEL_TOP, wl.PANEL_BOTTOM, t), 8)


def layout_problems(shot):
    """What is wrong with the panel band of a screenshot; empty when nothing is.

    Rows wholly inside the top 35 world units must be panel (or its texts);
    the rows below it mostly background (the snake and food cover a few)."""
    band = wl.PANEL * shot.scale
    problems = []
    for py in range(shot.height):
        if py + 1 <= band - 0.5:
            wanted, check = "panel", panel_like
        elif py >= band + 0.5:
            wanted, check = "background", lambda c: wl.colour_near(c, wl.BACKGROUND, 2)
        else:
            continue  # the row on the panel's edge
        matching = sum(1 for px in range(shot.width) if check(shot.pixel(px, py)))
        if matching < (0.95 if wanted == "panel" else 0.8) * shot.width:
            problems.append("row %d: %d of %d pixels are %s" % (py, matching, shot.width, wanted))
            if len(problems) >= 5:
                break
    return problems


class ResizeTest(unittest.TestCase):
    def test_extreme_sizes_keep_the_game_running(self):
        sizes = [(1, 1), (900, 100), (100, 700), (350, 385)]
        with wl.Game(ARGS.zelvix, b"8\n") as game:
            game.wait_window()
            for width, height in sizes:
                with self.subTest(size="%dx%d" % (width, height)):
                    game.resize(width, height)
                    if min(width, height) >= 50:
                        # Polled: the reshape and the next frame follow the resize.
                        wl.wait_until(
                            lambda: not layout_problems(game.screenshot()),
                            20,
                            "a %dx%d frame with the panel at the top" % (width, height),
                        )
                    end = time.monotonic() + HOLD_SECONDS
                    while time.monotonic() < end:
                        game.check_alive()
                        self.assertEqual(game.stderr(), b"")
                        time.sleep(0.1)
                    shot = game.screenshot()
                    self.assertEqual((shot.width, shot.height), (width, height))
                    if min(width, height) >= 50:
                        self.assertEqual(layout_problems(shot), [])
            game.keep_last_shot("after-resizes.xwd")
            self.assertEqual(game.close(ARGS.close_window), 0)
            self.assertEqual(game.stderr(), b"")
            self.assertEqual(game.stdout(), wl.BANNER)


if __name__ == "__main__":
    ARGS, argv = wl.parse_args(__doc__)
    wl.require_display()
    unittest.main(argv=argv)
