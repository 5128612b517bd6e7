#!/usr/bin/env bash
# Takes docs/screenshot.png: the real Pelvane on a virtual X server (Xvfb), showing a picture of
# the demo snapshot. Opens examples/demo.uss through Ctrl+O and the file dialog, then a ripper state
# file through Ctrl+Shift+O, as a user would, and rests the pointer on the first picture so the
# status bar shows its readout.
#
#   scripts/screenshot.sh [STATE_FILE [OUTPUT_PNG]]
#
# STATE_FILE defaults to examples/demo-ball.plv. Build first (make): the program and the demo
# snapshot come from the build. Installs Xvfb, xdotool and ImageMagick from Debian when missing.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-build}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
pelvane="$build/src/pelvane"
snapshot="$root/examples/demo.uss"
state="$(realpath "${1:-$root/examples/demo-ball.plv}")"
output="$(realpath -m "${2:-$root/docs/screenshot.png}")"

for file in "$pelvane" "$snapshot" "$state"; do
    if [ ! -f "$file" ]; then
        echo "screenshot: $file is missing; run make first" >&2
        exit 1
    fi
done

need=()
command -v Xvfb > /dev/null || need+=(xvfb)
command -v xdotool > /dev/null || need+=(xdotool)
[ -x /usr/bin/import ] || need+=(imagemagick)
if [ ${#need[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

work="$(mktemp -d)"
xvfb_pid=""
pelvane_pid=""
cleanup() {
    [ -n "$pelvane_pid" ] && kill "$pelvane_pid" 2> /dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null || true
    wait 2> /dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x960x24 3> "$work/display" 2> /dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(tr -d '\n' < "$work/display")"

# Qt's own dialogs (no desktop platform theme), settings and log in the scratch directory.
mkdir -m 700 "$work/runtime"
(
    cd "$work"
    unset XDG_CURRENT_DESKTOP DESKTOP_SESSION
    QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME=generic XDG_RUNTIME_DIR="$work/runtime" \
        XDG_CONFIG_HOME="$work/config" exec "$pelvane"
) &
pelvane_pid=$!

# Waits for a window titled like the pattern and prints its id.
window() {
    timeout 30 bash -c 'until xdotool search --name "$1" 2> /dev/null | head -n 1 | grep .; do
        sleep 0.1; done' _ "$1"
}

# Opens a file through the dialog that `keys` brings up in the main window.
open_through_dialog() {
    local keys="$1" title="$2" path="$3"
    xdotool windowfocus --sync "$main" key "$keys"
    local dialog
    dialog="$(window "^$title\$")"
    xdotool windowfocus --sync "$dialog" type --delay 5 "$path"
    xdotool key Return
    timeout 30 bash -c 'while xdotool search --name "^$1\$" > /dev/null 2>&1; do sleep 0.1; done' \
        _ "$title"
}

main="$(window '^Pelvane 0\.6$')"
open_through_dialog ctrl+o "Open File" "$snapshot"
window '^Pelvane 0\.6 - demo\.uss$' > /dev/null
open_through_dialog ctrl+shift+o "Open Ripper State" "$state"
# Window coordinates: the picture area starts 250 pixels below the menu bar, 20 from the left.
xdotool mousemove --window "$main" 160 380
# Let the last redraw reach the server.
sleep 0.5

/usr/bin/import -window "$main" "$output"
echo "screenshot: wrote $output"
