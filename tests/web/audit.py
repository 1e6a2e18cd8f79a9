#!/usr/bin/python3
"""Lighthouse's mobile audit of the site, served on loopback, in Debian's Chromium.

    audit.py SITE_DIR

Prints the four category scores and the cumulative layout shift; fails
unless accessibility, best practices and SEO score 100 and nothing shifts.
Lighthouse is the one pinned in package.json beside this file, installed
there with npm ci.
"""

import json
import os
import subprocess
import sys

import browsers

HERE = os.path.dirname(os.path.abspath(__file__))
FULL_MARKS = ("accessibility", "best-practices", "seo")


def main():
    server = browsers.serve(os.path.abspath(sys.argv[1]))
    try:
        report = json.loads(subprocess.run(
            [os.path.join(HERE, "node_modules", ".bin", "lighthouse"), "http://127.0.0.1:%d/" % server.server_port,
             "--quiet", "--output=json", "--chrome-flags=" + " ".join(browsers.CHROMIUM_FLAGS),
             "--only-categories=performance," + ",".join(FULL_MARKS)],
            env=dict(os.environ, CHROME_PATH="/usr/bin/chromium"), check=True, stdout=subprocess.PIPE).stdout)
    finally:
        server.shutdown()
        server.server_close()
    scores = {name: round(100 * category["score"]) for name, category in report["categories"].items()}
    shift = report["audits"]["cumulative-layout-shift"]["numericValue"]
    print("Lighthouse (mobile): " + ", ".join("%s %d" % item for item in scores.items())
          + "; cumulative layout shift %g" % shift)
    failed = [name for name in FULL_MARKS if scores[name] != 100] + (["layout shift"] if shift else [])
    for name in failed:
        audits = report["categories"][name]["auditRefs"] if name in report["categories"] else []
        missed = [ref["id"] for ref in audits if ref["weight"] and report["audits"][ref["id"]]["score"] != 1]
        print("NOT met: %s %s" % (name, " ".join(missed)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
