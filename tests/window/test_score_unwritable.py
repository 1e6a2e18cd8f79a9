"""A score file that cannot be written.

The same game as the end-to-end test (eat the first food, die at the bottom
edge), with User_score.txt made unwritable: a directory of that name (the
file cannot be opened) and a symbolic link to /dev/full (opened, but every
write fails). Either way the game over must still be drawn and reported on
the console, and stderr must hold exactly the one line about the lost score.
"""

import os
import unittest

import windowlib as wl

ARGS = None


def make_directory(workdir):
    os.mkdir(os.path.join(workdir, wl.SCORE_FILE))


def link_to_full_device(workdir):
    os.symlink("/dev/full", os.path.join(workdir, wl.SCORE_FILE))


def still_empty_directory(path):
    return os.path.isdir(path) and not os.path.islink(path) and os.listdir(path) == []


def still_link_to_full_device(path):
    return os.path.islink(path) and os.readlink(path) == "/dev/full"


class ScoreUnwritableTest(unittest.TestCase):
    def test_game_goes_on_and_says_the_score_is_lost(self):
        cases = [
            ("directory in the way", make_directory, still_empty_directory),
            ("link to a full device", link_to_full_device, still_link_to_full_device),
        ]
        for name, prepare, unchanged in cases:
            with self.subTest(name), wl.play_until_game_over(ARGS.zelvix, prepare=prepare) as game:
                self.assertEqual(wl.text_problems(wl.text_extent(game.screenshot()), "Game Over!"), [])
                wl.wait_until(lambda: game.stderr(), 10, "the message on stderr")
                self.assertEqual(game.stderr(), wl.SCORE_ERROR)
                want = wl.BANNER + wl.REPORT_FLUSHED % 2
                wl.wait_until(lambda: game.stdout().startswith(want), 10, "the report on stdout %r" % want)
                # As after a saved score, the report's last text stays in the
                # output buffer: the message on stderr must not flush stdout.
                self.assertEqual(game.stdout(), want, "stdout flushed early")
                self.assertTrue(unchanged(game.file(wl.SCORE_FILE)))

                self.assertEqual(game.close(ARGS.close_window), 0)
                self.assertEqual(game.stdout(), want + wl.REPORT_TAIL)
                self.assertEqual(game.stderr(), wl.SCORE_ERROR)


if __name__ == "__main__":
    ARGS, argv = wl.parse_args(__doc__)
    wl.require_display()
    unittest.main(argv=argv)
