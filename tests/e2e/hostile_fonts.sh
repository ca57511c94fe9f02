#!/bin/sh
# Whatever fonts the machine holds, the program starts, shows one line per family and closes
# with status 0: no fonts at all, a broken font file, strange names, a face without the glyphs
# of the sentence.
. "$(dirname "$0")/lib.sh"
e2e_start
app=$(e2e_install "$1")
make_corpus="/usr/bin/python3 $(dirname "$0")/../../bench/make_corpus.py"
dejavu=/usr/share/fonts/truetype/dejavu

closes_cleanly() {
    e2e_close
    [ "$E2E_STATUS" = 0 ] || fail "$1: exit status $E2E_STATUS"
}

# No fonts at all: an empty view that still takes keys and clicks.
mkdir "$E2E_TMP/no-fonts"
e2e_fonts_only "$E2E_TMP/no-fonts"
e2e_launch "$app"
xdotool key --window "$E2E_WINDOW" Down End ctrl+End Up
xdotool mousemove --window "$E2E_WINDOW" 50 50 click 1
closes_cleanly "no fonts"

# A truncated font file among good ones.
mkdir "$E2E_TMP/broken"
cp "$dejavu/DejaVuSans.ttf" "$dejavu/DejaVuSerif.ttf" "$E2E_TMP/broken/"
head -c 20000 "$dejavu/DejaVuSansMono.ttf" >"$E2E_TMP/broken/Truncated.ttf"
e2e_fonts_only "$E2E_TMP/broken"
e2e_launch "$app"
e2e_view_text | grep -q "^DejaVu Serif	" || fail "broken font: the good families are missing"
closes_cleanly "broken font"

# Strange names: each family stays exactly one line, control characters shown as marks.
printf '["%s", "עברית מימין", "Tab\\tName", "Line\\nBreak", "Ctrl\\u0001Char", "CR\\rName"]' \
    "$(printf 'W%.0s' $(seq 200))" >"$E2E_TMP/names.json"
$make_corpus "$dejavu/DejaVuSans.ttf" "$E2E_TMP/strange" --names "$E2E_TMP/names.json" 2>/dev/null
FONTCONFIG_FILE="$E2E_TMP/strange/fonts.conf"
export FONTCONFIG_FILE
e2e_launch "$app"
text=$(e2e_view_text)
sentence='Lorem upsum epsulem. Nordum letem episcal lorem upsum epsuli nesbit moderm neo.'
lines=$(printf '%s\n' "$text" | grep -c .)
whole=$(printf '%s\n' "$text" | grep -c "			$sentence\$")
[ "$lines" = "$whole" ] || fail "strange names: $lines lines, $whole of them whole catalogue lines"
for name in 'Tab�Name' 'Line�Break' 'Ctrl�Char' 'CR�Name' 'עברית מימין' "$(printf 'W%.0s' $(seq 200))"; do
    printf '%s\n' "$text" | grep -q "^$name			" || fail "strange names: no line for '$name'"
done
closes_cleanly "strange names"

# A face without glyphs for the sentence.
printf '["Digits Only"]' >"$E2E_TMP/digits.json"
$make_corpus "$dejavu/DejaVuSans.ttf" "$E2E_TMP/digits" --names "$E2E_TMP/digits.json" --unicodes 30-39 2>/dev/null
FONTCONFIG_FILE="$E2E_TMP/digits/fonts.conf"
e2e_launch "$app"
e2e_view_text | grep -q "^Digits Only			" || fail "no glyphs: the family has no line"
closes_cleanly "no glyphs"

echo "PASS: hostile fonts leave the program working, one line per family"
