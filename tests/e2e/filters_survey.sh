#!/usr/bin/env bash
# Filters over a live run, then a survey run, from the main screen, headless
# at --speed 10: the filter label must show the 0-200 Hz band that QUICK SET
# PLASTIC chose, the survey run's distance labels must stay empty and the
# delay under its cursor must lie within 2 samples (10 kHz) of the
# scenario's own delay (corrtool acquire prints it).
#   filters_survey.sh CORRELATOR CORRTOOL SCRIPT
set -euo pipefail
. "$(dirname "$0")/common.sh"

truth="$("$corrtool" --root "$root/truth" acquire --seconds 2)"
want="$(sed -n 's/^scenario_delay_samples=//p' <<<"$truth")"
[ -n "$want" ] || fail "corrtool gave no scenario delay"

run_demo 240 --speed 10
label() { sed -n "s/^$1=//p" <<<"$out"; }
grep -q '0-200Hz' <<<"$(label 1165)" || fail "filter label '$(label 1165)' lacks 0-200Hz"
[ -z "$(label 1169)" ] && [ -z "$(label 1170)" ] || fail "a survey run showed distances"
delay="$(label 1340)"
ms="$(sed -n 's/^\(-\{0,1\}[0-9.]*\)ms$/\1/p' <<<"$delay")"
[ -n "$ms" ] || fail "no delay in milliseconds under the cursor: '$delay'"
awk -v ms="$ms" -v want="$want" 'BEGIN {
  got = ms * 10
  d = got - want; if (d < 0) d = -d
  if (d > 2) { print "delay " got " samples, scenario " want " samples"; exit 1 }
}' || fail "survey peak off the scenario's delay"
echo "filters_survey: passed (delay ${ms} ms, scenario ${want} samples)"
