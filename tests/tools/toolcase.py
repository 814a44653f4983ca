"""Shared set-up of the sorrel tool tests: the tool's path, a private profile,
phone book files written in Windows-1250."""
import os
import subprocess
import sys
import tempfile
import unittest

TOOL = None


class ToolCase(unittest.TestCase):
    def setUp(self):
        self._dir = tempfile.TemporaryDirectory(prefix="sorrel-tool-")
        self.dir = self._dir.name
        self.env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(self.dir, "config"))

    def tearDown(self):
        self._dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write_book(self, name, lines, line_end="\n"):
        """A phone book from lines of text (UTF-8 here, Windows-1250 in the file)."""
        path = self.path(name)
        with open(path, "wb") as f:
            f.write("".join(line + line_end for line in lines).encode("cp1250"))
        return path

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def run_tool(self, *args, expect=0):
        p = subprocess.run([TOOL, *args], capture_output=True, env=self.env)
        self.assertEqual(p.returncode, expect, f"sorrel {' '.join(args)}\nstdout: {p.stdout!r}\nstderr: {p.stderr!r}")
        return p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def main():
    global TOOL
    TOOL = sys.argv.pop(1)
    unittest.main(verbosity=2)
