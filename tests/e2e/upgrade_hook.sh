#!/usr/bin/env bash
# The panel service's hook starts the upgrade unit after EXIT TO UPGRADE
# (status 10) and after no other end of the program; systemctl is a stand-in
# that records its arguments.
#   upgrade_hook.sh HOOK
set -euo pipefail
hook="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
printf '#!/bin/sh\necho "$*" >> "%s/calls"\n' "$work" > "$work/systemctl"
chmod +x "$work/systemctl"
ended() { env PATH="$work:$PATH" EXIT_CODE="$1" EXIT_STATUS="$2" "$hook" >/dev/null; }

ended exited 0     # a change of language: the service restarts it
ended exited 3
ended dumped SEGV
[ ! -e "$work/calls" ] || { echo "hook ran systemctl $(cat "$work/calls")"; exit 1; }
ended exited 10
calls="$(cat "$work/calls")"
[ "$calls" = "--no-block start correlator-upgrade.service" ] || { echo "hook ran systemctl $calls"; exit 1; }
echo "upgrade hook: only status 10 starts correlator-upgrade.service"
