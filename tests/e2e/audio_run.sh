#!/usr/bin/env bash
# The program on an audio capture, headless: ALSA's file device reads a
# prepared two-channel file (an ALSA configuration of our own, passed in
# ALSA_CONFIG_PATH), whose left channel hears a broadband noise a known
# fractional number of 10 kHz samples later than the right. The demo script
# runs START over 100 m at 1250 m/s and STOP; the distance from Red must be
# (100 + 1250 * delay) / 2 within one sample (0.0625 m) and the label's
# rounding. Then an input that ends mid-run (LOST_SCRIPT: the run stops by
# itself with the reason on the status line, keeps its answer and is saved)
# and an absent device (a message and exit 2 at once).
#   audio_run.sh CORRELATOR MAKE_TEST_SIGNAL SCRIPT LOST_SCRIPT
set -euo pipefail
correlator="$1"
make_signal="$2"
script="$3"
lost_script="$4"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fail() { echo "audio_run: FAIL: $*"; exit 1; }

"$make_signal" "$dir/t48.raw" 48000 20 12.3
"$make_signal" "$dir/t44.raw" 44100 20 -37.6
"$make_signal" "$dir/short.raw" 48000 4 12.3
for name in t48 t44 short; do
  cat >> "$dir/asoundrc" <<CONF
pcm.$name {
  type file
  slave.pcm { type null }
  file "/dev/null"
  infile "$dir/$name.raw"
  format "raw"
}
CONF
done
export ALSA_CONFIG_PATH="$dir/asoundrc"

# run UNIT DELAY [SCRIPT]: one session; checks the distance from Red.
run() {
  local unit="$1" delay="$2" session="${3:-$script}"
  root="$dir/root-$RANDOM"
  out="$(timeout 200 "$correlator" -platform offscreen --root "$root" --speed 10 --unit "$unit" --script "$session")" \
    || fail "$unit: correlator exited with $?"
  echo "$out"
  local da
  da="$(sed -n 's/^1169=\(.*\)m$/\1/p' <<<"$out")"
  [ -n "$da" ] || fail "$unit: no distance label"
  awk -v da="$da" -v d="$delay" 'BEGIN {
    want = (100 + 1250 * d / 10000) / 2
    if (da - want > 0.12 || want - da > 0.12) { print "distance from Red " da " m, expected " want " m"; exit 1 }
  }' || fail "$unit: distance off the delay"
  echo "audio_run: $unit: Red ${da} m"
}
run audio:t48 12.3
run audio:t44@44100 -37.6
run audio:short 12.3 "$lost_script"
grep -qx '1238=Audio input "short" ended' <<<"$out" || fail "the status line does not say the input ended"
[ -s "$root/NandFlash/Data/A1.corr" ] && [ -s "$root/NandFlash/Data/A1_corr.wav" ] || fail "the stopped run was not saved"

set +e
msg="$(timeout 20 "$correlator" -platform offscreen --root "$dir/absent" --unit audio:nothere --script "$script" 2>&1)"
rc=$?
set -e
[ "$rc" -eq 2 ] || fail "an absent device gave exit $rc, not 2"
grep -q 'Audio device "nothere" not found' <<<"$msg" || fail "no message for an absent device: $msg"
echo "audio_run: passed"
