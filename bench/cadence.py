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

ZELVIX may be bench/eating_game, the game steered to its food at every tick;
the meals it reports inside the window are counted.

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

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "window"))
import windowlib as wl  # noqa: E402

LEVEL_DELAYS_MS = {1: 220, 2: 180, 3: 120, 4: 100, 5: 80, 6: 60, 7: 30, 8: 10}
FIRST_TICK_MS = 33
PROMPT = b"Level :"
XVFB_SCREEN = "-screen 0 1024x768x24 -noreset"
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


def run_once(kind, argv, level, delay_ms, probe, window_s, min_intervals, workdir, tag):
    """Runs one program at one delay and returns its raw figures."""
    log_path = os.path.join(workdir, f"{kind}-level{level}-{tag}.frames")
    err_path = os.path.join(workdir, f"{kind}-level{level}-{tag}.stderr")
    env = wl.preloading(os.environ, probe)
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
        result = measure(process, is_game, level, delay_ms, started, log_path, window_s,
                         min_intervals)
        # The meals bench/eating_game reports on standard error, inside the window.
        with open(err_path, "rb") as f:
            stamps = [int(line.split()[1]) for line in f if line.startswith(b"meal ")]
        result["meals"] = sum(result["window"][0] <= t <= result["window"][1] for t in stamps)
        return result
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

    # Start-up, left alone: the frames carry their own times, so nothing here
    # needs to watch closely (and take CPU from the program while it starts).
    # Then skip the exposure frame, the first tick's and the one after it.
    time.sleep(0.3 + (FIRST_TICK_MS + 2 * delay_ms) / 1000)
    deadline = time.monotonic() + 20 + 10 * delay_ms / 1000
    while True:
        check_alive()
        frames = log.poll()
        settled = frames and now_ns() >= frames[0][0] + (FIRST_TICK_MS + 1.5 * delay_ms) * 1e6
        if len(frames) >= 3 and settled:
            break
        if time.monotonic() > deadline:
            raise MeasureError(f"only {len(frames)} frames after start-up" if frames
                               else "no frame within 20 s")
        time.sleep(0.02)
    first = frames[0][0]

    # The window: at least window_s and at least min_intervals intervals.
    window_start = now_ns()
    cpu_start = process_cpu_ns(process.pid)
    time.sleep(window_s)
    hard_end = window_start + int((window_s + 30 + 4 * min_intervals * delay_ms / 1000) * 1e9)
    while True:
        check_alive()
        inside = [f for f in log.poll() if f[0] >= window_start]
        missing = min_intervals - (len(inside) - 1)
        if missing <= 0:
            break
        if now_ns() > hard_end:
            raise MeasureError(f"only {len(inside)} frames in "
                               f"{(now_ns() - window_start) / 1e9:.1f} s")
        time.sleep((missing + 1) * delay_ms / 1000)
    window_end = now_ns()
    cpu_end = process_cpu_ns(process.pid)
    rss = resident_kib(process.pid)
    check_alive()
    # Frames that were already being drawn when the window closed stay out.
    inside = [f for f in inside if f[0] <= window_end]

    befores = [f[0] for f in inside]
    return {
        "intervals_ms": [(b - a) / 1e6 for a, b in zip(befores, befores[1:])],
        "swaps_ms": [(after - before) / 1e6 for before, after in inside],
        "cpu_ns": cpu_end - cpu_start,
        "wall_ns": window_end - window_start,
        "first_ms": [(first - origin) / 1e6],
        "rss_kib": rss,
        "window": (window_start, window_end),
    }


def merge(runs):
    """Pools the runs of one program at one level into its figures."""
    intervals = [i for run in runs for i in run["intervals_ms"]]
    swaps = [s for run in runs for s in run["swaps_ms"]]
    firsts = [f for run in runs for f in run["first_ms"]]
    wall = sum(run["wall_ns"] for run in runs)
    return {
        "intervals": len(intervals),
        "window_s": wall / 1e9,
        "median_ms": statistics.median(intervals),
        "p95_ms": percentile(intervals, 0.95),
        "max_ms": max(intervals),
        "swap_ms": statistics.median(swaps),
        "cpu_pct": 100.0 * sum(run["cpu_ns"] for run in runs) / wall,
        "first_ms": statistics.median(firsts),
        "first_max_ms": max(firsts),
        "rss_kib": max(run["rss_kib"] for run in runs),
        "meals": sum(run["meals"] for run in runs),
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
              "| median ratio | game CPU % | bare CPU % | first frame ms | game RSS MiB "
              "| bare RSS MiB |")
    print(header, file=out)
    print("|" + "|".join("---:" for _ in range(header.count("|") - 1)) + "|", file=out)
    for level, delay, game, bare in rows:
        print(f"| {level} | {delay} "
              f"| {game['median_ms']:.2f} | {game['p95_ms']:.2f} "
              f"| {bare['median_ms']:.2f} | {bare['p95_ms']:.2f} "
              f"| {game['median_ms'] / bare['median_ms']:.3f} "
              f"| {game['cpu_pct']:.2f} | {bare['cpu_pct']:.2f} "
              f"| {game['first_ms']:.0f} (max {game['first_max_ms']:.0f}) "
              f"| {game['rss_kib'] / 1024:.1f} | {bare['rss_kib'] / 1024:.1f} |", file=out)


def print_details(rows, out):
    print(file=out)
    print("Per level: intervals pooled over the runs, longest interval, median time "
          "inside the swap,", file=out)
    print("and bare_loop's first frame counted from starting the process:", file=out)
    for level, _delay, game, bare in rows:
        print(f"  level {level}: game {game['intervals']} intervals in {game['window_s']:.1f} s, "
              f"max {game['max_ms']:.2f} ms, swap {game['swap_ms']:.2f} ms, "
              f"{game['meals']} meals; "
              f"bare {bare['intervals']} in {bare['window_s']:.1f} s, "
              f"max {bare['max_ms']:.2f} ms, swap {bare['swap_ms']:.2f} ms, "
              f"first {bare['first_ms']:.0f} ms", file=out)


def print_verdicts(rows, out):
    def verdict(ok):
        return "met" if ok else "NOT met"

    print(file=out)
    print("Targets:", file=out)
    for level, _delay, game, bare in rows:
        ratio = game["median_ms"] / bare["median_ms"]
        gap = game["p95_ms"] - bare["p95_ms"]
        p95_note = verdict(abs(gap) <= P95_TOLERANCE_MS)
        if gap < -P95_TOLERANCE_MS:
            p95_note += " (the bare loop was the less steady one)"
        print(f"  level {level}: median {100 * (ratio - 1):+.2f} % against bare, within "
              f"{100 * MEDIAN_TOLERANCE:g} %: {verdict(abs(ratio - 1) <= MEDIAN_TOLERANCE)}; "
              f"p95 {gap:+.2f} ms against bare, within {P95_TOLERANCE_MS} ms: {p95_note}",
              file=out)
    for level, _delay, game, bare in rows:
        if level == 8:
            ratio = game["cpu_pct"] / bare["cpu_pct"] if bare["cpu_pct"] > 0 else float("inf")
            print(f"  CPU at level 8: game {game['cpu_pct']:.2f} %, bare {bare['cpu_pct']:.2f} %, "
                  f"ratio {ratio:.2f}, at most {CPU_RATIO_LEVEL8}: "
                  f"{verdict(ratio <= CPU_RATIO_LEVEL8)}", file=out)
    firsts = [game["first_max_ms"] for _l, _d, game, _b in rows]
    medians = [game["first_ms"] for _l, _d, game, _b in rows]
    print(f"  first frame after the level was written: median {statistics.median(medians):.0f} ms,"
          f" worst {max(firsts):.0f} ms; every run within {FIRST_FRAME_MS:g} ms: "
          f"{verdict(max(firsts) <= FIRST_FRAME_MS)}", file=out)


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


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
    parser.add_argument("--rounds", type=int, default=2,
                        help="runs of each program per level, alternating which goes first "
                        "(default: 2)")
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
        args.rounds = 1
    if args.rounds < 1 or args.window <= 0 or args.min_ticks < 2:
        parser.error("--rounds must be at least 1, --window positive, --min-ticks at least 2")
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
    load_before = load_average()
    rows = []
    try:
        for level in args.levels:
            delay = LEVEL_DELAYS_MS[level]
            programs = {"game": [args.zelvix], "bare": [args.bare_loop, str(delay)]}
            runs = {"game": [], "bare": []}
            for round_number in range(args.rounds):
                # Alternate which goes first, so a change in the machine's load
                # during a level falls on both alike.
                order = ("game", "bare") if round_number % 2 == 0 else ("bare", "game")
                for kind in order:
                    runs[kind].append(run_once(kind, programs[kind], level, delay, args.probe,
                                               args.window, args.min_ticks, workdir,
                                               f"round{round_number + 1}"))
            game = merge(runs["game"])
            bare = merge(runs["bare"])
            sanity("game", level, delay, game)
            sanity("bare", level, delay, bare)
            rows.append((level, delay, game, bare))
            print(f"level {level}: game median {game['median_ms']:.2f} ms, "
                  f"bare {bare['median_ms']:.2f} ms", file=sys.stderr, flush=True)
    except MeasureError as error:
        print(f"cadence.py: {error}", file=sys.stderr)
        return 1
    finally:
        if args.keep:
            print(f"logs kept in {workdir}", file=sys.stderr)
        else:
            shutil.rmtree(workdir, ignore_errors=True)

    print(f"X display {os.environ.get('DISPLAY')}, {os.cpu_count()} CPUs, load average "
          f"{load_before} before and {load_average()} after. Per level and program "
          f"{args.rounds} run(s) of at least {args.window:g} s and {args.min_ticks} intervals, "
          f"pooled.")
    print()
    print_table(rows, sys.stdout)
    print_details(rows, sys.stdout)
    print_verdicts(rows, sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main())
