#!/bin/sh
# The settings file is always one complete state: when two copies of the program close at the
# same moment, and when the program is killed while it writes.
. "$(dirname "$0")/lib.sh"
e2e_dejavu_fonts_only
e2e_start
app=$(e2e_install "$1")
ini="$E2E_TMP/app/typeshelf.ini"

# Two copies, placed apart, closed together: the file holds the place of one of them.
for round in 1 2 3; do
    e2e_launch "$app"
    first=$E2E_WINDOW first_pid=$E2E_APP_PID
    E2E_APP_PID=
    e2e_launch "$app"
    second=$E2E_WINDOW second_pid=$E2E_APP_PID
    xdotool windowmove "$first" 100 100 windowmove "$second" 400 300
    sleep 0.5
    # Each copy saves its frame's place, in twips (15 to a pixel at 96 dpi).
    states=""
    for window in "$first" "$second"; do
        set -- $(E2E_WINDOW=$window e2e_outer_geometry)
        states="$states|$(($1 * 15)) $(($2 * 15)) "
    done
    wmctrl -i -c "$first"
    wmctrl -i -c "$second"
    # A close request can be lost while the window manager is busy with the other one.
    for _ in $(seq 20); do
        kill -0 "$first_pid" 2>/dev/null || kill -0 "$second_pid" 2>/dev/null || break
        sleep 0.5
        wmctrl -i -c "$first" 2>/dev/null
        wmctrl -i -c "$second" 2>/dev/null
    done
    wait "$first_pid" || fail "round $round: first copy failed"
    wait "$second_pid" || fail "round $round: second copy failed"
    E2E_APP_PID=
    place=$(sed -n 's/^\(Left\|Top\)=//p' "$ini" | tr '\n' ' ')
    case "$states|" in
    *"|$place|"*) ;;
    *) fail "round $round: the file mixes the two states ($states): $(cat "$ini")" ;;
    esac
    [ "$(grep -c '=' "$ini")" = 5 ] || fail "round $round: keys missing or doubled: $(cat "$ini")"
done

# Killed at random moments while it saves a large file: the file is always whole.
yes '; filler that makes every save take a while' | head -n 450000 >"$E2E_TMP/filler"
cp "$E2E_TMP/filler" "$ini"
printf '[Settings]\nLeft=0\nTop=0\nWidth=9000\nHeight=4500\nExampleText=Killed\n' >>"$ini"
filler_size=$(stat -c %s "$E2E_TMP/filler")
for round in $(seq 12); do
    e2e_launch "$app"
    xdotool windowmove "$E2E_WINDOW" $((round * 20)) $((round * 10))
    sleep 0.3
    wmctrl -i -c "$E2E_WINDOW"
    sleep "0.$(shuf -i 0-30 -n 1)"
    kill -9 "$E2E_APP_PID" 2>/dev/null || true
    wait "$E2E_APP_PID" 2>/dev/null || true
    E2E_APP_PID=
    cmp -s -n "$filler_size" "$ini" "$E2E_TMP/filler" || fail "round $round: the file is damaged"
    tail -c +$((filler_size + 1)) "$ini" | grep -Eqx '\[Settings\]|(Left|Top|Width|Height)=-?[0-9]+|ExampleText=Killed' \
        || fail "round $round: the settings are damaged"
    [ "$(tail -c +$((filler_size + 1)) "$ini" | wc -l)" = 6 ] || fail "round $round: the settings are cut short: $(tail -c +$((filler_size + 1)) "$ini")"
done

echo "PASS: the settings file is always one complete state"
