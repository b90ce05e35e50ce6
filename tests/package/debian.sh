#!/usr/bin/env bash
# Installs the two Debian packages on this machine as an administrator would and checks
# them: lintian, the files in place, the units accepted by systemd and left disabled, a
# restart run through /usr/sbin/vesperon, settings kept over a reinstall, run modes
# without vesperon-gui, and nothing left after a purge. Leaves the machine as it was.
#   debian.sh DIST   (as root; exit 77 otherwise)
# Every run has a recording stand-in for shutdown first on PATH and a state folder of its own.
set -uo pipefail
dist=$(cd "$1" && pwd)
[ "$(id -u)" = 0 ] || exit 77
cd "$(dirname "$0")/../.."
. scripts/lib/packages.sh
ensure_packages lintian || exit 1
command -v systemd-analyze >/dev/null || ensure_packages systemd || exit 1

# Installing packages is shared machine state: one test at a time.
exec 9>/tmp/vesperon-dpkg.lock
flock 9
if dpkg-query -W -f='${Status}' vesperon vesperon-gui 2>/dev/null | grep -q installed; then
    echo "FAILED: vesperon is installed already; this test leaves such a machine alone" >&2
    exit 1
fi
tmp=$(mktemp -d /tmp/vesperon-package.XXXXXX)
# pkg ARGS...: dpkg, waiting while another package tool (apt, say) holds dpkg's own lock.
pkg() {
    for _ in $(seq 300); do
        dpkg "$@" >"$tmp/dpkg.log" 2>&1 && return 0
        grep -q 'locked by another process' "$tmp/dpkg.log" || return 1
        sleep 1
    done
    return 1
}
finish() {
    pkg --purge vesperon-gui vesperon
    rm -rf "$tmp"
}
trap finish EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
mkdir "$tmp/bin"
printf '#!/bin/sh\necho "$@" > "%s/shutdown-args"\n' "$tmp" >"$tmp/bin/shutdown"
chmod +x "$tmp/bin/shutdown"
[ -x "$tmp/bin/shutdown" ] || fail "the shutdown stand-in is not executable"
cd "$tmp"
# vesperon ARGS...: the installed program as a scheduler starts it; sets status, err, args.
vesperon() {
    rm -f "$tmp/shutdown-args"
    env -u DISPLAY PATH="$tmp/bin:/usr/bin:/bin" VESPERON_STATE_DIR="$tmp/state" \
        /usr/sbin/vesperon "$@" 2>"$tmp/err" </dev/null
    status=$?
    err=$(cat "$tmp/err")
    for _ in $(seq 30); do [ -e "$tmp/shutdown-args" ] && break; sleep 0.1; done
    args=$(cat "$tmp/shutdown-args" 2>/dev/null)
}

debs=("$dist"/vesperon_*.deb "$dist"/vesperon-gui_*.deb)
lintian --fail-on error "${debs[@]}" >"$tmp/lintian.log" 2>&1 || fail "lintian: $(cat "$tmp/lintian.log")"
pkg -i "${debs[@]}" || fail "dpkg -i: $(cat "$tmp/dpkg.log")"

[ "$(readlink -f /usr/sbin/vesperon)" = /opt/vesperon/vesperon ] || fail "no /usr/sbin link"
man -w vesperon >/dev/null 2>&1 || fail "no manual page"
units=(/lib/systemd/system/vesperon-{restart,shutdown}.{service,timer})
SYSTEMD_LOG_LEVEL=notice systemd-analyze verify --man=no "${units[@]}" ||
    fail "systemd-analyze verify rejects the units"
[ -z "$(ls /etc/systemd/system/timers.target.wants/vesperon-* 2>/dev/null)" ] ||
    fail "a timer was enabled by the installation"

vesperon
[ "$status" = 1 ] && [[ "$err" == *"no display"* ]] || fail "window module not found: $err"

# Run modes need no vesperon-gui; the configuration window says that it is missing.
pkg -r vesperon-gui || fail "dpkg -r vesperon-gui: $(cat "$tmp/dpkg.log")"
vesperon -r
[ "$status" = 0 ] && [ "$args" = "-r +1 Restart by Vesperon" ] ||
    fail "restart run without vesperon-gui: $status $args $err"
[ -f /opt/vesperon/vesperon.ini ] && [ -f /opt/vesperon/vesperon.cfg ] ||
    fail "the run did not create its files beside the real executable"
vesperon
[ "$status" = 1 ] && [ "$(wc -l <"$tmp/err")" = 1 ] && [[ "$err" == *vesperon-gui* ]] ||
    fail "without vesperon-gui: $status $err"

# A reinstall keeps what the administrator stored.
printf '[General]\r\nForceAppsToClose=1\r\n' >/opt/vesperon/vesperon.ini
printf '; mine\r\n/nonexistent/job.dat\r\n' >/opt/vesperon/vesperon.cfg
cp /opt/vesperon/vesperon.ini /opt/vesperon/vesperon.cfg "$tmp/"
pkg -i "${debs[@]}" || fail "reinstall: $(cat "$tmp/dpkg.log")"
cmp -s /opt/vesperon/vesperon.ini "$tmp/vesperon.ini" &&
    cmp -s /opt/vesperon/vesperon.cfg "$tmp/vesperon.cfg" || fail "the reinstall changed the files"

pkg -r vesperon-gui vesperon || fail "dpkg -r: $(cat "$tmp/dpkg.log")"
[ -f /opt/vesperon/vesperon.ini ] || fail "a remove (not a purge) deleted the settings"
pkg --purge vesperon || fail "dpkg --purge vesperon: $(cat "$tmp/dpkg.log")"
[ ! -e /opt/vesperon ] || fail "the purge left $(ls -A /opt/vesperon)"
echo "passed: the Debian packages, installed, run and purged"
