#!/usr/bin/env bash
# The programs' command line with no display: --help and --version answer
# before the window system is asked; corrtool's progress stays off a pipe; and
# a start that has no display to show on, or one that cannot be opened, ends
# with advice instead of the platform plugin's message.
#   command_line.sh CORRELATOR CORRTOOL VERSION
set -uo pipefail
correlator="$1"
corrtool="$2"
version="$3"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
fail() { echo "command_line: FAIL: $*"; exit 1; }
nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }

out="$(nodisplay "$correlator" --help)" || fail "correlator --help exited with $?"
for option in --root --unit --scenario --script --gallery --speed --help --version "-platform offscreen"; do
  grep -q -- "$option" <<<"$out" || fail "correlator --help does not name $option"
done
[ "$(nodisplay "$correlator" --version)" = "correlator $version" ] || fail "correlator --version"
[ "$(nodisplay "$corrtool" --version)" = "corrtool $version" ] || fail "corrtool --version"
# An option left without its value ends the start at once, naming it.
msg="$(QT_QPA_PLATFORM=offscreen timeout 30 "$correlator" -platform offscreen --root 2>&1)"
rc=$?
[ "$rc" -eq 2 ] || fail "--root without a value: status $rc"
grep -q -- "--root needs a value" <<<"$msg" || fail "--root without a value: $msg"

# Standard error to a pipe is no terminal: a long command writes no progress there.
err="$("$corrtool" --root "$root" acquire --seconds 2 --out "$root/run" 2>&1 >/dev/null)" || fail "acquire exited with $?"
[ -z "$err" ] || fail "acquire wrote to a pipe: $err"
err="$("$corrtool" --root "$root" corr replay "$root/run.corr" 2>&1 >/dev/null)" || fail "replay exited with $?"
[ -z "$err" ] || fail "corr replay wrote to a pipe: $err"

# display: how the program is started; each gives status 2 and the advice.
for display in none :4093; do
  if [ "$display" = none ]; then
    msg="$(nodisplay timeout 30 "$correlator" --root "$root" 2>&1)"
  else
    msg="$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" timeout 30 "$correlator" --root "$root" 2>&1)"
  fi
  rc=$?
  echo "$display: status $rc: $msg"
  [ "$rc" -eq 2 ] || fail "display $display: status $rc"
  grep -q -- "use -platform offscreen" <<<"$msg" || fail "display $display: no advice"
  ! grep -qi "plugin" <<<"$msg" || fail "display $display: the plugin's message"
done
echo "command_line: ok"
