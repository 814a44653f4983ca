#!/usr/bin/env python3
"""bench/report.py on a fixed result file: the pairing of each operation with its
floor, the ratios, the verdicts on the targets and on linearity, and a failed
benchmark shown as failed. Usage: report_test.py PATH/TO/report.py"""
import json
import os
import subprocess
import sys
import tempfile
import unittest

REPORT = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(__file__), "..", "..", "bench", "report.py")


def run(name, ms, n=100000, bytes_=0, error=None):
    r = {"name": name + "_min", "run_name": name, "run_type": "aggregate", "aggregate_name": "min",
         "cpu_time": ms, "real_time": ms * 2, "time_unit": "ms", "n": n, "bytes": bytes_}
    if error:
        r.update(error_occurred=True, error_message=error)
    return r


FIXTURE = {"context": {}, "benchmarks": [
    # a mean aggregate that must not be taken for the figure
    dict(run("PhoneTextRead/100000", 999.0), name="PhoneTextRead/100000_mean", aggregate_name="mean"),
    run("PhoneTextRead/100000", 50.0, bytes_=20000000),
    run("PhoneTextRead_floor/100000", 10.0),
    run("PhoneTextRead/10000", 4.0, n=10000),
    run("PhoneTextRead_floor/10000", 1.0, n=10000),
    run("VCardRead/v21_utf8/100000", 20.0),
    run("VCardRead_floor/v21_utf8/100000", 10.0),
    run("VCardWrite/v21_utf8/100000", 250.0),
    run("VCardWrite_format_floor/v21_utf8/100000", 0.0, error="the floor writer differs"),
    run("SortEntries/sort/1000000", 1200.0, n=1000000),
    run("SortEntries_floor/1000000", 1000.0, n=1000000),
]}


class Report(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with tempfile.TemporaryDirectory() as tmp:
            fixture, out = os.path.join(tmp, "results.json"), os.path.join(tmp, "PERFORMANCE.md")
            with open(fixture, "w") as f:
                json.dump(FIXTURE, f)
            p = subprocess.run([sys.executable, REPORT, "--json", fixture, "--build", os.path.join(tmp, "no-build"),
                                "--out", out], capture_output=True, text=True)
            if p.returncode != 0:
                raise AssertionError(p.stderr)
            with open(out) as f:
                cls.doc = f.read()

    def row(self, start):
        rows = [line for line in self.doc.splitlines() if line.startswith(start)]
        self.assertTrue(rows, "no row starting with " + start)
        return rows[0]

    def test_figures_pair_each_operation_with_its_floor(self):
        row = self.row("| PhoneTextRead | 100000 |")
        self.assertIn("| 50.00 | 2.00 M | 400 | memchr line scan | 10.000 | 5.0× | ≤ 4.0× | **no** |", row)
        self.assertIn("| 2.0× | ≤ 4.0× | yes |", self.row("| VCardRead/v21_utf8 | 100000 |"))
        self.assertIn("| 1.2× | ≤ 1.5× | yes |", self.row("| SortEntries/sort | 1000000 |"))

    def test_a_failed_floor_is_named_not_divided_by(self):
        row = self.row("| VCardWrite/v21_utf8 | 100000 | 250.00 | 400 k | – | memcpy-plus-format writer |")
        self.assertIn("the floor writer differs", row)
        self.assertIn("memcpy-plus-format floor: not measured", self.doc)

    def test_targets_say_met_or_by_how_much_not(self):
        self.assertIn("Reading vCard 2.1 (UTF-8 form), time / memmem floor: 2.00× against at most 4.0× — met.",
                      self.doc)
        self.assertIn("Writing vCard 2.1 (UTF-8 form), cards/s: 400 k cards/s against at least 500 k cards/s"
                      " — **not met** (short by 1.2×).", self.doc)
        self.assertIn("Reading the phone text form, time / memchr floor: 5.00× against at most 4.0× — "
                      "**not met** (over by 1.2×).", self.doc)
        self.assertIn("not measured in this run", self.row("- Sorting 1,000,000 entries by 3, 2, 1, 4 with std::stable_sort"))

    def test_linearity_compares_ten_times_the_input(self):
        self.assertIn("| 4.00 | 50.00 | 12.5× | 10.0× | 11.0× | **no** |",
                      self.row("| PhoneTextRead | 10,000 → 100,000 |"))
        self.assertIn("**not met** by PhoneTextRead (12.5×)", self.doc)

    def test_without_a_tool_build_the_end_to_end_part_says_so(self):
        self.assertIn("The generator failed; no end-to-end figures.", self.doc)


if __name__ == "__main__":
    unittest.main()
