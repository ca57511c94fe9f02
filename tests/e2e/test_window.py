# SPDX-License-Identifier: MIT
"""The real executable under a real window manager: its window, and how it ends."""

import signal
from pathlib import Path

import xsession
from xsession import Rect, ini_value

SCREEN = Rect(0, 0, 1280, 800)
STORED = b"[Settings]\nLeft=3000\nTop=2250\nWidth=9000\nHeight=4500\n"


def saved_geometry(ini):
    return tuple(ini_value(ini, key) for key in ("Left", "Top", "Width", "Height"))


def in_twips(frame):
    """A frame in pixels as the program saves it, at 96 dpi: 15 twips to a pixel."""
    return tuple(str(value * 15) for value in frame)


class WindowTest(xsession.ProgramTestCase):

    def test_opens_at_the_design_size_and_closes_with_status_0(self):
        program = self.open()  # found by its caption, "Typeshelf"
        self.assertEqual(program.client_geometry()[2:], (630, 213))
        self.assertClosesCleanly(program)

    def test_quit_signals_close_the_window_and_save_it(self):
        for number in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
            with self.subTest(signal=number.name):
                program = self.open()
                program.move(150, 120)
                program.resize(500, 250)
                frame = program.frame_geometry()
                program.signal(number)
                self.assertEqual(program.wait(), 0)
                self.assertEqual(saved_geometry(self.ini), in_twips(frame))

    def test_unusable_stored_sizes_still_show_the_window_on_the_screen(self):
        for size in (b"Width=9000\nHeight=300", b"Width=30\nHeight=4500", b"Width=30000\nHeight=30000"):
            with self.subTest(size=size):
                self.ini.write_bytes(b"[Settings]\nLeft=0\nTop=0\n" + size + b"\n")
                program = self.open()
                frame = program.frame_geometry()
                self.assertGreater(min(program.client_geometry()[2:]), 30, frame)
                self.assertLessEqual((frame.width, frame.height), SCREEN[2:])
                self.assertClosesCleanly(program)

    def test_geometry_round_trips_at_every_scale_factor(self):
        for factor in ("1.25", "2"):
            with self.subTest(scale=factor):
                self.ini.write_bytes(STORED)
                self.env["QT_SCALE_FACTOR"] = factor
                program = self.open()
                # 3000 twips are 200 device-independent pixels; a device pixel may round away.
                expected = [value * float(factor) for value in (200, 150, 600, 300)]
                for actual, wanted in zip(program.frame_geometry(), expected):
                    self.assertAlmostEqual(actual, wanted, delta=2)
                self.assertClosesCleanly(program)
                self.assertEqual(self.ini.read_bytes().splitlines()[:5], STORED.splitlines())
                first = self.ini.read_bytes()
                for _ in range(3):
                    self.assertClosesCleanly(self.open())
                    self.assertEqual(self.ini.read_bytes(), first)


class MaximisedByTheWindowManagerTest(xsession.ProgramTestCase):
    OPENBOX_RC = Path(__file__).with_name("openbox-maximise.xml")

    def assertRunsWithoutDrift(self):
        for run in range(3):
            program = self.open()
            self.assertEventually(lambda: "MAXIMIZED_HORZ" in self.session.run(
                "xprop", "-id", program.window, "_NET_WM_STATE").stdout, True, f"run {run}")
            self.assertClosesCleanly(program)
            if run == 0:
                first = self.ini.read_bytes()
            self.assertEqual(self.ini.read_bytes(), first, f"run {run}")
        return first

    def test_stays_maximised_and_keeps_the_stored_geometry(self):
        self.ini.write_bytes(STORED)
        self.assertEqual(self.assertRunsWithoutDrift().splitlines()[:5], STORED.splitlines())

    def test_first_run_saves_the_size_with_the_frame_it_has(self):
        saved = self.assertRunsWithoutDrift()
        # 630 by 213 pixels of client, and openbox's caption above it in the maximised state.
        self.assertEqual(ini_value(saved, "Width"), "9450")
        self.assertGreater(int(ini_value(saved, "Height")), 3195)
