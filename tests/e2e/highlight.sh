#!/bin/sh
# On screen, the caret's line is blue and the others black, at start and after a key press.
. "$(dirname "$0")/lib.sh"
e2e_dejavu_fonts_only
e2e_start
app=$(e2e_install "$1")
e2e_launch "$app"

# Repaints reach the screen a moment after the event, so look again for up to 5 s.
expect_colours() {
    for _ in $(seq 50); do
        actual=$(e2e_line_colours | head -n 3 | tr '\n' ' ')
        [ "$actual" = "$1" ] && return 0
        sleep 0.1
    done
    cp "$E2E_TMP/shot.png" "${TMPDIR:-/tmp}/typeshelf-highlight-failure.png"
    fail "$2: lines are '$actual', expected '$1'"
}

expect_colours "blue black black " "after start"
xdotool key --window "$E2E_WINDOW" Down
expect_colours "black blue black " "after Down"

e2e_close
[ "$E2E_STATUS" = 0 ] || fail "exit status $E2E_STATUS"
echo "PASS: the caret's line is blue on screen"
