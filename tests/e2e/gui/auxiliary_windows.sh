#!/usr/bin/env bash
# Shows the two windows that nothing on the main road opens, keeps a screenshot of
# each in SCREENSHOTS, and clicks their buttons as a user would.
#   auxiliary_windows.sh windows GALLERY SCREENSHOTS
#   auxiliary_windows.sh linux GALLERY SCREENSHOTS MODULE   (the window module, put beside it)
# Exit 77: skipped (no display or no xdotool).
set -uo pipefail
edition=$1 gallery=$2 shots=$3 module=${4:-}
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v import >/dev/null || exit 77
mkdir -p "$shots"
app=$(mktemp -d /tmp/vesperon-gallery.XXXXXX)
program=""
finish() {
    [ -n "$program" ] && kill "$program" 2>/dev/null
    [ "$edition" = windows ] && wineserver -k 2>/dev/null
    rm -rf "$app"
}
trap finish EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# The configuration window that the prompt opens writes its files beside the program.
cp "$gallery" ${module:+"$module"} "$app/"
exe="$app/$(basename "$gallery")"
cd "$app"
show() {
    [ -n "$program" ] && kill "$program" 2>/dev/null && wait "$program" 2>/dev/null
    if [ "$edition" = windows ]; then wine "$exe" "$1" >/dev/null 2>&1 & else "$exe" "$1" & fi
    program=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -1)
    [ -n "$window" ] || fail "$1 did not appear"
    sleep 1.5
    eval "$(xdotool getwindowgeometry --shell "$window")"
}

# The process list window, listed once: the client area is 4680 x 3090 twips.
show Form5
import -window root "$shots/$edition-process-list.png"

# The prompt counts down; "Start Config" closes it and opens the configuration window.
show Form3
# The client area (281 x 87) sits inside a frame that Wine draws itself (none on Linux).
dx=$(((WIDTH - 281) / 2))
dy=$((HEIGHT - 87 - dx))
import -window root "$shots/$edition-start-prompt.png"
xdotool mousemove --window "$window" $((140 + dx)) $((48 + dy)) click 1
configuration=$(timeout 10 xdotool search --sync --onlyvisible --name '^Vesperon   v1\.3$' | head -1)
[ -n "$configuration" ] || fail "Start Config did not open the configuration window"
sleep 0.5
xdotool search --onlyvisible --name '^Form3$' >/dev/null && fail "the prompt is still open"
echo "process list window and start prompt work on $edition; screenshots in $shots"
