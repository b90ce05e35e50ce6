#!/usr/bin/env bash
# Drives the configuration window as a user would, on a real display, then the two windows
# that nothing on that road opens (from the test gallery), and keeps screenshots of each
# window in SCREENSHOTS. Never passes -r or -s; a recording stand-in for shutdown is put in
# place all the same. Exit 77: skipped (no display or no xdotool).
#   configuration_window.sh linux   EXE GALLERY SCREENSHOTS MODULE   (the window module, put beside EXE)
#   configuration_window.sh windows EXE GALLERY SCREENSHOTS STANDIN HOLDER   (under Wine; WINEPREFIX set)
set -uo pipefail
edition=$1 exe=$2 gallery=$3 shots=$4 standin=${5:-} holder_exe=${6:-}
module=${5:-} # linux: the fifth argument
[ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && command -v import >/dev/null || exit 77
mkdir -p "$shots"

app=$(mktemp -d /tmp/vesperon-gui.XXXXXX)
holder="" program=""
finish() {
    chattr -i "$app/vesperon.ini" 2>/dev/null
    [ -n "$program" ] && kill "$program" 2>/dev/null
    [ -n "$holder" ] && kill "$holder" 2>/dev/null
    [ "$edition" = windows ] && wineserver -k 2>/dev/null
    rm -rf "$app"
}
trap finish EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
# start TITLE EXE [ARG]: starts EXE, waits for its window titled TITLE, reads its geometry.
start() {
    local title=$1
    shift
    if [ "$edition" = windows ]; then wine "$@" >/dev/null 2>&1 & else "$@" & fi
    program=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name "^$title\$" | head -1)
    [ -n "$window" ] || fail "$title did not appear"
    sleep 1.5
    eval "$(xdotool getwindowgeometry --shell "$window")"
}
# Without a window manager the X window is the client area, or (Wine) the client area
# inside a frame that Wine draws itself: client W H finds where the client area starts.
client() {
    dx=$(((WIDTH - $1) / 2))
    dy=$((HEIGHT - $2 - dx))
    [ "$WIDTH" -ge "$1" ] && [ "$HEIGHT" -ge "$2" ] || fail "window is ${WIDTH}x${HEIGHT}, under $1x$2"
}

mkdir "$app/bin"
printf '#!/bin/sh\necho "$@" > "%s/shutdown-args"\n' "$app" >"$app/bin/shutdown"
chmod +x "$app/bin/shutdown"
export PATH="$app/bin:$PATH"
cp "$gallery" "$app/"
if [ "$edition" = windows ]; then
    # A name beyond the ANSI code page, in a UTF-8 list.
    name=vesperon.exe job=Отчёт.dat
    listed="Z:$(echo "$app/$job" | tr / '\\')"
    cp "$standin" "$WINEPREFIX/drive_c/windows/system32/shutdown.exe"
else
    name=vesperon job=job.dat listed="$app/job.dat"
    cp "$module" "$app/"
fi
cp "$exe" "$app/$name"
echo "job data" >"$app/$job"
# Under Wine, only a Wine process of the same prefix holds it as the program sees files in use.
if [ "$edition" = windows ]; then
    wine "$holder_exe" "$listed" 60 >/dev/null 2>&1 &
else
    (exec 3<"$app/$job"; exec sleep 60) &
fi
holder=$!
printf '; list\r\n\r\n%s\r\n' "$listed" >"$app/vesperon.cfg"

cd "$app"
start 'Vesperon   v1\.3' "$app/$name"
main=$window
client 288 136
import -window root "$shots/$edition-configuration.png"

click() { # x y in client coordinates
    xdotool mousemove --window "$main" $(($1 + dx)) $(($2 + dy)) click 1
    sleep 0.7
}

# "Force Applications to Close": the settings file changes at once.
grep -q 'ForceAppsToClose=0' vesperon.ini || fail "settings file not created: $(cat vesperon.ini)"
click $((16 + 20)) $((80 + 8))
grep -q 'ForceAppsToClose=1' vesperon.ini || fail "ticking Force did not write 1: $(cat vesperon.ini)"

# A settings file that cannot be written (immutable, where the file system and the user
# allow that): the click is refused with a message box and changes nothing.
if chattr +i vesperon.ini 2>/dev/null; then
    click $((16 + 20)) $((104 + 8))
    box=$(timeout 10 xdotool search --sync --onlyvisible --name '^Vesperon$' | head -1)
    [ -n "$box" ] || fail "no message box for a setting that could not be saved"
    sleep 0.5
    import -window root "$shots/$edition-setting-not-saved.png"
    xdotool key Return
    sleep 0.7
    xdotool search --onlyvisible --name '^Vesperon$' >/dev/null && fail "the message box did not close"
    grep -q 'WriteToNTEventLog=1' vesperon.ini || fail "the refused click changed the file"
    chattr -i vesperon.ini
fi

# "Test Now" with the listed file held: the results window appears.
click $((208 + 32)) $((32 + 12))
results=$(timeout 10 xdotool search --sync --onlyvisible --name '^Vesperon$' | head -1)
[ -n "$results" ] || fail "the results window did not appear"
sleep 0.5
import -window root "$shots/$edition-results.png"
# Without a window manager every window opens at the top left, over the configuration
# window: close the results window from the keyboard (Wine), or raise the configuration
# window above it (FLTK), as a user could.
if [ "$edition" = windows ]; then
    xdotool key alt+F4
    sleep 0.7
    xdotool search --onlyvisible --name '^Vesperon$' >/dev/null && fail "the results window did not close"
else
    xdotool windowraise "$main"
    sleep 0.5
fi

# "View/Edit": the check-list editor lists the entry.
click $((8 + 16 + 76)) $((8 + 24 + 12))
editor=$(timeout 10 xdotool search --sync --onlyvisible --name '^Configuration:  In-Use File Check List$' | head -1)
[ -n "$editor" ] || fail "the check-list editor did not appear"
sleep 0.5
import -window root "$shots/$edition-editor.png"

[ -e "$app/shutdown-args" ] && fail "a shutdown request was started"

# The gallery's windows: its configuration window, like the program's, writes beside it.
gallery="$app/$(basename "$gallery")"
show() { # FORM: the gallery showing that window alone
    kill "$program" 2>/dev/null && wait "$program" 2>/dev/null
    [ "$edition" = windows ] && wineserver -k 2>/dev/null
    start "$1" "$gallery" "$1"
}
# The process list window, listed once.
show Form5
import -window root "$shots/$edition-process-list.png"

# The prompt counts down; "Start Config" closes it and opens the configuration window.
show Form3
client 281 87
import -window root "$shots/$edition-start-prompt.png"
xdotool mousemove --window "$window" $((140 + dx)) $((48 + dy)) click 1
configuration=$(timeout 10 xdotool search --sync --onlyvisible --name '^Vesperon   v1\.3$' | head -1)
[ -n "$configuration" ] || fail "Start Config did not open the configuration window"
sleep 0.5
xdotool search --onlyvisible --name '^Form3$' >/dev/null && fail "the prompt is still open"
echo "every window works on $edition; screenshots in $shots"
