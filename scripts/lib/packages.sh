# Package installation shared by scripts/run and scripts/test (sourced, not run).
# Installs only what is missing; retries a passing fault of the package mirror and,
# when it persists, says in one line what failed.

missing_packages() {
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            printf '%s\n' "$pkg"
        fi
    done
}

apt_update_with_retry() {
    local attempt
    for attempt in 1 2 3; do
        if apt-get update -qq >/tmp/vesperon-apt-update.log 2>&1 &&
            ! grep -q '^E:' /tmp/vesperon-apt-update.log; then
            return 0
        fi
        sleep $((attempt * 5))
    done
    # A mirror caught mid-sync leaves one index stale; what could be read may still do.
    grep '^E:' /tmp/vesperon-apt-update.log | head -1 >&2
    return 1
}

# ensure_packages PKG...: installs the packages that are not installed yet.
ensure_packages() {
    local missing
    missing=$(missing_packages "$@")
    [ -z "$missing" ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "vesperon: missing packages ($(echo $missing)); run as root or install them first" >&2
        return 1
    fi
    echo "Installing: $(echo $missing)"
    apt_update_with_retry || echo "vesperon: apt-get update reported a mirror fault; trying with the indexes it has" >&2
    local attempt
    for attempt in 1 2 3; do
        # shellcheck disable=SC2086
        if DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            ${VESPERON_APT_OPTIONS:-} $missing >/tmp/vesperon-apt-install.log 2>&1; then
            return 0
        fi
        if [ "$attempt" -eq 2 ]; then
            # A security index caught mid-sync for one architecture leaves the two
            # architectures at different versions; the main suite's versions still agree.
            lower_security_suite
        fi
        sleep $((attempt * 5))
        apt_update_with_retry || true
    done
    echo "vesperon: could not install $(echo $missing): $(grep -E '^E:' /tmp/vesperon-apt-install.log | head -1)" >&2
    return 1
}

lower_security_suite() {
    local prefs
    prefs=$(mktemp -d /tmp/vesperon-apt-prefs.XXXXXX)
    printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$prefs/security-low"
    VESPERON_APT_OPTIONS="-o Dir::Etc::PreferencesParts=$prefs"
    echo "vesperon: package mirror fault; retrying with the security suite's priority lowered" >&2
}

# ensure_i386: lets the 32-bit Wine packages be installed.
ensure_i386() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
        apt_update_with_retry || true
    fi
}

linux_build_packages="cmake g++ make libgtest-dev libfltk1.3-dev"
# A private system bus with a stand-in login manager, for the shutdown-inhibitor tests;
# systemd-inhibit takes the tests' locks.
bus_test_packages="dbus-daemon python3-dbusmock systemd"
windows_build_packages="g++-mingw-w64-i686 binutils-mingw-w64-i686 googletest"
wine_packages="wine wine32:i386 wine64 fonts-wine"
gui_test_packages="xvfb xauth xdotool imagemagick x11-utils"
# The packages' own tests: lintian, promtool for the alert rules, the node exporter that
# reads the metrics, and Ansible (with apt's Python module) for the role.
package_test_packages="lintian prometheus prometheus-node-exporter ansible-core python3-apt"
# The clang build and clang-tidy, the fuzz targets (libFuzzer and the sanitizers' runtimes)
# and coverage.
analysis_packages="clang clang-tidy libclang-rt-14-dev gcovr"
