# SPDX-License-Identifier: MIT
"""Whatever fonts the machine holds, the program starts, shows one line per family and closes
with status 0."""

from make_corpus import make_corpus
import shutil
from pathlib import Path

from xsession import DEFAULT_SENTENCE, DEJAVU, ProgramTestCase, wait_until

URW = Path("/usr/share/fonts/opentype/urw-base35")

# Family names that would break a catalogue line, and the names the view shows for them.
STRANGE_NAMES = ["W" * 200, "עברית מימין", "Tab\tName", "Line\nBreak", "Ctrl\u0001Char", "CR\rName"]
SHOWN_NAMES = ["W" * 200, "עברית מימין", "Tab\ufffdName", "Line\ufffdBreak", "Ctrl\ufffdChar", "CR\ufffdName"]


def inked_rows(rows):
    """How many rows of a screenshot hold text: a new line adds some, the blinking caret none."""
    return sum(any(min(pixel) < 100 for pixel in row[:-20]) for row in rows[:-20])


class HostileFontsTest(ProgramTestCase):
    def use_corpus(self, families, **options):
        self.env["FONTCONFIG_FILE"] = make_corpus(self.folder / "corpus", families, **options)

    def test_no_fonts_at_all_leave_an_empty_view_that_takes_keys_and_clicks(self):
        (self.folder / "none").mkdir()
        self.use_fonts([self.folder / "none"])
        program = self.open()
        program.key("Down", "End", "ctrl+End", "Up")
        program.click(50, 50)
        self.assertClosesCleanly(program)

    def test_a_font_installed_while_running_gets_its_line_with_the_caret_kept(self):
        self.use_fonts([DEJAVU / "DejaVuSans.ttf", DEJAVU / "DejaVuSerif.ttf"])
        program = self.open()
        program.key("Down")
        self.assertEventually(lambda: program.copied_line(), "DejaVu Serif")
        before = inked_rows(program.screenshot())
        # C059 sorts before both: the caret's family moves down a line, and the caret with it.
        shutil.copy(URW / "C059-Roman.otf", self.folder / "fontconfig" / "fonts")
        self.assertTrue(wait_until(lambda: inked_rows(program.screenshot()) > before), "no new line appeared")
        program.key("Up")  # a line that differs from the last copy, so that the copy is new
        self.assertEventually(lambda: program.copied_line(), "DejaVu Sans")
        self.assertRegex(program.view_text(), "^C059\t.*\nDejaVu Sans\t.*\nDejaVu Serif\t")
        self.assertClosesCleanly(program)

    def test_a_truncated_font_file_leaves_the_good_families(self):
        truncated = self.folder / "Truncated.ttf"
        truncated.write_bytes((DEJAVU / "DejaVuSansMono.ttf").read_bytes()[:20000])
        self.use_fonts([DEJAVU / "DejaVuSans.ttf", DEJAVU / "DejaVuSerif.ttf", truncated])
        program = self.open()
        self.assertRegex(program.view_text(), "(?m)^DejaVu Serif\t")
        self.assertClosesCleanly(program)

    def test_strange_names_stay_one_line_each_with_control_characters_as_marks(self):
        self.use_corpus(STRANGE_NAMES)
        program = self.open()
        lines = [line for line in program.view_text().split("\n") if line]
        self.assertEqual([line for line in lines if not line.endswith("\t\t\t" + DEFAULT_SENTENCE)], [])
        self.assertLessEqual(set(SHOWN_NAMES), {line.partition("\t\t\t")[0] for line in lines})
        self.assertClosesCleanly(program)

    def test_a_face_without_glyphs_for_the_sentence_still_has_its_line(self):
        self.use_corpus(["Digits Only"], unicodes=range(0x30, 0x3A))
        program = self.open()
        self.assertRegex(program.view_text(), "(?m)^Digits Only\t\t\t")
        self.assertClosesCleanly(program)
