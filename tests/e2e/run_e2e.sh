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
[ -s "$root/NandFlash/Data/screenshot-language.png" ] || fail "a new unit did not ask for its language"
# A second start goes straight to the main screen with the stored language.
rm "$root/NandFlash/Data/screenshot-language.png"
timeout 60 "$correlator" -platform offscreen --root "$root" --script "$here/../../resources/demo/headless.txt" \
  || fail "second start exited with $?"
[ ! -e "$root/NandFlash/Data/screenshot-language.png" ] || fail "the language screen came again"
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
# With the German pack on the unit, choosing German speaks German at once.
root2="$root/de"
mkdir -p "$root2/NandFlash"
cp "$here/../../resources/lang/DEU.txt" "$root2/NandFlash/TamrikDialogsDEU.dll"
cat > "$root/de.txt" <<'SCRIPT'
wait 100
expect-state 1401 enabled
expect-state 1402 disabled
press "Deutsch (German)"
wait 200
expect 1238 Testbetrieb
press 1087
SCRIPT
timeout 60 "$correlator" -platform offscreen --root "$root2" --script "$root/de.txt" || fail "German session exited with $?"
"$corrtool" --root "$root2" conf show | grep -qx 'language=DEU' || fail "German not stored"

# The gallery renders every screen in both colour schemes.
timeout 300 "$correlator" -platform offscreen --root "$root" --gallery "$root/gallery" >/dev/null || fail "gallery"
[ -s "$root/gallery/102-main-normal.png" ] && [ -s "$root/gallery/194-bad-signal-inverted.png" ] || fail "gallery pictures missing"

echo "e2e: 6 passed, 0 failed"
