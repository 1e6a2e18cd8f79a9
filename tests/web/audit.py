#!/usr/bin/python3
"""Lighthouse's mobile audit of the site (audit.py SITE_DIR), served on
loopback, in Debian's Chromium, by the Lighthouse that package.json beside
this file pins (npm ci there). Prints the four category scores, the layout
shift, the first and largest paints (the banner) and the blocking time; fails, naming what missed, unless accessibility, best practices and SEO
score 100 and nothing shifts.
"""

import json
import os
import subprocess
import sys

import browsers

FULL_MARKS = ("accessibility", "best-practices", "seo")

server = browsers.serve(sys.argv[1])
lighthouse = os.path.join(os.path.dirname(os.path.abspath(__file__)), "node_modules", ".bin", "lighthouse")
report = json.loads(subprocess.run(
    [lighthouse, "http://127.0.0.1:%d/" % server.server_port, "--quiet", "--output=json",
     "--chrome-flags=" + " ".join(browsers.CHROMIUM_FLAGS), "--only-categories=performance," + ",".join(FULL_MARKS)],
    env=dict(os.environ, CHROME_PATH="/usr/bin/chromium"), check=True, stdout=subprocess.PIPE).stdout)
server.shutdown()
scores = {name: round(100 * category["score"]) for name, category in report["categories"].items()}
shift = report["audits"]["cumulative-layout-shift"]["numericValue"]
print("Lighthouse (mobile): %s; cumulative layout shift %g" % (", ".join("%s %d" % kv for kv in scores.items()), shift))
print("First paint %.0f ms, largest paint %.0f ms, total blocking time %.0f ms" % tuple(
    report["audits"][name]["numericValue"] for name in
    ("first-contentful-paint", "largest-contentful-paint", "total-blocking-time")))
missed = [ref["id"] for name in FULL_MARKS for ref in report["categories"][name]["auditRefs"]
          if ref["weight"] and report["audits"][ref["id"]]["score"] != 1] + (["layout shift"] if shift else [])
if missed:
    sys.exit("NOT met: " + " ".join(missed))
