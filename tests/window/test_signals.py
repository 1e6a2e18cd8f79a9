"""Ctrl+C and kill end a running game, whose pads are watched from start-up.

Runs zelvix at level 1 until its first frame, sends it SIGINT or SIGTERM and
expects it to end by that signal, as it would with no pad reading at all.
"""

import signal
import unittest

import windowlib as wl

ARGS = None


class SignalTest(unittest.TestCase):
    def test_signals_end_the_game(self):
        for sig in (signal.SIGINT, signal.SIGTERM):
            with self.subTest(signal=sig.name), wl.Game(ARGS.zelvix, b"1\n") as game:
                game.wait_window()
                with open("/proc/%d/maps" % game.proc.pid) as maps:
                    self.assertIn("libSDL2", maps.read(), "the pads are read through SDL")
                game.proc.send_signal(sig)
                self.assertEqual(game.wait_exit(20), -sig)


if __name__ == "__main__":
    ARGS, argv = wl.parse_args(__doc__)
    wl.require_display()
    # A shell's background job starts with SIGINT ignored, which the game would
    # inherit; exec resets a handled signal to its default action.
    signal.signal(signal.SIGINT, signal.default_int_handler)
    unittest.main(argv=argv)
