"""Debian's headless Chromium driven through Selenium, for the browser test and
the page's cadence benchmark. Needs Debian's python3 (/usr/bin/python3), which
has python3-selenium.
"""

import tempfile

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

# SwiftShader's WebGL, one device pixel per CSS pixel, root without a sandbox,
# and none of the browser's own network traffic.
FLAGS = ("--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
         "--force-device-scale-factor=1", "--disable-background-networking", "--disable-component-update",
         "--no-first-run", "--disable-sync")


def start(before_page=""):
    """A browser with a fresh profile; before_page runs in every page before its own scripts."""
    # The profile goes when this process ends, after the browser has.
    profile = tempfile.TemporaryDirectory(prefix="zelvix-chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in FLAGS + ("--user-data-dir=" + profile.name,):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.profile = profile
    if before_page:
        driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": before_page})
    return driver


def stop(driver):
    driver.quit()
    driver.profile.cleanup()
