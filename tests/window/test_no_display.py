"""No X display: the console dialogue runs, then GLUT gives up.

With DISPLAY unset, or naming a display no server answers on, zelvix must
still print its banner and read the level, then end with a non-zero status
and a message about the display on stderr; it must not crash, hang or leave
a score file. The same holds when the X server goes away under a running
game.
"""

import os
import subprocess
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

    def test_server_going_away(self):
        number = unused_display()
        server = subprocess.Popen(
            ["Xvfb", number, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )
        old_display = os.environ.get("DISPLAY")
        os.environ["DISPLAY"] = number
        try:
            wl.wait_until(
                lambda: server.poll() is None and wl.run_tool(["xwininfo", "-root"], check=False).returncode == 0,
                30,
                "the X server on %s" % number,
            )
            with wl.Game(ARGS.zelvix, b"1\n") as game:
                game.wait_window()
                server.terminate()
                server.wait(timeout=30)
                status = game.wait_exit(30)
                stderr = game.stderr()
                self.assertGreater(status, 0, "exit status %d (a negative one is a signal)" % status)
                self.assertIsNone(wl.sanitizer_report(stderr), stderr)
                self.assertIn(number.encode(), stderr, "stderr does not name the display: %r" % stderr)
                self.assertTrue(stderr.endswith(b"\n"), "stderr message not ended by a line break: %r" % stderr)
                self.assertEqual(game.stdout(), wl.BANNER)
                self.assertFalse(os.path.exists(game.file(wl.SCORE_FILE)))
        finally:
            if old_display is None:
                del os.environ["DISPLAY"]
            else:
                os.environ["DISPLAY"] = old_display
            if server.poll() is None:
                server.kill()
                server.wait(timeout=30)


if __name__ == "__main__":
    ARGS, argv = wl.parse_args(__doc__)
    unittest.main(argv=argv)
