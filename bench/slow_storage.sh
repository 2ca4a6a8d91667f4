#!/usr/bin/env bash
# Runs pelimor-find side by side with jdupes, rdfind and fdupes on a simulated spinning disk and a
# simulated network share (bench/slow_fs, a FUSE file system that delays each request by a model).
# Run by hand, as root; never part of the tests. See --help.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=/tmp/pelimor-bench
build=""
tree_preset="user-like"
media="disk,share"
tools="pelimor,pelimor-1,jdupes,rdfind,fdupes"
runs=1
seed=""
timeout_s=0
latency_ms=1
share_mbps=0
do_build=1
do_install=1
jobs=2
arguments="$*"

usage() {
  cat <<'EOF'
Usage: bench/slow_storage.sh [OPTIONS]    (as root)

Times duplicate finders, cold, on two simulated media holding the same generated tree:
  disk   an ext4 image, loop-mounted read-only from a FUSE file whose every request waits for one
         head: a seek of 1 to 8 ms growing with the square root of the distance, 4 ms of rotation,
         then 120 MB/s of transfer; a read where the last one ended costs only its transfer
  share  the tree through a FUSE passthrough that waits a fixed latency on every call (lookup,
         stat, readdir, open, read)
Before each run the simulated medium is unmounted and mounted again (FUSE, loop and ext4), which
empties every cache above the model, while the real files below it stay in the page cache, so
that only the model's time counts. One run of one tool on the user-like tree takes minutes.

  --tree PRESET     the pelimor-bench-tree preset (default user-like: 50,000 files, 2.6 GB,
                    many duplicates; small: 5,000 files, 230 MB, for a quick look)
  --media LIST      disk, share or both (default disk,share)
  --tools LIST      pelimor (default threads), pelimor-1 (--threads 1), jdupes, rdfind, fdupes
                    (default: all)
  --runs N          cold runs per tool and medium, taking turns (default 1)
  --timeout S       stop a run after S seconds and report it as such (default: no limit)
  --latency-ms MS   the share's delay per call (default 1)
  --share-mbps N    the share's link speed in 10^6 bytes/s, 0 for unlimited (default 0)
  --seed N          seed of the generated tree
  --work DIR        where the image, the tree, builds and results go (default /tmp/pelimor-bench)
  --build-dir DIR   Release build of this checkout (default WORK/build)
  --no-build        use the build directory and the FUSE program as they are
  --no-install      do not apt-get fuse3, libfuse3-dev and the peer tools
  --jobs N          threads that build and make the tree (default 2)

The table (wall and CPU seconds, and what the medium saw: requests, seeks, MB, the model's own
seconds) is printed and kept with each tool's output in WORK/results/slow-DATE/.
EOF
}

while [ $# -gt 0 ]; do
  case "$1" in
    --tree) tree_preset=$2; shift ;;
    --media) media=$2; shift ;;
    --tools) tools=$2; shift ;;
    --runs) runs=$2; shift ;;
    --timeout) timeout_s=$2; shift ;;
    --latency-ms) latency_ms=$2; shift ;;
    --share-mbps) share_mbps=$2; shift ;;
    --seed) seed=$2; shift ;;
    --work) work=$2; shift ;;
    --build-dir) build=$2; shift ;;
    --no-build) do_build=0 ;;
    --no-install) do_install=0 ;;
    --jobs) jobs=$2; shift ;;
    -h|--help) usage; exit 0 ;;
    *) echo "slow_storage.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
[ -n "$build" ] || build=$work/build
say() { printf '\n== %s\n' "$*" >&2; }
die() { echo "slow_storage.sh: $*" >&2; exit 1; }

# --- what this machine must offer ---------------------------------------------------------------------
[ "$(id -u)" -eq 0 ] || die "needs root (loop devices, mounts)"
[ -c /dev/fuse ] || modprobe fuse 2>/dev/null || true
[ -c /dev/fuse ] || die "no /dev/fuse: load the fuse module"
losetup -f > /dev/null 2>&1 || modprobe loop 2>/dev/null || true
losetup -f > /dev/null 2>&1 || die "no free loop device: load the loop module"

if [ "$do_install" = 1 ]; then
  need=()
  for p in fuse3 libfuse3-dev pkg-config gcc jdupes rdfind fdupes time cmake ninja-build g++ \
           libisal-dev libxxhash-dev libbenchmark-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
  done
  if [ ${#need[@]} -gt 0 ]; then
    say "installing ${need[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${need[@]}" > /dev/null
  fi
fi

slowfs=$work/slow-fs/pelimor-slow-fs
if [ "$do_build" = 1 ]; then
  say "building pelimor-find and pelimor-bench-tree (Release) in $build, and $slowfs"
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELIMOR_WITH_GUI=OFF \
        -DPELIMOR_WITH_TESTS=OFF -DPELIMOR_WITH_BENCH=ON > /dev/null
  cmake --build "$build" --target pelimor-find pelimor-bench-tree -- -j"${jobs}"
  mkdir -p "$(dirname "$slowfs")"
  # shellcheck disable=SC2046  # pkg-config's words are meant to split
  cc -O2 -Wall -Wextra -o "$slowfs" "$repo/bench/slow_fs/slow_fs.c" $(pkg-config --cflags --libs fuse3) -lm
fi
pelimor=$build/cli/pelimor-find
treetool=$build/bench/pelimor-bench-tree
for f in "$pelimor" "$treetool" "$slowfs"; do
  [ -x "$f" ] || die "$f is missing (build first, or drop --no-build)"
done

# --- the tree, on the real disk for the share and in an ext4 image for the disk -------------------------
seed_args=()
[ -z "$seed" ] || seed_args=(--seed "$seed")
tree=$work/trees/$tree_preset
image=$work/images/$tree_preset${seed:+-$seed}.ext4
mnt=$work/mnt
mkdir -p "$work/images" "$work/trees" "$mnt"

if [[ ",$media," == *,share,* ]]; then
  say "tree $tree_preset in $tree (made once)"
  "$treetool" make --jobs "$jobs" "${seed_args[@]}" "$tree_preset" "$tree" > /dev/null
fi

if [[ ",$media," == *,disk,* ]]; then
  plan=$("$treetool" plan "${seed_args[@]}" "$tree_preset")
  if [ ! -f "$image.info" ] || [ "$(cat "$image.info")" != "$plan" ]; then
    say "image $image: ext4 holding the tree $tree_preset (made once)"
    rm -f "$image" "$image.info"
    data=$(sed -n 's/^data_bytes=//p' <<< "$plan")
    files=$(sed -n 's/^files=//p' <<< "$plan")
    # Room for the data, a block's slack per file and the file system itself.
    mib=$(( (data * 5 / 4 + files * 4096) / 1048576 + 256 ))
    truncate -s "${mib}M" "$image"
    mkfs.ext4 -q -F -b 4096 -m 0 -E lazy_itable_init=0,lazy_journal_init=0 "$image"
    mkdir -p "$mnt/make"
    mount -o loop "$image" "$mnt/make"
    if ! "$treetool" make --jobs "$jobs" "${seed_args[@]}" "$tree_preset" "$mnt/make/tree" > /dev/null; then
      umount "$mnt/make"
      die "could not make the tree in the image"
    fi
    umount "$mnt/make"
    echo "$plan" > "$image.info"
  fi
fi

# --- mounting and unmounting the simulated media --------------------------------------------------------
fuse_pid=""
loopdev=""
mounted=()   # mount points to unmount, the innermost last

wait_mounted() {  # $1: mount point; the FUSE daemon runs in the foreground, so poll
  local i
  for i in $(seq 100); do
    mountpoint -q "$1" && return 0
    sleep 0.05
  done
  die "$1 did not get mounted"
}

unmount_medium() {
  local i
  for (( i = ${#mounted[@]} - 1; i >= 0; i-- )); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
    if [ "${mounted[i]}" = "$mnt/disk" ] && [ -n "$loopdev" ]; then
      losetup -d "$loopdev" 2>/dev/null || true
      loopdev=""
    fi
  done
  mounted=()
  if [ -n "$fuse_pid" ]; then
    wait "$fuse_pid" 2>/dev/null || true  # its statistics are written when it ends
    fuse_pid=""
  fi
}
trap 'unmount_medium' EXIT
trap 'exit 130' INT TERM

# Mounts the medium with empty caches above the model; $2 is where the model's statistics go.
# Sets `root` to the tree as the tools see it.
mount_medium() {
  local medium=$1 stats=$2
  rm -f "$stats"
  if [ "$medium" = disk ]; then
    cat "$image" > /dev/null  # the image itself in the page cache: only the model is slow
    mkdir -p "$mnt/disk-image" "$mnt/disk"
    "$slowfs" disk --stats "$stats" "$image" "$mnt/disk-image" -f 2>> "$results/fuse.log" &
    fuse_pid=$!
    wait_mounted "$mnt/disk-image"
    mounted+=("$mnt/disk-image")
    loopdev=$(losetup -f --show -r --direct-io=on "$mnt/disk-image/disk.img")
    mount -o ro,noload "$loopdev" "$mnt/disk"
    mounted+=("$mnt/disk")
    root=$mnt/disk/tree
  else
    "$treetool" warm --jobs "$jobs" "$tree" > /dev/null 2>&1
    mkdir -p "$mnt/share"
    "$slowfs" share --latency-ms "$latency_ms" --mbps "$share_mbps" --stats "$stats" "$tree" "$mnt/share" -f 2>> "$results/fuse.log" &
    fuse_pid=$!
    wait_mounted "$mnt/share"
    mounted+=("$mnt/share")
    root=$mnt/share
  fi
}

# --- the runs -------------------------------------------------------------------------------------------
results=$work/results/slow-$(date +%Y%m%d-%H%M%S)
mkdir -p "$results"
{
  echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')," \
       "$(awk '/MemTotal/ {printf "%.1f GiB RAM", $2/1048576}' /proc/meminfo), kernel $(uname -r)"
  echo "pelimor: $(git -C "$repo" rev-parse --short HEAD 2>/dev/null)$(git -C "$repo" diff --quiet HEAD -- search cli platform 2>/dev/null || echo ' + uncommitted changes')"
  echo "peers: jdupes $(jdupes -v 2>/dev/null | awk 'NR==1 {print $2}'), rdfind $(rdfind -v 2>/dev/null | awk '{print $NF}')," \
       "fdupes $(fdupes -v 2>/dev/null | awk '{print $2}')"
  echo "tree: $tree_preset$(sed -n 's/^files=/, files /p; s/^data_bytes=/, bytes /p' < <("$treetool" plan "${seed_args[@]}" "$tree_preset") | tr -d '\n')"
  echo "disk: seek 1-8 ms, rotation 4 ms, 120 MB/s, one head; share: ${latency_ms} ms per call, link ${share_mbps} MB/s (0: unlimited)"
  echo "command: bench/slow_storage.sh $arguments"
} > "$results/meta.txt"
cat "$results/meta.txt" >&2

command_of() {  # $1: tool, $2: tree, $3: where a tool that writes a file writes it
  case "$1" in
    pelimor) echo "$pelimor --no-cache --min-kb 0 $2" ;;
    pelimor-1) echo "$pelimor --no-cache --min-kb 0 --threads 1 $2" ;;
    jdupes) echo "jdupes -r -q $2" ;;
    rdfind) echo "rdfind -outputname $3 $2" ;;
    fdupes) echo "fdupes -r -q -n $2" ;;
    *) die "unknown tool $1" ;;
  esac
}

model_stat() { sed -n "s/^$2=//p" "$results/$1.model" 2>/dev/null || true; }  # $1: run name, $2: key

table=$results/table.tsv
printf 'medium\ttool\trun\twall_s\tcpu_s\trequests\tseeks\tMB\tmodel_s\tstatus\n' > "$table"
IFS=, read -r -a media_list <<< "$media"
IFS=, read -r -a tool_list <<< "$tools"
for medium in "${media_list[@]}"; do
  for run in $(seq "$runs"); do
    for tool in "${tool_list[@]}"; do
      name=$medium-$tool-$run
      mount_medium "$medium" "$results/$name.model"
      cmd=$(command_of "$tool" "$root" "$results/$name.rdfind")
      say "$medium, run $run: $cmd"
      limit=()
      [ "$timeout_s" = 0 ] || limit=(timeout "$timeout_s")
      status=ok
      # shellcheck disable=SC2086  # the command's words are meant to split
      /usr/bin/time -f '%e %U %S' -o "$results/$name.time" "${limit[@]}" $cmd > "$results/$name.out" 2> "$results/$name.err" \
        || status="exit $?"
      [ "$status" != "exit 124" ] || status="timeout"
      unmount_medium
      read -r wall user sys < <(tail -n 1 "$results/$name.time")
      if [ "$medium" = disk ]; then requests=$(model_stat "$name" requests); else requests=$(model_stat "$name" calls); fi
      awk -v m="$medium" -v t="$tool" -v r="$run" -v w="$wall" -v u="$user" -v s="$sys" -v q="$requests" \
          -v k="$(model_stat "$name" seeks)" -v b="$(model_stat "$name" bytes)" -v ms="$(model_stat "$name" model_ms)" \
          -v st="$status" 'BEGIN { printf "%s\t%s\t%s\t%s\t%.2f\t%s\t%s\t%.0f\t%.1f\t%s\n", m, t, r, w, u + s, q, k, b / 1e6, ms / 1e3, st }' \
          >> "$table"
      tail -n 1 "$table" >&2
    done
  done
done

say "results in $results"
column -t -s $'\t' "$table"
