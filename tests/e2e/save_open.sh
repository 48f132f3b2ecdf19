#!/usr/bin/env bash
# Keeping a run, headless at --speed 10: SAVE after a live run writes the
# four files, the pictures are 800 x 600, OPEN and START replay the
# recording to its end, the replay's distances lie within 0.5 m of the live
# run's, and corrtool reads the saved run with the same distances.
#   save_open.sh CORRELATOR CORRTOOL SCRIPT
set -euo pipefail
. "$(dirname "$0")/common.sh"

mkdir -p "$root/NandFlash/Data"
run_demo 240 --speed 10
data="$root/NandFlash/Data"
for f in A1.corr A1_corr.wav A1_corr.png A1_corr.jpg; do
  [ -s "$data/$f" ] || fail "$f not written"
done
# PNG: width and height at bytes 16-23 of the IHDR chunk.
size="$(od -An -tu1 -j16 -N8 "$data/A1_corr.png" | awk '{print $3*256+$4 "x" $7*256+$8}')"
[ "$size" = "800x600" ] || fail "PNG is $size"

metres() { sed -n "s/^$1=//p" <<<"$out" | sed -n "${2}p" | sed 's/m$//'; }
live_a="$(metres 1169 1)"; live_b="$(metres 1170 1)"
replay_a="$(metres 1169 2)"; replay_b="$(metres 1170 2)"
[ -n "$live_a" ] && [ -n "$replay_a" ] && [ -n "$replay_b" ] || fail "missing distance labels"
[ -n "$(sed -n 's/^1168=//p' <<<"$out" | sed -n 2p)" ] || fail "no SNR after the replay"

info="$("$corrtool" --root "$root" corr info "$data/A1.corr")" || fail "corrtool corr info failed"
echo "$info"
file_a="$(sed -n 's/^distance_a_m=//p' <<<"$info")"
file_b="$(sed -n 's/^distance_b_m=//p' <<<"$info")"
[ -n "$file_a" ] || fail "corrtool gave no distance"
awk -v la="$live_a" -v lb="$live_b" -v ra="$replay_a" -v rb="$replay_b" -v fa="$file_a" -v fb="$file_b" '
  function off(x, y) { d = x - y; return d < 0 ? -d : d }
  BEGIN {
    if (off(la, ra) > 0.5 || off(lb, rb) > 0.5) { print "replay " ra "/" rb " m, live " la "/" lb " m"; exit 1 }
    if (off(la, fa) > 0.1 || off(lb, fb) > 0.1) { print "file " fa "/" fb " m, live " la "/" lb " m"; exit 1 }
  }' || fail "results differ"
echo "save_open: passed (live ${live_a}/${live_b} m, replay ${replay_a}/${replay_b} m, file ${file_a}/${file_b} m)"
