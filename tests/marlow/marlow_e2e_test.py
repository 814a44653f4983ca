"""The typical run of the phone book manager, end to end: marlow starts on a
display of its own (Xvfb) and a session bus of its own, shows its splash, starts
the phone server through the wait dialog and loads the phone's book; the list
holds the book's entries in the stored sort order; a caption dragged with the
mouse moves its column, and the order is there again after a restart; an edit
reaches the server's file as exactly one changed line; the selected rows print
to a PDF in list order. Pictures of every step stay in the build folder.

usage: marlow_e2e_test.py MARLOW QUILLON SORREL SOURCE_DIR ARTEFACTS_DIR"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

MARLOW, QUILLON, SORREL, SOURCE, ARTEFACTS = (None,) * 5


def sort_key(captions, chain):
    """The list's rules along a chain of columns: a text compares as bytes of the
    code page with A to Z folded, an empty one last; a number as a number."""
    def key(row):
        values = [row[captions.index(c)] for c in chain]
        return [int(v or 0) if c in ("Paměť", "Pozice") else (not v, v.encode("cp1250", "replace").lower())
                for c, v in zip(chain, values)]
    return key


def read_tsv(path):
    with open(path, encoding="utf-8") as f:
        rows = [line.rstrip("\n").split("\t") for line in f if line.strip()]
    return rows[0], rows[1:]


class Session:
    """Xvfb and a session bus, both children of this test, stopped by pid."""

    def __init__(self, root):
        self.root = root
        self.procs = []
        self.env = dict(os.environ)
        for name in ("WAYLAND_DISPLAY", "SESSION_MANAGER"):
            self.env.pop(name, None)
        self.env["XDG_CONFIG_HOME"] = os.path.join(root, "config")
        self.env["XDG_RUNTIME_DIR"] = os.path.join(root, "run")
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        self.env["QT_QPA_PLATFORM"] = "xcb"
        self.env["LC_ALL"] = "C.UTF-8"

    def start(self):
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                                pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(xvfb)
        os.close(write)
        with os.fdopen(read) as f:
            display = f.readline().strip()
        if not display:
            raise RuntimeError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + display
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1",
                                "--address=unix:path=" + os.path.join(self.root, "bus")],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=self.env)
        self.procs.append(bus)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()

    def stop(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()


class MarlowRun(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for tool in ("Xvfb", "dbus-daemon", "pdftotext", "convert"):
            if not shutil.which(tool):
                raise unittest.SkipTest(tool + " is not installed (scripts/install-deps installs it)")
        cls.root = tempfile.mkdtemp(prefix="marlow-e2e-")
        cls.session = Session(cls.root)
        cls.session.start()
        cls.work = os.path.join(cls.root, "work")
        os.makedirs(cls.work)
        cls.book = os.path.join(cls.work, "phonebook.txt")
        shutil.copy(os.path.join(SOURCE, "examples", "phonebook.txt"), cls.book)
        with open(cls.book, "rb") as f:
            cls.original = f.read().split(b"\n")
        # The wait dialog starts "Quillon" from the current folder with the
        # instance name only: the folder's Quillon serves the test's book. The
        # server outlives marlow, so it must not hold marlow's output open.
        cls.pids = os.path.join(cls.root, "quillon.pids")
        wrapper = os.path.join(cls.work, "Quillon")
        with open(wrapper, "w") as f:
            f.write("#!/bin/sh\necho $$ >> '%s'\nexec '%s' \"$1\" --book '%s' --connect-after 500 --exit-after 120000 "
                    ">> '%s' 2>&1\n" % (cls.pids, QUILLON, cls.book, os.path.join(ARTEFACTS, "quillon.log")))
        os.chmod(wrapper, 0o755)
        os.makedirs(ARTEFACTS, exist_ok=True)
        # A stored sort chain other than the default: number first, then name,
        # memory and position.
        key = "HKCU\\Software\\Tovik\\Marlow\\ListCtrl"
        cls.sorrel("reg", "set", key, "PrimarySortingKey", "--dword", "4")
        cls.sorrel("reg", "set", key, "Column4SecondarySortingKeys", "--sz", "3,2,1")
        cls.sorrel("reg", "set", "HKCU\\Software\\Tovik", "SplashDelay", "--dword", "1500")

    @classmethod
    def tearDownClass(cls):
        if os.path.exists(cls.pids):
            with open(cls.pids) as f:
                for pid in f.read().split():
                    try:
                        os.kill(int(pid), signal.SIGTERM)
                    except ProcessLookupError:
                        pass
        time.sleep(0.2)
        cls.session.stop()
        shutil.rmtree(cls.root, ignore_errors=True)

    @classmethod
    def sorrel(cls, *args):
        subprocess.run([SORREL, *args], check=True, env=cls.session.env, capture_output=True)

    def art(self, name):
        return os.path.join(ARTEFACTS, name)

    def marlow(self, script, *options):
        path = os.path.join(self.root, "script.txt")
        with open(path, "w") as f:
            f.write(script)
        p = subprocess.run([MARLOW, "--script", path, *options], cwd=self.work, env=self.session.env,
                           capture_output=True, timeout=120)
        out, err = p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")
        self.assertEqual(p.returncode, 0, "marlow failed\nstdout:\n%s\nstderr:\n%s" % (out, err))
        return out

    def test_typical_run(self):
        # First run: the start, the list, and a caption drag.
        out = self.marlow("wait-splash\nscreen %s\ndump %s\nscreenshot %s\ndrag-caption 4 1\ndump %s\n"
                          "screenshot %s\nquit\n"
                          % (self.art("after-splash.png"), self.art("list-1.tsv"), self.art("main-1.png"),
                             self.art("list-2.tsv"), self.art("main-2.png")),
                          "--splash-screenshot", self.art("splash.png"))
        for line in ("splash: shown", "server: Tovik1 (to be started)", "wait dialog: OK",
                     "book: %d slots from Tovik1" % (len(self.original) - 2), "splash: gone"):
            self.assertIn(line, out)
        self.assertLess(out.index("splash: shown"), out.index("wait dialog: OK"))
        # The screen while the splash was up: the picture in its middle, where the
        # bare screen is black.
        mean = subprocess.run(["convert", self.art("splash.png"), "-gravity", "center", "-crop", "200x150+0+0",
                               "-format", "%[fx:mean]", "info:"], capture_output=True, check=True).stdout
        self.assertGreater(float(mean), 0.05, "the splash picture is on the screen")

        captions, rows = read_tsv(self.art("list-1.tsv"))
        # The base columns, then surname, group and mobile, the extended columns shown
        # until the user chooses others; the surname takes its place after the name.
        self.assertEqual(captions, ["Pozice", "Paměť", "Jméno", "Příjmení", "Číslo", "Skupina", "Mobil"])
        slots = [line for line in self.original[1:] if line.strip()]
        self.assertEqual(rows, sorted(rows, key=sort_key(captions, ["Číslo", "Jméno", "Paměť", "Pozice"])))
        # The list shows every slot the phone gave, once, by memory and position.
        shown = sorted((r[captions.index("Paměť")], r[captions.index("Pozice")]) for r in rows)
        self.assertEqual(shown, sorted(tuple(f.decode() for f in s.split(b",")[:2]) for s in slots
                                       if s.strip() != b"EMPTY"))

        moved, _ = read_tsv(self.art("list-2.tsv"))
        expected = ["Pozice", "Číslo", "Paměť", "Jméno", "Příjmení", "Skupina", "Mobil"]
        self.assertEqual(moved, expected, "the number caption dragged to the second place")

        # Second run: the order again, an edit sent back, the selection printed.
        row = 5
        out = self.marlow("dump %s\nedit %d item4=+420111222333\nsend\ndump %s\nselect 2,7,9\nprint %s\n"
                          "screenshot %s\nquit\n"
                          % (self.art("list-3.tsv"), row, self.art("list-4.tsv"), self.art("selected.pdf"),
                             self.art("main-3.png")))
        again, rows = read_tsv(self.art("list-3.tsv"))
        self.assertEqual(again, moved, "the column order survives a restart")

        with open(self.book, "rb") as f:
            served = f.read().split(b"\n")
        changed = [i for i, (a, b) in enumerate(zip(self.original, served)) if a != b]
        self.assertEqual(len(served), len(self.original))
        self.assertEqual(len(changed), 1, "exactly one line changed: %r" % changed)
        line = served[changed[0]].decode("cp1250")
        edited = rows[row]
        self.assertIn('"+420111222333"', line)
        self.assertTrue(line.startswith("%s,%s," % (edited[again.index("Paměť")], edited[again.index("Pozice")])), line)

        text = subprocess.run(["pdftotext", "-layout", self.art("selected.pdf"), "-"], capture_output=True,
                              check=True).stdout.decode("utf-8")
        # The edit re-sorted the list: the selection is of the list as it is now.
        _, rows = read_tsv(self.art("list-4.tsv"))
        numbers = [rows[i][again.index("Číslo")] for i in (2, 7, 9)]
        self.assertEqual(len(set(numbers)), 3)
        places = [text.find(n) for n in numbers]
        self.assertTrue(all(p >= 0 for p in places), "every selected row printed: %r\n%s" % (numbers, text))
        self.assertEqual(places, sorted(places), "printed in list order")


if __name__ == "__main__":
    MARLOW, QUILLON, SORREL, SOURCE, ARTEFACTS = sys.argv[1:6]
    del sys.argv[1:6]
    unittest.main(verbosity=2)
