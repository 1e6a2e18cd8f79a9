#!/usr/bin/env python3
"""Cadence of the running game, measured from outside, against a bare GLUT loop.

    cadence.py [options] ZELVIX BARE_LOOP

Runs the zelvix binary as built, unchanged and with no options, at each level
(answering its "Level :" prompt on standard input), and then bare_loop at the
same tick delay, one program at a time in the same X display. Both run with
the swap probe (libswap_probe.so, LD_PRELOAD) which timestamps every
glutSwapBuffers, so every frame the program shows is seen without touching
the program. Per run it measures:

  interval   time between consecutive frames once running: median and 95th
             percentile over at least --window seconds and --min-ticks
             intervals, whichever takes longer. The first frames are left out:
             the one drawn when the window is first exposed, the one of the
             first tick (33 ms after start-up) and the one after it.
  CPU        CPU time of the process (all its threads, including the GL
             driver's) per second of wall time over that window, in percent
             of one core.
  first      zelvix: from the level being written to its standard input to
             its first frame. bare_loop: from starting the process.
  RSS        resident memory (VmRSS) at the end of the window.

Without DISPLAY it starts itself again under xvfb-run. It exits non-zero only
when a measurement could not be made; whether the figures meet the targets is
printed, not enforced.
"""

import argparse
import os
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

LEVEL_DELAYS_MS = {1: 220, 2: 180, 3: 120, 4: 100, 5: 80, 6: 60, 7: 30, 8: 10}
FIRST_TICK_MS = 33
PROMPT = b"Level :"
XVFB_SCREEN = "-screen 0 1024x768x24"
RESTARTED_MARK = "ZELVIX_CADENCE_UNDER_XVFB"

# Targets the figures are compared against.
MEDIAN_TOLERANCE = 0.02  # game median within 2 % of the bare loop's
P95_TOLERANCE_MS = 0.5  # game 95th percentile within 0.5 ms of the bare loop's
CPU_RATIO_LEVEL8 = 1.25  # game CPU at level 8 at most 1.25 x the bare loop's
FIRST_FRAME_MS = 150.0  # first frame within 150 ms of the level being read

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")


class MeasureError(Exception):
    pass


def now_ns():
    # CLOCK_MONOTONIC, the clock the probe stamps frames with.
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC)


def process_cpu_ns(pid):
    """CPU time of all live threads of pid, in nanoseconds.

    Summed from each thread's schedstat (nanosecond resolution); where the
    kernel offers no schedstat, from utime + stime of /proc/PID/stat.
    """
    total = 0
    try:
        tids = os.listdir(f"/proc/{pid}/task")
    except FileNotFoundError as error:
        raise MeasureError(f"process {pid} is gone") from error
    try:
        for tid in tids:
            try:
                with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                    total += int(f.read().split()[0])
            except FileNotFoundError:
                pass  # thread ended meanwhile
        return total
    except (PermissionError, OSError, ValueError, IndexError):
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        # Fields 14 and 15 of stat; the split starts at field 3.
        return (int(fields[11]) + int(fields[12])) * 1_000_000_000 // CLOCK_TICKS


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise MeasureError(f"no VmRSS for process {pid}")


class FrameLog:
    """Follows the probe's log: one "before after" line per swap."""

    def __init__(self, path):
        self.path = path
        self.offset = 0
        self.pending = b""
        self.frames = []  # (before_ns, after_ns)

    def poll(self):
        try:
            with open(self.path, "rb") as f:
                f.seek(self.offset)
                data = f.read()
        except FileNotFoundError:
            return self.frames
        self.offset += len(data)
        data = self.pending + data
        lines = data.split(b"\n")
        self.pending = lines.pop()
        for line in lines:
            before, after = line.split()
            self.frames.append((int(before), int(after)))
        return self.frames


def percentile(values, fraction):
    """Linear interpolation between closest ranks."""
    ordered = sorted(values)
    position = (len(ordered) - 1) * fraction
    low = int(position)
    high = min(low + 1, len(ordered) - 1)
    return ordered[low] + (ordered[high] - ordered[low]) * (position - low)


def read_until_prompt(process, timeout_s):
    """Reads the game's standard output until the level prompt has appeared."""
    fd = process.stdout.fileno()
    seen = b""
    deadline = time.monotonic() + timeout_s
    while PROMPT not in seen:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            raise MeasureError(f"no {PROMPT.decode()!r} prompt within {timeout_s} s; got {seen!r}")
        ready, _, _ = select.select([fd], [], [], remaining)
        if ready:
            chunk = os.read(fd, 4096)
            if not chunk:
                raise MeasureError(f"standard output closed before the prompt; got {seen!r}")
            seen += chunk
    return seen


def drain(stream):
    """Keeps reading a pipe so the program never blocks on a full one."""
    try:
        while stream.read(4096):
            pass
    except (OSError, ValueError):
        pass


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def run_once(kind, argv, level, delay_ms, probe, window_s, min_intervals, workdir):
    """Runs one program at one delay and returns its figures."""
    log_path = os.path.join(workdir, f"{kind}-level{level}.frames")
    err_path = os.path.join(workdir, f"{kind}-level{level}.stderr")
    env = dict(os.environ)
    env["LD_PRELOAD"] = probe + (":" + env["LD_PRELOAD"] if env.get("LD_PRELOAD") else "")
    env["SWAP_PROBE_LOG"] = log_path
    is_game = kind == "game"

    with open(err_path, "wb") as err:
        started = now_ns()
        process = subprocess.Popen(
            argv,
            cwd=workdir,  # a score file, should one be written, lands here
            env=env,
            stdin=subprocess.PIPE if is_game else subprocess.DEVNULL,
            stdout=subprocess.PIPE if is_game else subprocess.DEVNULL,
            stderr=err,
        )
    try:
        return measure(process, is_game, level, delay_ms, started, log_path, window_s,
                       min_intervals)
    except MeasureError as error:
        stop(process)
        with open(err_path, "rb") as f:
            detail = f.read().decode(errors="replace").strip()
        message = f"{kind} at level {level}: {error}"
        if detail:
            message += f"\n  its standard error:\n  {detail}"
        raise MeasureError(message) from None
    finally:
        stop(process)


def measure(process, is_game, level, delay_ms, started, log_path, window_s, min_intervals):
    log = FrameLog(log_path)
    if is_game:
        read_until_prompt(process, timeout_s=10)
        threading.Thread(target=drain, args=(process.stdout,), daemon=True).start()
        os.write(process.stdin.fileno(), f"{level}\n".encode())
        origin = now_ns()
    else:
        origin = started

    def check_alive():
        if process.poll() is not None:
            raise MeasureError(f"exited early with status {process.returncode}")

    # The first frame.
    deadline = time.monotonic() + 20
    while not log.poll():
        check_alive()
        if time.monotonic() > deadline:
            raise MeasureError("no frame within 20 s")
        time.sleep(0.0005)
    first = log.frames[0][0]

    # Settle: skip the exposure frame, the first tick's and the one after it.
    settle_ns = first + int((FIRST_TICK_MS + 1.5 * delay_ms) * 1e6)
    deadline = time.monotonic() + 20 + 10 * delay_ms / 1000
    while len(log.poll()) < 3 or now_ns() < settle_ns:
        check_alive()
        if time.monotonic() > deadline:
            raise MeasureError(f"only {len(log.frames)} frames after start-up")
        time.sleep(0.001)

    # The window: at least window_s and at least min_intervals intervals.
    window_start = now_ns()
    cpu_start = process_cpu_ns(process.pid)
    hard_end = window_start + int((window_s + 30 + 4 * min_intervals * delay_ms / 1000) * 1e9)
    while True:
        time.sleep(min(0.05, delay_ms / 4000))
        check_alive()
        now = now_ns()
        inside = [f for f in log.poll() if f[0] >= window_start]
        if now - window_start >= window_s * 1e9 and len(inside) - 1 >= min_intervals:
            break
        if now > hard_end:
            raise MeasureError(f"only {len(inside)} frames in {(now - window_start) / 1e9:.1f} s")
    window_end = now_ns()
    cpu_end = process_cpu_ns(process.pid)
    rss = resident_kib(process.pid)
    check_alive()

    befores = [f[0] for f in inside]
    intervals_ms = [(b - a) / 1e6 for a, b in zip(befores, befores[1:])]
    swaps_ms = [(after - before) / 1e6 for before, after in inside]
    return {
        "frames": len(inside),
        "median_ms": statistics.median(intervals_ms),
        "p95_ms": percentile(intervals_ms, 0.95),
        "max_ms": max(intervals_ms),
        "swap_ms": statistics.median(swaps_ms),
        "cpu_pct": 100.0 * (cpu_end - cpu_start) / (window_end - window_start),
        "first_ms": (first - origin) / 1e6,
        "rss_kib": rss,
        "window_s": (window_end - window_start) / 1e9,
    }


def sanity(kind, level, delay_ms, result):
    """What a working measurement cannot fail to show, however busy the machine."""
    # Ticks re-arm after the delay and never catch up, so a median far below it
    # means frames that no tick asked for.
    if result["median_ms"] < 0.5 * delay_ms:
        raise MeasureError(
            f"{kind} at level {level}: median interval {result['median_ms']:.2f} ms "
            f"for a {delay_ms} ms delay; frames are not paced by the timer")
    if result["rss_kib"] <= 0 or result["cpu_pct"] < 0:
        raise MeasureError(f"{kind} at level {level}: implausible figures {result}")


def print_table(rows, out):
    header = ("| level | delay ms | game median ms | game p95 ms | bare median ms | bare p95 ms "
              "| median ratio | game CPU % | bare CPU % | first frame ms | bare first ms "
              "| game RSS MiB | bare RSS MiB |")
    print(header, file=out)
    print("|" + "|".join("---:" for _ in range(header.count("|") - 1)) + "|", file=out)
    for level, delay, game, bare in rows:
        print(f"| {level} | {delay} "
              f"| {game['median_ms']:.2f} | {game['p95_ms']:.2f} "
              f"| {bare['median_ms']:.2f} | {bare['p95_ms']:.2f} "
              f"| {game['median_ms'] / bare['median_ms']:.4f} "
              f"| {game['cpu_pct']:.2f} | {bare['cpu_pct']:.2f} "
              f"| {game['first_ms']:.1f} | {bare['first_ms']:.1f} "
              f"| {game['rss_kib'] / 1024:.1f} | {bare['rss_kib'] / 1024:.1f} |", file=out)


def print_verdicts(rows, out):
    def verdict(ok):
        return "met" if ok else "NOT met"

    print(file=out)
    print("Targets:", file=out)
    for level, _delay, game, bare in rows:
        ratio = game["median_ms"] / bare["median_ms"]
        p95_gap = game["p95_ms"] - bare["p95_ms"]
        print(f"  level {level}: median {100 * (ratio - 1):+.2f} % of bare "
              f"(within {100 * MEDIAN_TOLERANCE:g} %: {verdict(abs(ratio - 1) <= MEDIAN_TOLERANCE)}); "
              f"p95 {p95_gap:+.2f} ms from bare "
              f"(within {P95_TOLERANCE_MS} ms: {verdict(abs(p95_gap) <= P95_TOLERANCE_MS)})",
              file=out)
    for level, _delay, game, bare in rows:
        if level == 8:
            ratio = game["cpu_pct"] / bare["cpu_pct"] if bare["cpu_pct"] > 0 else float("inf")
            print(f"  CPU at level 8: game {game['cpu_pct']:.2f} %, bare {bare['cpu_pct']:.2f} %, "
                  f"{ratio:.2f} x (at most {CPU_RATIO_LEVEL8} x: {verdict(ratio <= CPU_RATIO_LEVEL8)})",
                  file=out)
    worst = max(game["first_ms"] for _l, _d, game, _b in rows)
    print(f"  first frame: at most {worst:.1f} ms after the level was written "
          f"(within {FIRST_FRAME_MS:g} ms: {verdict(worst <= FIRST_FRAME_MS)})", file=out)


def restart_under_xvfb():
    if os.environ.get(RESTARTED_MARK):
        sys.exit("cadence.py: still no DISPLAY under xvfb-run")
    xvfb_run = shutil.which("xvfb-run")
    if xvfb_run is None:
        sys.exit("cadence.py: no DISPLAY and no xvfb-run to start one")
    env = dict(os.environ, **{RESTARTED_MARK: "1"})
    command = [xvfb_run, "-a", "-s", XVFB_SCREEN, sys.executable, os.path.abspath(__file__)]
    # Forward an interrupt to the whole xvfb-run so its server goes too.
    child = subprocess.Popen(command + sys.argv[1:], env=env)
    try:
        return child.wait()
    except KeyboardInterrupt:
        child.send_signal(signal.SIGINT)
        return child.wait()


def parse_arguments():
    parser = argparse.ArgumentParser(
        description="Frame cadence, CPU, start-up and memory of zelvix against a bare GLUT loop.")
    parser.add_argument("zelvix", help="the game's executable, as built")
    parser.add_argument("bare_loop", help="the bare_loop executable")
    parser.add_argument("--probe", help="the swap probe library "
                        "(default: libswap_probe.so beside bare_loop)")
    parser.add_argument("--levels", default="1,2,3,4,5,6,7,8",
                        help="comma-separated levels to run (default: all)")
    parser.add_argument("--window", type=float, default=3.0,
                        help="least seconds of measurement per run (default: 3)")
    parser.add_argument("--min-ticks", type=int, default=30,
                        help="least frame intervals per run (default: 30)")
    parser.add_argument("--smoke", action="store_true",
                        help="level 8 only, about a second per program: checks that the "
                        "measurement works, the figures mean little")
    parser.add_argument("--keep", action="store_true",
                        help="keep the frame logs and standard error of every run")
    args = parser.parse_args()
    if args.smoke:
        args.levels = "8"
        args.window = 1.0
        args.min_ticks = 20
    try:
        args.levels = [int(level) for level in args.levels.split(",")]
    except ValueError:
        parser.error("--levels takes numbers such as 1,5,8")
    unknown = [level for level in args.levels if level not in LEVEL_DELAYS_MS]
    if unknown:
        parser.error(f"no such level: {unknown}")
    if args.probe is None:
        args.probe = os.path.join(os.path.dirname(os.path.abspath(args.bare_loop)),
                                  "libswap_probe.so")
    for path in (args.zelvix, args.bare_loop, args.probe):
        if not os.path.isfile(path):
            parser.error(f"not found: {path}")
    args.zelvix = os.path.abspath(args.zelvix)
    args.bare_loop = os.path.abspath(args.bare_loop)
    args.probe = os.path.abspath(args.probe)
    return args


def main():
    args = parse_arguments()
    if not os.environ.get("DISPLAY"):
        return restart_under_xvfb()

    workdir = tempfile.mkdtemp(prefix="zelvix-cadence-")
    rows = []
    try:
        for level in args.levels:
            delay = LEVEL_DELAYS_MS[level]
            game = run_once("game", [args.zelvix], level, delay, args.probe, args.window,
                            args.min_ticks, workdir)
            sanity("game", level, delay, game)
            bare = run_once("bare", [args.bare_loop, str(delay)], level, delay, args.probe,
                            args.window, args.min_ticks, workdir)
            sanity("bare", level, delay, bare)
            rows.append((level, delay, game, bare))
            print(f"level {level}: game {game['frames']} frames in {game['window_s']:.1f} s, "
                  f"bare {bare['frames']} frames in {bare['window_s']:.1f} s; "
                  f"median swap {game['swap_ms']:.3f} / {bare['swap_ms']:.3f} ms",
                  file=sys.stderr, flush=True)
    except MeasureError as error:
        print(f"cadence.py: {error}", file=sys.stderr)
        return 1
    finally:
        if args.keep:
            print(f"logs kept in {workdir}", file=sys.stderr)
        else:
            shutil.rmtree(workdir, ignore_errors=True)

    print(f"Display {os.environ.get('DISPLAY')}; {os.cpu_count()} CPUs; "
          f"intervals over >= {args.window:g} s and >= {args.min_ticks} ticks per run.")
    print()
    print_table(rows, sys.stdout)
    print_verdicts(rows, sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main())
