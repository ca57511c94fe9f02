# SPDX-License-Identifier: MIT
"""On screen, the caret's line is blue and the others black."""

import xsession


class HighlightTest(xsession.ProgramTestCase):
    def test_caret_line_is_blue_at_start_and_after_a_key(self):
        program = self.open()
        def first_lines():
            return xsession.line_colours(program.screenshot())[:3]
        self.assertEventually(first_lines, ["blue", "black", "black"], "after start")
        program.key("Down")
        self.assertEventually(first_lines, ["black", "blue", "black"], "after Down")
        self.assertClosesCleanly(program)
