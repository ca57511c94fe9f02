# SPDX-License-Identifier: MIT
"""Whatever the settings file holds, or whatever stands in its place, the program opens, shows
the catalogue and closes with status 0; a file it may not write keeps every byte."""

import os

from xsession import ProgramTestCase, ini_value


class HostileSettingsTest(ProgramTestCase):
    def survives(self, contents=None, **options):
        """Runs the program on the file (written first if contents are given); returns the text
        of its view."""
        if contents is not None:
            self.ini.write_bytes(contents)
        program = self.open(**options)
        text = program.view_text()
        self.assertIn("DejaVu Sans", text, "no catalogue in the view")
        self.assertClosesCleanly(program)
        return text

    def test_binary_garbage_keeps_its_bytes(self):
        garbage = os.urandom(65536)
        self.survives(garbage)
        self.assertEqual(self.ini.read_bytes()[:len(garbage)], garbage)

    def test_50_mb_of_text_gets_the_settings_added(self):
        line = b"filler line = with some text that is not ours\n"
        self.survives((line * (50_000_000 // len(line) + 1))[:50_000_000])
        self.assertIsNotNone(ini_value(self.ini, "ExampleText"))

    def test_a_1_mb_single_line_and_nul_bytes(self):
        for contents in (b"x" * 1048576, b"[Settings]\nTop=\0\0\0\nExampleText=nul\0inside\n"):
            with self.subTest(contents=contents[:20]):
                self.survives(contents)

    def test_a_folder_in_place_of_the_file_stays(self):
        self.ini.mkdir()
        self.survives()
        self.assertTrue(self.ini.is_dir())

    def test_a_dangling_symbolic_link_stays(self):
        self.ini.symlink_to(self.folder / "nowhere" / "typeshelf.ini")
        self.survives()
        self.assertTrue(self.ini.is_symlink())

    def test_a_fifo_or_a_device_counts_as_no_file_and_stays(self):
        for target in (None, "/dev/zero", "/dev/urandom"):
            with self.subTest(target=target):
                self.ini.unlink(missing_ok=True)
                if target:
                    self.ini.symlink_to(target)
                else:
                    os.mkfifo(self.ini)
                before = self.ini.lstat()
                self.survives()
                self.assertEqual(self.ini.lstat()[:2], before[:2], "not what it was")  # mode, inode

    def test_the_first_of_two_sections_counts_and_the_second_stays(self):
        second = b"[settings]\nExampleText=second\nTop=1\n"
        self.survives(b"[Settings]\nExampleText=first\n[Other]\nx=1\n" + second)
        self.assertIn("first", self.survives())
        self.assertTrue(self.ini.read_bytes().endswith(second))

    def test_a_file_it_may_not_read_or_write_keeps_every_byte(self):
        stored = b"[Settings]\nExampleText=kept as it is\n"
        for mode in (0o000, 0o444):
            with self.subTest(mode=oct(mode)):
                self.ini.write_bytes(stored)
                self.ini.chmod(mode)
                self.survives(unprivileged=True)
                self.ini.chmod(0o644)
                self.assertEqual(self.ini.read_bytes(), stored)
