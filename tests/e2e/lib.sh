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
    e2e_wait_for xdotool search --onlyvisible --pid "$E2E_APP_PID" --name '^Typeshelf$' \
        || fail "no window appeared"
    E2E_WINDOW=$(xdotool search --onlyvisible --pid "$E2E_APP_PID" --name '^Typeshelf$' | head -n 1)
}

# Closes the window through the window manager; sets E2E_STATUS to the program's exit status.
e2e_close() {
    wmctrl -i -c "$E2E_WINDOW"
    E2E_STATUS=0
    wait "$E2E_APP_PID" || E2E_STATUS=$?
    E2E_APP_PID=
}

# Prints one attribute of the window as xwininfo reports it, e.g. "Width".
e2e_window_info() {
    xwininfo -id "$E2E_WINDOW" | sed -n "s/^ *$1: *//p"
}
