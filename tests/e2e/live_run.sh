#!/usr/bin/env bash
# A live run from the main screen, headless and faster than real time: the
# demo script drives START, the pipe entry and STOP, and prints the result
# labels; both distances must lie within 1 m of the scenario's own answer
# (corrtool acquire prints it) and the SNR must be above 1.
#   live_run.sh CORRELATOR CORRTOOL SCRIPT PIPE_LENGTH_M [SCENARIO]
set -euo pipefail
. "$(dirname "$0")/common.sh"
length="$4"
scenario="${5:-}"

scenario_args=()
[ -n "$scenario" ] && scenario_args=(--scenario "$scenario")
truth="$("$corrtool" --root "$root/truth" acquire --seconds 2 "${scenario_args[@]}")"
a="$(sed -n 's/^scenario_distance_a_m=//p' <<<"$truth")"
[ -n "$a" ] || fail "corrtool gave no scenario distance"

run_demo 240 --speed 10 "${scenario_args[@]}"
label() { sed -n "s/^$1=//p" <<<"$out"; }
da="$(label 1169 | sed 's/m$//')"
db="$(label 1170 | sed 's/m$//')"
snr="$(label 1168 | sed -n 's/^[^ ]* >\{0,1\}\([0-9]*\):1$/\1/p')"
[ -n "$da" ] && [ -n "$db" ] || fail "no distance labels"
[ -n "$snr" ] || fail "no SNR in '$(label 1168)'"
awk -v a="$a" -v length_m="$length" -v da="$da" -v db="$db" -v snr="$snr" 'BEGIN {
  b = length_m - a
  if (da - a > 1 || a - da > 1) { print "distance from Red " da " m, scenario " a " m"; exit 1 }
  if (db - b > 1 || b - db > 1) { print "distance from Blue " db " m, scenario " b " m"; exit 1 }
  if (snr <= 1) { print "SNR " snr; exit 1 }
}' || fail "results off the scenario's answer"
echo "live_run: passed (Red ${da} m, Blue ${db} m, scenario ${a} m from Red, SNR ${snr}:1)"
