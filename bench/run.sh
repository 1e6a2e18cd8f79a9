#!/bin/sh
# Builds the game and the benchmarks in Release and runs all of them:
#   bench/run.sh [BUILD_DIR]        (default: build-bench)
# The GL parts need an X display; without DISPLAY they run under xvfb-run.
# Takes about eleven minutes, most of it the cadence runs. The browser
# page is built with scripts/build-web into build/web.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-build-bench}
case $build in
/*) ;;
*) build=$root/$build ;;
esac

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZELVIX_SANITIZE=OFF >/dev/null
cmake --build "$build" -j2 --target zelvix tick_bench frame_bench bare_loop swap_probe eating_game

with_display() {
    if [ -n "${DISPLAY:-}" ]; then
        "$@"
    else
        xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$@"
    fi
}

echo
echo "== Rules: one tick and the collision checks by snake length"
"$build/bench/tick_bench"

echo
echo "== Drawing: one frame by snake length (median of 5 repetitions)"
with_display "$build/bench/frame_bench" --benchmark_repetitions=5 \
    --benchmark_report_aggregates_only=true

echo
echo "== Cadence: the game against a bare GLUT loop at every level"
python3 "$here/cadence.py" "$build/zelvix" "$build/bench/bare_loop"

echo
echo "== The beep: its hold on the game's thread by sound server, and a game that eats against the bare loop"
python3 "$here/beep_cost.py" "$build/bench/eating_game" "$build/bench/bare_loop"

echo
echo "== Cadence in the browsers: the page against a bare Emscripten GLUT loop"
"$root/scripts/build-web" >/dev/null
with_display /usr/bin/python3 "$here/page_cadence.py" "$root/build/web/zelvix.html" "$root/build/web/bare_loop.html"

echo
echo "== The site's first visit in Lighthouse (mobile)"
(cd "$root/tests/web" && npm ci --no-audit --no-fund --loglevel=error)
/usr/bin/python3 "$root/tests/web/audit.py" "$root/build/web/site" || true
