#!/usr/bin/env bash
# The window module is looked for only when a window is needed, only beside the executable
# (through links) and in the package's library folder; a missing, broken or foreign one (built
# as another version) gives one line on stderr and exit status 1.
#   window_module.sh EXE MODULE FOREIGN_MODULE LIBRARY_FOLDER   (exit 77 without strace)
set -uo pipefail
exe=$1 module=$2 foreign=$3 library=$4
command -v strace >/dev/null || exit 77
app=$(mktemp -d /tmp/vesperon-module.XXXXXX)
trap 'rm -rf "$app"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
mkdir "$app/bin" "$app/elsewhere" "$app/planted"
cp "$exe" "$app/vesperon"
printf '#!/bin/sh\necho "$@" > "%s/shutdown-args"\n' "$app" >"$app/bin/shutdown"
chmod +x "$app/bin/shutdown"
# A module planted in the current folder and in LD_LIBRARY_PATH must never be taken.
cp "$module" "$app/planted/"
cd "$app/planted"
# run ARGS...: the program (or $program) under strace (where LeakSanitizer cannot work), without
# a display; sets status and err.
run() {
    env -u DISPLAY PATH="$app/bin:/usr/bin:/bin" VESPERON_STATE_DIR="$app/state" \
        LD_LIBRARY_PATH="$app/planted" ASAN_OPTIONS=detect_leaks=0 strace -f -qq -e trace=%file -o "$app/trace" \
        "${program:-$app/vesperon}" "$@" 2>"$app/err" </dev/null
    status=$?
    err=$(cat "$app/err")
}
says() { # STATUS TEXT: run without arguments, it ends with STATUS and one line holding TEXT
    run
    [ "$status" = "$1" ] || fail "exit status $status, not $1: $err"
    [ "$(wc -l <"$app/err")" = 1 ] || fail "not one line on stderr: $err"
    [[ "$err" == *"$2"* ]] || fail "'$2' not in: $err"
}
# Only names whose last part is the module: a coverage build also writes vesperon-fltk.dir/*.gcda.
looked_at() { grep -o '"[^"]*vesperon-fltk[^"/]*"' "$app/trace" | sort -u | tr -d '"'; }

cp "$module" "$app/"
run -r
[ "$status" = 0 ] && [ -f "$app/shutdown-args" ] || fail "the restart run did not request: $err"
[ -z "$(looked_at)" ] || fail "a run mode looked for the module: $(looked_at)"

says 1 "no display"
[ "$(looked_at)" = "$app/vesperon-fltk.so" ] || fail "loaded from: $(looked_at)"

ln -s "$app/vesperon" "$app/elsewhere/vesperon"
program=$app/elsewhere/vesperon says 1 "no display"
[ ! -e "$app/elsewhere/vesperon.ini" ] || fail "started through a link, it wrote beside the link"

echo "not a module" >"$app/vesperon-fltk.so"
says 1 "install the vesperon-gui package"

cp "$foreign" "$app/vesperon-fltk.so"
says 1 "another build of Vesperon"

rm "$app/vesperon-fltk.so"
if [ ! -e "$library/vesperon-fltk.so" ]; then
    says 1 "install the vesperon-gui package"
    [ "$(looked_at | tr '\n' ' ')" = "$app/vesperon-fltk.so $library/vesperon-fltk.so " ] ||
        fail "looked at: $(looked_at)"
fi
echo "passed"
