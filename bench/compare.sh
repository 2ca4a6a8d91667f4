#!/usr/bin/env bash
# Runs pelimor-find side by side with jdupes, rdfind, fdupes, rmlint and duff on generated trees and
# prints wall time, CPU time, peak memory, the ratios and whether the performance goals are met.
# Run by hand (as root for --cold); never part of the tests. See --help.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=/tmp/pelimor-bench
build=""
trees="user-like,large"
peers="jdupes,rdfind,fdupes,rmlint,duff"
runs=5
cold_runs=3
seed=""
pelimor=""
do_build=1
do_install=1
results=""
measure=""
jobs=2

usage() {
  cat <<'EOF'
Usage: bench/compare.sh [OPTIONS]

Compares `pelimor-find --min-kb 0` with other duplicate finders on generated trees.

Trees (made once under WORK/trees, reused while the generator and seed stay the same):
  --trees LIST      comma-separated: user-like, large, 40k, million, small (default: user-like,large)
  --peers LIST      comma-separated: jdupes, rdfind, fdupes, rmlint, duff (default: all), or "none";
                    also "floor": only the system calls every tool must make (no groups, not checked)

What to measure (default: --warm --memory --check --checksum):
  --warm            wall and CPU time, every tree file read into the page cache before each run
  --cold            wall and CPU time, the page cache dropped before each run (root only)
  --memory          peak memory with /usr/bin/time -v, one warm run per tool (also saves the output)
  --check           the groups of each tool against pelimor-find's (runs the tools once, as --memory)
  --checksum        the checksum benchmark (bench_checksum, ContentHasher >= 5 GB/s)
  --cache           pelimor-find's checksum cache, taking turns run by run: without it (--no-cache), a first
                    search (empty cache) and a second search (nothing changed); warm, and cold
                    when --cold is given too; the second search's output, peak memory and cache size
  --all             all of the above
  --runs N          runs per tool, warm (default 5)
  --cold-runs N     runs per tool, cold (default 3)

Setup:
  --pelimor PATH    time this pelimor-find instead of the one built here
  --build-dir DIR   Release build of this checkout (default WORK/build)
  --no-build        use the build directory as it is
  --no-install      do not apt-get the peer tools
  --seed N          seed of the generated trees (default: the generator's)
  --work DIR        where trees, builds and results go (default /tmp/pelimor-bench)
  --results DIR     write into this results folder (add to an earlier run) instead of a new one
  --report DIR      only print the report of an earlier run
  --jobs N          threads that make and warm the trees (default 2)

Exit status: 0 when every goal that was measured is met, 1 when one is missed, 2 on bad usage.
Raw outputs (hyperfine JSON, /usr/bin/time -v, each tool's groups) stay in WORK/results/DATE/.

Examples:
  bench/compare.sh --all                                  # everything on the two main trees
  bench/compare.sh --trees user-like --peers jdupes --warm # a quick check of a change
  bench/compare.sh --trees 40k,million --peers none --warm --memory   # memory and linear cost
EOF
}

while [ $# -gt 0 ]; do
  case "$1" in
    --trees) trees=$2; shift ;;
    --peers) peers=$2; shift ;;
    --warm|--cold|--memory|--check|--checksum|--cache) measure="$measure ${1#--}" ;;
    --all) measure="warm cold memory check checksum" ;;
    --runs) runs=$2; shift ;;
    --cold-runs) cold_runs=$2; shift ;;
    --pelimor) pelimor=$(realpath "$2"); shift ;;
    --build-dir) build=$2; shift ;;
    --no-build) do_build=0 ;;
    --no-install) do_install=0 ;;
    --seed) seed=$2; shift ;;
    --work) work=$2; shift ;;
    --results) results=$2; shift ;;
    --report) exec python3 "$repo/bench/compare_report.py" "$2" ;;
    --jobs) jobs=$2; shift ;;
    -h|--help) usage; exit 0 ;;
    *) echo "compare.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
  shift
done
[ -n "$measure" ] || measure="warm memory check checksum"
[ -n "$build" ] || build=$work/build
[ "$peers" = none ] && peers=""
wants() { [[ " $measure " == *" $1 "* ]]; }
say() { printf '\n== %s\n' "$*" >&2; }

# --- tools ------------------------------------------------------------------------------------------
if [ "$do_install" = 1 ]; then
  need=()
  for p in jdupes rdfind fdupes rmlint duff hyperfine time python3 cmake ninja-build g++ pkg-config \
           libisal-dev libxxhash-dev libbenchmark-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
  done
  if [ ${#need[@]} -gt 0 ]; then
    say "installing ${need[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
  fi
fi

if [ "$do_build" = 1 ]; then
  say "building pelimor-find and the bench tools (Release) in $build"
  cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELIMOR_WITH_GUI=OFF \
        -DPELIMOR_WITH_TESTS=OFF -DPELIMOR_WITH_BENCH=ON >/dev/null
  cmake --build "$build" --target pelimor-find pelimor-bench-tree pelimor-bench-floor bench_checksum -- -j"${jobs}"
fi
[ -n "$pelimor" ] || pelimor=$build/cli/pelimor-find
treetool=$build/bench/pelimor-bench-tree
for f in "$pelimor" "$treetool"; do
  [ -x "$f" ] || { echo "compare.sh: $f is missing (build first, or drop --no-build)" >&2; exit 1; }
done

# --- results folder and the machine -----------------------------------------------------------------
[ -n "$results" ] || results=$work/results/$(date +%Y%m%d-%H%M%S)
mkdir -p "$results"
results=$(realpath "$results")
if [ ! -f "$results/meta.txt" ]; then
  {
    echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')," \
         "$(awk '/MemTotal/ {printf "%.1f GiB RAM", $2/1048576}' /proc/meminfo)"
    echo "disk: $(df -T "$work" | awk 'NR==2 {print $1 ", " $2}'), kernel $(uname -r)"
    echo "pelimor: $(git -C "$repo" rev-parse --short HEAD 2>/dev/null)$(git -C "$repo" diff --quiet HEAD -- search cli platform 2>/dev/null || echo ' + uncommitted changes'), $pelimor"
    echo "peers: jdupes $(jdupes -v 2>/dev/null | awk 'NR==1 {print $2}'), rdfind $(rdfind -v 2>/dev/null | awk '{print $NF}')," \
         "fdupes $(fdupes -v 2>/dev/null | awk '{print $2}'), rmlint $(rmlint --version 2>&1 | awk 'NR==1 {print $2}')," \
         "duff $(duff -v 2>&1 | awk 'NR==1 {print $2}'), hyperfine $(hyperfine --version | awk '{print $2}')"
  } > "$results/meta.txt"
fi
cat "$results/meta.txt" >&2

# The command line of each tool on a tree; $2 is where a tool that writes a file writes it.
command_of() {
  local tool=$1 out=$2 tree=$3
  case "$tool" in
    pelimor) echo "$pelimor --no-cache --min-kb 0 $tree" ;;  # like the peers, every run starts afresh
    jdupes) echo "jdupes -r -q $tree" ;;
    rdfind) echo "rdfind -outputname $out $tree" ;;
    fdupes) echo "fdupes -r -q -n $tree" ;;
    rmlint) echo "rmlint -T df -o fdupes:$out $tree" ;;
    duff) echo "duff -r -z $tree" ;;
    floor) echo "$build/bench/pelimor-bench-floor $tree" ;;
    *) echo "compare.sh: unknown peer $tool" >&2; exit 2 ;;
  esac
}

can_drop_caches() { [ -w /proc/sys/vm/drop_caches ]; }

IFS=, read -r -a tree_list <<< "$trees"
IFS=, read -r -a peer_list <<< "$peers"
tools=(pelimor "${peer_list[@]}")
seed_args=()
[ -z "$seed" ] || seed_args=(--seed "$seed")

for name in "${tree_list[@]}"; do
  tree=$work/trees/$name
  say "tree $name"
  "$treetool" make --jobs "$jobs" "${seed_args[@]}" "$name" "$tree" > /dev/null
  out=$results/$name
  mkdir -p "$out/scratch"
  cp "$tree.info" "$out/tree.info"
  # Which engine was measured: the checkout's commit, whether the engine had changes on top, the binary.
  echo "$(git -C "$repo" rev-parse --short HEAD 2>/dev/null)$(git -C "$repo" diff --quiet HEAD -- search cli platform 2>/dev/null ||
    echo ' + uncommitted changes'), binary $(sha256sum "$pelimor" | cut -c1-12)" > "$out/pelimor.txt"
  warm_cmd="$treetool warm --jobs $jobs $tree"

  if wants check || wants memory; then
    say "$name: one run of each tool for its groups and peak memory"
    for tool in "${tools[@]}"; do
      [ "$tool" != floor ] || continue  # finds no groups
      $warm_cmd 2>/dev/null
      file=$out/out-$tool.txt
      rm -f "$file"
      # shellcheck disable=SC2046
      if [ "$tool" = rdfind ] || [ "$tool" = rmlint ]; then
        /usr/bin/time -v -o "$out/time-$tool.txt" $(command_of "$tool" "$file" "$tree") > /dev/null 2> "$out/stderr-$tool.txt"
      else
        /usr/bin/time -v -o "$out/time-$tool.txt" $(command_of "$tool" "$file" "$tree") > "$file" 2> "$out/stderr-$tool.txt"
      fi
      awk -v tool="$tool" '/Elapsed/ {wall = $NF} /Maximum resident/ {rss = $NF}
        END {printf "  %-8s %s wall, %.1f MiB peak\n", tool, wall, rss / 1024}' "$out/time-$tool.txt" >&2
    done
  fi

  run_hyperfine() {  # $1: warm or cold, $2: runs, $3: prepare command
    local args=(--style basic --runs "$2" --export-json "$out/$1.json" --prepare "$3")
    for tool in "${tools[@]}"; do
      args+=(--command-name "$tool" "$(command_of "$tool" "$out/scratch/$tool.txt" "$tree")")
    done
    # Other work on the machine skews the numbers: keep its load next to them.
    cut -d' ' -f1 /proc/loadavg > "$out/load-$1.txt"
    (cd "$out/scratch" && hyperfine "${args[@]}")
  }
  if wants warm; then
    say "$name: warm, $runs runs each"
    run_hyperfine warm "$runs" "$warm_cmd"
  fi
  if wants cold; then
    if can_drop_caches; then
      say "$name: cold, $cold_runs runs each (drops the page cache before every run)"
      run_hyperfine cold "$cold_runs" "sync; echo 3 > /proc/sys/vm/drop_caches"
    else
      echo "compare.sh: cannot write /proc/sys/vm/drop_caches (not root?); no cold runs" >&2
    fi
  fi
  if wants cache; then
    # Each kind of run keeps its cache in a folder of its own; the first search's is removed before every run.
    first=$work/cache/first second=$work/cache/second
    cached() { echo "env XDG_CACHE_HOME=$1 $pelimor --min-kb 0 $tree"; }
    rm -rf "$second"
    say "$name: cache: a search to fill it, then the second search's output, memory and cache size"
    $(cached "$second") > /dev/null
    $warm_cmd 2>/dev/null
    /usr/bin/time -v -o "$out/time-cache-second.txt" $(cached "$second") > "$out/out-cache-second.txt"
    $(command_of pelimor "" "$tree") > "$out/out-cache-none.txt"
    stat -c %s "$second/Pelimor/Checksums.cache" > "$out/cache-bytes.txt"
    cmp -s "$out/out-cache-none.txt" "$out/out-cache-second.txt" && echo same > "$out/cache-output.txt" ||
      echo different > "$out/cache-output.txt"
    run_cache_hyperfine() {  # $1: warm or cold, $2: runs, $3: prepare command
      cut -d' ' -f1 /proc/loadavg > "$out/load-cache-$1.txt"
      # One run of each kind per round, taking turns: a drift in the machine's speed (other work,
      # the page cache) then lands on every kind alike, where runs of one kind in a stretch would
      # take it alone. The rounds are joined into one result file afterwards.
      local round
      local parts=()
      for round in $(seq "$2"); do
        parts+=("$out/scratch/cache-$1-$round.json")
        hyperfine --style none --runs 1 --export-json "${parts[-1]}" --prepare "rm -rf $first; $3" \
          --command-name "no cache" "$(command_of pelimor "" "$tree")" \
          --command-name "first search" "$(cached "$first")" --command-name "second search" "$(cached "$second")"
      done
      python3 - "$out/cache-$1.json" "${parts[@]}" <<'JOIN'
import json, statistics, sys
joined = {}
for part in sys.argv[2:]:
    for entry in json.load(open(part))["results"]:
        into = joined.setdefault(entry["command"], {"command": entry["command"], "times": [], "users": [], "systems": []})
        into["times"] += entry["times"]
        into["users"].append(entry["user"])
        into["systems"].append(entry["system"])
results = []
for entry in joined.values():
    times = entry["times"]
    results.append({"command": entry["command"], "times": times, "mean": statistics.mean(times),
                    "median": statistics.median(times), "min": min(times), "max": max(times),
                    "user": statistics.median(entry["users"]), "system": statistics.median(entry["systems"])})
json.dump({"results": results}, open(sys.argv[1], "w"), indent=1)
JOIN
    }
    say "$name: cache, warm, $runs runs each"
    run_cache_hyperfine warm "$runs" "$warm_cmd"
    if wants cold && can_drop_caches; then
      say "$name: cache, cold, $cold_runs runs each"
      run_cache_hyperfine cold "$cold_runs" "sync; echo 3 > /proc/sys/vm/drop_caches"
    fi
  fi
  rm -rf "$out/scratch"
done

if wants checksum; then
  checksum_bin=$build/bench/bench_checksum
  if [ -x "$checksum_bin" ]; then
    say "checksum kernel (Google Benchmark)"
    "$checksum_bin" --benchmark_out="$results/checksum.json" --benchmark_out_format=json >&2
  else
    echo "compare.sh: $checksum_bin is missing; no checksum benchmark" >&2
  fi
fi

say "report ($results/report.md)"
python3 "$repo/bench/compare_report.py" "$results"  # exit status 1 when a goal is missed
