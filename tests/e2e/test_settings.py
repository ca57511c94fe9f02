# SPDX-License-Identifier: MIT
"""Window geometry and the example sentence survive from one run to the next, in the INI file
beside the executable or, where the user may not write there, in the user's own, without drift
and without harm to a file the program may not write."""

import os
import unittest

from xsession import (DEFAULT_SENTENCE, NOBODY, ProgramTestCase, Rect, ini_entries, ini_value, install,
                      wait_until)

STORED = (b"[Settings]\r\nLeft=3000\r\nTop=2250\r\nWidth=9000\r\nHeight=4500\r\n"
          b"ExampleText=Jackdaws love my big sphinx\r\n")


class SettingsTest(ProgramTestCase):
    def run_and_close(self, executable=None, **options):
        self.assertClosesCleanly(self.open(executable, **options))

    def test_first_run_writes_the_section_and_the_five_keys_in_order(self):
        self.run_and_close()
        contents = self.ini.read_bytes()
        self.assertEqual(contents.splitlines()[0], b"[Settings]")
        self.assertEqual([key for key, _ in ini_entries(contents)],
                         ["Left", "Top", "Width", "Height", "ExampleText"])
        self.assertIn(("ExampleText=" + DEFAULT_SENTENCE).encode(), contents.splitlines())

    def test_later_runs_leave_the_file_byte_for_byte_as_it_was(self):
        self.run_and_close()
        first = self.ini.read_bytes()
        for _ in range(3):
            self.run_and_close()
            self.assertEqual(self.ini.read_bytes(), first)

    def test_stored_geometry_and_sentence_are_what_the_window_shows(self):
        self.ini.write_bytes(STORED)
        program = self.open()
        self.assertEventually(program.frame_geometry, Rect(200, 150, 600, 300))
        self.assertIn("Jackdaws love my big sphinx", program.view_text())
        self.assertClosesCleanly(program)

    def test_maximised_at_close_saves_the_geometry_it_returns_to(self):
        self.ini.write_bytes(STORED)
        program = self.open()
        program.maximise()
        self.assertClosesCleanly(program)
        self.assertEqual((ini_value(self.ini, "Left"), ini_value(self.ini, "Width")), ("3000", "9000"))

    def test_first_run_maximised_at_close_saves_the_frame_it_returns_to(self):
        program = self.open()
        wait_until(lambda: program.frame_geometry().width > program.client_geometry().width)
        normal = program.frame_geometry()
        program.maximise()
        self.assertClosesCleanly(program)
        saved = [int(ini_value(self.ini, key)) // 15 for key in ("Left", "Top", "Width", "Height")]
        self.assertEqual(saved, [normal.x, normal.y, normal.width, normal.height])

    def test_copy_under_another_name_keeps_a_file_of_its_own(self):
        self.ini.write_bytes(STORED)
        copy = install(self.executable, self.app.parent, "fontview")
        self.run_and_close(copy)
        self.assertTrue(copy.with_suffix(".ini").is_file())
        self.assertEqual(self.ini.read_bytes(), STORED)

    def test_folder_it_may_not_write_keeps_the_old_file_as_it_was(self):
        stored = b"[Settings]\nWidth=7500\n"  # lacks keys the program would add
        self.ini.write_bytes(stored)
        self.ini.chmod(0o644)
        self.app.parent.chmod(0o555)
        self.addCleanup(self.app.parent.chmod, 0o755)
        self.run_and_close(unprivileged=True)
        self.assertEqual(self.ini.read_bytes(), stored)

    @unittest.skipUnless(os.geteuid() == 0, "needs root to run as root and as another user")
    def test_installed_copy_keeps_an_ordinary_users_size_and_leaves_roots_file(self):
        app = install(self.executable, self.folder / "usr" / "bin")
        beside = app.with_suffix(".ini")
        program = self.open(app)
        program.resize(560, 250)
        self.assertClosesCleanly(program)
        administrators = beside.read_bytes(), beside.stat().st_mtime_ns

        user = self.ordinary_user()
        program = self.open(app, env=user, unprivileged=True)
        self.assertEqual(program.client_geometry()[2:], (560, 250), "root's file gives the start")
        program.resize(500, 300)
        self.assertClosesCleanly(program)
        program = self.open(app, env=user, unprivileged=True)
        self.assertEqual(program.client_geometry()[2:], (500, 300), "the user's size is kept")
        self.assertClosesCleanly(program)
        self.assertEqual((beside.read_bytes(), beside.stat().st_mtime_ns), administrators)

    @unittest.skipUnless(os.geteuid() == 0, "needs root to run as another user")
    def test_writable_file_in_a_folder_it_may_not_write_is_updated_in_place(self):
        self.ini.write_bytes(b"; shared\n[Settings]\nWidth=6000\n")
        self.ini.chmod(0o666)
        program = self.open(env=self.ordinary_user(), unprivileged=True)
        program.resize(500, 300)
        width = 15 * program.frame_geometry().width
        self.assertClosesCleanly(program)
        self.assertTrue(self.ini.read_bytes().startswith(b"; shared\n[Settings]\nWidth="))
        self.assertEqual(ini_value(self.ini, "Width"), str(width))

    def ordinary_user(self):
        """The environment of user nobody, with a home folder of its own."""
        home = self.folder / "home"
        home.mkdir(mode=0o700)
        os.chown(home, NOBODY, NOBODY)
        return {"HOME": str(home), "XDG_CONFIG_HOME": str(home / ".config")}
