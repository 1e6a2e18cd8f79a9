"""The browser page in each engine's browser, driven through Selenium.

The single file, copied alone into an empty folder and opened from disk,
plays the window tests' scripted game (level 1: eat the first food, run into
the bottom edge) with the keys in Chromium, WebKit and Firefox, after a blank
line that must keep the level read waiting; in Chromium also served over
HTTP and played by touch, and as the site after its first visit with its
server stopped; over HTTP by pad: Gecko's test pad in Firefox (D-pad and
Start), a stand-in for navigator.getGamepads() elsewhere (Chromium's left
stick, WebKit's D-pad). Checks the console and score bytes against the desktop's,
"Game Over!" where the desktop draws it, two beeps, the arrows and F1 kept
from the page and every other key left to the browser, no error, a request
elsewhere refused, the score kept across a reload; in Chromium also a
stroke that turns the snake while the finger is still down, and again where
it bends, the game paused by another tab until F1, the screen kept on
while the snake moves (a stand-in for navigator.wakeLock), the site's
installability and icons, the canvas in view and large on every screen, and
the one line where WebGL is missing. In each engine the bare loop's page,
drawn through the page's own GL and GLUT, must show the frame the Linux
build of the bare loop draws, within 1 a channel.
"""

import base64
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

import browsers

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "window"))
import windowlib as wl  # noqa: E402

PAGE = SITE = BARE_LOOP = None
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
window.errors = [];
window.addEventListener('error', (event) => window.errors.push(String(event.message)));
window.addEventListener('unhandledrejection', (event) => window.errors.push(String(event.reason)));
"""
# A request to another origin, and the policy directive that refuses it.
REACH_OUT = """
window.refused = null;
document.addEventListener('securitypolicyviolation', (event) => { window.refused = event.violatedDirective; });
fetch(arguments[0]).catch(() => {});
"""
# Keys the game leaves to the browser, pressed on the page as the browser would.
BROWSER_KEYS = ("F5", "F11", "F12", "Tab", "a")
PRESS = "for (const key of arguments[0]) document.dispatchEvent(new KeyboardEvent('keydown', " \
        "{ key, bubbles: true, cancelable: true }));"
NEXT_FRAME = "requestAnimationFrame(arguments[0]);"
# The frame read as soon as it is drawn, in an engine that may not keep it.
AFTER_FRAME = """
const read = new Function(arguments[0]);
const next = window.requestAnimationFrame;
window.requestAnimationFrame = (callback) => next(() => { callback(); window.frame = read(); });
"""
# A standard pad, moved by padSet(kind, which, value): Gecko's own test pad,
# or elsewhere a stand-in for navigator.getGamepads() from before the page's
# scripts. PAD_STATE says whether the page reads the pad so moved.
GECKO_PAD = """
const service = navigator.requestGamepadServiceTest();
service.addGamepad('test pad', 'standard', 'left', 17, 4, 0, 0, 0).then((index) => {
  window.padIndex = index;
  window.padSet = (kind, which, value) => kind === 'axis' ? service.newAxisMoveEvent(index, which, value)
    : service.newButtonEvent(index, which, value > 0, value > 0);
});
"""
STAND_IN_PAD = """
const pad = { index: 0, id: 'stand-in', mapping: 'standard', connected: true, axes: [0, 0, 0, 0],
  buttons: Array.from({ length: 17 }, () => ({ pressed: false, value: 0 })) };
navigator.getGamepads = () => [pad];
window.padIndex = 0;
window.padSet = (kind, which, value) => kind === 'axis' ? (pad.axes[which] = value)
  : (pad.buttons[which] = { pressed: value > 0, value });
const connect = () => dispatchEvent(new Event('gamepadconnected'));
if (document.readyState === 'complete') connect(); else addEventListener('load', connect);
"""
PAD_STATE = """
const [kind, which, value] = arguments;
const pad = navigator.getGamepads()[window.padIndex];
return !!pad && Math.abs((kind === 'axis' ? pad.axes[which] : pad.buttons[which].value) - value) < 0.01;
"""
# A stand-in for navigator.wakeLock, whose locks headless browsers give no way to see.
WAKE_LOCK = """
window.wakeLocks = [];
const request = async (type) => { const lock = { type, release: async () => { lock.released = true; } };
  window.wakeLocks.push(lock); return lock; };
Object.defineProperty(navigator, 'wakeLock', { value: { request } });
"""
SCREEN_HELD = "return wakeLocks.filter((lock) => !lock.released).map((lock) => lock.type)"
NO_WEBGL = b"zelvix: this browser cannot draw the game (WebGL is not available)\n"
SCREENS = ((360, 640), (390, 844), (844, 390), (740, 320), (667, 375), (820, 1180), (1280, 720))
# The game's own context, read at once: far quicker than a copy in Firefox.
READ_CANVAS = """
const gl = document.getElementById('canvas').getContext('webgl');
const rgba = new Uint8Array(gl.drawingBufferWidth * gl.drawingBufferHeight * 4);
gl.readPixels(0, 0, gl.drawingBufferWidth, gl.drawingBufferHeight, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
let text = '';
for (let i = 0; i < rgba.length; i += 8192) text += String.fromCharCode(...rgba.subarray(i, i + 8192));
return [gl.drawingBufferWidth, gl.drawingBufferHeight, btoa(text)];
"""


class CanvasShot(wl.Shot):
    """A frame of the canvas (RGBA rows, bottom first, as GL reads them), read as a window's screenshot."""

    def __init__(self, width, height, rgba):
        self.width, self.height = width, height
        self.pixels = b"".join(rgba[row:row + width * 4] for row in reversed(range(0, len(rgba), width * 4)))
        self.bytes_per_line, self.bytes_per_pixel, self.msb_first = width * 4, 4, True
        self.shifts = [(0xFF << shift, shift) for shift in (24, 16, 8)]
        self.size_world()


class Page:
    """The page in a browser, with what wl.eat_first_food asks of a game:
    keys typed, by touch stroked (arrows) and tapped (F1) on the canvas, or
    pressed and let go on a pad, each once the page has read it; and F1 from
    the keyboard, to pause and resume. A stroke is held down until the next:
    the snake must have turned while the finger is down."""

    KEYS = {"Down": Keys.ARROW_DOWN, "Up": Keys.ARROW_UP, "Left": Keys.ARROW_LEFT, "Right": Keys.ARROW_RIGHT,
            "F1": Keys.F1}
    # Each stroke's points from its start; Down runs right (the heading) first, then bends and must turn again.
    STROKES = {"Down": ((30, 0), (30, 40)), "Up": ((0, -40),), "Left": ((-40, 0),), "Right": ((40, 0),), "F1": ()}
    PADS = {"dpad": {"Down": ("button", 13, 1), "F1": ("button", 9, 1)},
            "stick": {"Down": ("axis", 1, 0.8), "F1": ("button", 9, 1)}}

    def __init__(self, driver, way):
        self.driver, self.way, self.touch, self.held = driver, way, way == "touch", False

    def text(self, element):
        return self.driver.execute_script("return document.getElementById(arguments[0]).textContent", element).encode()

    def type_line(self, line):
        self.driver.find_element(By.ID, "stdin").send_keys(line + Keys.ENTER)

    def screenshot(self):
        width, height, data = self.driver.execute_script(READ_CANVAS)
        return CanvasShot(width, height, base64.b64decode(data))

    def toggle_pause(self, times=1):
        """F1 from the keyboard, whatever the way, times times a fifth of a second apart."""
        keys = ActionChains(self.driver)
        for press in range(times):
            (keys.pause(0.2) if press else keys).send_keys(Keys.F1)
        keys.perform()

    def key(self, *names):
        for kind, which, value in (self.PADS[self.way][name] for name in names if self.way in self.PADS):
            wl.wait_until(lambda: self.driver.execute_script("return !!window.padSet"), 10, "the pad")
            for state in (value, 0):
                self.driver.execute_script("padSet(...arguments)", kind, which, state)
                wl.wait_until(lambda: self.driver.execute_script(PAD_STATE, kind, which, state), 10,
                              "the pad's %s %d at %s" % (kind, which, state))
                self.driver.execute_async_script(NEXT_FRAME)
        if self.way == "keys":
            ActionChains(self.driver).send_keys(*(self.KEYS[name] for name in names)).perform()
        for stroke in (self.STROKES[name] for name in names if self.touch):
            x, y = self.driver.execute_script("const box = canvas.getBoundingClientRect(); "
                                              "return [box.left + 175, box.top + 200]")
            path = ([("touchEnd", [])] if self.held else []) + [("touchStart", [(x, y)])] + [
                ("touchMove", [(x + dx, y + dy)]) for dx, dy in stroke] + ([] if stroke else [("touchEnd", [])])
            self.held = bool(stroke)
            for kind, points in path:
                self.driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
                    "type": kind, "touchPoints": [{"x": px, "y": py} for px, py in points]})
                # Moves are delivered once a frame, only the last of them: each waits for its own.
                if kind == "touchMove":
                    self.driver.execute_async_script(NEXT_FRAME)


class PageTest(unittest.TestCase):
    def setUp(self):
        # The page alone in a folder of its own: it needs nothing beside it.
        alone = tempfile.TemporaryDirectory(prefix="zelvix-page-")
        self.addCleanup(alone.cleanup)
        page = shutil.copy(PAGE, os.path.join(alone.name, "zelvix.html"))
        self.servers = {name: browsers.serve(folder) for name, folder in
                        (("alone", alone.name), ("site", SITE), ("elsewhere", alone.name))}
        for server in self.servers.values():
            self.addCleanup(server.server_close)
            self.addCleanup(server.shutdown)
        self.url = {name: "http://127.0.0.1:%d/" % server.server_port for name, server in self.servers.items()}
        self.cases = [(engine, "from disk, with the keys", "file://" + page, "keys") for engine in browsers.ENGINES]
        self.cases += [("chromium", "over HTTP, by touch", self.url["alone"] + "zelvix.html", "touch"),
                       ("chromium", "the site, offline after its first visit", self.url["site"], "keys"),
                       ("firefox", "over HTTP, by pad", self.url["alone"] + "zelvix.html", "dpad"),
                       ("chromium", "over HTTP, by pad", self.url["alone"] + "zelvix.html", "stick"),
                       ("webkit", "over HTTP, by pad", self.url["alone"] + "zelvix.html", "dpad")]

    def start(self, engine, flags=(), before=""):
        self.driver = browsers.start(engine, WATCH + before, flags)
        self.addCleanup(browsers.stop, self.driver)

    def start_level_one(self, url):
        browsers.load(self.driver, url)
        wl.wait_until(lambda: self.page.text("console") == wl.BANNER, 10, "the banner and prompt")
        self.page.type_line("  ")
        self.assertEqual(self.page.text("console"), wl.BANNER + b"  \n", "a blank line")
        self.assertTrue(self.driver.find_element(By.ID, "stdin").is_enabled(), "the read stopped waiting")
        self.page.type_line("1")

    def test_scripted_game(self):
        for engine, case, url, way in self.cases:
            with self.subTest(engine=engine, case=case):
                pad = (GECKO_PAD if engine == "firefox" else STAND_IN_PAD) if way in Page.PADS else ""
                self.start(engine, before=pad)
                self.page = Page(self.driver, way)
                if url == self.url["site"]:
                    self.install_and_go_offline(url)
                self.play(url)

    def install_and_go_offline(self, url):
        browsers.load(self.driver, url)
        wl.wait_until(lambda: self.driver.execute_script("return !!navigator.serviceWorker.controller"), 30,
                      "the service worker to take the page")
        self.assertEqual(self.driver.execute_cdp_cmd("Page.getInstallabilityErrors", {}),
                         {"installabilityErrors": []})
        manifest = self.driver.execute_cdp_cmd("Page.getAppManifest", {})
        self.assertEqual((manifest["url"], manifest["errors"]), (url + "manifest.webmanifest", []))
        icons = {}
        for icon in json.loads(manifest["data"])["icons"]:
            with open(os.path.join(SITE, icon["src"]), "rb") as png:
                width, height = struct.unpack(">II", png.read(24)[16:])
            self.assertEqual(icon["sizes"], "%dx%d" % (width, height), icon["src"])
            icons[icon.get("purpose", "any"), width] = height
        self.assertEqual(icons, {("any", 192): 192, ("any", 512): 512, ("maskable", 512): 512})
        self.servers["site"].shutdown()
        self.servers["site"].server_close()

    def test_every_screen(self):
        self.start("chromium")
        self.page = Page(self.driver, "keys")
        shown = "const box = (id) => { const r = document.getElementById(id).getBoundingClientRect(); " \
                "return [r.left, r.top, r.right, r.bottom]; }; return [innerWidth, innerHeight, " \
                "box('canvas'), box('console')]"
        for width, height in SCREENS:
            with self.subTest(screen="%d x %d" % (width, height)):
                self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                    "width": width, "height": height, "deviceScaleFactor": 1, "mobile": True})
                self.start_level_one(self.url["site"])
                wl.wait_until(lambda: not self.driver.find_element(By.ID, "stdin").is_enabled(), 10, "the game")
                view_width, view_height, (left, top, right, bottom), console = self.driver.execute_script(shown)
                self.assertEqual((view_width, view_height), (width, height))
                self.assertTrue(0 <= left and 0 <= top and right <= width and bottom <= height, "in view")
                self.assertGreaterEqual(bottom - top, 0.9 * min(height, width * 385 / 350))
                self.assertTrue(console[2] <= left or console[3] <= top, "the console beside or above the game")

    def test_hidden_page_pauses(self):
        self.start("chromium", before=WAKE_LOCK)
        self.page = Page(self.driver, "keys")
        self.start_level_one("file://" + PAGE)
        wl.wait_until(lambda: not self.driver.find_element(By.ID, "stdin").is_enabled(), 10, "the game")
        # The screen kept on while the snake moves, let go within a second of F1, taken again with F1.
        for keys, held, within in (((), ["screen"], 10), (("F1",), [], 1), (("F1",), ["screen"], 1)):
            self.page.key(*keys)
            wl.wait_until(lambda: self.driver.execute_script(SCREEN_HELD) == held, within, "wake locks %s" % held)

        def hide():
            game = self.driver.current_window_handle
            self.driver.switch_to.new_window("tab")
            self.driver.close()
            self.driver.switch_to.window(game)

        # Another tab in front pauses the running game; hidden again, it stays paused until F1.
        hide()
        shot = wl.wait_until(self.text_shown, 10, '"Paused" once the page was hidden')
        self.assertEqual(wl.text_problems(wl.text_extent(shot), "Paused"), [])
        hide()
        self.page.key("F1")
        wl.wait_until(lambda: self.text_shown() is None, 10, '"Paused" to go after F1')
        self.assert_no_error()

    def test_frame_as_on_linux(self):
        """The bare loop's frame in each engine within 1 a channel of the Linux build's, no text pixel apart."""
        linux = subprocess.Popen([BARE_LOOP, "100"])
        self.addCleanup(linux.wait)
        self.addCleanup(linux.kill)
        search = ["xdotool", "search", "--onlyvisible", "--name", "^bare_loop$"]
        window = wl.wait_until(lambda: wl.run_tool(search, check=False).stdout.split(), 10, "the bare loop")[0]

        def drawn():
            """A whole frame: the panel shown, and the same in two shots running."""
            first, second = (wl.Shot(wl.run_tool(["xwd", "-silent", "-id", window]).stdout) for _ in range(2))
            return first.same_as(second) and wl.colour_near(first.world(5, 274), wl.PANEL_TOP, 16) and first

        linux_frame = wl.wait_until(drawn, 10, "the bare loop's frame")
        linux.kill()
        pixels = [(x, y) for y in range(linux_frame.height) for x in range(linux_frame.width)]
        for engine in browsers.ENGINES:
            with self.subTest(engine=engine):
                self.start(engine)
                browsers.load(self.driver, "file://" + os.path.join(os.path.dirname(PAGE), "bare_loop.html"))
                self.driver.execute_script(AFTER_FRAME, READ_CANVAS)
                width, height, data = wl.wait_until(lambda: self.driver.execute_script("return window.frame"), 10,
                                                    "a frame")
                frame = CanvasShot(width, height, base64.b64decode(data))
                self.assertEqual((width, height), (linux_frame.width, linux_frame.height))
                apart = [max(abs(a - b) for a, b in zip(frame.pixel(*xy), linux_frame.pixel(*xy))) for xy in pixels]
                self.assertLessEqual(max(apart), 1)
                text = [xy for xy in pixels if wl.colour_near(frame.pixel(*xy), wl.TEXT_BROWN, 3)
                        != wl.colour_near(linux_frame.pixel(*xy), wl.TEXT_BROWN, 3)]
                self.assertEqual(text, [], "text pixels apart")

    def test_without_webgl(self):
        self.start("chromium", ["--disable-3d-apis"])
        self.page = Page(self.driver, "keys")
        self.start_level_one("file://" + PAGE)
        wl.wait_until(lambda: self.page.text("console") == wl.BANNER + b"  \n1\n" + NO_WEBGL, 10, "the one line")
        self.assert_no_error()

    def assert_no_error(self):
        """Nothing thrown, and in Chromium no error logged but the refused request elsewhere."""
        self.assertEqual(self.driver.execute_script("return window.errors"), [])
        if self.driver.engine == "chromium":
            self.assertEqual([entry for entry in self.driver.get_log("browser") if entry["level"] == "SEVERE"
                              and self.url["elsewhere"] not in entry["message"]], [])

    def text_shown(self):
        """The frame, when it shows a text in the middle of the field."""
        shot = self.page.screenshot()
        return shot if wl.text_extent(shot) else None

    def pause(self):
        self.page.key("F1")
        shot = wl.wait_until(self.text_shown, 10, '"Paused"')
        self.assertEqual(wl.text_problems(wl.text_extent(shot), "Paused"), [])

    def play(self, url):
        page = self.page
        for _ in range(5):
            self.start_level_one(url)
            self.pause()
            if wl.eat_first_food(page, paused=True):
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
        self.driver.execute_script(PRESS, BROWSER_KEYS)
        keys = self.driver.execute_script("return window.keys")
        # F1 from the keyboard lets the game run on a moment at a time, whatever the way.
        self.assertEqual(sorted({(key, kept) for key, kept in keys if key.startswith("Arrow") or key == "F1"}),
                         [("ArrowDown", True), ("F1", True)] if page.way == "keys" else [("F1", True)])
        self.assertEqual([key for key in keys if key[0] in BROWSER_KEYS], [[key, False] for key in BROWSER_KEYS])
        self.driver.execute_script(REACH_OUT, self.url["elsewhere"])
        self.assertEqual(wl.wait_until(lambda: self.driver.execute_script("return window.refused"), 10,
                                       "the policy to refuse a request elsewhere"), "connect-src")
        self.assertEqual(self.servers["elsewhere"].requests, 0)
        self.assert_no_error()

        self.driver.refresh()
        wl.wait_until(lambda: page.text("console") == wl.BANNER, 10, "the banner after a reload")
        self.assertEqual(page.text("score"), wl.SCORE_LINE % (2, 1), "the score after a reload")


if __name__ == "__main__":
    PAGE, SITE, BARE_LOOP = (os.path.abspath(path) for path in sys.argv[1:4])
    unittest.main(argv=sys.argv[:1] + sys.argv[4:])
