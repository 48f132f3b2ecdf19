#!/usr/bin/env bash
# End-to-end: the real programs in a fresh unit root.
#   run_e2e.sh CORRELATOR CORRTOOL
set -euo pipefail
correlator="$1"
corrtool="$2"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
fail() { echo "e2e: FAIL: $*"; exit 1; }

# The program starts on an empty unit, shows its main screen, closes with X.
timeout 60 "$correlator" -platform offscreen --root "$root" --script "$here/../../resources/demo/headless.txt" \
  || fail "correlator exited with $?"
[ -s "$root/NandFlash/Data/screenshot-main.png" ] || fail "no screenshot"
[ -f "$root/NandFlash/tamrik.conf" ] || fail "no configuration written"
[ "$(stat -c %s "$root/NandFlash/tamrik.conf")" -eq 722 ] || fail "configuration is not 722 bytes"

# corrtool reads what the program wrote.
"$corrtool" --root "$root" conf show | grep -qx 'testMode=1' || fail "corrtool conf show"

# A failing script command ends the program with an error, not a hang.
printf 'wait 100\npress 4242\n' > "$root/bad.txt"
set +e
timeout 60 "$correlator" -platform offscreen --root "$root" --script "$root/bad.txt" 2>/dev/null
rc=$?
set -e
[ "$rc" -eq 3 ] || fail "a failed script gave exit $rc, not 3"
echo "e2e: 3 passed, 0 failed"
