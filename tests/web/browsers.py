"""Debian's browsers of the three engines, driven through Selenium, for the
browser test and the page's cadence benchmark: Chromium (headless, through
chromedriver), WebKit (WebKitGTK's MiniBrowser, through WebKitWebDriver) and
Firefox (through its own Marionette protocol: Debian has no geckodriver).
WebKit and Firefox need the X display in DISPLAY. Needs Debian's python3
(/usr/bin/python3), which has python3-selenium.
"""

import functools
import http.server
import json
import os
import socket
import subprocess
import tempfile
import threading
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.remote.command import Command

ENGINES = ("chromium", "webkit", "firefox")

# SwiftShader's WebGL, one device pixel per CSS pixel, root without a sandbox,
# and none of the browser's own network traffic.
CHROMIUM_FLAGS = ("--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                  "--force-device-scale-factor=1", "--disable-background-networking", "--disable-component-update",
                  "--no-first-run", "--disable-sync")
MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
# Marionette on a port of its choosing (written to the profile), WebGL on
# Mesa's software renderer, and a clock as fine as the others' for the cadence
# benchmark; Marionette itself turns off first-run pages, updates and reports.
# Gecko's test pads (navigator.requestGamepadServiceTest) need it to run as
# under automation: the last three, and MOZ_DISABLE_NONLOCAL_CONNECTIONS.
FIREFOX_PREFS = {"marionette.port": 0, "webgl.force-enabled": True, "privacy.reduceTimerPrecision": False,
                 "dom.gamepad.test.enabled": True, "network.disable-nonlocal-connections": True,
                 "security.turn_off_all_security_so_that_viruses_can_take_over_this_computer": True}


class Marionette:
    """Selenium's commands, sent over Firefox's Marionette protocol: JSON
    messages, each behind its length and a colon."""

    NAMES = {Command.NEW_SESSION: "NewSession", Command.GET: "Navigate", Command.REFRESH: "Refresh",
             Command.W3C_EXECUTE_SCRIPT: "ExecuteScript", Command.W3C_EXECUTE_SCRIPT_ASYNC: "ExecuteAsyncScript",
             Command.FIND_ELEMENT: "FindElement",
             Command.SEND_KEYS_TO_ELEMENT: "ElementSendKeys", Command.IS_ELEMENT_ENABLED: "IsElementEnabled",
             Command.W3C_ACTIONS: "PerformActions", Command.W3C_CLEAR_ACTIONS: "ReleaseActions",
             Command.SET_WINDOW_RECT: "SetWindowRect", Command.QUIT: "DeleteSession"}

    def __init__(self, port):
        self.socket, self.last_id = socket.create_connection(("127.0.0.1", port)), 0
        self.stream = self.socket.makefile("rb")
        self.receive()  # the greeting

    def receive(self):
        length = b""
        while (byte := self.stream.read(1)) != b":":
            if not byte:
                raise ConnectionError("Firefox closed its Marionette connection")
            length += byte
        return json.loads(self.stream.read(int(length)))

    def execute(self, command, params):
        params = {} if command == Command.NEW_SESSION else {k: v for k, v in params.items() if k != "sessionId"}
        self.last_id += 1
        message = json.dumps([0, self.last_id, "WebDriver:" + self.NAMES[command], params]).encode()
        self.socket.sendall(b"%d:%s" % (len(message), message))
        _, _, error, result = self.receive()
        if error:
            return {"status": error["error"], "message": error["message"], "value": error}
        return {"value": result} if command == Command.NEW_SESSION or not isinstance(result, dict) else result

    def close(self):
        self.stream.close()
        self.socket.close()


def marionette_port(profile):
    """The port Firefox wrote to its profile once Marionette listens, or 0."""
    try:
        with open(os.path.join(profile, "MarionetteActivePort")) as port:
            return int(port.read().strip() or 0)
    except FileNotFoundError:
        return 0


def start(engine, before_page="", flags=()):
    """A browser of ENGINE with a fresh profile; before_page runs in every page
    before its own scripts in Chromium, and as soon as it has loaded in the
    others (see load()). flags go to Chromium."""
    # The profile goes when this process ends, after the browser has.
    profile = tempfile.TemporaryDirectory(prefix="zelvix-%s-" % engine)
    if engine == "chromium":
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for flag in CHROMIUM_FLAGS + tuple(flags) + ("--user-data-dir=" + profile.name,):
            options.add_argument(flag)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        if before_page:
            driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": before_page})
    elif engine == "webkit":
        options = webdriver.WebKitGTKOptions()
        options.binary_location = MINIBROWSER
        options.add_argument("--automation")
        driver = webdriver.WebKitGTK(executable_path="/usr/bin/WebKitWebDriver", options=options)
    else:
        with open(os.path.join(profile.name, "user.js"), "w") as prefs:
            prefs.writelines("user_pref(%s, %s);\n" % (json.dumps(k), json.dumps(v)) for k, v in FIREFOX_PREFS.items())
        firefox = subprocess.Popen(["firefox-esr", "--marionette", "--no-remote", "--profile", profile.name],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   env=dict(os.environ, MOZ_DISABLE_NONLOCAL_CONNECTIONS="1"))
        deadline = time.monotonic() + 60
        while not (port := marionette_port(profile.name)):
            if firefox.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("Firefox did not open its Marionette port")
            time.sleep(0.1)
        driver = webdriver.Remote(Marionette(port), options=webdriver.FirefoxOptions())
        driver.firefox = firefox
        # Its own default window is larger than the test's X screen.
        driver.set_window_rect(0, 0, 900, 740)
    driver.engine, driver.profile, driver.before_page = engine, profile, before_page
    return driver


def load(driver, url):
    """Opens url; in the engines without a hook before the page's scripts,
    before_page runs once it has loaded."""
    driver.get(url)
    if driver.engine != "chromium" and driver.before_page:
        driver.execute_script(driver.before_page)


def stop(driver):
    driver.quit()
    if driver.engine == "firefox":
        driver.firefox.kill()
        driver.firefox.wait()
    driver.profile.cleanup()


def serve(directory):
    """Serves directory on a free loopback port; returns the server, which
    counts the requests it is sent."""
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            server.requests += 1

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=directory))
    server.requests = 0
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server
