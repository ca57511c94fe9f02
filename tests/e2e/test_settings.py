"""Window geometry and the example sentence survive from one run to the next, in the INI file
beside the executable, without drift and without harm to a file the program may not write."""

from xsession import DEFAULT_SENTENCE, ProgramTestCase, Rect, ini_entries, ini_value, install

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
