#!/usr/bin/env bash
# Installs a correlator package on this machine, runs corrtool and a headless
# correlator session from the installed paths on a fresh unit root, checks the
# panel's service units, purges the package and checks that nothing of it is
# left but the unit root. Needs root; refuses to run where the package is
# installed already.
#   packaging/check-package.sh PACKAGE.deb
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 PACKAGE.deb" >&2; exit 2; }
deb="$(realpath "$1")"
[ "$(id -u)" -eq 0 ] || exec sudo "$0" "$deb"
if dpkg-query -W -f='${Status}' correlator 2>/dev/null | grep -q "ok installed"; then
  echo "check: correlator is installed on this machine already; remove it first" >&2
  exit 1
fi

work="$(mktemp -d)"
root="$work/unit"
installed=0
cleanup() {
  [ "$installed" -eq 0 ] || dpkg --purge correlator >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check: FAILED: $*" >&2; exit 1; }
# dpkg refuses to start while another dpkg or apt-get holds its lock.
wait_for_dpkg() {
  for _ in $(seq 300); do
    pgrep -x 'dpkg|apt-get|apt' >/dev/null || return 0
    sleep 1
  done
  fail "dpkg stayed busy for 5 minutes"
}

# Only the unit root and this folder may be written to: Qt and fontconfig
# keep their caches under HOME and XDG_RUNTIME_DIR.
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
version="$(dpkg-deb -f "$deb" Version)"

echo "check: installing $deb"
wait_for_dpkg
installed=1
if ! dpkg -i "$deb"; then
  echo "check: installing the missing dependencies"
  DEBIAN_FRONTEND=noninteractive apt-get install -f -y -q -o DPkg::Lock::Timeout=300
fi
dpkg-query -L correlator | sort > "$work/files"

# --version names the package's version; a build without the option refuses
# it (unknown, or taken as an option that needs a value) and the check goes on.
for program in corrtool correlator; do
  if out="$(/usr/bin/$program --version 2>&1)"; then
    grep -qF "$version" <<<"$out" || fail "$program --version printed '$out', not $version"
    echo "check: $program --version: $out"
  elif grep -Eq -- "unknown.*--version|--version needs a value" <<<"$out"; then
    echo "check: $program has no --version in this build"
  else
    fail "$program --version: $out"
  fi
done

/usr/bin/corrtool --root "$root" selftest > "$work/selftest" || fail "corrtool selftest: $(cat "$work/selftest")"
grep -qx "failed=0" "$work/selftest" || fail "corrtool selftest: $(cat "$work/selftest")"
echo "check: corrtool selftest: $(tr '\n' ' ' < "$work/selftest")"

# A session headless on a fresh unit, on a shipped scenario named without its
# folder: the status screen's battery line (filled by the screen's first
# timer, hence the wait) and a screenshot.
cat > "$work/status.txt" <<'SCRIPT'
wait 500
if-screen 140 press "English"
open status
wait 1500
print 1277
screenshot \NandFlash\Data\status.png
SCRIPT
out="$(/usr/bin/correlator -platform offscreen --root "$root" --scenario long_main --script "$work/status.txt")" \
  || fail "correlator script ended with status $?: $out"
grep -q '^1277=BATTERY STATE: ' <<<"$out" || fail "correlator printed '$out'"
[ -s "$root/NandFlash/Data/status.png" ] || fail "no screenshot in the unit root"
for code in DEU FAS; do
  [ -s "$root/NandFlash/TamrikDialogs$code.dll" ] || fail "the shipped $code pack did not reach the unit"
done
echo "check: correlator script: $out"

# The panel's units as installed (the program must exist for the check).
systemd-analyze verify /lib/systemd/system/correlator.service /lib/systemd/system/correlator-upgrade.service \
  || fail "systemd-analyze verify"
echo "check: systemd-analyze verify: correlator.service and correlator-upgrade.service pass"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate /usr/share/applications/correlator.desktop || fail "desktop entry"
fi
man -w correlator corrtool >/dev/null || fail "man pages not found"

echo "check: purging the package"
wait_for_dpkg
dpkg --purge correlator
installed=0
# Every path the package held is gone, except folders other packages own.
left=()
while read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  [ -d "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1 && continue
  left+=("$path")
done < "$work/files"
[ ${#left[@]} -eq 0 ] || fail "left after purge: ${left[*]}"
[ -s "$root/NandFlash/tamrik.conf" ] || fail "the unit root is gone"
echo "check: removed cleanly; the unit root ($(find "$root" -type f | wc -l) files) stays"
echo "check: ok"
