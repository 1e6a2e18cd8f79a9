#!/usr/bin/python3
"""Cadence of the browser page against a bare GLUT loop built the same way, in each engine.

    page_cadence.py [--smoke] ZELVIX_HTML BARE_LOOP_HTML

In each engine's browser (Chromium, WebKit, Firefox; the last two need an X
display), opens zelvix.html, types each level (8 and 5) and records, from
outside the game, the moment every tick's timer fires; then does the same
for bare_loop.html (bench/bare_loop.cpp built with the game's flags) at the
same delay, in the same browser, alternating which goes first. Reports the
tick intervals' median and 95th percentile, the time from the start of
loading to the banner (in WebKit and Firefox, whose scripts run only once the
page has loaded, at most that), the page's size, the site's files and their
sizes, and in Chromium the site's first visit (the site beside ZELVIX_HTML,
served on loopback): its banner and when its service worker has kept it; and
the time from the touch event that takes a stroke to 24 pixels to the turn
reaching the game, and to the next tick, which moves the snake that way.
Whether the figures meet the targets is printed, not enforced.
"""

import argparse
import os
import statistics
import sys
import time

from selenium.webdriver.common.keys import Keys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import browsers  # noqa: E402
from cadence import percentile  # noqa: E402

LEVEL_DELAYS_MS = {8: 10, 5: 80}
MEDIAN_RATIO = 1.02  # the page's median at most 1.02 x the bare loop's
P95_GAP_MS = 1.0  # the page's p95 at most 1 ms above the bare loop's
BANNER_MS = 1000.0  # the banner shown within 1 s of the start of loading
PAGE_KIB = 600.0
GAME_FILES_KIB = 240.0  # the site's script and WebAssembly together
STROKES = 20

# Every timer is stamped with its delay when it fires, and the banner's
# arrival in the console with its time from the start of loading.
WATCH = """
window.fired = [];
const setTimer = window.setTimeout;
window.setTimeout = function (callback, delay, ...rest) {
  const stamped = function (...args) { window.fired.push([delay, performance.now()]); return callback.apply(this, args); };
  return setTimer(stamped, delay, ...rest);
};
const shown = () => { const console = document.getElementById('console');
  return console && console.textContent.endsWith('Level :'); };
if (shown()) window.bannerAt = performance.now();
else new MutationObserver((changes, observer) => {
  if (shown()) { window.bannerAt = performance.now(); observer.disconnect(); }
}).observe(document, { childList: true, subtree: true, characterData: true });
"""


def wait_for(driver, script, timeout=30):
    deadline = time.monotonic() + timeout
    while True:
        value = driver.execute_script(script)
        if value is not None or time.monotonic() > deadline:
            return value
        time.sleep(0.01)


def run(driver, url, level, delay, seconds, least):
    """Tick intervals of one load of the page, in ms, and when its banner showed."""
    browsers.load(driver, url)
    banner = None
    if level is not None:
        banner = wait_for(driver, "return window.bannerAt")
        driver.find_element("id", "stdin").send_keys("%d" % level + Keys.ENTER)
    script = "return window.fired.filter((t) => t[0] === %d).map((t) => t[1])" % delay
    started = time.monotonic()
    while time.monotonic() - started < seconds or len(driver.execute_script(script)) < least + 3:
        if time.monotonic() - started > 10 * seconds + 30:
            sys.exit("page_cadence.py: too few ticks from %s" % url)
        time.sleep(0.1)
    ticks = driver.execute_script(script)[2:]  # the first come with the start-up
    return [b - a for a, b in zip(ticks, ticks[1:])], banner


# Each touch event is stamped with its own time and when it reaches the
# canvas, and each turn (a key pressed by name) with those of the touch before it.
TOUCH = """
window.turns = [];
const pressKey = Module['pressKey'];
Module['pressKey'] = (name) => { window.turns.push(window.touchAt.concat(performance.now())); return pressKey(name); };
document.getElementById('canvas').addEventListener('touchmove', (event) => { window.touchAt = [event.timeStamp, performance.now()]; }, true);
"""


def touch_to_turn(driver, url, level):
    """For strokes of 24 pixels on the running game, the ms from the touch
    event's time to its arrival on the canvas, from there to the turn, and
    from the turn to the next tick."""
    run(driver, url, level, LEVEL_DELAYS_MS[level], 0.5, 10)
    driver.execute_script(TOUCH)
    x, y = driver.execute_script("const box = canvas.getBoundingClientRect(); return [box.left + 175, box.top + 200]")
    for stroke in range(STROKES):
        dx, dy = (24, 0) if stroke % 2 else (0, 24)
        for kind, points in (("touchStart", [(x, y)]), ("touchMove", [(x + dx, y + dy)]), ("touchEnd", [])):
            driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
                "type": kind, "touchPoints": [{"x": px, "y": py} for px, py in points]})
        time.sleep(0.05)
    turns, fired = driver.execute_script("return [window.turns, window.fired.map((t) => t[1])]")
    if len(turns) != STROKES:
        sys.exit("page_cadence.py: %d of %d strokes turned the snake" % (len(turns), STROKES))
    return ([arrived - touched for touched, arrived, _ in turns], [turned - arrived for _, arrived, turned in turns],
            [min(t for t in fired if t > turned) - turned for _, _, turned in turns])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("page", help="zelvix.html")
    parser.add_argument("bare_page", help="bare_loop.html")
    parser.add_argument("--smoke", action="store_true", help="one short run each at level 8: checks the measurement")
    args = parser.parse_args()
    seconds, least, rounds = (1.0, 20, 1) if args.smoke else (4.0, 40, 4)
    game_url = "file://" + os.path.abspath(args.page)
    bare_url = "file://" + os.path.abspath(args.bare_page)
    rows, banners = [], {}
    for engine in browsers.ENGINES:
        driver = browsers.start(engine, WATCH)
        banners[engine] = []
        try:
            for level, delay in LEVEL_DELAYS_MS.items():
                if args.smoke and level != 8:
                    continue
                runs = {"page": [], "bare": []}
                for round_number in range(rounds):
                    order = ("page", "bare") if round_number % 2 == 0 else ("bare", "page")
                    for kind in order:
                        if kind == "page":
                            intervals, banner = run(driver, game_url, level, delay, seconds, least)
                            banners[engine].append(banner)
                        else:
                            intervals, _ = run(driver, bare_url + "?delay=%d" % delay, None, delay, seconds, least)
                        runs[kind] += intervals
                rows.append((engine, level, delay, runs["page"], runs["bare"]))
            if engine == "chromium":
                first_visit = site_first_visit(driver, os.path.join(os.path.dirname(args.page), "site"))
                touch_figures = touch_to_turn(driver, game_url, 8)
        finally:
            browsers.stop(driver)

    size_kib = os.path.getsize(args.page) / 1024
    print("| engine | level | delay ms | page median / p95 ms | bare median / p95 ms | median ratio | intervals |")
    print("|---|---:|---:|---:|---:|---:|---:|")
    verdicts = []
    for engine, level, delay, page, bare in rows:
        pm, pp = statistics.median(page), percentile(page, 0.95)
        bm, bp = statistics.median(bare), percentile(bare, 0.95)
        print("| %s | %d | %d | %.2f / %.2f | %.2f / %.2f | %.3f | %d / %d |"
              % (engine, level, delay, pm, pp, bm, bp, pm / bm, len(page), len(bare)))
        verdicts.append("%s, level %d: median ratio %.3f (at most %.2f): %s; p95 %+.2f ms against bare (at most +%g): %s"
                        % (engine, level, pm / bm, MEDIAN_RATIO, met(pm / bm <= MEDIAN_RATIO), pp - bp, P95_GAP_MS,
                           met(pp - bp <= P95_GAP_MS)))
    print()
    for engine, times in banners.items():
        print("%s: banner after the start of loading: median %.0f ms, worst %.0f ms (at most %g): %s"
              % (engine, statistics.median(times), max(times), BANNER_MS, met(max(times) <= BANNER_MS)))
    print("Site's first visit (chromium): banner after %.0f ms, kept by its service worker after %.0f ms"
          % first_visit)
    print("Touch to turn (chromium, %d strokes of 24 pixels, level 8), median / worst: the event reaches the canvas "
          "%.2f / %.2f ms after its time stamp, the turn reaches the game %.2f / %.2f ms later, and the next tick "
          "moves the snake %.2f / %.2f ms after that"
          % ((STROKES,) + tuple(f(times) for times in touch_figures for f in (statistics.median, max))))
    print("Page: %.0f KiB (at most %g): %s" % (size_kib, PAGE_KIB, met(size_kib <= PAGE_KIB)))
    site = os.path.join(os.path.dirname(args.page), "site")
    sizes = {name: os.path.getsize(os.path.join(site, name)) for name in sorted(os.listdir(site))}
    print("Site: " + ", ".join("%s %d bytes" % item for item in sizes.items()))
    game_kib = (sizes["zelvix.js"] + sizes["zelvix.wasm"]) / 1024
    print("Site's script and WebAssembly: %.1f KiB (at most %g): %s"
          % (game_kib, GAME_FILES_KIB, met(game_kib <= GAME_FILES_KIB)))
    for line in verdicts:
        print(line)
    return 0


def site_first_visit(driver, site):
    """When the site's banner showed on a first visit, and when its service
    worker took the page (in ms from the start of loading)."""
    server = browsers.serve(site)
    try:
        browsers.load(driver, "http://127.0.0.1:%d/" % server.server_port)
        banner = wait_for(driver, "return window.bannerAt")
        kept = wait_for(driver, "return navigator.serviceWorker.controller ? performance.now() : null")
        return banner, kept
    finally:
        server.shutdown()
        server.server_close()


def met(ok):
    return "met" if ok else "NOT met"


if __name__ == "__main__":
    sys.exit(main())
