#!/usr/bin/env bash
# Imperial units and milliseconds chosen on the setup screens reach the next
# run, headless at --speed 10: both distance labels must be in feet and add up
# to the 1000 ft entered, and the delay under the cursor must be in
# milliseconds within 2 samples (10 kHz) of the scenario's own delay
# (corrtool acquire prints it).
#   setup_units.sh CORRELATOR CORRTOOL SCRIPT
set -euo pipefail
. "$(dirname "$0")/common.sh"

truth="$("$corrtool" --root "$root/truth" acquire --seconds 2)"
want="$(sed -n 's/^scenario_delay_samples=//p' <<<"$truth")"
[ -n "$want" ] || fail "corrtool gave no scenario delay"

run_demo 240 --speed 10
label() { sed -n "s/^$1=//p" <<<"$out"; }
feet() { sed -n 's/^\([0-9.]*\)ft$/\1/p' <<<"$1"; }
da="$(feet "$(label 1169)")"
db="$(feet "$(label 1170)")"
[ -n "$da" ] && [ -n "$db" ] || fail "distances not in feet: '$(label 1169)' '$(label 1170)'"
ms="$(sed -n 's/^\(-\{0,1\}[0-9.]*\)ms$/\1/p' <<<"$(label 1340)")"
[ -n "$ms" ] || fail "no delay in milliseconds under the cursor: '$(label 1340)'"
awk -v da="$da" -v db="$db" -v ms="$ms" -v want="$want" 'BEGIN {
  s = da + db - 1000; if (s < 0) s = -s
  if (s > 1.5) { print "distances add up to " da + db " ft, not 1000 ft"; exit 1 }
  d = ms * 10 - want; if (d < 0) d = -d
  if (d > 2) { print "delay " ms * 10 " samples, scenario " want " samples"; exit 1 }
}' || fail "results off"
echo "setup_units: passed (${da} ft + ${db} ft, delay ${ms} ms, scenario ${want} samples)"
