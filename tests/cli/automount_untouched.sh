#!/usr/bin/env bash
# A search, its checksum cache and the disks it asks about never touch a file system mounted
# outside its source folders: an automount point there would be woken, a dead network share would
# hang the start. The outside mount is a FUSE file system that counts every call made to it; a
# search must leave it with no more calls than mounting and unmounting alone.
# Usage: automount_untouched.sh COUNTING_FS PELIMOR_FIND     (as root, with /dev/fuse; else skipped)
set -euo pipefail
counting_fs="$1" find="$2"
[ "$(id -u)" = 0 ] || { echo "mounting needs root"; exit 77; }
[ -c /dev/fuse ] || { echo "no /dev/fuse here"; exit 77; }
work="$(mktemp -d /tmp/pelimor-automount.XXXXXX)"
daemon=""
cleanup() {
  mountpoint -q "$work/outside" && umount "$work/outside"
  [ -z "$daemon" ] || wait "$daemon" || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/behind" "$work/outside" "$work/source/sub" "$work/home"
printf 'same bytes\n' > "$work/source/a"
printf 'same bytes\n' > "$work/source/sub/b"
printf 'other\n' > "$work/behind/c"

# Mounts the counting file system, runs "$@" (if any), unmounts; prints the calls it counted.
calls_during() {
  rm -f "$work/stats"
  "$counting_fs" share --latency-ms 0 --stats "$work/stats" "$work/behind" "$work/outside" -f -o attr_timeout=0,entry_timeout=0,negative_timeout=0 &
  daemon=$!
  for _ in $(seq 100); do mountpoint -q "$work/outside" && break; sleep 0.05; done
  mountpoint -q "$work/outside" || { echo "the counting file system did not mount"; exit 1; }
  if [ $# -gt 0 ]; then "$@"; fi
  umount "$work/outside"
  wait "$daemon"
  daemon=""
  sed -n 's/^calls=//p' "$work/stats"
}

search() {
  HOME="$work/home" XDG_CACHE_HOME="$work/home/cache" XDG_DATA_HOME="$work/home/data" \
    XDG_CONFIG_HOME="$work/home/config" "$find" --min-kb 0 "$work/source" > "$work/found"
}

alone=$(calls_during)
# The first search writes the cache, the second reads it back.
with_search=$(calls_during bash -c "$(declare -f search); work=$work find=$find; search && search")
grep -q "$work/source/sub/b" "$work/found" || { echo "the search found no duplicates"; cat "$work/found"; exit 1; }
echo "calls to the outside mount: $alone when mounted alone, $with_search with two searches"
[ "$with_search" = "$alone" ]
