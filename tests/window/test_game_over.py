"""A whole game: eat the first food, die at the bottom edge, close the window.

Level 1. The head is turned down into the first food (while paused, the
game let run on until a still frame shows the head in reach; a head gone past
starts a fresh game), the two-square snake then
runs into the bottom edge, which is a self hit. Checks "Game Over!" in the
window, a snake that stands still from then on, the console report, the score
file, the two beeps (X bells, or sounds of a sound server: SOUNDS), and that
closing the window exits with status 0 and flushes the rest of the report.
With --frames-like, the same game played by another build must end on the
same frame, pixel for pixel.
"""

import os
import time
import unittest

import windowlib as wl

ARGS = None
SHIM = os.environ.get("ZELVIX_SWAP_CONTROL_SHIM")  # natively: records the game's timers

# The sound server of ZELVIX_TEST_SOUND: (X bells, sounds on its sink, None where none is recorded).
SOUNDS = {
    "none": (2, None),  # no server: the X bell, as on a desktop without sound
    "server": (0, 2),  # one sound a beep, and no X bell besides
    "stopped": (1, None),  # the food's beep hangs in it, the self hit's rings the X bell
}


class GameOverTest(unittest.TestCase):
    def test_eat_then_hit_the_bottom_edge(self):
        kind = os.environ.get("ZELVIX_TEST_SOUND", "none")
        bells_wanted, sounds_wanted = SOUNDS[kind]
        bells = wl.Bells(ARGS.bell_count)
        self.addCleanup(bells.close)
        sound = wl.SoundServer(kind)
        self.addCleanup(sound.close)
        env = dict(wl.preloading(sound.env, SHIM), ZELVIX_SWAP_LOG="calls.log") if SHIM else sound.env
        with wl.play_until_game_over(ARGS.zelvix, bells=bells, env=env, prepare=sound.fresh,
                                     started=sound.hold) as game:
            shot = game.screenshot()
            game.keep_last_shot("game-over.xwd")

            with self.subTest("Game Over! drawn"):
                self.assertEqual(wl.text_problems(wl.text_extent(shot), "Game Over!"), [])

            with self.subTest("console report"):
                # Everything up to "Game Over" is flushed at the self hit.
                want = wl.BANNER + wl.REPORT_FLUSHED % 2
                wl.wait_until(lambda: game.stdout() == want, 10, "the report on stdout %r" % want)

            with self.subTest("score file"):
                with open(game.file(wl.SCORE_FILE), "rb") as f:
                    self.assertEqual(f.read(), wl.SCORE_LINE % (2, 1))

            with self.subTest("beeps"):
                # One for the food, one for the self hit, and no more.
                wl.wait_until(lambda: bells.count() >= bells_wanted, 10, "the bells on the display")
                if sounds_wanted is not None:
                    self.assertEqual(sound.sounds(), sounds_wanted)

            with self.subTest("the snake stands still after the game over"):
                # Three ticks at level 1; every frame after the self hit is the same.
                time.sleep(0.75)
                later = game.screenshot()
                self.assertTrue(shot.same_as(later), "the frame changed after the game over")

            with self.subTest("closing the window"):
                self.assertEqual(bells.count(), bells_wanted)
                self.assertEqual(game.close(ARGS.close_window), 0)
                # The end of the report waited in the output buffer until the exit.
                self.assertEqual(game.stdout(), wl.BANNER + wl.REPORT_FLUSHED % 2 + wl.REPORT_TAIL)
                self.assertEqual(game.stderr(), b"")
                with open(game.file(wl.SCORE_FILE), "rb") as f:
                    self.assertEqual(f.read(), wl.SCORE_LINE % (2, 1))

            if SHIM:
                with self.subTest("one timer chain: each tick, beeping or not, arms the next and no other"):
                    with open(game.file("calls.log")) as f:
                        timers = [line.strip() for line in f if line.startswith("glutTimerFunc")]
                    # The first tick 33 ms after start-up, then level 1's 220 ms.
                    self.assertEqual(timers, ["glutTimerFunc 33"] + ["glutTimerFunc 220"] * (len(timers) - 1))

        if ARGS.frames_like:
            with self.subTest("the same frame as " + ARGS.frames_like):
                with wl.play_until_game_over(ARGS.frames_like, attempts=10, column=game.turned_at) as other:
                    self.assertTrue(shot.same_as(other.screenshot()), "the game-over frames differ")


if __name__ == "__main__":
    ARGS, argv = wl.parse_args(__doc__)
    wl.require_display()
    unittest.main(argv=argv)
