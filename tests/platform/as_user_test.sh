#!/usr/bin/env bash
# The read-only cases of a Windows suite as an ordinary user. Wine run by root may open and
# replace a read-only file (root passes every permission check), so those cases skip there; as
# a throw-away user, in a prefix of its own, the real CreateFileA and MoveFileExA refusals are
# what the suite sees, and it must not skip them.
# Usage: as_user_test.sh SUITE.exe GTEST_FILTER
# Skips (exit 0, saying why) when not run as root or when the user cannot be made.
set -uo pipefail
suite=$1 filter=$2 tools=$(cd "$(dirname "$0")/../../tools" && pwd) user=vexillor-ro-test
source "$(dirname "$0")/../support/throwaway_user.sh"
throwaway_user "$user" /tmp/vexillor-as-user
# The suite and the Wine starter are copied out: the source tree may lie where the user cannot
# go (a clone under /root).
cp "$suite" "$tools/wine-run" "$work/"
chown -R "$user" "$work"
chmod 755 "$work"
out=$(cd "$work" && runuser -u "$user" -- env -i PATH="$PATH" HOME="$work" TMPDIR="$work" ${WINEARCH:+WINEARCH=$WINEARCH} \
    "$work/wine-run" "$work/prefix" "$work/$(basename "$suite")" --gtest_filter="$filter" 2>&1 | tr -d '\r')
status=$?
echo "$out"
if [ $status -ne 0 ]; then
    echo "FAIL: the suite exited $status as $user"
    exit 1
fi
if grep -q '\[  SKIPPED \]' <<<"$out" || ! grep -q '\[  PASSED  \]' <<<"$out"; then
    echo "FAIL: the read-only cases did not run as $user"
    exit 1
fi
echo "as_user_test: the read-only cases passed as $user"
