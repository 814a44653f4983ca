#!/usr/bin/env python3
"""bench/report.py on the fixed result file report-results.json: the figures,
linearity, targets and end-to-end sections of the document it writes, compared
with report.ref (the pairing of each operation with its floor, the ratios, the
verdicts, a failed floor named rather than divided by, the mean aggregate after
the minimum never taken for the figure, no tool build named).
Usage: report_test.py PATH/TO/report.py; SORREL_UPDATE_GOLDEN=1 writes report.ref."""
import difflib
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPORT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "..", "bench", "report.py")
GOLDEN = os.path.join(HERE, "report.ref")
SECTIONS = ("Figures", "Linearity", "Targets of the benchmark issue", "End to end: the sorrel tool")

with tempfile.TemporaryDirectory() as tmp:
    out = os.path.join(tmp, "PERFORMANCE.md")
    p = subprocess.run([sys.executable, REPORT, "--json", os.path.join(HERE, "report-results.json"),
                        "--build", os.path.join(tmp, "no-build"), "--out", out], capture_output=True, text=True)
    if p.returncode != 0:
        sys.exit(f"report.py failed: {p.stderr}")
    with open(out) as f:
        sections = f.read().split("\n## ")
actual = "".join("## " + s.rstrip() + "\n\n" for s in sections if s.split("\n")[0] in SECTIONS)
if os.environ.get("SORREL_UPDATE_GOLDEN"):
    with open(GOLDEN, "w") as f:
        f.write(actual)
with open(GOLDEN) as f:
    expected = f.read()
if actual != expected:
    sys.exit("report.py's document differs from report.ref:\n" +
             "".join(difflib.unified_diff(expected.splitlines(True), actual.splitlines(True), "report.ref", "written")))
print("report.py: the figures, linearity, targets and end-to-end sections match report.ref")
