"""Shared set-up of the sorrel tool tests: the tool's path, a private profile,
phone book files written in Windows-1250."""
import os
import re
import subprocess
import sys
import tempfile
import unittest

TOOL = None
HERE = os.path.dirname(os.path.abspath(__file__))


def column(table, caption):
    """The cells of one column of a table as sorrel show prints it: the rule
    under the header marks each column's extent with dashes."""
    lines = table.splitlines()
    if not lines:
        return []
    spans = [m.span() for m in re.finditer(r"-+", lines[1])]
    i = next(i for i, (a, b) in enumerate(spans) if lines[0][a:b].strip() == caption)
    return [row[spans[i][0]:spans[i][1] if i + 1 < len(spans) else None].strip() for row in lines[2:]]


class ToolCase(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory(prefix="sorrel-tool-")
        self.dir = self._dir.name
        self.env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.dir, "config"))

    def tearDown(self):
        self._dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)
        return self.path(name)

    def write_book(self, name, lines, line_end="\n"):
        """A phone book from lines of text (UTF-8 here, Windows-1250 in the file)."""
        return self.write(name, "".join(line + line_end for line in lines).encode("cp1250"))

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def book_lines(self, path, line_end="\n"):
        return self.read(path).decode("cp1250").split(line_end)

    def run_tool(self, *args, expect=0):
        p = subprocess.run([TOOL, *args], capture_output=True, env=self.env)
        self.assertEqual(p.returncode, expect, f"sorrel {' '.join(args)}\nstdout: {p.stdout!r}\nstderr: {p.stderr!r}")
        return p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def main():
    global TOOL
    TOOL = sys.argv.pop(1)
    unittest.main(verbosity=2)
