# SPDX-License-Identifier: MIT
"""The real executable on a Wayland compositor (a headless weston), where a window can neither
read nor set its own position."""

import os
import signal
import subprocess
import tempfile
import unittest

from xsession import DEJAVU, WestonSession, install, wait_until

STORED = b"[Settings]\nLeft=3000\nTop=1500\nWidth=9000\nHeight=4500\n"


class WaylandTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = cls.enterClassContext(WestonSession(fonts=[DEJAVU]))
        cls.env = cls.session.env

    def setUp(self):
        self.app = install(os.environ["TYPESHELF_EXECUTABLE"], tempfile.mkdtemp(dir=self.session.folder))
        self.ini = self.app.with_suffix(".ini")

    def run_until_terminated(self):
        """Starts the program, waits until it shows its window, ends it with SIGTERM and
        returns its exit status."""
        log = self.app.with_suffix(".log")
        with open(log, "wb") as output:
            program = subprocess.Popen([self.app], env=self.env, stderr=output)
        try:
            # The protocol log shows the window's first frame handed to the compositor.
            self.assertTrue(wait_until(lambda: b".attach(wl_buffer" in log.read_bytes(), timeout=60),
                            "no window appeared")
            program.send_signal(signal.SIGTERM)
            return program.wait(60)
        finally:
            program.kill()
            program.wait()

    def test_saves_its_size_and_the_position_it_read(self):
        self.ini.write_bytes(STORED)
        for run in range(2):
            self.assertEqual(self.run_until_terminated(), 0)
            self.assertEqual(self.ini.read_bytes().splitlines()[:5], STORED.splitlines(), f"run {run}")

    def test_without_a_stored_position_saves_none(self):
        self.assertEqual(self.run_until_terminated(), 0)
        keys = [line.split(b"=")[0] for line in self.ini.read_bytes().splitlines()[1:]]
        self.assertEqual(keys, [b"Width", b"Height", b"ExampleText"])
