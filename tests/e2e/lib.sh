# Shared by the end-to-end tests: a real X server with a real window manager, and helpers that
# drive the real executable through them. Source it, then call e2e_start.
set -eu

E2E_TMP=$(mktemp -d)

e2e_cleanup() {
    [ -n "${E2E_APP_PID:-}" ] && kill "$E2E_APP_PID" 2>/dev/null
    [ -n "${E2E_WM_PID:-}" ] && kill "$E2E_WM_PID" 2>/dev/null
    [ -n "${E2E_X_PID:-}" ] && kill "$E2E_X_PID" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Waits up to 10 s for a command to succeed.
e2e_wait_for() {
    tries=0
    until "$@" >/dev/null 2>&1; do
        tries=$((tries + 1))
        [ "$tries" -lt 100 ] || return 1
        sleep 0.1
    done
}

# Starts Xvfb on a free display and openbox on it; exports DISPLAY.
e2e_start() {
    Xvfb -displayfd 5 -screen 0 1280x800x24 -dpi 96 -nolisten tcp 5>"$E2E_TMP/display" 2>/dev/null &
    E2E_X_PID=$!
    e2e_wait_for test -s "$E2E_TMP/display" || fail "Xvfb did not start"
    DISPLAY=":$(cat "$E2E_TMP/display")"
    export DISPLAY
    export QT_QPA_PLATFORM=xcb
    XDG_RUNTIME_DIR="$E2E_TMP/runtime"
    export XDG_RUNTIME_DIR
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    openbox >/dev/null 2>&1 &
    E2E_WM_PID=$!
    e2e_wait_for wmctrl -m || fail "openbox did not start"
}

# Limits the fonts the program sees to those in one folder.
e2e_fonts_only() {
    printf '<?xml version="1.0"?>\n<fontconfig><dir>%s</dir><cachedir>%s/fontconfig-cache</cachedir></fontconfig>\n' \
        "$1" "$E2E_TMP" >"$E2E_TMP/fonts.conf"
    FONTCONFIG_FILE="$E2E_TMP/fonts.conf"
    export FONTCONFIG_FILE
}

# Limits the fonts the program sees to the DejaVu families, so what it shows is known.
e2e_dejavu_fonts_only() {
    e2e_fonts_only /usr/share/fonts/truetype/dejavu
}

# Prints one word per line of text in the window's screenshot, top to bottom: "blue" or
# "black" for the colour that most of the line's ink has. The scroll bars are left out.
e2e_line_colours() {
    import -window "$E2E_WINDOW" "$E2E_TMP/shot.png"
    convert "$E2E_TMP/shot.png" -crop 400x180+0+0 +repage txt:- | awk -F'[(),: ]+' '
        NR > 1 {
            y = $2; r = $3; g = $4; b = $5
            if (b > 150 && r < 100 && g < 100) blue[y]++
            else if (r < 100 && g < 100 && b < 100) black[y]++
            if (y > last) last = y
        }
        END {
            inLine = 0
            for (y = 0; y <= last; y++) {
                ink = blue[y] + black[y]
                if (ink > 0) { lineBlue += blue[y]; lineBlack += black[y]; inLine = 1 }
                if ((ink == 0 || y == last) && inLine) {
                    print (lineBlue > lineBlack ? "blue" : "black")
                    lineBlue = 0; lineBlack = 0; inLine = 0
                }
            }
        }'
}

# Copies the executable into a folder of its own, so its settings file lands there.
# Usage: e2e_install EXECUTABLE [NAME] -> prints the copy's path
e2e_install() {
    mkdir -p "$E2E_TMP/app"
    target="$E2E_TMP/app/${2:-typeshelf}"
    cp "$1" "$target"
    echo "$target"
}

# Starts the program and waits for its window; sets E2E_APP_PID and E2E_WINDOW.
e2e_launch() {
    "$@" &
    E2E_APP_PID=$!
    e2e_wait_for xdotool search --all --onlyvisible --pid "$E2E_APP_PID" --name '^Typeshelf$' \
        || fail "no window appeared"
    E2E_WINDOW=$(xdotool search --all --onlyvisible --pid "$E2E_APP_PID" --name '^Typeshelf$' | head -n 1)
}

# Closes the window through the window manager; sets E2E_STATUS to the program's exit status.
e2e_close() {
    wmctrl -i -c "$E2E_WINDOW"
    E2E_STATUS=0
    wait "$E2E_APP_PID" || E2E_STATUS=$?
    E2E_APP_PID=
}

# Prints the window's outer geometry, frame included, as "x y width height" in pixels.
e2e_outer_geometry() {
    set -- $(xprop -id "$E2E_WINDOW" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
    echo $(($(e2e_window_info 'Absolute upper-left X') - $1)) \
        $(($(e2e_window_info 'Absolute upper-left Y') - $3)) \
        $(($(e2e_window_info Width) + $1 + $2)) \
        $(($(e2e_window_info Height) + $3 + $4))
}

# Prints the text of the view: Ctrl+A selects it all, which X offers as the primary selection.
e2e_view_text() {
    xdotool key --window "$E2E_WINDOW" ctrl+a
    sleep 0.3
    xclip -o -selection primary 2>/dev/null
}

# Makes the next e2e_launch run the program as a user that file permissions bind, when the
# tests run as root (who may write anywhere). Prints the command prefix to use.
e2e_unprivileged_prefix() {
    [ "$(id -u)" = 0 ] || return 0
    chmod 755 "$E2E_TMP"
    [ -d "$E2E_TMP/app" ] && chmod 755 "$E2E_TMP/app"
    if [ ! -d "$E2E_TMP/runtime-nobody" ]; then
        mkdir -m 700 "$E2E_TMP/runtime-nobody"
        chown 65534:65534 "$E2E_TMP/runtime-nobody"
    fi
    echo "env XDG_RUNTIME_DIR=$E2E_TMP/runtime-nobody setpriv --reuid=65534 --regid=65534 --clear-groups"
}

# Prints one attribute of the window as xwininfo reports it, e.g. "Width".
e2e_window_info() {
    xwininfo -id "$E2E_WINDOW" | sed -n "s/^ *$1: *//p"
}
