"""Whatever arrives on standard input, the console dialogue ends cleanly.

The game runs against an X display that does not exist, so each run ends
right after the level read with GLUT's own message; what is checked is that
the banner and prompt come out whole, the process ends by exiting (not by a
signal or a hang) and nothing but GLUT's message reaches standard error.
"""

import os
import random
import subprocess
import sys
import tempfile

BANNER = (b"Zelvix version 1.2b console\n"
          b"******************************\n\n"
          b"level 1 = extremely slow\n"
          b"level 5 = moderate speed\n"
          b"level 8 = insanely fast\n\n"
          b"Select Zelvix game level (1 to 8)\n"
          b"Level :")


def inputs():
    rng = random.Random(7)
    binary = bytes(rng.randrange(256) for _ in range(64 * 1024))
    return [
        ("end of input at once", b""),
        ("closed standard input", None),
        ("binary bytes", binary),
        ("a line of several megabytes", b"7" * (6 * 1024 * 1024) + b"\n"),
        ("a line of several megabytes of text", b"x" * (6 * 1024 * 1024) + b"\n"),
        ("hundreds of digits", b"9" * 700 + b"\n"),
        ("hundreds of hexadecimal digits", b"0x" + b"f" * 700 + b"\n"),
        ("blank lines before the number", b"\n\n  \n\t\n3\n"),
        ("a lone sign", b"-\n"),
        ("a NUL byte", b"\x00 5\n"),
    ]


def run(zelvix, data, workdir):
    env = dict(os.environ, DISPLAY=":987")
    if data is None:
        # Close descriptor 0 itself, as a shell's <&- does.
        args = ["bash", "-c", 'exec "$@" <&-', "bash"] + zelvix
        stdin = subprocess.DEVNULL
    else:
        args = zelvix
        stdin = subprocess.PIPE
    proc = subprocess.Popen(args, stdin=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            cwd=workdir, env=env)
    try:
        out, err = proc.communicate(input=data, timeout=60)
    except BrokenPipeError:
        # The game reads only what it needs and may exit before a huge input is written.
        out, err = proc.communicate(timeout=60)
    return proc.returncode, out, err


def main():
    # The game, after the emulator that runs it where it was cross-built.
    zelvix = sys.argv[1:-1] + [os.path.abspath(sys.argv[-1])]
    failures = []
    for name, data in inputs():
        with tempfile.TemporaryDirectory() as workdir:
            status, out, err = run(zelvix, data, workdir)
            lines = err.decode(errors="replace").strip().splitlines()
            problems = []
            if out != BANNER:
                problems.append("standard output %r" % out[:200])
            if status <= 0:
                problems.append("exit status %d (want a non-zero exit, not a signal)" % status)
            if len(lines) != 1 or "failed to open display" not in lines[0]:
                problems.append("standard error %r" % lines[:5])
            if os.listdir(workdir):
                problems.append("left files %r" % os.listdir(workdir))
            if problems:
                failures.append("%s: %s" % (name, "; ".join(problems)))
            else:
                print("ok: %s" % name)
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
