"""Real windows for the end-to-end tests and the benchmarks: an X server with a real window
manager, the real program running in it, and the files it reads.

Typical use, in a test:

    class ClosingTest(xsession.ProgramTestCase):
        def test_closing_saves_the_sentence(self):
            self.ini.write_text("[Settings]\\nExampleText=Kept\\n")
            program = self.open()  # started in a folder of its own, window up
            program.key("Down")
            self.assertEqual(program.close(), 0)
            self.assertEqual(ini_value(self.ini.read_bytes(), "ExampleText"), "Kept")

and on its own:

    with XSession() as session, session.start(install(exe, folder)) as program:
        program.wait_for_window()
        print(program.frame_geometry())
"""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
from pathlib import Path
from typing import NamedTuple

DEJAVU = Path("/usr/share/fonts/truetype/dejavu")
NOBODY = 65534


def wait_until(condition, timeout=30, interval=0.1):
    """Polls until condition() returns something true and returns it; None on timeout."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result or time.monotonic() > deadline:
            return result or None
        time.sleep(interval)


class Rect(NamedTuple):
    x: int
    y: int
    width: int
    height: int


class Image(NamedTuple):
    """A screenshot: rows of (red, green, blue) tuples."""
    width: int
    height: int
    rows: list

    @classmethod
    def from_ppm(cls, data):
        magic, width, height, maximum, pixels = re.match(
            rb"(P6)\s+(\d+)\s+(\d+)\s+(\d+)\s(.*)", data, re.DOTALL).groups()
        width, height = int(width), int(height)
        assert int(maximum) < 256, "16-bit screenshot"
        row_size = width * 3
        rows = (iter(pixels[y * row_size:(y + 1) * row_size]) for y in range(height))
        return cls(width, height, [list(zip(row, row, row)) for row in rows])


def is_blue(pixel):
    red, green, blue = pixel
    return blue > 150 and red < 100 and green < 100


def is_black(pixel):
    return max(pixel) < 100


def is_base(pixel):
    return min(pixel) > 250


def text_area(image):
    """The view's client area: the image less the scroll bars along its right and bottom edges,
    found as the columns and rows, from the edges in, that hold none of the view's white base."""
    right, bottom = image.width, image.height
    while right > 0 and not any(is_base(row[right - 1]) for row in image.rows):
        right -= 1
    while bottom > 0 and not any(is_base(pixel) for pixel in image.rows[bottom - 1][:right]):
        bottom -= 1
    return Rect(0, 0, right, bottom)


def line_colours(image):
    """One word per line of text, top to bottom: "blue" or "black", whichever most of the
    line's ink is. A line of text is a run of rows that hold ink."""
    area = text_area(image)
    colours, blue, black = [], 0, 0
    for row in image.rows[:area.height] + [[]]:
        pixels = row[:area.width]
        row_blue, row_black = sum(map(is_blue, pixels)), sum(map(is_black, pixels))
        if row_blue + row_black:
            blue, black = blue + row_blue, black + row_black
        elif blue + black:
            colours.append("blue" if blue > black else "black")
            blue, black = 0, 0
    return colours


def install(executable, folder, name="typeshelf"):
    """Copies the executable into a folder of its own, so that its settings file lands there."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    return Path(shutil.copy(executable, folder / name))


def fontconfig_file(path, fonts, system_rules=False):
    """Writes a fontconfig configuration that shows the program only the given font folders and
    files (files are copied into a folder beside it) and returns its path. With system_rules,
    the system's rules apply too, so that aliases such as "Sans Serif" resolve as usual."""
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    own = path.parent / "fonts"
    folders = []
    for font in map(Path, fonts):
        if font.is_dir():
            folders.append(font)
        else:
            own.mkdir(parents=True, exist_ok=True)
            shutil.copy(font, own)
            folders.append(own)
    rules = '  <include ignore_missing="yes">/etc/fonts/conf.d</include>\n' if system_rules else ""
    dirs = "".join(f"  <dir>{folder}</dir>\n" for folder in dict.fromkeys(folders))
    path.write_text('<?xml version="1.0"?>\n<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">\n'
                    f"<fontconfig>\n{rules}{dirs}  <cachedir>{path.parent}/cache</cachedir>\n"
                    "</fontconfig>\n", encoding="utf-8")
    return path


def ini_entries(contents, section="Settings"):
    """The (key, value) pairs of the first section of that name, in order, read from the file's
    bytes by the program's rules: names match without regard to case, blanks around names and
    values go, one pair of matching quotes around a value goes, ';' starts a comment, lines end
    in CR LF, LF or CR, and a UTF-8 byte-order mark is skipped."""
    contents = contents.removeprefix(b"\xef\xbb\xbf")
    entries, state = [], "before"
    for line in re.split(rb"\r\n|\r|\n", contents):
        content = line.strip(b" \t")
        if content.startswith(b"["):
            close = content.find(b"]")
            name = content[1:close if close >= 0 else len(content)].strip(b" \t")
            same = name.decode("utf-8", "replace").lower() == section.lower()
            state = "in" if state == "before" and same else ("after" if state != "before" else state)
        elif state == "in" and b"=" in line and not content.startswith(b";"):
            key, value = (part.strip(b" \t").decode("utf-8", "replace") for part in line.split(b"=", 1))
            if len(value) >= 2 and value[0] in "\"'" and value[-1] == value[0]:
                value = value[1:-1]
            entries.append((key, value))
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
            manager = ["openbox"] + (["--config-file", str(self.openbox_rc)] if self.openbox_rc else [])
            self._processes.append(subprocess.Popen(manager, env=self.env, stdout=subprocess.DEVNULL,
                                                    stderr=subprocess.DEVNULL))
            if not wait_until(lambda: self.run("wmctrl", "-m", check=False).returncode == 0):
                raise RuntimeError("openbox did not start")
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

    def __exit__(self, *exc):
        for process in reversed(self._processes):
            process.terminate()
            process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)

    def run(self, *command, check=True):
        """Runs a tool on the session's display; returns the completed process, text output."""
        return subprocess.run(command, env=self.env, capture_output=True, text=True, check=check)

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


class Program:
    """The program running in a session. As a context manager it is always reaped: killed at
    the end if it still runs. Its window is found by its process and its caption."""

    def __init__(self, session, process):
        self.session = session
        self.process = process
        self.window = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()

    @property
    def pid(self):
        return self.process.pid

    @property
    def returncode(self):
        """The exit status; minus the signal's number if a signal ended it; None while it runs."""
        return self.process.poll()

    def _tool(self, *command, check=True):
        return self.session.run(*command, check=check).stdout

    def wait_for_window(self, timeout=60):
        """Waits until the program shows its window and returns the window's id."""
        def visible():
            found = self._tool("xdotool", "search", "--all", "--onlyvisible", "--pid", str(self.pid),
                               "--name", "^Typeshelf$", check=False).split()
            return found[0] if found else self.returncode is not None
        found = wait_until(visible, timeout)
        if not isinstance(found, str):
            raise AssertionError(f"no window appeared (exit status {self.returncode})")
        self.window = found
        return found

    def wait(self, timeout=60):
        """Waits for the program to end and returns its exit status."""
        return self.process.wait(timeout)

    def signal(self, number=signal.SIGTERM):
        self.process.send_signal(number)

    def request_close(self):
        """Asks the window manager to close the window, as the close button does."""
        self._tool("wmctrl", "-i", "-c", self.window, check=False)

    def close(self, timeout=60):
        """Closes the window through the window manager and returns the exit status. The request
        is repeated now and then: one can be lost while the window manager is busy."""
        deadline = time.monotonic() + timeout
        while True:
            self.request_close()
            try:
                return self.process.wait(min(2, max(0.1, deadline - time.monotonic())))
            except subprocess.TimeoutExpired:
                if time.monotonic() > deadline:
                    raise

    def name(self):
        return self._tool("xdotool", "getwindowname", self.window).rstrip("\n")

    def client_geometry(self):
        """The client area on the screen, without the frame, in pixels."""
        info = dict(re.findall(r"^\s*([^:\n]+):\s*(-?\d+)\s*$", self._tool("xwininfo", "-id", self.window),
                               re.MULTILINE))
        return Rect(*(int(info[key]) for key in
                      ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")))

    def frame_extents(self):
        """(left, right, top, bottom): the frame's widths as the window manager sets them."""
        def extents():
            found = re.findall(r"\d+", self._tool("xprop", "-id", self.window, "_NET_FRAME_EXTENTS")
                               .partition("=")[2])
            return tuple(map(int, found)) if len(found) == 4 else None
        return wait_until(extents, timeout=10)

    def frame_geometry(self):
        """The window on the screen with its frame, in pixels."""
        client = self.client_geometry()
        left, right, top, bottom = self.frame_extents()
        return Rect(client.x - left, client.y - top, client.width + left + right,
                    client.height + top + bottom)

    def states(self):
        """The window manager's states of the window, e.g. {"_NET_WM_STATE_MAXIMIZED_HORZ"}."""
        return set(re.findall(r"_NET_WM_STATE_\w+", self._tool("xprop", "-id", self.window, "_NET_WM_STATE")))

    def screenshot(self):
        """The client area as an Image."""
        return Image.from_ppm(subprocess.run(["import", "-window", self.window, "-depth", "8", "ppm:-"],
                                             env=self.session.env, capture_output=True,
                                             check=True).stdout)

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
        if not wait_until(lambda: "_NET_WM_STATE_MAXIMIZED_HORZ" in self.states(), timeout=10):
            raise AssertionError("the window manager did not maximise the window")

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
        self.fonts_conf = None
        if self.FONTS is not None:
            self.use_fonts(self.FONTS)

    def use_fonts(self, fonts, system_rules=False):
        self.fonts_conf = fontconfig_file(self.folder / "fontconfig" / "fonts.conf", fonts, system_rules)

    def start(self, executable=None, env=None, **options):
        """Starts the program (the test's copy unless given) without waiting for its window."""
        env = dict({"FONTCONFIG_FILE": str(self.fonts_conf)} if self.fonts_conf else {}, **(env or {}))
        return self.enterContext(self.session.start(executable or self.app, env=env, **options))

    def open(self, executable=None, **options):
        """Starts the program and waits for its window."""
        program = self.start(executable, **options)
        program.wait_for_window()
        return program

    def assertClosesCleanly(self, program, message=None):
        self.assertEqual(program.close(), 0, message or "exit status after closing the window")

    def assertEventually(self, read, expected, message=None, timeout=10):
        """Polls read() until it returns expected; a repaint or a move lands a moment later."""
        actual = []
        if not wait_until(lambda: actual.append(read()) or actual[-1] == expected, timeout):
            self.assertEqual(actual[-1], expected, message)
