#!/usr/bin/env bash
# Installs the Debian packages on this machine as an administrator would, upgrading from 1.3.0,
# runs them (a recording stand-in for shutdown first on PATH, a state folder of the test's own),
# drives them through kured and Ansible, and purges them, leaving the machine as it was.
#   debian.sh DIST   (as root; exit 77 otherwise)
set -uo pipefail
dist=$(cd "$1" && pwd)
[ "$(id -u)" = 0 ] || exit 77
cd "$(dirname "$0")/../.."
checkout=$PWD
. scripts/lib/packages.sh
ensure_packages $package_test_packages || exit 1
command -v systemd-analyze >/dev/null || ensure_packages systemd || exit 1
fail() { echo "FAILED: $*" >&2; exit 1; }

# The 1.3.0 package as commit 5595efa built it, without optimisation (only its files and its
# maintainer scripts matter here); kept in build/old-package for the next run.
old=build/old-package
if [ ! -f "$old/cpack/vesperon_1.3.0_amd64.deb" ]; then
    rm -rf "$old" && mkdir -p "$old/src"
    git archive 5595efa | tar -x -C "$old/src" ||
        fail "the 1.3.0 package is built from commit 5595efa, which this clone lacks"
    { cmake -S "$old/src" -B "$old/build" -DVESPERON_TESTS=OFF -DCMAKE_BUILD_TYPE= &&
        cmake --build "$old/build" -j2 &&
        cpack --config "$old/build/CPackConfig.cmake" -B "$old/cpack"; } >"$old/build.log" 2>&1 ||
        fail "building the 1.3.0 package: $(tail -n 5 "$old/build.log")"
fi
old_deb=$PWD/$old/cpack/vesperon_1.3.0_amd64.deb

# Installing packages is shared machine state: one test at a time.
exec 9>/tmp/vesperon-dpkg.lock
flock 9
if dpkg-query -W -f='${Status}' vesperon vesperon-gui 2>/dev/null | grep -q installed; then
    fail "vesperon is installed already; this test leaves such a machine alone"
fi
tmp=$(mktemp -d /tmp/vesperon-package.XXXXXX)
holder=""
# pkg ARGS...: dpkg, waiting while another package tool (apt, say) holds dpkg's own lock.
pkg() {
    for _ in $(seq 300); do
        dpkg "$@" >"$tmp/dpkg.log" 2>&1 </dev/null && return 0
        grep -q 'locked by another process' "$tmp/dpkg.log" || return 1
        sleep 1
    done
    return 1
}
finish() {
    [ -n "$holder" ] && kill "$holder" 2>/dev/null
    pkg --purge vesperon-gui vesperon
    rm -rf "$tmp"
}
trap finish EXIT
mkdir "$tmp/bin" "$tmp/state"
printf '#!/bin/sh\necho "$@" > "%s/shutdown-args"\n' "$tmp" >"$tmp/bin/shutdown"
chmod +x "$tmp/bin/shutdown" && [ -x "$tmp/bin/shutdown" ] || fail "no executable stand-in"
cd "$tmp"
# vesperon ARGS...: the installed program as a scheduler starts it; sets status, err, args.
vesperon() {
    rm -f "$tmp/shutdown-args"
    env -u DISPLAY PATH="$tmp/bin:/usr/bin:/bin" VESPERON_STATE_DIR="$tmp/state" \
        /usr/sbin/vesperon "$@" >"$tmp/out" 2>"$tmp/err" </dev/null
    status=$?
    err=$(cat "$tmp/err")
    for _ in $(seq 30); do [ -e "$tmp/shutdown-args" ] && break; sleep 0.1; done
    args=$(cat "$tmp/shutdown-args" 2>/dev/null)
}

debs=("$dist"/vesperon_*.deb "$dist"/vesperon-gui_*.deb)
lintian --fail-on error,warning "${debs[@]}" >"$tmp/lintian.log" 2>&1 ||
    fail "lintian: $(cat "$tmp/lintian.log")"
for deb in "${debs[@]}"; do dpkg-deb -c "$deb" | grep -q lintian && fail "$deb: lintian override"; done

# 1.3.0 as an administrator left it: a first run made both files beside the program, then
# the administrator wrote their own.
pkg -i "$old_deb" || fail "installing 1.3.0: $(cat "$tmp/dpkg.log")"
vesperon -r
[ -f /opt/vesperon/vesperon.lock ] || fail "1.3.0 made no files in /opt/vesperon: $err"
printf '[EventLog]\r\nWriteToNTEventLog=0\r\n[General]\r\nForceAppsToClose=1\r\n' \
    >/opt/vesperon/vesperon.ini
printf '; mine\r\n%s\r\n/srv/never-there.dat\r\n' "$tmp/held.dat" >/opt/vesperon/vesperon.cfg
cp /opt/vesperon/vesperon.ini /opt/vesperon/vesperon.cfg "$tmp/"

pkg -i "${debs[@]}" || fail "upgrading from 1.3.0: $(cat "$tmp/dpkg.log")"
cmp -s /etc/vesperon/vesperon.ini "$tmp/vesperon.ini" &&
    cmp -s /etc/vesperon/vesperon.cfg "$tmp/vesperon.cfg" ||
    fail "the upgrade did not move the administrator's files unchanged"
[ ! -e /opt/vesperon ] || fail "the upgrade left /opt/vesperon: $(ls -A /opt/vesperon)"
[ -f /usr/sbin/vesperon ] && [ ! -L /usr/sbin/vesperon ] || fail "/usr/sbin/vesperon is no program"
[ "$(dpkg-query -W -f='${Conffiles}' vesperon | awk '{print $1}' | sort | tr '\n' ' ')" = \
    "/etc/vesperon/vesperon.cfg /etc/vesperon/vesperon.ini " ] || fail "not the conffiles"
man -w vesperon >/dev/null 2>&1 || fail "no manual page"
units=(/lib/systemd/system/vesperon-{restart,shutdown}.{service,timer})
SYSTEMD_LOG_LEVEL=notice systemd-analyze verify --man=no "${units[@]}" ||
    fail "systemd-analyze verify rejects the units"
[ -z "$(ls /etc/systemd/system/timers.target.wants/vesperon-* 2>/dev/null)" ] ||
    fail "a timer was enabled by the installation"

# Runs read the moved files in /etc/vesperon and take turns in the state folder.
: >"$tmp/held.dat"
sleep 300 3<"$tmp/held.dat" &
holder=$!
vesperon -r
[ "$status" = 2 ] && [ -z "$args" ] || fail "a held file did not withhold the run: $status $args $err"
[ -f "$tmp/state/vesperon.lock" ] || fail "no turn lock in the state folder"
[ "$(ls -A /etc/vesperon)" = "$(printf 'vesperon.cfg\nvesperon.ini')" ] ||
    fail "a run left $(ls -A /etc/vesperon) in /etc/vesperon"

# The README's kured sentinel: a reboot is required only when the system asks for one and
# nothing holds it back. The sentinel file is one of the test's own, not the system's.
sentinel=$(sed -n 's/^ *- --reboot-sentinel-command=//p' "$checkout/README.md")
[ -n "$sentinel" ] || fail "no --reboot-sentinel-command line in the README"
sentinel=${sentinel//\/var\/run\/reboot-required/$tmp/reboot-required}
eval "set -- $sentinel"
kured() {
    env -u DISPLAY PATH="$tmp/bin:/usr/bin:/bin" VESPERON_STATE_DIR="$tmp/state" "$@" \
        >/dev/null 2>&1 </dev/null
}
kured "$@" && fail "kured: a reboot is required although the system asks for none"
: >"$tmp/reboot-required"
kured "$@" && fail "kured: a reboot is required although a listed file is in use"
kill "$holder"
wait "$holder" 2>/dev/null
holder=""
kured "$@" || fail "kured: no reboot is required although nothing is in use"
[ ! -e "$tmp/shutdown-args" ] || fail "the sentinel command requested a shutdown"

vesperon
[ "$status" = 1 ] && [[ "$err" == *"no display"* ]] || fail "window module not found: $err"
# Run modes need no vesperon-gui; the configuration window says that it is missing.
pkg -r vesperon-gui || fail "dpkg -r vesperon-gui: $(cat "$tmp/dpkg.log")"
vesperon -r
[ "$status" = 0 ] && [ "$args" = "-r +1 Forced Restart by Vesperon" ] ||
    fail "restart run without vesperon-gui: $status $args $err"
vesperon
[ "$status" = 1 ] && [ "$(wc -l <"$tmp/err")" = 1 ] && [[ "$err" == *vesperon-gui* ]] ||
    fail "without vesperon-gui: $status $err"

# A remove keeps the conffiles, a purge takes everything.
pkg -r vesperon || fail "dpkg -r: $(cat "$tmp/dpkg.log")"
cmp -s /etc/vesperon/vesperon.cfg "$tmp/vesperon.cfg" || fail "a remove changed the check list"
pkg --purge vesperon || fail "dpkg --purge vesperon: $(cat "$tmp/dpkg.log")"
for left in /etc/vesperon /var/lib/vesperon /usr/sbin/vesperon /opt/vesperon; do
    [ ! -e "$left" ] || fail "the purge left $left"
done

# A fresh installation's conffiles are what the program writes when it finds none.
pkg -i "${debs[0]}" || fail "installing: $(cat "$tmp/dpkg.log")"
mkdir "$tmp/shipped"
mv /etc/vesperon/vesperon.ini /etc/vesperon/vesperon.cfg "$tmp/shipped/"
vesperon --test
for file in vesperon.ini vesperon.cfg; do
    cmp -s "/etc/vesperon/$file" "$tmp/shipped/$file" ||
        fail "the package's $file is not the program's own: $(od -c "$tmp/shipped/$file")"
done
pkg --purge vesperon || fail "dpkg --purge vesperon: $(cat "$tmp/dpkg.log")"

# The Ansible role on this machine: the first run installs and writes, the second changes
# nothing, and the check list holds the variable's paths in order.
mkdir "$tmp/textfile"
cat >"$tmp/play.yml" <<EOF
- hosts: localhost
  connection: local
  gather_facts: true
  roles:
    - role: vesperon
      vesperon_package: ${debs[0]}
      vesperon_check_list: [/srv/backup/nightly.tar, "/var/lib/app/job lock", /srv/a.dat]
      vesperon_force_apps_to_close: true
      vesperon_textfile_directory: $tmp/textfile
      vesperon_timer: shutdown
EOF
play() {
    ANSIBLE_ROLES_PATH="$checkout/packaging/ansible" ANSIBLE_NOCOLOR=1 \
        ANSIBLE_LOCALHOST_WARNING=false ANSIBLE_INVENTORY_UNPARSED_WARNING=false \
        ansible-playbook -i localhost, "$tmp/play.yml" >"$tmp/ansible-$1.log" 2>&1 ||
        fail "ansible-playbook, run $1: $(tail -n 20 "$tmp/ansible-$1.log")"
    changed=$(sed -n 's/.*localhost *: .*changed=\([0-9]*\).*/\1/p' "$tmp/ansible-$1.log")
}
play 1
first=$changed
[ "$first" -gt 0 ] || fail "the first Ansible run changed nothing"
play 2
[ "$changed" = 0 ] || fail "the second Ansible run changed $changed: $(cat "$tmp/ansible-2.log")"
echo "Ansible role: the first run changed=$first, the second changed=$changed"
[ "$(grep -v '^;' /etc/vesperon/vesperon.cfg | tr -d '\r' | sed '/^$/d')" = \
    "$(printf '/srv/backup/nightly.tar\n/var/lib/app/job lock\n/srv/a.dat')" ] ||
    fail "the check list is not the variable: $(cat -A /etc/vesperon/vesperon.cfg)"
[ -L /etc/systemd/system/timers.target.wants/vesperon-shutdown.timer ] &&
    [ ! -e /etc/systemd/system/timers.target.wants/vesperon-restart.timer ] ||
    fail "not the shutdown timer alone enabled"
vesperon -s
[ "$status" = 0 ] && [ "$args" = "-P +1 Forced Shutdown by Vesperon" ] &&
    [ -f "$tmp/textfile/vesperon.prom" ] || fail "a run after the role: $status $args $err"
pkg --purge vesperon || fail "dpkg --purge vesperon: $(cat "$tmp/dpkg.log")"
[ ! -e /etc/systemd/system/timers.target.wants/vesperon-shutdown.timer ] &&
    [ ! -e "$tmp/textfile/vesperon.prom" ] || fail "the purge left the enabled timer or the metrics"
echo "passed: the Debian packages, upgraded from 1.3.0, run, driven by kured and Ansible, and purged"
