"""Swap control: the pace must not wait for the monitor's refresh.

Where the GL driver offers GLX_EXT_swap_control or GLX_MESA_swap_control the
game sets the swap interval to 0 once; where it offers neither (Xvfb's own
list) it changes nothing and still runs. A preloaded shim adds extensions to
the server's list and records the swap-interval calls, so each driver is
played in turn; in each the snake must still crawl.
"""

import os
import unittest

import windowlib as wl

ARGS = None
SHIM = os.environ.get("ZELVIX_SWAP_CONTROL_SHIM")
SWAP_CONTROL = ("GLX_EXT_swap_control", "GLX_MESA_swap_control")


def wait_for_crawl(game):
    """Waits for the window and then for the snake to crawl right along its
    starting row, two steps on from where it is first seen."""
    game.wait_window()
    first = wl.wait_until(lambda: game.screenshot().head_on_start_row(), 10, "the head on its row")
    wl.wait_until(
        lambda: (game.screenshot().head_on_start_row() or 0) >= first + 2 * wl.STEP,
        10,
        "the head two steps on from x = %g" % first,
    )


class SwapControlTest(unittest.TestCase):
    def test_wgl_swap_interval_under_wine(self):
        if not wl.WINE:
            self.skipTest("the Windows build")
        # Wine offers WGL_EXT_swap_control and traces the call on its wgl channel.
        env = dict(os.environ, WINEDEBUG="-all,+wgl")
        with wl.Game(ARGS.zelvix, b"1\n", env=env) as game:
            wait_for_crawl(game)
            trace = game.stderr()
            self.assertRegex(trace, rb"wglGetExtensionsString\w+ \(.*\) returning \"[^\"]*\bWGL_EXT_swap_control\b")
            self.assertEqual(trace.count(b"wglSwapIntervalEXT"), 1)
            self.assertIn(b"wglSwapIntervalEXT (0)", trace)
            self.assertEqual(game.close(ARGS.close_window), 0)

    def test_swap_interval_by_driver(self):
        if wl.WINE:
            self.skipTest("a GLX driver")
        self.assertTrue(SHIM and os.path.exists(SHIM), "ZELVIX_SWAP_CONTROL_SHIM must name the shim")
        cases = [
            ("none offered", "", []),
            ("EXT", "GLX_EXT_swap_control", ["glXSwapIntervalEXT 0"]),
            ("MESA", "GLX_MESA_swap_control", ["glXSwapIntervalMESA 0"]),
            ("both, EXT preferred", "GLX_MESA_swap_control GLX_EXT_swap_control", ["glXSwapIntervalEXT 0"]),
            ("a longer name is another extension", "GLX_EXT_swap_control_tear", []),
        ]
        for name, offered, calls in cases:
            with self.subTest(name):
                self.check_driver(offered, calls)

    def check_driver(self, offered, calls):
        env = dict(wl.preloading(os.environ, SHIM), ZELVIX_FAKE_GLX_EXTENSIONS=offered)

        def log_in_workdir(workdir):
            env["ZELVIX_SWAP_LOG"] = os.path.join(workdir, "swap.log")

        with wl.Game(ARGS.zelvix, b"1\n", env=env, prepare=log_in_workdir) as game:
            wait_for_crawl(game)
            with open(env["ZELVIX_SWAP_LOG"]) as f:
                lines = f.read().splitlines()
            server = [line for line in lines if line.startswith("server ")]
            self.assertTrue(server, "no query of the GLX extensions was seen")
            for extension in SWAP_CONTROL:
                # Xvfb offers neither, so the first case is a driver without them.
                self.assertNotIn(extension, server[0].split(), "the X server itself offers it")
            self.assertEqual([line for line in lines if line.startswith("glXSwapInterval")], calls)
            self.assertEqual(game.close(ARGS.close_window), 0)
            self.assertEqual(game.stderr(), b"")


if __name__ == "__main__":
    ARGS, argv = wl.parse_args(__doc__)
    wl.require_display()
    unittest.main(argv=argv)
