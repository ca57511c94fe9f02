# SPDX-License-Identifier: MIT
"""The settings file is always one complete state: when two copies of the program close at the
same moment, and when the program is killed while it writes."""

import contextlib
import random
import signal
import subprocess

from xsession import ProgramTestCase, ini_entries, ini_value

KEYS = ["Left", "Top", "Width", "Height", "ExampleText"]
GEOMETRY = KEYS[:4]


class ConcurrencyTest(ProgramTestCase):
    def test_two_copies_closed_together_leave_the_place_of_one(self):
        for round in range(3):
            with self.subTest(round=round):
                first, second = self.open(), self.open()
                first.move(100, 100)
                second.move(400, 300)
                # Each copy saves its frame's place, in twips (15 to a pixel at 96 dpi).
                places = [(str(frame.x * 15), str(frame.y * 15))
                          for frame in (first.frame_geometry(), second.frame_geometry())]
                first.request_close()
                second.request_close()
                self.assertEqual((first.close(), second.close()), (0, 0))
                contents = self.ini.read_bytes()
                self.assertIn((ini_value(contents, "Left"), ini_value(contents, "Top")), places)
                self.assertEqual([key for key, _ in ini_entries(contents)], KEYS)
                self.assertEqual(contents.count(b"["), 1, contents)

    def test_killed_while_it_saves_a_large_file_leaves_old_or_new_geometry(self):
        filler = b"; filler that makes every save take a while\n" * 110000
        self.ini.write_bytes(filler + b"[Settings]\nLeft=0\nTop=0\nWidth=9000\nHeight=4500\n"
                                      b"ExampleText=Killed\n")
        for round in range(1, 13):
            with self.subTest(round=round):
                old = self.geometry()
                program = self.open()
                # Every key changes, so that a mix shows.
                program.resize(400 + 10 * round, 200 + 5 * round)
                program.move(20 * round, 10 * round)
                new = tuple(15 * value for value in program.frame_geometry())
                program.request_close()
                # A close with this file takes about a quarter of a second: the kills spread
                # over it and past it.
                with contextlib.suppress(subprocess.TimeoutExpired):
                    program.wait((round - 1 + random.random()) * 0.03)
                program.signal(signal.SIGKILL)
                program.wait()
                contents = self.ini.read_bytes()
                self.assertTrue(contents.startswith(filler), "the filler is damaged")
                self.assertIn(self.geometry(), (old, new))
                self.assertEqual(ini_value(contents, "ExampleText"), "Killed")

    def geometry(self):
        return tuple(int(ini_value(self.ini, key)) for key in GEOMETRY)
