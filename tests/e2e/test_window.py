"""The real executable under a real window manager: its window, and how it ends."""

import xsession


class WindowTest(xsession.ProgramTestCase):
    FONTS = None  # whatever the machine holds

    def test_opens_at_the_design_size_and_closes_with_status_0(self):
        program = self.open()  # found by its caption, "Typeshelf"
        self.assertEqual(program.client_geometry()[2:], (630, 213))
        self.assertClosesCleanly(program)
