#!/usr/bin/env python3
"""Reads what bench/compare.sh measured and prints the tables and the goals.

    compare_report.py RESULTS_DIR            tables and goals, also written to RESULTS_DIR/report.md
    compare_report.py --groups FORMAT FILE   the groups of one tool's output, normalized (for debugging)

RESULTS_DIR holds meta.txt, checksum.json and one folder per tree with tree.info, warm.json,
cold.json (hyperfine), time-TOOL.txt (/usr/bin/time -v) and out-TOOL.txt (what the tool printed).
Only the standard library is used.
"""
import json
import os
import statistics
import sys

TOOLS = ["pelimor", "jdupes", "rdfind", "fdupes", "rmlint", "duff", "floor"]
# Names in the tables; "floor" is pelimor-bench-floor, the system calls alone.
LABELS = {"pelimor": "pelimor-find", "floor": "system calls alone"}
MAIN_TREES = ["user-like", "large"]
MiB = 1024 * 1024

# The performance goals, as numbers.
WARM_RATIO = 0.5           # pelimor wall time at most this share of jdupes'
COLD_RATIO = 0.5
MEMORY_OVER_JDUPES = 32 * MiB
MILLION_FIXED = 64 * MiB
MILLION_PER_FILE = 200     # bytes per file walked
LINEAR_FACTOR = 25         # the million tree at most 25 times the 40k tree
CHECKSUM_BYTES_PER_S = 5e9
# The checksum cache: a second search of an unchanged tree against the first, cold; with the cache
# against without it, warm; what saving adds; and the cache file's size per file.
CACHE_COLD_RATIO = {"large": 0.2, "user-like": 0.5}
CACHE_WARM_RATIO = 1.05
CACHE_SAVE_RATIO = 1.05
CACHE_BYTES_PER_FILE = 100


def read_groups(fmt, path):
    """Lists of paths, one list per group, from a tool's output."""
    groups = []
    with open(path, "rb") as f:
        lines = f.read().decode("utf-8", "surrogateescape").split("\n")
    if fmt == "rdfind":
        by_id = {}
        for line in lines:
            if not line or line.startswith("#"):
                continue
            parts = line.split(" ", 7)
            if len(parts) < 8:
                continue
            by_id.setdefault(abs(int(parts[1])), []).append(parts[7])
        return list(by_id.values())
    if fmt == "duff":
        current = None
        for line in lines:
            if " files in cluster " in line and line.endswith(")"):
                current = []
                groups.append(current)
            elif line and current is not None:
                current.append(line)
        return groups
    if fmt == "pelimor":
        last = None
        for line in lines:
            if not line:
                continue
            number, _size, _crc, name = line.split("\t", 3)
            if number != last:
                groups.append([])
                last = number
            groups[-1].append(name)
        return groups
    # jdupes, fdupes and rmlint's fdupes output: paths, a blank line after each group.
    current = []
    for line in lines:
        if line:
            current.append(line)
        elif current:
            groups.append(current)
            current = []
    if current:
        groups.append(current)
    return groups


FORMATS = {"pelimor": "pelimor", "jdupes": "blank", "fdupes": "blank", "rmlint": "blank",
           "rdfind": "rdfind", "duff": "duff"}


def normalized(groups):
    """Groups as a set of sets of (device, inode): hard links are one file, the order is gone.
    A group left with a single file (only hard links of one file) is no group."""
    result = set()
    missing = 0
    for group in groups:
        keys = set()
        for path in group:
            try:
                info = os.lstat(path)
            except OSError:
                missing += 1
                continue
            keys.add((info.st_dev, info.st_ino))
        if len(keys) >= 2:
            result.add(frozenset(keys))
    return result, missing


def read_json(path):
    try:
        with open(path) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def read_info(path):
    info = {}
    try:
        with open(path) as f:
            for line in f:
                key, _, value = line.strip().partition("=")
                if key:
                    info[key] = value
    except OSError:
        pass
    return info


def peak_rss(path):
    """Bytes of 'Maximum resident set size' in /usr/bin/time -v output."""
    try:
        with open(path) as f:
            for line in f:
                if "Maximum resident set size" in line:
                    return int(line.rsplit(":", 1)[1]) * 1024
    except (OSError, ValueError):
        pass
    return None


def hyperfine_results(path):
    data = read_json(path)
    results = {}
    if not data:
        return results
    for entry in data.get("results", []):
        results[entry["command"]] = {
            "median": entry["median"], "mean": entry["mean"], "min": entry["min"], "max": entry["max"],
            "cpu": entry.get("user", 0) + entry.get("system", 0), "runs": len(entry.get("times", [])),
            "times": entry.get("times", []),
        }
    return results


def load_note(path):
    """The machine's load average when the runs began, as a note."""
    try:
        with open(path) as f:
            return f" (load average {float(f.read().split()[0]):.2f} at the start)"
    except (OSError, ValueError, IndexError):
        return ""


def fmt_seconds(value):
    if value is None:
        return "–"
    return f"{value:.3f} s" if value < 10 else f"{value:.1f} s"


def fmt_mib(value):
    return "–" if value is None else f"{value / MiB:.1f} MiB"


def fmt_ratio(value):
    return "–" if value is None else f"{value:.2f}"


class Report:
    def __init__(self, results_dir):
        self.dir = results_dir
        self.lines = []
        self.goals = []  # (passed: bool or None, text)

    def out(self, text=""):
        self.lines.append(text)

    def goal(self, passed, text):
        self.goals.append((passed, text))

    def tree(self, name):
        folder = os.path.join(self.dir, name)
        info = read_info(os.path.join(folder, "tree.info"))
        warm = hyperfine_results(os.path.join(folder, "warm.json"))
        cold = hyperfine_results(os.path.join(folder, "cold.json"))
        memory = {tool: peak_rss(os.path.join(folder, f"time-{tool}.txt")) for tool in TOOLS}
        outputs = {tool: os.path.join(folder, f"out-{tool}.txt") for tool in TOOLS}
        tools = [t for t in TOOLS if t in warm or t in cold or memory[t] is not None or os.path.exists(outputs[t])]
        if not tools:
            return None

        groups = {}
        for tool in tools:
            if os.path.exists(outputs[tool]):
                groups[tool] = normalized(read_groups(FORMATS[tool], outputs[tool]))

        files = int(info.get("files", 0))
        size = int(info.get("apparent_bytes", 0))
        warm_runs = max((r["runs"] for r in warm.values()), default=0)
        cold_runs = max((r["runs"] for r in cold.values()), default=0)
        self.out(f"### {name}: {files:,} files, {size / 1e9:.2f} GB")
        self.out()
        parts = []
        if warm:
            parts.append(f"warm: median of {warm_runs}, tree read into the page cache before each run"
                         + load_note(os.path.join(folder, "load-warm.txt")))
        if cold:
            parts.append(f"cold: median of {cold_runs}, page cache dropped before each run"
                         + load_note(os.path.join(folder, "load-cold.txt")))
        try:
            with open(os.path.join(folder, "pelimor.txt")) as f:
                parts.append("pelimor-find of " + f.read().strip())
        except OSError:
            pass
        if parts:
            self.out("; ".join(parts) + ". Ratio: pelimor-find's wall time divided by the tool's.")
            self.out()
        has_memory = any(memory[t] is not None for t in tools)
        header = ["tool"]
        if warm:
            header += ["warm wall", "warm CPU", "warm ratio"]
        if cold:
            header += ["cold wall", "cold CPU", "cold ratio"]
        if has_memory:
            header += ["peak memory"]
        if groups:
            header += ["groups"]
        self.out("| " + " | ".join(header) + " |")
        self.out("|---" + "|---:" * (len(header) - 1 - (1 if groups else 0)) + ("|---" if groups else "") + "|")
        mine = groups.get("pelimor")
        for tool in tools:
            row = [LABELS.get(tool, tool)]
            for data in ([warm] if warm else []) + ([cold] if cold else []):
                entry, base = data.get(tool), data.get("pelimor")
                row += [fmt_seconds(entry and entry["median"]), fmt_seconds(entry and entry["cpu"]),
                        fmt_ratio(base["median"] / entry["median"] if entry and base else None)]
            if has_memory:
                row.append(fmt_mib(memory[tool]))
            if groups:
                agree = "–"
                if tool in groups:
                    found, missing = groups[tool]
                    count = f"{len(found):,} groups of {sum(len(g) for g in found):,} files"
                    if tool == "pelimor" or mine is None:
                        agree = count
                    elif found == mine[0]:
                        agree = "same"
                    else:
                        agree = (f"DIFFERENT: {count}; {len(found - mine[0])} only here, "
                                 f"{len(mine[0] - found)} only in pelimor-find's")
                    if missing:
                        agree += f" ({missing} paths not found)"
                row.append(agree)
            self.out("| " + " | ".join(row) + " |")
        self.out()

        # Goals that this tree decides.
        if "pelimor" in groups and "jdupes" in groups:
            same = groups["pelimor"][0] == groups["jdupes"][0]
            self.goal(same, f"{name}: same groups as jdupes")
        if name in MAIN_TREES:
            for label, data, ratio in (("warm", warm, WARM_RATIO), ("cold", cold, COLD_RATIO)):
                if "pelimor" in data and "jdupes" in data:
                    mine_s, theirs = data["pelimor"]["median"], data["jdupes"]["median"]
                    self.goal(mine_s <= ratio * theirs,
                              f"{name} {label}: pelimor-find {mine_s:.3f} s <= {ratio} x jdupes {theirs:.3f} s "
                              f"= {ratio * theirs:.3f} s (ratio {mine_s / theirs:.2f})")
            if memory["pelimor"] is not None and memory["jdupes"] is not None:
                limit = memory["jdupes"] + MEMORY_OVER_JDUPES
                self.goal(memory["pelimor"] <= limit,
                          f"{name} memory: pelimor-find {fmt_mib(memory['pelimor'])} <= jdupes "
                          f"{fmt_mib(memory['jdupes'])} + 32 MiB = {fmt_mib(limit)}")
        if name == "million" and memory["pelimor"] is not None and files:
            limit = MILLION_FIXED + MILLION_PER_FILE * files
            per_file = max(0, memory["pelimor"] - MILLION_FIXED) / files
            self.goal(memory["pelimor"] <= limit,
                      f"million memory: pelimor-find {fmt_mib(memory['pelimor'])} <= 64 MiB + 200 B x {files:,} files "
                      f"= {fmt_mib(limit)} ({per_file:.0f} B per file above 64 MiB)")
        self.cache(name, folder, files)
        return {"warm": warm, "cold": cold, "memory": memory, "files": files}

    def cache(self, name, folder, files):
        runs = {label: hyperfine_results(os.path.join(folder, f"cache-{label}.json")) for label in ("warm", "cold")}
        if not runs["warm"] and not runs["cold"]:
            return
        kinds = ["no cache", "first search", "second search"]
        self.out(f"#### {name}: the checksum cache")
        self.out()
        self.out("| run | warm wall | warm CPU | cold wall | cold CPU |")
        self.out("|---|---:|---:|---:|---:|")
        for kind in kinds:
            cells = []
            for label in ("warm", "cold"):
                entry = runs[label].get(kind)
                cells += [fmt_seconds(entry and entry["median"]), fmt_seconds(entry and entry["cpu"])]
            self.out(f"| {kind} | " + " | ".join(cells) + " |")
        self.out()
        try:
            with open(os.path.join(folder, "cache-bytes.txt")) as f:
                cache_bytes = int(f.read())
            with open(os.path.join(folder, "cache-output.txt")) as f:
                same_output = f.read().strip() == "same"
        except (OSError, ValueError):
            cache_bytes, same_output = None, None
        memory = peak_rss(os.path.join(folder, "time-cache-second.txt"))
        self.out(f"Second search: peak memory {fmt_mib(memory)}, cache file "
                 + ("–" if cache_bytes is None else f"{cache_bytes / MiB:.1f} MiB ({cache_bytes / max(1, files):.0f} B per file)")
                 + ".")
        self.out()
        if same_output is not None:
            self.goal(same_output, f"{name} cache: the second search prints the same as a search without the cache")
        cold, warm = runs["cold"], runs["warm"]
        if name in CACHE_COLD_RATIO and "first search" in cold and "second search" in cold:
            first, second, limit = cold["first search"]["median"], cold["second search"]["median"], CACHE_COLD_RATIO[name]
            self.goal(second <= limit * first, f"{name} cold: second search {second:.3f} s <= {limit} x first "
                      f"{first:.3f} s (ratio {second / first:.2f})")
        if name in ("user-like", "million") and "no cache" in warm and "second search" in warm:
            plain, second = warm["no cache"]["median"], warm["second search"]["median"]
            self.goal(second <= CACHE_WARM_RATIO * plain, f"{name} warm: with the cache {second:.3f} s <= "
                      f"{CACHE_WARM_RATIO} x without {plain:.3f} s (ratio {second / plain:.2f})")
        if name == "million" and "no cache" in warm and "first search" in warm:
            plain, first = warm["no cache"]["median"], warm["first search"]["median"]
            # The kinds take turns, so each round's two runs saw the same drift of the machine.
            paired = [b / a for a, b in zip(warm["no cache"]["times"], warm["first search"]["times"]) if a > 0]
            paired_note = f"; median of the rounds' ratios {statistics.median(paired):.3f}" if paired else ""
            self.goal(first <= CACHE_SAVE_RATIO * plain, f"million warm: a search that saves the cache {first:.3f} s <= "
                      f"{CACHE_SAVE_RATIO} x one without {plain:.3f} s (ratio {first / plain:.2f}{paired_note})")
        if name == "million" and memory is not None and files:
            limit = MILLION_FIXED + MILLION_PER_FILE * files
            self.goal(memory <= limit, f"million memory with the cache: {fmt_mib(memory)} <= {fmt_mib(limit)}")
        if name == "million" and cache_bytes is not None and files:
            self.goal(cache_bytes <= CACHE_BYTES_PER_FILE * files,
                      f"million cache file: {cache_bytes / files:.0f} B per file <= {CACHE_BYTES_PER_FILE}")

    def checksum(self):
        data = read_json(os.path.join(self.dir, "checksum.json"))
        if not data:
            return
        self.out("### Checksums in memory, one core (Google Benchmark, bench_checksum)")
        self.out()
        self.out("| benchmark | GB/s |")
        self.out("|---|---:|")
        pair = None
        for entry in data.get("benchmarks", []):
            if entry.get("run_type", "iteration") != "iteration":
                continue
            rate = entry.get("bytes_per_second")
            if rate is None:
                continue
            self.out(f"| {entry['name']} | {rate / 1e9:.2f} |")
            if entry["name"] == "BM_ContentHasher/1048576":
                pair = rate
        self.out()
        if pair is not None:
            self.goal(pair >= CHECKSUM_BYTES_PER_S,
                      f"checksums: CRC-32 + XXH3-128 (ContentHasher, 1 MiB) {pair / 1e9:.2f} GB/s >= 5 GB/s")

    def run(self):
        meta = os.path.join(self.dir, "meta.txt")
        if os.path.exists(meta):
            with open(meta) as f:
                self.out("```")
                self.out(f.read().rstrip())
                self.out("```")
                self.out()
        trees = sorted(d for d in os.listdir(self.dir) if os.path.isdir(os.path.join(self.dir, d)))
        order = ["user-like", "large", "40k", "million", "small"]
        trees.sort(key=lambda t: (order.index(t) if t in order else len(order), t))
        measured = {}
        for name in trees:
            result = self.tree(name)
            if result:
                measured[name] = result
        if "40k" in measured and "million" in measured:
            small, big = measured["40k"]["warm"].get("pelimor"), measured["million"]["warm"].get("pelimor")
            if small and big:
                factor = big["median"] / small["median"]
                files_factor = measured["million"]["files"] / max(1, measured["40k"]["files"])
                # The same factor for the other tools measured on both trees, the system calls alone among them.
                others = []
                for tool in TOOLS[1:]:
                    a, b = measured["40k"]["warm"].get(tool), measured["million"]["warm"].get(tool)
                    if a and b:
                        others.append(f"{LABELS.get(tool, tool)} {b['median'] / a['median']:.1f}")
                self.goal(big["median"] <= LINEAR_FACTOR * small["median"],
                          f"linear cost: million {big['median']:.3f} s <= 25 x 40k {small['median']:.3f} s "
                          f"= {LINEAR_FACTOR * small['median']:.3f} s (factor {factor:.1f} for {files_factor:.0f} x the files"
                          + (f"; factor of {', '.join(others)}" if others else "") + ")")
        self.checksum()
        if self.goals:
            self.out("### Goals")
            self.out()
            for passed, text in self.goals:
                mark = "PASS" if passed else "FAIL"
                self.out(f"- {mark}: {text}")
            self.out()
        text = "\n".join(self.lines) + "\n"
        with open(os.path.join(self.dir, "report.md"), "w") as f:
            f.write(text)
        sys.stdout.write(text)
        return all(p for p, _ in self.goals)


def main(argv):
    if len(argv) == 4 and argv[1] == "--groups":
        found, missing = normalized(read_groups(argv[2], argv[3]))
        for group in sorted(sorted(g) for g in found):
            print(" ".join(f"{d}:{i}" for d, i in group))
        print(f"{len(found)} groups, {missing} paths not found", file=sys.stderr)
        return 0
    if len(argv) != 2 or not os.path.isdir(argv[1]):
        print(__doc__, file=sys.stderr)
        return 2
    return 0 if Report(argv[1]).run() else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
