"""The settings file is always one complete state: when two copies of the program close at the
same moment, and when the program is killed while it writes."""

import random
import signal
import time

from xsession import ProgramTestCase, ini_entries, ini_value

KEYS = ["Left", "Top", "Width", "Height", "ExampleText"]


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

    def test_killed_while_it_saves_a_large_file_leaves_the_file_whole(self):
        filler = b"; filler that makes every save take a while\n" * 450000
        self.ini.write_bytes(filler + b"[Settings]\nLeft=0\nTop=0\nWidth=9000\nHeight=4500\n"
                                      b"ExampleText=Killed\n")
        for round in range(1, 13):
            with self.subTest(round=round):
                program = self.open()
                program.move(round * 20, round * 10)
                program.request_close()
                time.sleep(random.uniform(0, 0.3))  # a moment somewhere in the save
                program.signal(signal.SIGKILL)
                program.wait()
                contents = self.ini.read_bytes()
                self.assertTrue(contents.startswith(filler), "the filler is damaged")
                settings = contents[len(filler):].splitlines()
                self.assertEqual(len(settings), 6, settings)
                for line in settings:
                    self.assertRegex(line, rb"^(\[Settings\]|(Left|Top|Width|Height)=-?\d+|"
                                           rb"ExampleText=Killed)$")
