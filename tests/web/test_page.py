"""The browser page, zelvix.html, in headless Chromium driven through Selenium.

Copied alone into an empty folder, then opened from disk and played with the
keys, and served over HTTP and played by touch (a tap pauses, a swipe turns),
the page plays the window tests' scripted game (level 1: eat the first food,
run into the bottom edge) after a blank line that must keep the level read
waiting. Checks the console text and score line against the desktop's bytes,
"Game Over!" where the desktop draws it, the two beeps, that the arrows and
F1 never reach the page, that nothing is logged as an error, and that the
score survives a reload.
"""

import base64
import functools
import http.server
import os
import shutil
import sys
import tempfile
import threading
import unittest

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

import chromium

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "window"))
import windowlib as wl  # noqa: E402

PAGE = None
# Runs before the page's own script: frames stay readable after they are
# shown, every tone started is counted, and every key's fate is recorded.
WATCH = """
const getContext = HTMLCanvasElement.prototype.getContext;
HTMLCanvasElement.prototype.getContext = function (kind, attributes) {
  return getContext.call(this, kind, Object.assign({}, attributes, { preserveDrawingBuffer: true }));
};
window.tones = 0;
const start = OscillatorNode.prototype.start;
OscillatorNode.prototype.start = function (...args) { window.tones += 1; return start.apply(this, args); };
window.keys = [];
window.addEventListener('keydown', (event) => window.keys.push([event.key, event.defaultPrevented]));
"""
READ_CANVAS = """
const canvas = document.getElementById('canvas');
const copy = Object.assign(document.createElement('canvas'), { width: canvas.width, height: canvas.height });
const context = copy.getContext('2d');
context.drawImage(canvas, 0, 0);
const rgba = context.getImageData(0, 0, copy.width, copy.height).data;
let text = '';
for (let i = 0; i < rgba.length; i += 8192) text += String.fromCharCode(...rgba.subarray(i, i + 8192));
return [copy.width, copy.height, btoa(text)];
"""


class CanvasShot(wl.Shot):
    """A frame of the canvas (RGBA rows, top first), read as a window's screenshot."""

    def __init__(self, width, height, rgba):
        self.width, self.height, self.pixels = width, height, rgba
        self.bytes_per_line, self.bytes_per_pixel, self.msb_first = width * 4, 4, True
        self.shifts = [(0xFF << shift, shift) for shift in (24, 16, 8)]
        self.size_world()


class Page:
    """The page in a browser, with what wl.eat_first_food asks of a game:
    keys typed, or by touch swiped (arrows) and tapped (F1) on the canvas."""

    KEYS = {"Down": Keys.ARROW_DOWN, "Up": Keys.ARROW_UP, "Left": Keys.ARROW_LEFT, "Right": Keys.ARROW_RIGHT,
            "F1": Keys.F1}
    SWIPES = {"Down": (0, 40), "Up": (0, -40), "Left": (-40, 0), "Right": (40, 0), "F1": (0, 0)}

    def __init__(self, driver, touch):
        self.driver, self.touch = driver, touch

    def text(self, element):
        return self.driver.execute_script("return document.getElementById(arguments[0]).textContent", element).encode()

    def type_line(self, line):
        self.driver.find_element(By.ID, "stdin").send_keys(line + Keys.ENTER)

    def screenshot(self):
        width, height, data = self.driver.execute_script(READ_CANVAS)
        return CanvasShot(width, height, base64.b64decode(data))

    def key(self, *names):
        if not self.touch:
            ActionChains(self.driver).send_keys(*(self.KEYS[name] for name in names)).perform()
        for dx, dy in (self.SWIPES[name] for name in names if self.touch):
            x, y = self.driver.execute_script("const box = canvas.getBoundingClientRect(); "
                                              "return [box.left + 175, box.top + 200]")
            path = [("touchStart", [(x, y)]), ("touchMove", [(x + dx / 2, y + dy / 2)]),
                    ("touchMove", [(x + dx, y + dy)]), ("touchEnd", [])]
            for kind, points in path:
                self.driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
                    "type": kind, "touchPoints": [{"x": px, "y": py} for px, py in points]})


def serve(directory):
    """Serves directory on a free loopback port; returns the server."""
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=directory))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class PageTest(unittest.TestCase):
    def setUp(self):
        self.driver = chromium.start(WATCH)
        self.addCleanup(chromium.stop, self.driver)
        # The page alone in a folder of its own: it needs nothing beside it.
        alone = tempfile.TemporaryDirectory(prefix="zelvix-page-")
        self.addCleanup(alone.cleanup)
        page = shutil.copy(PAGE, os.path.join(alone.name, "zelvix.html"))
        server = serve(alone.name)
        self.addCleanup(server.server_close)
        self.addCleanup(server.shutdown)
        self.cases = {"from disk, with the keys": ("file://" + page, False),
                      "over HTTP, by touch": ("http://127.0.0.1:%d/zelvix.html" % server.server_port, True)}

    def start_level_one(self, url):
        self.driver.get(url)
        wl.wait_until(lambda: self.page.text("console") == wl.BANNER, 10, "the banner and prompt")
        self.page.type_line("  ")
        self.assertEqual(self.page.text("console"), wl.BANNER + b"  \n", "a blank line")
        self.assertTrue(self.driver.find_element(By.ID, "stdin").is_enabled(), "the read stopped waiting")
        self.page.type_line("1")

    def test_scripted_game(self):
        for case, (url, touch) in self.cases.items():
            with self.subTest(case):
                self.page = Page(self.driver, touch)
                self.play(url)

    def text_shown(self):
        """The frame, when it shows a text in the middle of the field."""
        shot = self.page.screenshot()
        return shot if wl.text_extent(shot) else None

    def pause_and_resume(self):
        self.page.key("F1")
        shot = wl.wait_until(self.text_shown, 10, '"Paused"')
        self.assertEqual(wl.text_problems(wl.text_extent(shot), "Paused"), [])
        self.page.key("F1")
        wl.wait_until(lambda: self.text_shown() is None, 10, '"Paused" to go')

    def play(self, url):
        page = self.page
        for _ in range(5):
            self.start_level_one(url)
            self.pause_and_resume()
            if wl.eat_first_food(page):
                break
        else:
            self.fail("missed the turn into the first food in 5 games")
        shot = wl.wait_until(self.text_shown, 60, "Game Over!")
        self.assertEqual((shot.width, shot.height), wl.DEFAULT_SIZE)
        self.assertEqual(wl.text_problems(wl.text_extent(shot), "Game Over!"), [])
        report = wl.BANNER + b"  \n1\n" + wl.REPORT_FLUSHED % 2
        wl.wait_until(lambda: page.text("console") == report, 10, "the report %r" % report)
        self.assertEqual(page.text("score"), wl.SCORE_LINE % (2, 1))
        self.assertEqual(self.driver.execute_script("return window.tones"), 2)
        keys = self.driver.execute_script("return window.keys")
        self.assertEqual([key for key in keys if key[0].startswith("Arrow") or key[0] == "F1"],
                         [] if page.touch else [["F1", True], ["F1", True], ["ArrowDown", True]])
        errors = [entry for entry in self.driver.get_log("browser") if entry["level"] == "SEVERE"]
        self.assertEqual(errors, [])

        self.driver.refresh()
        wl.wait_until(lambda: page.text("console") == wl.BANNER, 10, "the banner after a reload")
        self.assertEqual(page.text("score"), wl.SCORE_LINE % (2, 1), "the score after a reload")


if __name__ == "__main__":
    PAGE = os.path.abspath(sys.argv[1])
    unittest.main(argv=sys.argv[:1] + sys.argv[2:])
