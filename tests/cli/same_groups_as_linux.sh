#!/usr/bin/env bash
# pelimor-find.exe under Wine finds the same groups as the Linux build on the same generated tree.
# Usage: same_groups_as_linux.sh LINUX_FIND WINDOWS_FIND TREE_MAKER [PRESET]
set -euo pipefail
linux_find="$1" windows_find="$2" tree_maker="$3" preset="${4:-small}"
here="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d /tmp/pelimor-same-groups.XXXXXX)"
trap 'rm -rf "$work"' EXIT
"$tree_maker" make "$preset" "$work/tree" >/dev/null
# Group number, size, CRC and the path below the tree, the same on both systems.
"$linux_find" --no-cache --min-kb 0 "$work/tree" | sed "s|$work/tree/||" >"$work/linux"
"$here/scripts/wine-run" "$windows_find" --no-cache --min-kb 0 "Z:$work/tree" | sed "s|Z:$work/tree/||" >"$work/windows"
groups=$(grep -c . "$work/linux" || true)
if [ "$groups" -eq 0 ]; then
  echo "the Linux build found no duplicates in the $preset tree"
  exit 1
fi
if ! diff -u "$work/linux" "$work/windows" | head -40; then :; fi
cmp -s "$work/linux" "$work/windows" && echo "same $groups lines of groups from both builds"
