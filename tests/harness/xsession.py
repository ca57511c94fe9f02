# SPDX-License-Identifier: MIT
"""Real windows for the end-to-end tests and the benchmarks: an X server with a real window
manager, the real program running in it, and the files it reads.

A test (CTest sets TYPESHELF_EXECUTABLE) gets a session per class and, per test, a copy of the
program in a folder of its own (self.app, self.ini), seeing only the fonts in FONTS:

    class ClosingTest(ProgramTestCase):
        OPENBOX_RC = None  # or an openbox rc file, e.g. with a rule that maximises the window

        def test_sigterm_closes_and_saves(self):
            self.ini.write_bytes(b"[Settings]\\nExampleText=Kept\\n")
            program = self.open()  # started, window up; always reaped at the end
            program.signal(signal.SIGTERM)
            self.assertEqual(program.wait(), 0)
            self.assertIsNotNone(ini_value(self.ini, "Width"))

        def test_starts_as_an_ordinary_user(self):
            program = self.start(unprivileged=True)  # no waiting for a window
            self.assertEqual(program.wait_for_window().close(), 0)

Outside a test:

    with XSession() as session, session.start(install(executable, folder)) as program:
        print(program.wait_for_window().frame_geometry(), program.view_text())
"""

import contextlib
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
from collections import namedtuple
from pathlib import Path

DEJAVU = Path("/usr/share/fonts/truetype/dejavu")
NOBODY = 65534
DEFAULT_SENTENCE = "Lorem upsum epsulem. Nordum letem episcal lorem upsum epsuli nesbit moderm neo."


def wait_until(condition, timeout=30, interval=0.1):
    """Polls until condition() returns something true and returns it; None on timeout."""
    deadline = time.monotonic() + timeout
    while not (result := condition()) and time.monotonic() < deadline:
        time.sleep(interval)
    return result or None


Rect = namedtuple("Rect", "x y width height")


def line_colours(rows):
    """One word per line of text in a screenshot of the view, top to bottom: "blue" or "black",
    whichever most of the line's ink is. A line is a run of rows with ink. The scroll bars are
    left out: the columns and rows at the right and bottom edges without the view's white base."""
    width, height = len(rows[0]), len(rows)
    while width and not any(min(row[width - 1]) > 250 for row in rows):
        width -= 1
    while height and not any(min(pixel) > 250 for pixel in rows[height - 1][:width]):
        height -= 1
    colours, blue, black = [], 0, 0
    for row in [row[:width] for row in rows[:height]] + [[]]:
        ink = (sum(b > 150 and max(r, g) < 100 for r, g, b in row),  # blue
               sum(max(pixel) < 100 for pixel in row))  # black
        if not any(ink) and blue + black:
            colours.append("blue" if blue > black else "black")
        blue, black = (blue + ink[0], black + ink[1]) if any(ink) else (0, 0)
    return colours


def install(executable, folder, name="typeshelf"):
    """Copies the executable into a folder of its own, so that its settings file lands there."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    folder.chmod(0o755)  # for a run as an unprivileged user
    return Path(shutil.copy(executable, folder / name))


def fontconfig_file(path, fonts, system_rules=False):
    """Writes a fontconfig configuration that shows the program only the given font folders and
    files (files are copied into a folder beside it) and returns its path. With system_rules,
    the system's rules apply too, so that aliases such as "Sans Serif" resolve as usual."""
    path = Path(path)
    (own := path.parent / "fonts").mkdir(parents=True, exist_ok=True)
    folders = [font if font.is_dir() else Path(shutil.copy(font, own)).parent for font in map(Path, fonts)]
    rules = '  <include ignore_missing="yes">/etc/fonts/conf.d</include>\n' if system_rules else ""
    dirs = "".join(f"  <dir>{folder}</dir>\n" for folder in dict.fromkeys(folders))
    path.write_text('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">\n'
                    f"<fontconfig>\n{rules}{dirs}  <cachedir>{path.parent}/cache</cachedir>\n"
                    "</fontconfig>\n", encoding="utf-8")
    return path


def ini_entries(contents, section="Settings"):
    """The (key, value) pairs of the first section of that name, in order, read from the file
    (its path or its bytes) by the program's rules: names match without regard to case, blanks around names and
    values go, one pair of matching quotes around a value goes, ';' starts a comment, lines end
    in CR LF, LF or CR, and a UTF-8 byte-order mark is skipped."""
    contents = contents.read_bytes() if isinstance(contents, Path) else contents
    entries, found, inside = [], False, False
    for line in re.split(rb"\r\n|\r|\n", contents.removeprefix(b"\xef\xbb\xbf")):
        content = line.strip(b" \t")
        if content.startswith(b"["):
            name = content[1:].partition(b"]")[0].strip(b" \t").decode("utf-8", "replace")
            inside = not found and name.lower() == section.lower()
            found = found or inside
        elif inside and b"=" in line and not content.startswith(b";"):
            key, value = (part.strip(b" \t").decode("utf-8", "replace") for part in line.split(b"=", 1))
            quoted = len(value) >= 2 and value[0] in "\"'" and value[-1] == value[0]
            entries.append((key, value[1:-1] if quoted else value))
    return entries


def ini_value(contents, key, section="Settings"):
    """The value the program reads for the key (the first entry of it), or None."""
    return next((value for name, value in ini_entries(contents, section)
                 if name.lower() == key.lower()), None)


class XSession:
    """Xvfb on a free display with openbox on it, and a temporary folder that holds the session's
    runtime folder, its temp folder and whatever the tests put in it (removed at the end)."""

    def __init__(self, openbox_rc=None, screen="1280x800x24"):
        self.openbox_rc = openbox_rc
        self.screen = screen

    def __enter__(self):
        self.folder = Path(tempfile.mkdtemp(prefix="typeshelf-x-"))
        self.folder.chmod(0o755)  # an unprivileged program must reach its folder in here
        (self.folder / "runtime").mkdir(mode=0o700)
        (self.folder / "tmp").mkdir()
        (self.folder / "tmp").chmod(0o1777)
        self._processes = []
        try:
            self._start_server()
            self._start_window_manager()
        except BaseException:
            self.__exit__()
            raise
        return self

    def _start_server(self):
        read, write = os.pipe()
        self._processes.append(subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", self.screen, "-dpi", "96",
             "-nolisten", "tcp"], pass_fds=[write], stderr=subprocess.DEVNULL))
        os.close(write)
        with os.fdopen(read) as pipe:
            display = pipe.readline().strip()
        if not display:
            raise RuntimeError("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + display, QT_QPA_PLATFORM="xcb",
                        XDG_RUNTIME_DIR=str(self.folder / "runtime"), TMPDIR=str(self.folder / "tmp"))

    def _start_window_manager(self):
        """Starts openbox, again if it dies on the way up (seen now and then on a busy machine)."""
        log = self.folder / "openbox.log"
        rc = ["--config-file", str(self.openbox_rc)] if self.openbox_rc else []
        for _ in range(3):
            with open(log, "ab") as output:
                manager = subprocess.Popen(["openbox", *rc], env=self.env, stdout=output, stderr=output)
            self._processes.append(manager)
            up = wait_until(lambda: manager.poll() is not None
                            or self.run("wmctrl", "-m", check=False).returncode == 0)
            if up and manager.poll() is None:
                return
        raise RuntimeError(f"openbox did not start: {log.read_text(errors='replace')}")

    def __exit__(self, *exc):
        for process in reversed(self._processes):
            process.terminate()
            process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def run(self, *command, check=True, env=None, timeout=None):
        """Runs a tool on the session's display; returns the completed process, text output."""
        return subprocess.run(command, env=dict(self.env, **(env or {})), capture_output=True, text=True,
                              check=check, timeout=timeout)

    def start(self, executable, *arguments, env=None, unprivileged=False, stdout=None):
        """Starts the program without waiting for its window. With unprivileged, when run as
        root (who may write anywhere), it runs as user nobody, whom file permissions bind."""
        env = dict(self.env, **(env or {}))
        prefix = []
        if unprivileged and os.geteuid() == 0:
            runtime = self.folder / "runtime-nobody"
            if not runtime.exists():
                runtime.mkdir(mode=0o700)
                os.chown(runtime, NOBODY, NOBODY)
            env["XDG_RUNTIME_DIR"] = str(runtime)
            prefix = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups"]
        return Program(self, subprocess.Popen(prefix + [str(executable), *arguments], env=env,
                                              stdout=stdout))


class WestonSession:
    """A headless weston compositor and a temporary folder for its runtime folder and whatever the
    tests put in it (removed at the end). Programs it starts log the client side of the protocol,
    which tells when their window has shown."""

    SOCKET = "typeshelf-test"

    def __init__(self, fonts=None, screen=(1280, 800)):
        self.fonts = fonts
        self.screen = screen

    def __enter__(self):
        self.folder = Path(tempfile.mkdtemp(prefix="typeshelf-wayland-"))
        runtime = self.folder / "runtime"
        runtime.mkdir(mode=0o700)
        self.env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime), WAYLAND_DISPLAY=self.SOCKET,
                        QT_QPA_PLATFORM="wayland", WAYLAND_DEBUG="client")
        if self.fonts:
            self.env["FONTCONFIG_FILE"] = str(fontconfig_file(self.folder / "fontconfig" / "fonts.conf",
                                                              self.fonts))
        self._weston = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", f"--socket={self.SOCKET}",
             f"--width={self.screen[0]}", f"--height={self.screen[1]}"],
            env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_until(lambda: (runtime / self.SOCKET).exists()):
            self.__exit__()
            raise RuntimeError("weston did not start")
        return self

    def __exit__(self, *exc):
        self._weston.terminate()
        self._weston.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


class Program(contextlib.AbstractContextManager):
    """The program running in a session. As a context manager it is always reaped: killed at
    the end if it still runs. Its window is found by its process and its caption."""

    def __init__(self, session, process):
        self.session = session
        self.process = process  # a subprocess.Popen
        self.window = None

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()

    def _tool(self, *command, check=True):
        return self.session.run(*command, check=check).stdout

    def wait_for_window(self, timeout=60):
        """Waits until the program shows its window (its id then in self.window); returns self."""
        def visible():
            found = self._tool("xdotool", "search", "--all", "--onlyvisible", "--pid", str(self.process.pid),
                               "--name", "^Typeshelf$", check=False).split()
            return found[0] if found else self.process.poll() is not None
        found = wait_until(visible, timeout)
        if not isinstance(found, str):
            raise AssertionError(f"no window appeared (exit status {self.process.poll()})")
        self.window = found
        return self

    def wait(self, timeout=60):
        """Waits for the program to end and returns its exit status (minus the signal's number
        when a signal ended it)."""
        return self.process.wait(timeout)

    def peak_memory(self):
        """The most memory the program has held resident so far, in KiB."""
        with open(f"/proc/{self.process.pid}/status", encoding="ascii") as status:
            return next(int(line.split()[1]) for line in status if line.startswith("VmHWM:"))

    def signal(self, number=signal.SIGTERM):
        self.process.send_signal(number)

    def request_close(self):
        """Asks the window manager to close the window, as the close button does."""
        self._tool("wmctrl", "-i", "-c", self.window, check=False)

    def close(self, timeout=60):
        """Closes the window through the window manager and returns the exit status. The request
        is repeated now and then: one can be lost while the window manager is busy."""
        for _ in range(max(1, timeout // 2)):
            self.request_close()
            with contextlib.suppress(subprocess.TimeoutExpired):
                return self.process.wait(2)
        return self.process.wait(0)

    def client_geometry(self):
        """The client area on the screen, without the frame, in pixels."""
        info = dict(re.findall(r"^\s*([^:\n]+):\s*(-?\d+)\s*$", self._tool("xwininfo", "-id", self.window),
                               re.MULTILINE))
        return Rect(*(int(info[key]) for key in
                      ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")))

    def frame_geometry(self):
        """The window on the screen with its frame, in pixels, as the window manager says."""
        def extents():
            found = self._tool("xprop", "-id", self.window, "_NET_FRAME_EXTENTS").partition("=")[2]
            return re.findall(r"\d+", found)
        left, right, top, bottom = map(int, wait_until(extents, timeout=10))
        client = self.client_geometry()
        return Rect(client.x - left, client.y - top, client.width + left + right,
                    client.height + top + bottom)

    def screenshot(self):
        """The client area as rows of (red, green, blue) pixels."""
        ppm = subprocess.run(["import", "-window", self.window, "-depth", "8", "ppm:-"],
                             env=self.session.env, capture_output=True, check=True).stdout
        width, height, pixels = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s(.*)", ppm, re.DOTALL).groups()
        rows = (iter(pixels[y * int(width) * 3:(y + 1) * int(width) * 3]) for y in range(int(height)))
        return [list(zip(row, row, row)) for row in rows]

    def key(self, *keys):
        """Sends key presses to the window, in xdotool's names ("Down", "ctrl+a")."""
        self._tool("xdotool", "key", "--window", self.window, *keys)

    def click(self, x, y, button=1):
        """Clicks at a point of the client area."""
        self._tool("xdotool", "mousemove", "--window", self.window, str(x), str(y), "click", str(button))

    def move(self, x, y):
        """Asks the window manager to move the window and waits until it has moved."""
        before = self.client_geometry()
        self._tool("xdotool", "windowmove", self.window, str(x), str(y))
        wait_until(lambda: self.client_geometry()[:2] != before[:2], timeout=10)

    def resize(self, width, height):
        """Asks the window manager to resize the client area and waits until it has."""
        self._tool("xdotool", "windowsize", self.window, str(width), str(height))
        wait_until(lambda: self.client_geometry()[2:] == (width, height), timeout=10)

    def maximise(self):
        self._tool("wmctrl", "-i", "-r", self.window, "-b", "add,maximized_vert,maximized_horz")
        if not wait_until(lambda: "MAXIMIZED_HORZ" in self._tool("xprop", "-id", self.window,
                                                                 "_NET_WM_STATE"), timeout=10):
            raise AssertionError("the window manager did not maximise the window")

    def copied_line(self):
        """The first column of the caret's line, as Ctrl+C copies it with nothing selected."""
        self.key("ctrl+c")
        return wait_until(lambda: self._tool("xclip", "-o", "-selection", "clipboard", check=False),
                          timeout=10) or ""

    def view_text(self):
        """The text of the view: Ctrl+A selects it all, which X offers as the primary selection."""
        self.key("ctrl+a")
        return wait_until(lambda: self._tool("xclip", "-o", "-selection", "primary", check=False),
                          timeout=10) or ""


class ProgramTestCase(unittest.TestCase):
    """One X session for the class; for each test, a copy of the executable (named by
    $TYPESHELF_EXECUTABLE) in a folder of its own, seeing only the fonts in FONTS (all the
    system's fonts when FONTS is None)."""

    FONTS = [DEJAVU]
    OPENBOX_RC = None

    @classmethod
    def setUpClass(cls):
        cls.executable = os.environ["TYPESHELF_EXECUTABLE"]
        cls.session = cls.enterClassContext(XSession(cls.OPENBOX_RC))

    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(dir=self.session.folder))
        self.folder.chmod(0o755)
        self.app = install(self.executable, self.folder / "app")
        self.ini = self.app.with_suffix(".ini")
        self.env = {}  # for every start of the program in this test
        if self.FONTS is not None:
            self.use_fonts(self.FONTS)

    def use_fonts(self, fonts):
        self.env["FONTCONFIG_FILE"] = str(fontconfig_file(self.folder / "fontconfig" / "fonts.conf", fonts))

    def start(self, executable=None, env=None, **options):
        """Starts the program (the test's copy unless given) without waiting for its window."""
        return self.enterContext(self.session.start(executable or self.app, env=dict(self.env, **(env or {})),
                                                    **options))

    def open(self, executable=None, **options):
        """Starts the program and waits for its window."""
        return self.start(executable, **options).wait_for_window()

    def assertClosesCleanly(self, program, message=None):
        self.assertEqual(program.close(), 0, message or "exit status after closing the window")

    def assertEventually(self, read, expected, message=None, timeout=10):
        """Polls read() until it returns expected; a repaint or a move lands a moment later."""
        actual = []
        if not wait_until(lambda: actual.append(read()) or actual[-1] == expected, timeout):
            self.assertEqual(actual[-1], expected, message)
