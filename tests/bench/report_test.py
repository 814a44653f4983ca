#!/usr/bin/env python3
"""bench/report.py on a fixed result file: the figures, linearity, targets and
end-to-end sections of the document it writes, compared with report.ref (the
pairing of each operation with its floor, the ratios, the verdicts, a failed
floor named rather than divided by, a mean aggregate never taken for the figure).
Usage: report_test.py PATH/TO/report.py; SORREL_UPDATE_GOLDEN=1 writes report.ref."""
import json
import os
import subprocess
import sys
import tempfile

REPORT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "bench", "report.py")
GOLDEN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "report.ref")
SECTIONS = ("## Figures", "## Linearity", "## Targets of the benchmark issue", "## End to end: the sorrel tool")


def run(run_name, ms, n=100000, bytes_=0, **extra):
    return {"name": run_name + "_min", "run_name": run_name, "run_type": "aggregate", "aggregate_name": "min",
            "cpu_time": ms, "real_time": ms * 2, "time_unit": "ms", "n": n, "bytes": bytes_, **extra}


FIXTURE = {"context": {}, "benchmarks": [
    run("PhoneTextRead/100000", 999.0, name="PhoneTextRead/100000_mean", aggregate_name="mean"),
    run("PhoneTextRead/100000", 50.0, bytes_=20000000),
    run("PhoneTextRead_floor/100000", 10.0),
    run("PhoneTextRead/10000", 4.0, n=10000),
    run("PhoneTextRead_floor/10000", 1.0, n=10000),
    run("VCardRead/v21_utf8/100000", 20.0),
    run("VCardRead_floor/v21_utf8/100000", 10.0),
    run("VCardWrite/v21_utf8/100000", 250.0),
    run("VCardWrite_format_floor/v21_utf8/100000", 0.0, error_occurred=True, error_message="the floor writer differs"),
    run("SortEntries/sort/1000000", 1200.0, n=1000000),
    run("SortEntries_floor/1000000", 1000.0, n=1000000),
]}

with tempfile.TemporaryDirectory() as tmp:
    fixture, out = os.path.join(tmp, "results.json"), os.path.join(tmp, "PERFORMANCE.md")
    with open(fixture, "w") as f:
        json.dump(FIXTURE, f)
    p = subprocess.run([sys.executable, REPORT, "--json", fixture, "--build", os.path.join(tmp, "no-build"),
                        "--out", out], capture_output=True, text=True)
    if p.returncode != 0:
        sys.exit(f"report.py failed: {p.stderr}")
    with open(out) as f:
        sections = f.read().split("\n## ")
actual = "".join("## " + s.rstrip() + "\n\n" for s in sections if "## " + s.split("\n")[0] in SECTIONS)
if os.environ.get("SORREL_UPDATE_GOLDEN"):
    with open(GOLDEN, "w") as f:
        f.write(actual)
with open(GOLDEN) as f:
    expected = f.read()
if actual != expected:
    import difflib
    sys.exit("report.py's document differs from report.ref:\n" +
             "".join(difflib.unified_diff(expected.splitlines(True), actual.splitlines(True), "report.ref", "written")))
print("report.py: the document's figures, linearity, targets and end-to-end sections match report.ref")
