"""No X display: the console dialogue runs, then GLUT gives up.

With DISPLAY unset, or naming a display no server answers on, zelvix must
still print its banner and read the level, then end with a non-zero status
and a message about the display on stderr; it must not crash, hang or leave
a score file.
"""

import os
import unittest

import windowlib as wl

ARGS = None


def unused_display():
    """A display name with no X server behind it on this machine."""
    for number in range(4711, 4811):
        if not os.path.exists("/tmp/.X11-unix/X%d" % number) and not os.path.exists("/tmp/.X%d-lock" % number):
            return ":%d" % number
    raise unittest.SkipTest("no unused display number found")


class NoDisplayTest(unittest.TestCase):
    def test_glut_reports_the_missing_display(self):
        environment = {key: value for key, value in os.environ.items() if key != "DISPLAY"}
        cases = [
            ("DISPLAY unset", environment),
            ("DISPLAY names no server", dict(environment, DISPLAY=unused_display())),
        ]
        for name, env in cases:
            with self.subTest(name), wl.Game(ARGS.zelvix, b"1\n", env=env) as game:
                status = game.wait_exit(60)
                stderr = game.stderr()
                self.assertGreater(status, 0, "exit status %d (a negative one is a signal)" % status)
                self.assertEqual(game.stdout(), wl.BANNER)
                self.assertIsNone(wl.sanitizer_report(stderr), stderr)
                self.assertIn(b"display", stderr.lower(), "stderr does not name the display: %r" % stderr)
                self.assertTrue(stderr.endswith(b"\n"), "stderr message not ended by a line break: %r" % stderr)
                self.assertFalse(os.path.exists(game.file(wl.SCORE_FILE)))


if __name__ == "__main__":
    ARGS, argv = wl.parse_args(__doc__)
    unittest.main(argv=argv)
