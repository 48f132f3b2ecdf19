# Sourced by the end-to-end scripts, which are called as
#   NAME.sh CORRELATOR CORRTOOL SCRIPT [more]
# Gives the three, a fresh unit root removed on exit, fail(), and run_demo,
# which runs the demo script headless on the root and prints what it printed
# (run_demo SECONDS [program options...]; the output is also left in $out).
correlator="$1"
corrtool="$2"
script="$3"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
e2e_name="$(basename "$0" .sh)"
fail() { echo "$e2e_name: FAIL: $*"; exit 1; }
run_demo() {
  local seconds="$1"
  shift
  out="$(timeout "$seconds" "$correlator" -platform offscreen --root "$root" "$@" --script "$script")" \
    || fail "correlator exited with $?"
  echo "$out"
}
