#!/usr/bin/env bash
# Snapshots, headless at --speed 10: two snapshots of a live run are saved
# with it (S1 holds 3 results), OPEN AS SNAPSHOT of S1 on the same pipe is
# taken without a message, and the run saved again holds 4.
#   snapshots.sh CORRELATOR CORRTOOL SCRIPT
set -euo pipefail
. "$(dirname "$0")/common.sh"

mkdir -p "$root/NandFlash/Data"
run_demo 240 --speed 10
data="$root/NandFlash/Data"
grep -q "^1238=SNAPSHOT CANNOT" <<<"$out" && fail "the saved run was refused"
[ -s "$data/snapshots.png" ] || fail "no screenshot"
results() { "$corrtool" --root "$root" corr info "$data/$1" | sed -n 's/^accumulators=//p'; }
s1="$(results S1.corr)"; s2="$(results S2.corr)"
[ "$s1" = 3 ] || fail "S1 holds $s1 results, not 3"
[ "$s2" = 4 ] || fail "S2 holds $s2 results, not 4"
echo "snapshots: passed (S1 $s1 results, S2 $s2)"
