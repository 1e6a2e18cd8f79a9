"""Driving a real zelvix window under X from the window tests.

Starts the game in a fresh working directory with a chosen standard input,
finds its window, takes screenshots (xwd, parsed here), looks pixels up in the
game's world coordinates, sends keys through xdotool and closes the window the
way a window manager would. Python standard library only.

Every wait polls what the game shows (windows, pixels, files, the process)
against a generous deadline, so a loaded machine makes the tests slower, not
flaky.
"""

import argparse
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

TITLE = "Zelvix version 1.2b beta - Torvane software organisation"
TITLE_PATTERN = "^Zelvix version 1\\.2b beta - Torvane software organisation$"

BANNER = (
    b"Zelvix version 1.2b console\n"
    b"******************************\n\n"
    b"level 1 = extremely slow\n"
    b"level 5 = moderate speed\n"
    b"level 8 = insanely fast\n\n"
    b"Select Zelvix game level (1 to 8)\n"
    b"Level :"
)
# Flushed at once: the lines of a game-over report up to "Game Over".
REPORT_FLUSHED = b"\n\n=========================\nYour score is %d\nGame Over\n"
# Left in the output buffer after a report; it goes out at the next flush.
REPORT_TAIL = b"\n\nPlease visit  \nfor more info and update"
SCORE_FILE = "User_score.txt"
SCORE_LINE = b"You score is : %d at level %d\n"
SCORE_ERROR = b"zelvix: could not save the score to User_score.txt\n"

DEFAULT_SIZE = (350, 385)
DEFAULT_POSITION = (50, 50)

# Colours as 8-bit RGB.
BACKGROUND = (0, 0, 77)
PANEL_TOP = (250, 159, 31)
PANEL_BOTTOM = (191, 191, 191)
TEXT_BROWN = (153, 102, 31)
SNAKE_CORNERS = {"ll": (255, 255, 255), "lr": (255, 255, 0), "ur": (255, 0, 0), "ul": (255, 0, 255)}
FOOD_CORNERS = {"ll": (0, 255, 255), "lr": (255, 0, 255), "ur": (255, 0, 0), "ul": (255, 255, 0)}

SEGMENT = 10.0  # side of a snake or food square, world units
STEP = 11.0  # distance the head moves per tick
PANEL = 35.0  # height of the status panel, world units
HEAD_START = (100.0, 150.0)
FOOD_START = (125.0, 130.0)


class WindowTestError(AssertionError):
    """A window test saw something other than what the game should show."""


def parse_args(description):
    """Command line shared by the window test scripts."""
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("zelvix", help="path of the zelvix executable")
    parser.add_argument("--close-window", dest="close_window", help="path of the close_window helper")
    args, rest = parser.parse_known_args()
    return args, [sys.argv[0]] + rest


def require_display():
    if not os.environ.get("DISPLAY"):
        raise SystemExit(
            "DISPLAY is not set: window tests need an X server, run them as\n"
            '  xvfb-run -a -s "-screen 0 1024x768x24" ctest -L window'
        )
    for tool in ("xdotool", "xwd", "xwininfo"):
        if shutil.which(tool) is None:
            raise SystemExit("window tests need %s on PATH" % tool)


def wait_until(condition, timeout, what, interval=0.05):
    """Polls condition() until it returns something true; returns that value."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise WindowTestError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def run_tool(args, timeout=20, check=True):
    result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    if check and result.returncode != 0:
        raise WindowTestError(
            "%s failed with status %d: %s"
            % (" ".join(args), result.returncode, result.stderr.decode(errors="replace").strip())
        )
    return result


def find_windows():
    """Ids of the viewable game windows on the display."""
    result = run_tool(["xdotool", "search", "--onlyvisible", "--name", TITLE_PATTERN], check=False)
    return {int(word) for word in result.stdout.split()}


def colour_near(actual, expected, tolerance):
    return all(abs(a - e) <= tolerance for a, e in zip(actual, expected))


def lerp(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


class Shot:
    """One screenshot of a window, from `xwd -silent` output."""

    def __init__(self, data):
        fields = struct.unpack(">25I", data[:100])
        header_size = fields[0]
        if fields[1] != 7:
            raise WindowTestError("unexpected XWD version %d" % fields[1])
        self.width, self.height = fields[4], fields[5]
        self.msb_first = fields[7] == 1
        self.bits_per_pixel = fields[11]
        self.bytes_per_line = fields[12]
        masks = fields[14:17]
        colour_count = fields[19]
        if self.bits_per_pixel not in (24, 32) or fields[13] not in (4, 5):
            raise WindowTestError(
                "screenshots need a TrueColor visual of 24 or 32 bits per pixel, got class %d, %d bpp"
                % (fields[13], self.bits_per_pixel)
            )
        self.shifts = [(mask, (mask & -mask).bit_length() - 1) for mask in masks]
        self.pixels = data[header_size + 12 * colour_count :]
        if len(self.pixels) < self.bytes_per_line * self.height:
            raise WindowTestError("truncated screenshot")
        self.bytes_per_pixel = self.bits_per_pixel // 8
        # The world's shorter side spans 250 units.
        self.scale = min(self.width, self.height) / 250.0
        self.world_width = self.width / self.scale
        self.world_height = self.height / self.scale

    def pixel(self, px, py):
        """RGB of the pixel px columns from the left, py rows from the top."""
        if not (0 <= px < self.width and 0 <= py < self.height):
            raise WindowTestError("pixel (%d, %d) outside a %dx%d shot" % (px, py, self.width, self.height))
        at = py * self.bytes_per_line + px * self.bytes_per_pixel
        raw = self.pixels[at : at + self.bytes_per_pixel]
        value = int.from_bytes(raw, "big" if self.msb_first else "little")
        return tuple((value & mask) >> shift for mask, shift in self.shifts)

    def to_pixel(self, wx, wy):
        """The pixel whose area holds world point (wx, wy); y grows upwards in the world."""
        px = int(wx * self.scale)
        py = self.height - 1 - int(wy * self.scale)
        return px, py

    def world(self, wx, wy):
        return self.pixel(*self.to_pixel(wx, wy))

    def same_as(self, other):
        return (self.width, self.height, self.pixels) == (other.width, other.height, other.pixels)

    def count_in_world(self, x0, y0, x1, y1, predicate):
        """Pixels with centres inside the world rectangle whose colour satisfies predicate."""
        px0, py1 = self.to_pixel(x0, y0)
        px1, py0 = self.to_pixel(x1, y1)
        hits = []
        for py in range(max(py0, 0), min(py1, self.height - 1) + 1):
            for px in range(max(px0, 0), min(px1, self.width - 1) + 1):
                if predicate(self.pixel(px, py)):
                    hits.append((px, py))
        return hits

    def square_problems(self, x, y, corners):
        """What is wrong with a 10x10 square with lower-left corner (x, y) and these corner colours.

        Samples 1.5 units inside each corner (smooth shading blends a little
        there) and the background 2 units outside each side."""
        problems = []
        inside = {"ll": (x + 1.5, y + 1.5), "lr": (x + 8.5, y + 1.5), "ur": (x + 8.5, y + 8.5), "ul": (x + 1.5, y + 8.5)}
        for corner, (wx, wy) in inside.items():
            if not (0 <= wx < self.world_width and 0 <= wy < self.world_height):
                continue  # clipped at the window's edge
            got = self.world(wx, wy)
            if not colour_near(got, corners[corner], 48):
                problems.append("%s corner at (%.1f, %.1f) is %s, expected near %s" % (corner, wx, wy, got, corners[corner]))
        outside = [(x - 2, y + 5), (x + 12, y + 5), (x + 5, y - 2), (x + 5, y + 12)]
        for wx, wy in outside:
            if 0 <= wx < self.world_width and 0 <= wy < self.world_height - PANEL:
                got = self.world(wx, wy)
                if not colour_near(got, BACKGROUND, 2):
                    problems.append("background at (%.1f, %.1f) is %s" % (wx, wy, got))
        return problems

    def head_on_start_row(self):
        """x of the square on the head's starting row y = 150, if one lies on the 100 + 11k grid.

        Returns None when the row holds no square or one off the grid."""
        wy = HEAD_START[1] + SEGMENT / 2
        py = self.to_pixel(0, wy)[1]
        columns = [px for px in range(self.width) if not colour_near(self.pixel(px, py), BACKGROUND, 2)]
        if not columns:
            return None
        left = columns[0] / self.scale
        k = round((left - HEAD_START[0]) / STEP)
        x = HEAD_START[0] + STEP * k
        if abs(left - x) > 1.0:
            return None
        return x

    def text_pixels(self, x0, y0, x1, y1):
        return self.count_in_world(x0, y0, x1, y1, lambda c: colour_near(c, TEXT_BROWN, 3))

    def save(self, path, data):
        with open(path, "wb") as out:
            out.write(data)


class Game:
    """One zelvix process in its own working directory, with its window."""

    def __init__(self, exe, stdin_text=b"1\n", env=None, keep_stdin_open=False, prepare=None):
        self.exe = os.path.abspath(exe)
        self.workdir = tempfile.mkdtemp(prefix="zelvix-window-")
        if prepare is not None:
            prepare(self.workdir)
        self.stdout_path = os.path.join(self.workdir, "stdout.txt")
        self.stderr_path = os.path.join(self.workdir, "stderr.txt")
        self.window = None
        self.shots = 0
        self.known_windows = find_windows() if os.environ.get("DISPLAY") else set()
        self._out = open(self.stdout_path, "wb")
        self._err = open(self.stderr_path, "wb")
        self.proc = subprocess.Popen(
            [self.exe], cwd=self.workdir, stdin=subprocess.PIPE, stdout=self._out, stderr=self._err, env=env
        )
        self.proc.stdin.write(stdin_text)
        self.proc.stdin.flush()
        if not keep_stdin_open:
            self.proc.stdin.close()

    # Process and its output --------------------------------------------

    def alive(self):
        return self.proc.poll() is None

    def stdout(self):
        with open(self.stdout_path, "rb") as f:
            return f.read()

    def stderr(self):
        with open(self.stderr_path, "rb") as f:
            return f.read()

    def file(self, name):
        return os.path.join(self.workdir, name)

    def rss_kib(self):
        with open("/proc/%d/status" % self.proc.pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        raise WindowTestError("no VmRSS for process %d" % self.proc.pid)

    def wait_exit(self, timeout):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise WindowTestError("zelvix did not exit within %.0f s" % timeout) from None

    def describe(self):
        status = "running" if self.alive() else "exited with %s" % self.proc.returncode
        return "zelvix %s; stderr: %r" % (status, self.stderr()[-2000:])

    def check_alive(self):
        if not self.alive():
            raise WindowTestError(self.describe())

    # Window ------------------------------------------------------------

    def wait_window(self, timeout=30):
        """Waits for this process's window to be viewable and to show a first frame."""

        def new_window():
            self.check_alive()
            fresh = find_windows() - self.known_windows
            if len(fresh) > 1:
                raise WindowTestError("more than one new game window: %s" % sorted(fresh))
            return next(iter(fresh), None)

        self.window = wait_until(new_window, timeout, "the game window")
        # A frame has been drawn once the panel's orange top edge shows.
        wait_until(
            lambda: colour_near(self.screenshot().pixel(self.geometry()[2] // 2, 0), PANEL_TOP, 8),
            timeout,
            "the first frame",
        )
        return self.window

    def geometry(self):
        """(x, y, width, height) of the window on the screen."""
        text = run_tool(["xwininfo", "-id", str(self.window)]).stdout.decode()
        info = {}
        for line in text.splitlines():
            key, _, value = line.strip().partition(":")
            info[key] = value.strip()
        return (
            int(info["Absolute upper-left X"]),
            int(info["Absolute upper-left Y"]),
            int(info["Width"]),
            int(info["Height"]),
        )

    def title(self):
        return run_tool(["xdotool", "getwindowname", str(self.window)]).stdout.decode().rstrip("\n")

    def screenshot(self, keep_as=None):
        self.check_alive()
        data = run_tool(["xwd", "-id", str(self.window), "-silent"]).stdout
        shot = Shot(data)
        self.shots += 1
        if keep_as:
            shot.save(self.file(keep_as), data)
        self.last_shot_data = data
        return shot

    def keep_last_shot(self, name):
        """Keeps the last screenshot in the working directory, for a failure report."""
        if getattr(self, "last_shot_data", None):
            with open(self.file(name), "wb") as out:
                out.write(self.last_shot_data)

    def key(self, *names):
        """Focuses the window and types the keys, as a player at the keyboard would."""
        self.check_alive()
        run_tool(["xdotool", "windowfocus", "--sync", str(self.window), "key", "--delay", "20"] + list(names))

    def resize(self, width, height):
        run_tool(["xdotool", "windowsize", "--sync", str(self.window), str(width), str(height)], check=False)
        wait_until(lambda: self.geometry()[2:] == (width, height), 20, "the window to become %dx%d" % (width, height))

    def close(self, close_window_tool):
        """Closes the window as a window manager does and returns the exit status."""
        run_tool([close_window_tool, str(self.window)])
        return self.wait_exit(30)

    # Clean-up ----------------------------------------------------------

    def shutdown(self, keep_files=False):
        if self.alive():
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait(timeout=30)
        if self.proc.stdin and not self.proc.stdin.closed:
            try:
                self.proc.stdin.close()
            except BrokenPipeError:
                pass
        self._out.close()
        self._err.close()
        if keep_files:
            print("kept the failed run's files in %s" % self.workdir, file=sys.stderr)
        else:
            shutil.rmtree(self.workdir, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, kind, value, trace):
        if kind is not None:
            print("zelvix output so far:\n  stdout %r\n  stderr %r" % (self.stdout(), self.stderr()), file=sys.stderr)
        self.shutdown(keep_files=kind is not None)
        return False


def sanitizer_report(stderr_bytes):
    """The start of an AddressSanitizer/UBSan report in stderr, or None."""
    text = stderr_bytes.decode(errors="replace")
    for marker in ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:", "SUMMARY: "):
        at = text.find(marker)
        if at >= 0:
            return text[max(0, at - 200) : at + 1500]
    return None
