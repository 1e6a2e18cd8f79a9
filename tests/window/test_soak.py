"""Soak: two minutes at level 8 under random arrow keys and pauses.

A seeded random player presses arrow keys and now and then F1 (a bounded
number of presses) for ZELVIX_SOAK_SECONDS (default 120). The process must stay
alive, keep its resident memory within 1 MiB of what it was after the first
10 seconds, write nothing to stderr, still answer F1 with a new frame at the
end, and exit with status 0 when the window is closed, its console output
being whole game-over reports and its score file matching the last one. Set ZELVIX_SOAK_SEED to replay
another key sequence.
"""

import os
import random
import re
import sys
import time
import unittest

import windowlib as wl

ARGS = None

SECONDS = float(os.environ.get("ZELVIX_SOAK_SECONDS", "120"))
SEED = int(os.environ.get("ZELVIX_SOAK_SEED", "1234"))
WARM_UP = 10.0  # memory is compared with its size at this point
RSS_MARGIN_KIB = 1024
MAX_PRESSES = 2000
KEYS = ["Left", "Right", "Up", "Down"]

# Mesa's software renderer allocates and frees a window-sized image (about
# 530 KiB) at each buffer swap. Under glibc's sliding mmap threshold that image
# moves into the heap after a while, and heap fragmentation then raises the
# resident size in steps of one image now and then, in a bare GLUT loop just
# the same. A fixed threshold keeps those images in mappings of their own, so
# that what is measured is the game's own memory.
ALLOCATOR = {"GLIBC_TUNABLES": "glibc.malloc.mmap_threshold=131072"}


def settled_rss_kib(game):
    """The resident size between frames: the least of a few readings 20 ms
    apart, leaving out the image that exists only during a swap."""
    readings = []
    for _ in range(6):
        readings.append(game.rss_kib())
        time.sleep(0.02)
    return min(readings)


class SoakTest(unittest.TestCase):
    def test_random_play_at_level_8(self):
        rng = random.Random(SEED)
        print("soak: %.0f s, seed %d" % (SECONDS, SEED), file=sys.stderr)
        with wl.Game(ARGS.zelvix, b"8\n", env=dict(os.environ, **ALLOCATOR)) as game:
            game.wait_window()
            # Draw "Paused" once before the warm-up ends: the first key
            # press and the first text of a kind map code and glyphs once.
            game.key("F1", "F1")
            start = time.monotonic()
            baseline = None
            lowest = highest = None
            presses = 0
            while time.monotonic() - start < SECONDS:
                # A burst of one to three keys, an F1 about every tenth burst.
                keys = [rng.choice(KEYS) for _ in range(rng.randint(1, 3))]
                if rng.random() < 0.1:
                    keys.append("F1")
                if presses + len(keys) <= MAX_PRESSES:
                    game.key(*keys)
                    presses += len(keys)
                time.sleep(rng.uniform(0.05, 0.3))

                game.check_alive()
                self.assertEqual(game.stderr(), b"", "stderr after %.0f s" % (time.monotonic() - start))
                rss = settled_rss_kib(game)
                if baseline is None:
                    if time.monotonic() - start >= WARM_UP:
                        baseline = lowest = highest = rss
                else:
                    lowest, highest = min(lowest, rss), max(highest, rss)
                    self.assertLessEqual(
                        abs(rss - baseline),
                        RSS_MARGIN_KIB,
                        "resident memory %d KiB after %.0f s, %d KiB after the warm-up"
                        % (rss, time.monotonic() - start, baseline),
                    )
            print(
                "soak: %d key presses, VmRSS %s KiB after the warm-up, %s to %s KiB later"
                % (presses, baseline, lowest, highest),
                file=sys.stderr,
            )
            self.assertIsNotNone(baseline, "the soak ended before the warm-up did")

            # Still running its event loop: F1 shows or hides "Paused" in a new
            # frame, or resumes a game stopped by a self hit, which a snake held
            # against an edge ends again at the next tick, with a new report.
            # The last burst may have ended in an F1 not yet drawn: take the
            # text as it stands once two screenshots 0.3 s apart agree.
            def settled_text():
                first = game.screenshot().text_pixels(*wl.TEXT_AREA)
                time.sleep(0.3)
                return (first,) if game.screenshot().text_pixels(*wl.TEXT_AREA) == first else None

            (before,) = wl.wait_until(settled_text, 20, "the text to settle")
            reports = game.stdout().count(b"Game Over\n")
            game.key("F1")
            wl.wait_until(lambda: game.screenshot().text_pixels(*wl.TEXT_AREA) != before
                          or game.stdout().count(b"Game Over\n") > reports, 20, "a frame or a report after F1")
            game.keep_last_shot("soak-end.xwd")

            self.assertEqual(game.close(ARGS.close_window), 0)
            self.assertEqual(game.stderr(), b"")
            # Each game over left a whole report; each tail went out with the next flush or at the exit.
            output = game.stdout()
            self.assertTrue(output.startswith(wl.BANNER), output[:200])
            report = re.compile(re.escape(wl.REPORT_FLUSHED).replace(b"%d", b"([0-9]+)") + re.escape(wl.REPORT_TAIL))
            rest = output[len(wl.BANNER) :]
            scores = []
            while rest:
                match = report.match(rest)
                self.assertIsNotNone(match, "not a game-over report: %r" % rest[:200])
                scores.append(int(match.group(1)))
                rest = rest[match.end() :]
            print("soak: %d game overs, scores %s" % (len(scores), scores[:20]), file=sys.stderr)
            if scores:
                with open(game.file(wl.SCORE_FILE), "rb") as f:
                    self.assertEqual(f.read(), wl.SCORE_LINE % (scores[-1], 8))
            else:
                self.assertFalse(os.path.exists(game.file(wl.SCORE_FILE)))

if __name__ == "__main__":
    ARGS, argv = wl.parse_args(__doc__)
    wl.require_display()
    unittest.main(argv=argv)
