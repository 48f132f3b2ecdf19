#!/usr/bin/env bash
# A saved run replayed twice, headless at --speed 10: OPEN, START with the
# opened run's pipe, the replay to its automatic stop; START again gives the
# same SNR and distances. The live run and the replay saved again are then
# checked with corrtool: each run file's Red samples stored equals the frames
# of its recording.
#   replay_twice.sh CORRELATOR CORRTOOL SCRIPT
set -euo pipefail
. "$(dirname "$0")/common.sh"

mkdir -p "$root/NandFlash/Data"
run_demo 120 --speed 10
data="$root/NandFlash/Data"

label() { sed -n "s/^$1=//p" <<<"$out" | sed -n "${2}p"; }
for id in 1168 1169 1170; do
  first="$(label "$id" 1)"; second="$(label "$id" 2)"
  [ -n "$first" ] && [ "$first" = "$second" ] || fail "control $id: '$first' then '$second'"
done
[ -n "$(label 1169 1 | tr -d '[:space:]')" ] || fail "the replay gave no distance"

for run in A1 A2; do
  [ -s "$data/$run.corr" ] && [ -s "$data/${run}_corr.wav" ] || fail "$run not saved"
  stored="$("$corrtool" --root "$root" corr info "$data/$run.corr" | sed -n 's/^red_samples_stored=//p')"
  frames="$("$corrtool" --root "$root" wav info "$data/${run}_corr.wav" | sed -n 's/^frames=//p')"
  [ -n "$frames" ] && [ "$stored" = "$frames" ] || fail "$run: Red samples stored $stored, recording $frames frames"
  echo "$run: $frames frames"
done
cmp -s "$data/A1_corr.wav" "$data/A2_corr.wav" || fail "the replay saved again changed the recording"
echo "replay_twice: passed ($(label 1168 1), $(label 1169 1) / $(label 1170 1) twice)"
