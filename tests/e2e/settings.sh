#!/bin/sh
# Window geometry and the example sentence survive from one run to the next, in the INI file
# beside the executable, without drift and without harm to a file the program may not write.
. "$(dirname "$0")/lib.sh"
e2e_dejavu_fonts_only
e2e_start
app=$(e2e_install "$1")
ini="${app%/*}/typeshelf.ini"

run_and_close() {
    e2e_launch "$@"
    e2e_close
    [ "$E2E_STATUS" = 0 ] || fail "exit status $E2E_STATUS"
}

# No file: one run writes the section and the five keys in order.
run_and_close "$app"
keys=$(sed -n 's/=.*//p' "$ini" | tr '\n' ' ')
[ "$(head -n 1 "$ini")" = "[Settings]" ] || fail "no section header in: $(cat "$ini")"
[ "$keys" = "Left Top Width Height ExampleText " ] || fail "keys are '$keys'"
grep -qx 'ExampleText=Lorem upsum epsulem. Nordum letem episcal lorem upsum epsuli nesbit moderm neo.' "$ini" \
    || fail "default sentence not written"

# Three more runs leave the file byte for byte as it was: no drift.
cp "$ini" "$E2E_TMP/first.ini"
for _ in 1 2 3; do
    run_and_close "$app"
    cmp -s "$ini" "$E2E_TMP/first.ini" || fail "file drifted: $(diff "$E2E_TMP/first.ini" "$ini")"
done

# A stored geometry and sentence are what the window shows.
printf '[Settings]\r\nLeft=3000\r\nTop=2250\r\nWidth=9000\r\nHeight=4500\r\nExampleText=Jackdaws love my big sphinx\r\n' >"$ini"
e2e_launch "$app"
geometry=$(e2e_outer_geometry)
[ "$geometry" = "200 150 600 300" ] || fail "outer geometry is '$geometry', expected '200 150 600 300'"
e2e_view_text | grep -q "Jackdaws love my big sphinx" || fail "the stored sentence is not in the view"

# Maximised at close, the window still saves the geometry it returns to.
wmctrl -i -r "$E2E_WINDOW" -b add,maximized_vert,maximized_horz
e2e_wait_for sh -c "xprop -id $E2E_WINDOW _NET_WM_STATE | grep -q MAXIMIZED_HORZ" || fail "not maximised"
e2e_close
grep -q '^Width=9000' "$ini" && grep -q '^Left=3000' "$ini" || fail "maximised geometry saved: $(cat "$ini")"

# A copy under another name keeps a file of its own.
cp "$app" "${app%/*}/fontview"
cp "$ini" "$E2E_TMP/before-copy.ini"
run_and_close "${app%/*}/fontview"
[ -f "${app%/*}/fontview.ini" ] || fail "the copy wrote no fontview.ini"
cmp -s "$ini" "$E2E_TMP/before-copy.ini" || fail "the copy changed typeshelf.ini"

# A folder the user may not write to: the program works and the old file stays as it was.
sed -i 's/^Width=.*/Width=7500/' "$ini"
cp "$ini" "$E2E_TMP/before-readonly.ini"
chmod 644 "$ini"
as_user=$(e2e_unprivileged_prefix)
chmod 555 "$E2E_TMP/app"
run_and_close $as_user "$app"
chmod 755 "$E2E_TMP/app"
cmp -s "$ini" "$E2E_TMP/before-readonly.ini" || fail "the file in a read-only folder changed"

echo "PASS: settings survive runs without drift or harm"
