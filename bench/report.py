#!/usr/bin/env python3
"""Runs the benchmark suite and the sorrel tool on generated inputs, and writes
docs/PERFORMANCE.md: the machine, every figure beside its floor, the targets of
the benchmark issue met or not, and the tool's end-to-end times and peak memory.

Usage: bench/report.py --build build-bench [--out docs/PERFORMANCE.md]
                       [--json FILE] [--repetitions N] [--filter REGEX]
With --json an existing result file of sorrel_bench is reported instead of a new run.
Python 3 standard library only.
"""
import argparse
import datetime
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

# Each measured operation: its floor, and the largest allowed ratio to
# it (None: shown, no target).
PAIRS = [
    ("PhoneTextRead", "PhoneTextRead_floor", 4.0, "memchr line scan"),
    ("PhoneTextRead", "PhoneTextRead_model", None, "yardstick: building the same entries"),
    ("PhoneTextWrite", "PhoneTextWrite_floor", 4.0, "memcpy of the output"),
    ("VCardRead/v21_utf8", "VCardRead_floor/v21_utf8", 4.0, "memmem card scan"),
    ("VCardRead/v21_utf7", "VCardRead_floor/v21_utf7", 4.0, "memmem card scan"),
    ("VCardRead/v21_utf8", "VCardRead_model", None, "yardstick: building the same entries"),
    ("VCardWrite/v21_utf8", "VCardWrite_format_floor/v21_utf8", 4.0, "memcpy-plus-format writer"),
    ("VCardWrite/v21_utf7", "VCardWrite_format_floor/v21_utf7", 4.0, "memcpy-plus-format writer"),
    ("VCardWrite/v10", "VCardWrite_format_floor/v10", None, "memcpy-plus-format writer"),
    ("VCardWrite/v21_utf8", "VCardWrite_floor/v21_utf8", None, "memcpy of the output"),
    ("VCardWrite/v21_utf7", "VCardWrite_floor/v21_utf7", None, "memcpy of the output"),
    ("VCardWrite/v10", "VCardWrite_floor/v10", None, "memcpy of the output"),
    ("CsvWrite", "CsvWrite_floor", None, "memcpy of the output"),
    ("ContainsSubstr/case_sensitive", "ContainsSubstr_floor/case_sensitive", None, "string_view::find over the same fields"),
    ("ContainsSubstr/case_insensitive", "ContainsSubstr_floor/case_insensitive", None, "table fold + find over the same fields"),
    ("SortEntries/sort", "SortEntries_floor", 1.5, "std::sort of the names, ASCII fold"),
    ("SortEntries/stable_sort", "SortEntries_floor", 1.5, "std::sort of the names, ASCII fold"),
    ("SortEntries/sort", "SortEntries_inline_chain/inlined", None, "yardstick: the chain inlined"),
    ("SortEntries/sort", "SortEntries_inline_chain/called", None, "yardstick: the chain behind a call"),
]
# Sizes at which each family is reported, and the pair of sizes for linearity.
BIG = {"SortEntries": 1000000}
SMALL = {"SortEntries": 100000}
DEFAULT_BIG, DEFAULT_SMALL = 100000, 10000
WRITE_TARGET_CARDS_PER_S = 500000
LINEARITY_LIMIT = 11.0
MEMORY_LIMIT = 3.0
TOOL_CARDS = 100000


def sh(cmd, **kw):
    return subprocess.run(cmd, capture_output=True, text=True, **kw)


def machine():
    info = {}
    out = sh(["lscpu"]).stdout if shutil.which("lscpu") else ""
    for line in out.splitlines():
        key, _, value = line.partition(":")
        info[key.strip()] = value.strip()
    mem_kb = 0
    with open("/proc/meminfo") as f:
        for line in f:
            if line.startswith("MemTotal:"):
                mem_kb = int(line.split()[1])
    cxx = sh(["c++", "--version"]).stdout.splitlines()
    return {
        "model": info.get("Model name", "unknown"),
        "cpus": info.get("CPU(s)", str(os.cpu_count())),
        "l3": info.get("L3 cache", "?"),
        "memory": "%.1f GiB" % (mem_kb / 1048576.0),
        "kernel": os.uname().release,
        "compiler": cxx[0] if cxx else "unknown",
    }


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def run_suite(build, repetitions, flt):
    exe = os.path.join(build, "bench", "sorrel_bench")
    out = os.path.join(build, "bench-results.json")
    cmd = [exe, "--benchmark_out=" + out, "--benchmark_out_format=json",
           "--benchmark_repetitions=%d" % repetitions, "--benchmark_report_aggregates_only=true",
           # Repetitions of all benchmarks in random order: a burst of load on the
           # shared machine then falls on operations and floors alike.
           "--benchmark_enable_random_interleaving=true"]
    if flt:
        cmd.append("--benchmark_filter=" + flt)
    print("report: running", " ".join(cmd), flush=True)
    if subprocess.run(cmd).returncode != 0:
        sys.exit("report: the benchmark run failed")
    return out


def results(path):
    """run name -> {cpu ms, n, bytes, error}: the fastest repetition when there
    are several (the "min" aggregate), else the one run."""
    with open(path) as f:
        data = json.load(f)
    found = {}
    repetitions = 1
    for b in data["benchmarks"]:
        repetitions = max(repetitions, int(b.get("repetitions", 1)))
        name = b.get("run_name", b["name"])
        kind = b.get("aggregate_name") if b.get("run_type") == "aggregate" else "run"
        if kind not in ("min", "run"):
            continue
        if kind == "run" and name in found:
            continue
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
        found[name] = {
            "ms": b["cpu_time"] * scale,
            "wall_ms": b["real_time"] * scale,
            "n": b.get("n", 0),
            "bytes": b.get("bytes", 0),
            "heap": b.get("heap_per_entry"),
            "error": b.get("error_message") if b.get("error_occurred") else None,
        }
    return data.get("context", {}), found, repetitions


def size_of(op, which):
    family = op.split("/")[0]
    return (BIG if which == "big" else SMALL).get(family, DEFAULT_BIG if which == "big" else DEFAULT_SMALL)


def fmt_rate(x):
    if x >= 1e6:
        return "%.2f M" % (x / 1e6)
    if x >= 1e3:
        return "%.0f k" % (x / 1e3)
    return "%.0f" % x


def operation_rows(res):
    rows = []
    for op, floor, target, floor_name in PAIRS:
        for which in ("small", "big"):
            n = size_of(op, which)
            a, f = res.get("%s/%d" % (op, n)), res.get("%s/%d" % (floor, n))
            if not a:
                continue
            rows.append((op, n, a, floor, f, target, floor_name))
    return rows


def figures_table(rows):
    out = ["| operation | n | CPU ms | items/s | MB/s | floor | floor ms | ratio | target | met |",
           "|---|---:|---:|---:|---:|---|---:|---:|---:|:-:|"]
    for op, n, a, floor, f, target, floor_name in rows:
        if a["error"]:
            out.append("| %s | %d | error: %s | | | | | | | |" % (op, n, a["error"]))
            continue
        items = a["n"] / (a["ms"] / 1e3) if a["ms"] else 0
        mbs = a["bytes"] / (a["ms"] / 1e3) / 1e6 if a["ms"] and a["bytes"] else 0
        if f and not f["error"]:
            ratio = a["ms"] / f["ms"] if f["ms"] else float("inf")
            met = "" if target is None else ("yes" if ratio <= target else "**no**")
            out.append("| %s | %d | %.2f | %s | %s | %s | %.3f | %.1f× | %s | %s |" % (
                op, n, a["ms"], fmt_rate(items), "%.0f" % mbs if mbs else "–", floor_name,
                f["ms"], ratio, "≤ %.1f×" % target if target else "–", met))
        else:
            why = f["error"] if f and f["error"] else "not measured"
            out.append("| %s | %d | %.2f | %s | %s | %s | %s | – | – | |" % (
                op, n, a["ms"], fmt_rate(items), "%.0f" % mbs if mbs else "–", floor_name, why))
    return out


def memory_table(res):
    out = ["| reading | heap per entry | 100,000 entries | input of 100,000 | heap / input |",
           "|---|---:|---:|---:|---:|"]
    for name in ("PhoneTextRead", "PhoneTextRead_model", "VCardRead/v21_utf8", "VCardRead/v21_utf7", "VCardRead_model"):
        r = res.get("%s/%d" % (name, DEFAULT_BIG))
        if not r or not r.get("heap") or not r["n"]:
            continue
        total = r["heap"] * DEFAULT_BIG
        per_item_input = r["bytes"] / r["n"] if r["n"] else 0
        out.append("| %s | %.0f B | %.0f MB | %.0f MB | %.1f× |" % (
            name, r["heap"], total / 1e6, per_item_input * DEFAULT_BIG / 1e6,
            total / (per_item_input * DEFAULT_BIG) if per_item_input else 0))
    return out


def linearity_table(res):
    """Each operation at n and 10 n beside its floor's growth. Sorting is held
    to n log n: 10× the input may take 11/10 of the 12.5× that n log n grows."""
    floors = {}
    for op, floor, target, floor_name in PAIRS:
        if not floor_name.startswith("yardstick"):
            floors.setdefault(op, floor)
    out = ["| operation | n → 10 n | CPU ms at n | CPU ms at 10 n | time ratio | its floor's ratio | limit | met |",
           "|---|---|---:|---:|---:|---:|---:|:-:|"]
    verdicts = {}
    for name, floor in floors.items():
        small, big = size_of(name, "small"), size_of(name, "big")
        a, b = res.get("%s/%d" % (name, small)), res.get("%s/%d" % (name, big))
        if not a or not b or a["error"] or b["error"] or not a["ms"]:
            continue
        fa, fb = res.get("%s/%d" % (floor, small)), res.get("%s/%d" % (floor, big))
        floor_ratio = fb["ms"] / fa["ms"] if fa and fb and not fa["error"] and not fb["error"] and fa["ms"] else None
        limit = LINEARITY_LIMIT * (12.5 / 10 if name.startswith("SortEntries") else 1)
        ratio = b["ms"] / a["ms"]
        ok = ratio <= limit
        verdicts[name] = (ratio, ok)
        out.append("| %s | %s → %s | %.2f | %.2f | %.1f× | %s | %.1f× | %s |" % (
            name, "{:,}".format(small), "{:,}".format(big), a["ms"], b["ms"], ratio,
            "%.1f×" % floor_ratio if floor_ratio else "–", limit, "yes" if ok else "**no**"))
    return out, verdicts


def targets(res, verdicts):
    lines = []

    def ratio(op, floor, n):
        a, f = res.get("%s/%d" % (op, n)), res.get("%s/%d" % (floor, n))
        if not a or not f or a["error"] or f["error"] or not f["ms"]:
            return None
        return a["ms"] / f["ms"]

    def say(label, value, limit, unit="×", more=False):
        if value is None:
            lines.append("- %s: not measured in this run." % label)
            return
        ok = value >= limit if more else value <= limit
        verdict = "met" if ok else "**not met** (%s by %.1f×)" % (
            "short" if more else "over", (limit / value) if more else (value / limit))
        lines.append("- %s: %s%s against %s %s%s — %s." % (
            label, "%.2f" % value if unit == "×" else fmt_rate(value), unit if unit == "×" else " " + unit,
            "at least" if more else "at most", "%.1f" % limit if unit == "×" else fmt_rate(limit),
            unit if unit == "×" else " " + unit, verdict))

    n = DEFAULT_BIG
    say("Reading vCard 2.1 (UTF-8 form), time / memmem floor", ratio("VCardRead/v21_utf8", "VCardRead_floor/v21_utf8", n), 4.0)
    w = res.get("VCardWrite/v21_utf8/%d" % n)
    say("Writing vCard 2.1 (UTF-8 form), cards/s", (w["n"] / (w["ms"] / 1e3)) if w and not w["error"] else None,
        WRITE_TARGET_CARDS_PER_S, unit="cards/s", more=True)
    w7 = res.get("VCardWrite/v21_utf7/%d" % n)
    say("Writing vCard 2.1 (UTF-7 form), cards/s", (w7["n"] / (w7["ms"] / 1e3)) if w7 and not w7["error"] else None,
        WRITE_TARGET_CARDS_PER_S, unit="cards/s", more=True)
    say("Writing vCard 2.1 (UTF-8 form), time / memcpy-plus-format floor",
        ratio("VCardWrite/v21_utf8", "VCardWrite_format_floor/v21_utf8", n), 4.0)
    say("Writing vCard 2.1 (UTF-7 form), time / memcpy-plus-format floor",
        ratio("VCardWrite/v21_utf7", "VCardWrite_format_floor/v21_utf7", n), 4.0)
    say("Reading the phone text form, time / memchr floor", ratio("PhoneTextRead", "PhoneTextRead_floor", n), 4.0)
    say("Writing the phone text form, time / memcpy floor", ratio("PhoneTextWrite", "PhoneTextWrite_floor", n), 4.0)
    say("Sorting 1,000,000 entries by 3, 2, 1, 4 with std::sort, time / floor",
        ratio("SortEntries/sort", "SortEntries_floor", 1000000), 1.5)
    say("Sorting 1,000,000 entries by 3, 2, 1, 4 with std::stable_sort, time / floor",
        ratio("SortEntries/stable_sort", "SortEntries_floor", 1000000), 1.5)
    bad = [k for k, (r, ok) in verdicts.items() if not ok]
    if verdicts:
        lines.append("- Linearity (10× the input in at most 11× the time): %s." % (
            "met by every operation" if not bad else "**not met** by " + ", ".join(
                "%s (%.1f×)" % (k, verdicts[k][0]) for k in bad)))
    return lines


def time_v(cmd, stdout_path=None, env=None):
    """Runs cmd under /usr/bin/time -v: (exit code, wall s, peak RSS KiB, stderr tail)."""
    if not os.path.exists("/usr/bin/time"):
        return None
    with tempfile.NamedTemporaryFile("r", suffix=".time") as t:
        out = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
        p = subprocess.run(["/usr/bin/time", "-v", "-o", t.name] + cmd, stdout=out, stderr=subprocess.PIPE,
                           env=env)
        if stdout_path:
            out.close()
        report = t.read()
    wall = re.search(r"Elapsed \(wall clock\) time.*: (?:(\d+):)?(\d+):([\d.]+)", report)
    rss = re.search(r"Maximum resident set size \(kbytes\): (\d+)", report)
    seconds = 0.0
    if wall:
        h, m, s = wall.groups()
        seconds = int(h or 0) * 3600 + int(m) * 60 + float(s)
    err = p.stderr.decode("utf-8", "replace").strip().splitlines()
    return p.returncode, seconds, int(rss.group(1)) if rss else 0, err[-1] if err else ""


def tool_commands(tool):
    out = sh([tool, "--help"]).stdout if os.path.exists(tool) else ""
    return set(re.findall(r"^  (\S+)\s", out, re.M))


def usage(tool, command):
    return sh([tool, command, "--help"]).stdout


def end_to_end(build, work):
    tool = os.path.join(build, "tools", "sorrel", "sorrel")
    gen = os.path.join(build, "bench", "sorrel-gen")
    cards = os.path.join(work, "cards.vcf")
    book = os.path.join(work, "book.txt")
    if not os.path.exists(gen) or sh([gen, "--seed", "7", "--count", str(TOOL_CARDS), "--vcard", cards]).returncode != 0:
        return ["The generator failed; no end-to-end figures."]
    size = os.path.getsize(cards)
    commands = tool_commands(tool)
    rows = ["| command | input | wall s | peak RSS | RSS / input | exit |", "|---|---|---:|---:|---:|:-:|"]
    notes = []

    # The tool keeps list settings in the per-user store: the runs get their own.
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "config"))

    def measure(label, cmd, input_path, stdout_path=None, limit=None):
        r = time_v(cmd, stdout_path, env)
        if r is None:
            notes.append("/usr/bin/time is missing (the `time` package): %s not measured." % label)
            return
        code, wall, rss, err = r
        in_size = os.path.getsize(input_path)
        share = rss * 1024.0 / in_size if in_size else 0
        verdict = ""
        if limit is not None:
            verdict = " (target ≤ %.0f×: %s)" % (limit, "met" if share <= limit else "**not met**")
        rows.append("| `%s` | %.1f MB | %.2f | %.1f MB | %.2f×%s | %d |" % (
            " ".join(["sorrel"] + cmd[1:]).replace(work + "/", ""), in_size / 1e6, wall, rss / 1024.0, share,
            verdict, code))
        if code not in (0, 1):
            notes.append("`%s` ended with %d: %s" % (label, code, err))

    if "import" in commands:
        measure("import", [tool, "import", cards, "-o", book], cards, limit=MEMORY_LIMIT)
    else:
        notes.append("`sorrel import` is not in this build: not measured.")
    if os.path.exists(book) and os.path.getsize(book) > 0:
        if "export" in commands:
            help_text = usage(tool, "export")
            for flag, name in (("--vcard21", "export.vcf"), ("--csv", "export.csv")):
                if flag in help_text:
                    measure("export " + flag, [tool, "export", book, flag, "-o", os.path.join(work, name)], book)
        else:
            notes.append("`sorrel export` is not in this build: not measured.")
        if "show" in commands:
            # Sorted by name first, then by the chain remembered for it.
            cmd = [tool, "show", book] + (["--sort", "3"] if "--sort" in usage(tool, "show") else [])
            measure("show", cmd, book, stdout_path=os.devnull)
        else:
            notes.append("`sorrel show` is not in this build: not measured.")
    return ["Input: %s cards of vCard 2.1 (UTF-8 form) from `sorrel-gen --seed 7 --count %d`, %.1f MB." % (
        "{:,}".format(TOOL_CARDS), TOOL_CARDS, size / 1e6), ""] + rows + [""] + ["- " + n for n in notes]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build-bench")
    ap.add_argument("--out", default="docs/PERFORMANCE.md")
    ap.add_argument("--json")
    ap.add_argument("--repetitions", type=int, default=5)
    ap.add_argument("--filter")
    args = ap.parse_args()

    here = os.path.dirname(os.path.abspath(__file__))
    load_before = load()
    started = datetime.datetime.now().strftime("%Y-%m-%d %H:%M")
    path = args.json or run_suite(args.build, args.repetitions, args.filter)
    context, res, repetitions = results(path)
    # The benchmark run's own record of when it started and how loaded the machine was.
    if context.get("date"):
        started = context["date"].replace("T", " ")[:16]
    if context.get("load_avg"):
        load_before = " ".join("%.2f" % x for x in context["load_avg"][:3])
    with tempfile.TemporaryDirectory(prefix="sorrel-e2e-") as work:
        e2e = end_to_end(args.build, work)
    load_after = load()

    rows = operation_rows(res)
    lin, verdicts = linearity_table(res)
    m = machine()
    doc = ["# Performance", "",
           "Written by `make bench` (bench/report.py); do not edit by hand. The analysis at the end comes from",
           "bench/analysis.md.", "",
           "## Machine and run", "",
           "- CPU: %s, %s CPUs, L3 %s; memory %s; kernel %s." % (m["model"], m["cpus"], m["l3"], m["memory"], m["kernel"]),
           "- Compiler: %s; library and benchmarks in Release (-O3), linked as a host links them (the shared libsorrel)." % m["compiler"],
           "- Benchmarks started %s. Load average (1, 5, 15 min) at the start: %s; when the report was written: %s. The machine is shared: a"
           " load above its CPU count means other processes competed for the CPUs and the caches, and every"
           " figure below is slower than on a quiet machine. The ratios suffer less, since an operation and"
           " its floor run in the same binary minutes apart." % (started, load_before, load_after),
           "- Figures are CPU time (wall time includes waiting for a CPU) of the fastest of %d repetitions"
           " (Google Benchmark's `min` aggregate)." % repetitions,
           "- Inputs: `bench/gen` with seed 7 (seed 11 for sorting), n slots of which about 2 % are empty"
           " (sorting: n entries, none empty); about a third of the entries hold Czech letters.", ""]
    if context.get("library_build_type") == "debug":
        doc.append("- Google Benchmark warns that its own library (Debian's package) was built without NDEBUG;"
                   " this concerns the harness only, not the code measured.\n")
    doc += ["## Floors", "",
            "Each floor runs in the same binary over the same bytes as its operation:", "",
            "- **memchr line scan** (phone text form, reading): `memchr` for each line end of the phone book file.",
            "- **memmem card scan** (vCard reading): `memmem` for each \"BEGIN:VCARD\" of the card file; the"
            " reader's loop splits the cards with the very same scan.",
            "- **memcpy of the output** (every writer): one `memcpy` of the writer's whole output into a buffer of"
            " its size.",
            "- **memcpy-plus-format writer** (vCard writing): bench/MinimalVCard.cpp, a writer that produces the"
            " library's bytes exactly (the benchmark checks this before it measures, and refuses to measure"
            " otherwise) with nothing but literal copies, table look-ups (Windows-1250 to `=XX` UTF-8 pairs or"
            " UTF-16 for base64), an integer civil-date conversion and one growing output string: no allocation"
            " per card or field, no printf, no iconv.",
            "- **std::sort of the names** (sorting): the entries' name pointers sorted with a plain ASCII"
            " case-folding byte comparison; the operation sorts the entry pointers by `CompareEntries` under"
            " the key chain 3, 2, 1, 4.",
            "- Search has no target; its floor is `std::string_view::find` over the same fields (after a table"
            " fold into a stack buffer for the case-insensitive mode).", "",
            "## Figures", ""] + figures_table(rows) + ["",
            "## Memory of the entries", "",
            "What the entries read by one pass hold on the heap (malloc's count of bytes in use, before and"
            " after destroying them), against the bytes they were read from. An entry with extended items is a"
            " `CEntry` with three strings and a `CExtendedItems` with 24 more, most of them filled: the model"
            " alone takes about three times the text it comes from.", ""] + memory_table(res) + ["",
            "## Linearity", "",
            "10 000 → 100 000 entries (sorting: 100 000 → 1 000 000, held to n log n, which grows 12.5× there)."
            " Beside each, how its floor grows over the same inputs: where the floor itself grows by more than"
            " 10×, the larger input no longer fits in the caches (10 000 entries take about 10 MB of heap, the"
            " L3 cache is 32 MB and shared), and no code can grow by less than its floor.", ""] + lin + ["",
            "## Targets of the benchmark issue", ""] + targets(res, verdicts) + ["",
            "## End to end: the sorrel tool", ""] + e2e + [""]
    # Sections measured by hand (printing), kept as they were written.
    for extra in ("analysis.md", "print.md"):
        path = os.path.join(here, extra)
        if os.path.exists(path):
            with open(path) as f:
                doc += [f.read().rstrip(), ""]
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    with open(args.out, "w") as f:
        f.write("\n".join(doc))
    print("report: wrote", args.out)


if __name__ == "__main__":
    main()
