#!/usr/bin/env python3
"""How long a beep holds the game's thread, and the cadence of a game that eats.

    beep_cost.py [options] EATING_GAME BARE_LOOP

Plays bench/eating_game (the game steered to its food before every tick) at
level 8 against each sound server in turn, each its own PulseAudio server
with a null sink (the window tests' SoundServer):

  server    running
  none      none reachable: every beep rings the X bell
  stopped   stopped (SIGSTOP) once the game has loaded the bell, before the
            level is typed: its first beep hangs in the sound thread

and reports the time each beep() call held the game's thread (median, 99th
percentile, longest) from the game's own stamps. Then, with the server
running, cadence.py compares the eating game at level 8 against the bare
loop. Without DISPLAY it runs under xvfb-run.
"""

import argparse
import os
import select
import shutil
import statistics
import subprocess
import sys
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "window"))
import windowlib as wl  # noqa: E402

from cadence import percentile  # noqa: E402


def read_until(proc, text, timeout):
    seen = b""
    deadline = time.monotonic() + timeout
    while text not in seen:
        ready, _, _ = select.select([proc.stdout], [], [], max(0.0, deadline - time.monotonic()))
        if not ready:
            raise wl.WindowTestError("no %r from the game within %d s" % (text, timeout))
        seen += os.read(proc.stdout.fileno(), 4096)


def play(game, kind, seconds):
    """Beep times, in milliseconds, and meals of one game of `seconds` at level 8."""
    sound = wl.SoundServer(kind)
    err_path = os.path.join(sound.dir, "game.stderr")
    try:
        with open(err_path, "wb") as err:
            proc = subprocess.Popen([game], env=sound.env, cwd=sound.dir, stdin=subprocess.PIPE,
                                    stdout=subprocess.PIPE, stderr=err)
        try:
            read_until(proc, b"Level :", 20)
            sound.hold()
            proc.stdin.write(b"8\n")
            proc.stdin.flush()

            def beeped():
                with open(err_path, "rb") as f:
                    return b"beep " in f.read()

            # On a loaded machine the window may be long in coming: the game's
            # seconds count from its first beep.
            wl.wait_until(lambda: beeped() or proc.poll() is not None, 60, "the game's first beep")
            time.sleep(seconds)
            if proc.poll() is not None:
                raise wl.WindowTestError("the game ended early with status %d" % proc.returncode)
        finally:
            proc.kill()
            proc.wait(timeout=30)
        with open(err_path, "rb") as f:
            lines = [line.split() for line in f]
    finally:
        sound.close()
    held = [int(words[2]) / 1e6 for words in lines if words[:1] == [b"beep"]]
    meals = sum(words[:1] == [b"meal"] for words in lines)
    if not held:
        raise wl.WindowTestError("%s: the game never beeped" % kind)
    return held, meals


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("eating_game")
    parser.add_argument("bare_loop")
    parser.add_argument("--seconds", type=float, default=20.0, help="length of each game (default: 20)")
    parser.add_argument("--games", type=int, default=3, help="games against each server (default: 3)")
    parser.add_argument("--rounds", type=int, default=3, help="cadence.py runs of each program (default: 3)")
    parser.add_argument("--smoke", action="store_true",
                        help="a second a game and cadence.py --smoke: checks that it works, the figures mean little")
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        xvfb = ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24 -noreset", sys.executable]
        return subprocess.call(xvfb + [os.path.abspath(__file__)] + sys.argv[1:])

    print("| sound server | beeps | meals | median ms | p99 ms | longest ms |")
    print("|---|---:|---:|---:|---:|---:|")
    for kind in ("server", "none", "stopped"):
        held, meals = [], 0
        for _ in range(1 if args.smoke else args.games):
            game_held, game_meals = play(os.path.abspath(args.eating_game), kind, 1.0 if args.smoke else args.seconds)
            held, meals = held + game_held, meals + game_meals
        print("| %s | %d | %d | %.3f | %.3f | %.3f |" % (kind, len(held), meals, statistics.median(held),
                                                       percentile(held, 0.99), max(held)), flush=True)

    print("\nLevel 8 with the server running, the eating game against the bare loop:\n", flush=True)
    sound = wl.SoundServer("server")
    try:
        length = ["--smoke"] if args.smoke else ["--levels", "8", "--rounds", str(args.rounds), "--window", "5"]
        return subprocess.call([sys.executable, os.path.join(HERE, "cadence.py")] + length
                               + [args.eating_game, args.bare_loop], env=sound.env)
    finally:
        sound.close()


if __name__ == "__main__":
    if shutil.which("pulseaudio") is None or shutil.which("parec") is None:
        sys.exit("beep_cost.py needs pulseaudio and pulseaudio-utils")
    sys.exit(main())
