#!/bin/sh
# Whatever the settings file holds, or whatever stands in its place, the program opens, shows
# the catalogue and closes with status 0; a file it may not write keeps every byte.
. "$(dirname "$0")/lib.sh"
e2e_dejavu_fonts_only
e2e_start
app=$(e2e_install "$1")
ini="$E2E_TMP/app/typeshelf.ini"

# Usage: survives NAME [PREFIX...]: runs the program on whatever $ini is now and closes it.
survives() {
    name=$1
    shift
    e2e_launch "$@" "$app"
    e2e_view_text | grep -q "DejaVu Sans" || fail "$name: no catalogue in the view"
    e2e_close
    [ "$E2E_STATUS" = 0 ] || fail "$name: exit status $E2E_STATUS"
}

reset_ini() {
    rm -rf "$ini"
}

reset_ini
head -c 65536 /dev/urandom >"$ini"
cp "$ini" "$E2E_TMP/garbage"
survives "binary garbage"
cmp -s -n 65536 "$ini" "$E2E_TMP/garbage" || fail "binary garbage: the original bytes changed"

reset_ini
yes 'filler line = with some text that is not ours' | head -c 50000000 >"$ini"
survives "50 MB of text"
grep -q '^ExampleText=' "$ini" || fail "50 MB of text: the settings were not added"

reset_ini
head -c 1048576 /dev/zero | tr '\0' 'x' >"$ini"
survives "a 1 MB single line"

reset_ini
printf '[Settings]\nTop=\0\0\0\nExampleText=nul\0inside\n' >"$ini"
survives "NUL bytes"

reset_ini
mkdir "$ini"
survives "a folder in place of the file"
[ -d "$ini" ] || fail "the folder was replaced"

reset_ini
ln -s "$E2E_TMP/nowhere/typeshelf.ini" "$ini"
survives "a dangling symbolic link"
[ -L "$ini" ] || fail "the symbolic link was replaced"

reset_ini
printf '[Settings]\nExampleText=first\n[Other]\nx=1\n[settings]\nExampleText=second\nTop=1\n' >"$ini"
survives "the section twice"
e2e_launch "$app"
e2e_view_text | grep -q "first" || fail "the section twice: the first section was not read"
e2e_close
printf '[settings]\nExampleText=second\nTop=1\n' >"$E2E_TMP/second"
tail -n 3 "$ini" | cmp -s - "$E2E_TMP/second" || fail "the section twice: the second section changed"

# Files the user may not read or write, as a user that permissions bind.
as_user=$(e2e_unprivileged_prefix)
for mode in 000 444; do
    reset_ini
    printf '[Settings]\nExampleText=kept as it is\n' >"$ini"
    cp "$ini" "$E2E_TMP/protected"
    chmod "$mode" "$ini"
    # shellcheck disable=SC2086 # the prefix is meant to split into words
    survives "a file with mode $mode" $as_user
    chmod 644 "$ini"
    cmp -s "$ini" "$E2E_TMP/protected" || fail "a file with mode $mode changed"
done

echo "PASS: hostile settings files leave the program working and the file unharmed"
