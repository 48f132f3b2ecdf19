#!/usr/bin/env bash
# Velocity computation, headless: three runs on the virtual unit of one leak
# 70 m from Red on 1250 m/s pipe, the sensors 150, 300 and 800 m apart (the
# last decimated to 5000 Hz), made by corrtool acquire. The screen adds them (SCRIPT, from the menu bar) and
# saves V1.comp; corrtool comp add makes T1.comp of the same runs. Each gives
# the scenario's velocity within 2 % and its leak distance within 1 m, and
# the saved files reopen with the same results.
#   compute.sh CORRELATOR CORRTOOL SCRIPT
set -euo pipefail
. "$(dirname "$0")/common.sh"

velocity=1250
leak=70
data="$root/NandFlash/Data"
mkdir -p "$data" "$root/tool"
n=0
for separation in 150 300 800; do
  n=$((n + 1))
  cat >"$root/world$n.txt" <<WORLD
seed 2024061$n
section $separation $velocity
leak $leak 300
leak_band 250 1200
WORLD
  "$corrtool" --root "$root/tool" acquire --scenario "$root/world$n.txt" --seconds 4 --out "$data/R$n" \
    >"$root/acquire$n.txt" || fail "acquire over $separation m failed"
done

run_demo 60
[ -s "$data/V1.comp" ] || fail "V1.comp not written"

# The value of result line KEY in its Nth occurrence, in m/s or m: "1.2500m/ms"
# is 1250 whatever unit the screen was set to.
value() {
  sed -n "s/^$1=[^:]*: *//p" | sed -n "${2}p" |
    awk '{ v = $0 + 0; if ($0 ~ /m\/ms$/) v *= 1000; if ($0 != "") printf "%.1f\n", v }'
}
check() {  # what velocity distance
  awk -v what="$1" -v v="$2" -v d="$3" -v tv="$velocity" -v td="$leak" 'BEGIN {
    if (v == "" || d == "") { print what ": no results"; exit 1 }
    dv = (v - tv) / tv; if (dv < 0) dv = -dv
    dd = d - td; if (dd < 0) dd = -dd
    if (dv > 0.02 || dd > 1.0) { print what ": " v " m/s, " d " m"; exit 1 }
  }' || fail "$1 is off"
}
screen_v="$(value 1013 1 <<<"$out")"; screen_d="$(value 1012 1 <<<"$out")"
check "screen" "$screen_v" "$screen_d"
[ "$(value 1013 2 <<<"$out")" = "$screen_v" ] && [ "$(value 1012 2 <<<"$out")" = "$screen_d" ] \
  || fail "reopened computation differs on the screen"

tool="$("$corrtool" --root "$root" comp add "$data/T1.comp" "$data/R1.corr" "$data/R2.corr" "$data/R3.corr")" \
  || fail "corrtool comp add failed"
echo "$tool"
tool_v="$(value velocity 1 <<<"$tool")"; tool_d="$(value leakDistance 1 <<<"$tool")"
check "corrtool comp add" "$tool_v" "$tool_d"
[ "$tool_v" = "$screen_v" ] && [ "$tool_d" = "$screen_d" ] || fail "corrtool and the screen disagree"
for f in V1 T1; do
  shown="$("$corrtool" comp show "$data/$f.comp")" || fail "corrtool comp show $f failed"
  [ "$(value velocity 1 <<<"$shown")" = "$screen_v" ] && [ "$(value leakDistance 1 <<<"$shown")" = "$screen_d" ] \
    || fail "$f.comp reopens with other results"
  [ "$(sed -n 's/^points=//p' <<<"$shown")" = 3 ] || fail "$f.comp has not three points"
done
echo "compute: passed (${screen_v} m/s, leak ${screen_d} m)"
