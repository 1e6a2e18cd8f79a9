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
import array
import math
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
    parser.add_argument("--bell-count", dest="bell_count", help="path of the bell_count helper")
    parser.add_argument("--wine", action="store_true", help="zelvix is the Windows build: run it under Wine")
    parser.add_argument("--frames-like", dest="frames_like", metavar="ZELVIX",
                        help="another build whose frames this one's must equal, pixel for pixel")
    args, rest = parser.parse_known_args()
    if args.wine:
        use_wine()
    return args, [sys.argv[0]] + rest


# Under Wine ------------------------------------------------------------

WINE = False
# Runs Windows programs in the user's shared Wine prefix, made on first use.
RUN_WINE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "run-wine")


def use_wine():
    """Runs the Windows build under Wine, through scripts/run-wine. The game's
    console and files then end lines with CR LF. With no window manager Wine
    draws the frame itself and puts its outer corner at (50, 50), the client
    area at (54, 73)."""
    global WINE, BANNER, REPORT_FLUSHED, REPORT_TAIL, SCORE_LINE, SCORE_ERROR, DEFAULT_POSITION
    WINE = True
    BANNER, REPORT_FLUSHED, REPORT_TAIL, SCORE_LINE, SCORE_ERROR = (
        text.replace(b"\n", b"\r\n") for text in (BANNER, REPORT_FLUSHED, REPORT_TAIL, SCORE_LINE, SCORE_ERROR)
    )
    DEFAULT_POSITION = (54, 73)


def wine_command(exe):
    """Wine hands the Unix DISPLAY on to Windows programs, where freeglut takes
    it for a device name and warns; cmd drops it for the game alone. The path
    is an argument of its own, which Wine quotes when it holds spaces."""
    # The first call may have to make the prefix, or wait for another run making it.
    path = run_tool([RUN_WINE, "winepath", "--windows", exe], timeout=600).stdout.decode().strip()
    return [RUN_WINE, "cmd", "/c", "set", "DISPLAY=&&", path]


class Bells:
    """Counts the bells rung on the display while alive: the game's beeps."""

    def __init__(self, tool):
        self.out = tempfile.TemporaryFile()
        self.proc = subprocess.Popen([tool], stdout=self.out)
        self.marked = 0
        wait_until(lambda: self.lines()[:1] == [b"ready"] or self.proc.poll() is not None, 20, "the bell counter")
        if self.proc.poll() is not None:
            raise WindowTestError("%s exited with status %d" % (tool, self.proc.returncode))

    def lines(self):
        self.out.seek(0)
        return self.out.read().splitlines()

    def count(self):
        """Bells rung since the last mark()."""
        return self.lines().count(b"bell") - self.marked

    def mark(self):
        self.marked = self.lines().count(b"bell")

    def close(self):
        self.proc.kill()
        self.proc.wait(timeout=30)
        self.out.close()


class SoundServer:
    """A PulseAudio server of the test's own, its null sink recorded ("server";
    "stopped" once the game holds the bell), or "none" reachable. env gives
    the game a client.conf that starts no server, and with a server a HOME
    and XDG_RUNTIME_DIR of its own (Wine keeps its prefix under HOME)."""

    def __init__(self, kind):
        self.kind, self.procs, self.dir = kind, [], tempfile.mkdtemp(prefix="zelvix-sound-")
        conf = os.path.join(self.dir, "client.conf")
        with open(conf, "w") as f:
            f.write("autospawn = no\n" + ("default-server = unix:%s/none\n" % self.dir if kind == "none" else ""))
        self.env = dict(os.environ, PULSE_CLIENTCONFIG=conf)
        if kind == "none":
            return
        self.env.update(HOME=self.dir, XDG_RUNTIME_DIR=self.dir)
        # norewinds: a null sink that rewinds loses the first sound after a quiet while.
        server = ["pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n", "-L", "module-null-sink sink_name=out norewinds=1",
                  "-L", "module-native-protocol-unix"]
        self.procs.append(subprocess.Popen(server, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        wait_until(lambda: self.pactl("info"), 30, "the sound server")
        self.recording = os.path.join(self.dir, "out.raw")
        record = ["parec", "-d", "out.monitor", "--raw", "--format=s16le", "--channels=1", "--rate=8000"]
        with open(self.recording, "wb") as out:
            self.procs.append(subprocess.Popen(record, env=self.env, stdout=out, stderr=subprocess.DEVNULL))
        # A fresh server's monitor may start late: nothing is played before it does.
        wait_until(lambda: os.path.getsize(self.recording) > 0, 30, "the sink's first samples")

    def pactl(self, *args):
        result = subprocess.run(["pactl"] + list(args), env=self.env, capture_output=True, timeout=20)
        return result.stdout if result.returncode == 0 else None

    def fresh(self, _workdir=None):  # before each game: running, without an earlier game's bell
        if self.procs:
            self.procs[0].send_signal(signal.SIGCONT)
            self.pactl("remove-sample", "bell")

    def hold(self, _game=None):  # once the game shows
        if self.procs:
            wait_until(lambda: b"bell" in (self.pactl("list", "samples", "short") or b""), 30, "the bell loaded")
        if self.kind == "stopped":
            self.procs[0].send_signal(signal.SIGSTOP)

    def sounds(self):
        """Sounds on the sink, after a second more of it (parec writes in half
        seconds): 10 ms windows above 1 % of full scale after 50 ms of quiet."""
        size = os.path.getsize(self.recording)
        wait_until(lambda: os.path.getsize(self.recording) >= size + 16000, 30, "a second more of the sink")
        with open(self.recording, "rb") as f:
            samples = array.array("h", f.read()[: size // 160 * 160 + 16000])
        count, quiet = 0, 5
        for at in range(0, len(samples), 80):
            loud = sum(s * s for s in samples[at : at + 80]) / 80 > (0.01 * 32768) ** 2
            count, quiet = count + (loud and quiet >= 5), 0 if loud else quiet + 1
        return count

    def close(self):
        for proc in self.procs:
            proc.send_signal(signal.SIGCONT)
            proc.kill()
            proc.wait(timeout=30)
        shutil.rmtree(self.dir, ignore_errors=True)


def require_display():
    if not os.environ.get("DISPLAY"):
        raise SystemExit(
            "DISPLAY is not set: window tests need an X server, run them as\n"
            '  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ctest -L window'
        )
    for tool in ("xdotool", "xwd", "xwininfo"):
        if shutil.which(tool) is None:
            raise SystemExit("window tests need %s on PATH" % tool)


def preloading(env, library):
    """env with library preloaded. ld.so splits LD_PRELOAD on spaces and colons, so
    that names the file alone; its folder goes on LD_LIBRARY_PATH, split on colons."""
    folder, name = os.path.split(os.path.abspath(library))
    paths = [folder] + [p for p in env.get("LD_LIBRARY_PATH", "").split(":") if p]
    return dict(env, LD_PRELOAD=" ".join([name] + env.get("LD_PRELOAD", "").split()), LD_LIBRARY_PATH=":".join(paths))


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


# An X server started without -noreset resets when its last client leaves, and
# refuses a connection made during the reset; a tool that could not even
# connect has done nothing, so it is simply run again.
CONNECT_FAILURES = (b"unable to open display", b"can't open display", b"cannot open display", b"failed to open display")
CONNECT_TRIES = 8


def connect_failed(stderr_bytes):
    return any(message in stderr_bytes.lower() for message in CONNECT_FAILURES)


def run_tool(args, timeout=20, check=True):
    for attempt in range(1, CONNECT_TRIES + 1):
        result = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
        if result.returncode == 0 or not connect_failed(result.stderr) or attempt == CONNECT_TRIES:
            break
        time.sleep(0.05 * attempt)
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
        self.size_world()

    def size_world(self):
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

    def square_box(self, x, y, size=SEGMENT):
        """(left, right, top, bottom) pixel columns and rows a world square
        covers: those whose centres lie inside it."""
        left = math.ceil(x * self.scale - 0.5)
        right = math.ceil((x + size) * self.scale - 0.5) - 1
        low = math.ceil(y * self.scale - 0.5)  # rows counted from the bottom
        high = math.ceil((y + size) * self.scale - 0.5) - 1
        return left, right, self.height - 1 - high, self.height - 1 - low

    def in_field(self, px, py):
        """Whether a pixel lies in the window and below the status panel."""
        return 0 <= px < self.width and 0 <= py < self.height and (self.height - 0.5 - py) / self.scale < self.world_height - PANEL

    def square_problems(self, x, y, corners):
        """What is wrong with the 10x10 square drawn with lower-left corner
        (x, y) and these corner colours; an empty list when nothing is.

        Each edge must lie on the exact pixel (a square off by one world unit
        is 1.4 pixels off) and each corner must show its colour, sampled one
        pixel inside since smooth shading blends a little there. Parts cut off
        by the window's edge are not checked."""
        problems = []
        left, right, top, bottom = self.square_box(x, y)
        mid_x, mid_y = (left + right) // 2, (top + bottom) // 2
        edges = {
            "left": ((left, mid_y), (left - 1, mid_y)),
            "right": ((right, mid_y), (right + 1, mid_y)),
            "top": ((mid_x, top), (mid_x, top - 1)),
            "bottom": ((mid_x, bottom), (mid_x, bottom + 1)),
        }
        for edge, (inside, outside) in edges.items():
            if self.in_field(*inside) and colour_near(self.pixel(*inside), BACKGROUND, 2):
                problems.append("%s edge: pixel %s inside the square is background" % (edge, inside))
            if self.in_field(*outside) and not colour_near(self.pixel(*outside), BACKGROUND, 2):
                problems.append("%s edge: pixel %s outside the square is %s" % (edge, outside, self.pixel(*outside)))
        samples = {"ll": (left + 1, bottom - 1), "lr": (right - 1, bottom - 1), "ur": (right - 1, top + 1), "ul": (left + 1, top + 1)}
        for corner, (px, py) in samples.items():
            if not (0 <= px < self.width and 0 <= py < self.height):
                continue
            got = self.pixel(px, py)
            if not colour_near(got, corners[corner], 48):
                problems.append("%s corner pixel %s is %s, expected near %s" % (corner, (px, py), got, corners[corner]))
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
        self.stdin_text = stdin_text
        self.env = env
        self.keep_stdin_open = keep_stdin_open
        self.launches = 0
        self._launch()

    def _launch(self):
        self.launches += 1
        self._out = open(self.stdout_path, "wb")
        self._err = open(self.stderr_path, "wb")
        command, env = [self.exe], self.env
        if WINE:
            command = wine_command(self.exe)
        # A session of its own, so that shutdown ends Wine's helper processes too.
        self.proc = subprocess.Popen(
            command,
            cwd=self.workdir,
            stdin=subprocess.PIPE,
            stdout=self._out,
            stderr=self._err,
            env=env,
            start_new_session=True,
        )
        self.proc.stdin.write(self.stdin_text)
        self.proc.stdin.flush()
        if not self.keep_stdin_open:
            self.proc.stdin.close()

    def _relaunch_after_refused_connection(self):
        """Starts the game again when its one X connection was refused by a busy
        server (see CONNECT_FAILURES); True when it did."""
        if self.alive() or self.launches >= 3 or not connect_failed(self.stderr()):
            return False
        if run_tool(["xwininfo", "-root"], check=False).returncode != 0:
            return False  # the server itself is gone: a real failure
        print("zelvix could not connect to the X server (%r); starting it again" % self.stderr(), file=sys.stderr)
        self._out.close()
        self._err.close()
        self._launch()
        return True

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
            if self._relaunch_after_refused_connection():
                return None
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

    def screenshot(self):
        self.check_alive()
        data = run_tool(["xwd", "-id", str(self.window), "-silent"]).stdout
        shot = Shot(data)
        self.shots += 1
        self.last_shot_data = data
        return shot

    def keep_last_shot(self, name):
        """Keeps the last screenshot in the working directory, for a failure report."""
        if getattr(self, "last_shot_data", None):
            with open(self.file(name), "wb") as out:
                out.write(self.last_shot_data)

    def key(self, *names, delay=20):
        """Focuses the window and types the keys, delay ms apart, as a player at the keyboard would."""
        self.check_alive()
        run_tool(["xdotool", "windowfocus", "--sync", str(self.window), "key", "--delay", str(delay)] + list(names))

    def toggle_pause(self, times=1):
        """F1, pressed times times a fifth of a second apart: twice lets the game run for about a tick."""
        self.key(*["F1"] * times, delay=200)

    def resize(self, width, height):
        run_tool(["xdotool", "windowsize", "--sync", str(self.window), str(width), str(height)], check=False)
        wait_until(lambda: self.geometry()[2:] == (width, height), 20, "the window to become %dx%d" % (width, height))

    def close(self, close_window_tool):
        """Closes the window as a window manager does and returns the exit status."""
        run_tool([close_window_tool, str(self.window)])
        return self.wait_exit(30)

    # Clean-up ----------------------------------------------------------

    def shutdown(self, keep_files=False):
        try:
            # Wine's processes may outlive the one started here.
            os.killpg(self.proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
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
            self.keep_last_shot("last-shot.xwd")
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


# Playing a game --------------------------------------------------------

# The food's second place in every run with the default window.
FOOD_AFTER_FIRST = (36.0, 212.0)
# The columns where the head, turned down, eats the first food.
TURN_COLUMNS = (HEAD_START[0] + 2 * STEP, HEAD_START[0] + 3 * STEP)
# Where "Game Over!" and "Paused" are drawn: raster position (100, 130).
TEXT_AREA = (95.0, 125.0, 200.0, 150.0)


def text_extent(shot):
    """(left, right, bottom, top) in world units of the brown text pixels in the
    middle of the field, or None when there are none."""
    hits = shot.text_pixels(*TEXT_AREA)
    if not hits:
        return None
    xs = [px for px, _ in hits]
    ys = [py for _, py in hits]
    return (
        min(xs) / shot.scale,
        (max(xs) + 1) / shot.scale,
        (shot.height - 1 - max(ys)) / shot.scale,
        (shot.height - min(ys)) / shot.scale,
    )


def text_problems(extent, text):
    """What is wrong with a text extent for "Game Over!" or "Paused" at (100, 130)."""
    if extent is None:
        return ["no %r drawn" % text]
    left, right, bottom, top = extent
    # Helvetica 18: "Game Over!" is about 68 units wide, "Paused" about 42.
    width = {"Game Over!": (60, 75), "Paused": (36, 48)}[text]
    problems = []
    if not 100 <= left <= 101.2:
        problems.append("text starts at x = %.1f, not at 100" % left)
    if not width[0] <= right - left <= width[1]:
        problems.append("text is %.1f units wide, %r should be %d to %d" % (right - left, text, width[0], width[1]))
    # The glyphs stand on the baseline at y = 130 and reach up 14 pixels.
    if not (129.5 <= bottom <= 130.5 and 139.3 <= top <= 140.7):
        problems.append("text spans y = %.1f to %.1f, expected 130 to 140" % (bottom, top))
    return problems


def eat_first_food(game, timeout=30, column=None, paused=False):
    """Level 1: turns the head down into the food at (125, 130).

    The head runs right along y = 150; turned down at x = 122 or 133 (at
    column, where given, alone) it lands on the food. No tick races the turn:
    the game is paused (already, where paused says so), let run on a moment
    at a time until a still frame shows the head there, and Down goes in while
    it stands. Returns the column it turned at, or False when the head went
    past or the food stayed, so that the caller can start a fresh game."""
    first, last = TURN_COLUMNS if column is None else (column, column)

    def head_paused(moved_from=None):
        shot = game.screenshot()
        x = shot.head_on_start_row()
        return text_extent(shot) and x is not None and x != moved_from and x

    if not paused:
        game.toggle_pause()
    head_x = wait_until(head_paused, timeout, '"Paused" over the head on its row')
    while head_x < first:
        game.toggle_pause(2)
        try:
            head_x = wait_until(lambda: head_paused(head_x), 2, "the head to move on")
        except WindowTestError:
            pass  # no tick came between the two presses
    if head_x > last:
        return False
    game.key("Down")
    game.toggle_pause()

    def eaten():
        shot = game.screenshot()
        return not shot.square_problems(*FOOD_AFTER_FIRST, FOOD_CORNERS)

    try:
        # At 220 ms a tick the food goes within two ticks of the resume.
        wait_until(eaten, 4, "the food to move to (36, 212)")
    except WindowTestError:
        return False
    return head_x


def play_until_game_over(exe, prepare=None, attempts=5, bells=None, keep_stdin_open=False, env=None,
                         started=None, column=None):
    """Starts level 1, eats the first food and lets the two-square snake run
    into the bottom edge. Returns the running Game, with text shown in the
    middle of the field; the caller shuts it down. Each late turn costs a
    fresh game, at most `attempts` games in all; bells, if given, counts from
    the start of the game returned. started(game), if given, runs once the
    window shows; column, if given, is where the snake must turn (see
    eat_first_food), so that two games end on the same frame."""
    for attempt in range(1, attempts + 1):
        if bells is not None:
            bells.mark()
        game = Game(exe, b"1\n", env=env, prepare=prepare, keep_stdin_open=keep_stdin_open)
        try:
            game.wait_window()
            if started is not None:
                started(game)
            before = text_extent(game.screenshot())
            if before is not None:
                raise WindowTestError("text in the middle of the field before any game over: %s" % (before,))
            game.turned_at = eat_first_food(game, column=column)
            if game.turned_at:
                wait_until(lambda: text_extent(game.screenshot()), 60, "text after running into the bottom edge")
                return game
            print("attempt %d: the head went past the turn into the food, or the food stayed, starting again"
                  % attempt,
                  file=sys.stderr)
            game.shutdown()
        except BaseException:
            print("zelvix output:\n  stdout %r\n  stderr %r" % (game.stdout(), game.stderr()), file=sys.stderr)
            game.shutdown(keep_files=True)
            raise
    raise WindowTestError("missed the turn into the first food in %d games" % attempts)
