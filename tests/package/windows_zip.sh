#!/usr/bin/env bash
# Checks the Windows zip's files, and its vesperon.exe running a restart under Wine in a
# throwaway prefix with a recording stand-in for shutdown.exe.
#   windows_zip.sh ZIP SHUTDOWN_STANDIN
set -uo pipefail
zip=$1 standin=$2
tmp=$(mktemp -d /tmp/vesperon-zip-test.XXXXXX)
export WINEPREFIX="$tmp/prefix" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;shutdown.exe=n"
trap 'wineserver -k 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

python3 - "$zip" "$tmp/app" <<'PY' || fail "the zip's content"
import sys, zipfile, xml.etree.ElementTree as ET
archive = zipfile.ZipFile(sys.argv[1])
names = sorted(archive.namelist())
assert names == ["README.txt", "vesperon-restart.xml", "vesperon.exe"], names
readme = archive.read("README.txt")
assert readme.count(b"\n") == readme.count(b"\r\n") > 0, "README.txt is not CR LF"
raw = archive.read("vesperon-restart.xml")
assert raw.startswith(b"\xff\xfe"), "no UTF-16 LE byte-order mark"
ns = {"t": "http://schemas.microsoft.com/windows/2004/02/mit/task"}
task = ET.fromstring(raw.decode("utf-16").encode("utf-8").replace(b'encoding="UTF-16"', b""))
def text(path):
    return task.find(path, ns).text
assert text("t:Actions/t:Exec/t:Command").endswith("\\vesperon.exe")
assert text("t:Actions/t:Exec/t:Arguments") == "-r"
archive.extractall(sys.argv[2])
PY

wineboot -i >/dev/null 2>&1
cp "$standin" "$WINEPREFIX/drive_c/windows/system32/shutdown.exe"
export VESPERON_STANDIN_RECORD
VESPERON_STANDIN_RECORD=$(winepath -w "$tmp/record.txt" 2>/dev/null)
(cd "$tmp/app" && wine vesperon.exe -r </dev/null >/dev/null 2>&1)
status=$?
for _ in $(seq 50); do [ -e "$tmp/record.txt" ] && break; sleep 0.1; done
[ "$status" = 0 ] || fail "vesperon.exe -r ended with $status"
grep -q 'shutdown.exe -r -t 60 -c "Restart by Vesperon" -d p:4:1' "$tmp/record.txt" ||
    fail "the stand-in recorded: $(cat "$tmp/record.txt" 2>/dev/null)"
[ -f "$tmp/app/vesperon.ini" ] && [ -f "$tmp/app/vesperon.cfg" ] || fail "no files beside the exe"
echo "passed: the Windows zip, its task definition, and its exe under Wine"
