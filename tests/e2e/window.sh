#!/bin/sh
# The real executable opens its window under a real window manager and exits cleanly on close.
. "$(dirname "$0")/lib.sh"
e2e_start
app=$(e2e_install "$1")

e2e_launch "$app"
[ "$(e2e_window_info Width)" = 630 ] || fail "client width $(e2e_window_info Width), expected 630"
[ "$(e2e_window_info Height)" = 213 ] || fail "client height $(e2e_window_info Height), expected 213"
[ "$(xdotool getwindowname "$E2E_WINDOW")" = Typeshelf ] || fail "wrong caption"

e2e_close
[ "$E2E_STATUS" = 0 ] || fail "exit status $E2E_STATUS after closing the window"
echo "PASS: window opens at the design size and closes with status 0"
