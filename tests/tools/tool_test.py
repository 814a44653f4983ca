"""Tests of the sorrel tool on the built binary, each scenario with a folder and
a per-user profile of its own.

cases.txt is the table of command lines: what each is given (files, standard
input) and what it must give back (exit code, messages, output, golden files);
its first lines say how it is written. What a table cannot state (a closed pipe,
a long standard input, a named pipe, a terminal, file modes and links, a write
cut short, a damaged store) is checked by the test methods below. SORREL_UPDATE_GOLDEN=1 writes the golden files anew.

usage: tool_test.py SORREL [unittest arguments]"""
import os
import pty
import re
import shlex
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

TOOL = None
HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.environ.get("SORREL_SOURCE_DIR", os.path.join(HERE, "..", ".."))


def decode(data):
    """Tables and messages are UTF-8; books and cards the tool writes out are Windows-1250."""
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("cp1250")


def parse(path):
    """The scenarios of the table: (title, files, cases)."""
    scenarios = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            key, _, rest = line.rstrip("\n").partition(" ")
            if not key or key.startswith("#"):
                continue
            if key.startswith("["):
                scenarios.append((line.strip()[1:-1], {}, []))
            elif key.startswith("@"):
                scenarios[-1][1].setdefault(key[1:], []).append(rest)
            elif key == "$":
                words = shlex.shlex(rest, posix=True)
                words.whitespace_split, words.escape = True, ""
                scenarios[-1][2].append({"line": number, "args": list(words), "stdin": None, "code": 0,
                                         "full": False, "checks": []})
            else:
                case = scenarios[-1][2][-1]
                if key == "<":
                    case["stdin"] = (case["stdin"] or "") + rest + "\n"
                elif key == "?":
                    case["code"] = int(rest)
                elif key == "%":
                    case["full"] = rest == "/dev/full"
                else:
                    case["checks"].append((key, rest))
    return scenarios


class Folder(unittest.TestCase):
    """A temporary folder and profile, and phone book files written in Windows-1250."""

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
            f.write(data if isinstance(data, bytes) else "".join(l + "\n" for l in data).encode("cp1250"))
        return self.path(name)

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def run_tool(self, *args, expect=0, **kwargs):
        p = subprocess.run([TOOL, *args], capture_output=True, env=self.env, **kwargs)
        self.assertEqual(p.returncode, expect, f"sorrel {' '.join(args)}\nstdout: {p.stdout!r}\nstderr: {p.stderr!r}")
        return decode(p.stdout), decode(p.stderr)


class Table(Folder):
    def expand(self, text):
        names = {"here": HERE, "source": SOURCE}
        return re.sub(r"\{([\w.~/-]+)\}", lambda m: names.get(m[1], self.path(m[1])), text)

    def check(self, key, expected, out, err):
        if key == "!":
            self.assertIn(expected, decode(err))
        elif key == ">":
            self.assertIn(expected, decode(out))
        elif key == "~":
            self.assertRegex(decode(out), expected)
        elif key == "=":
            golden, _, made = expected.partition(" ")
            data, golden = self.read(made) if made else out, os.path.join(HERE, golden)
            if os.environ.get("SORREL_UPDATE_GOLDEN"):
                with open(golden, "wb") as f:
                    f.write(data)
            self.assertEqual(data, self.read(golden), golden)
        else:  # "|": the lines of standard output, "!|" of the messages, "{FILE}|" of a file
            made = {"|": out, "!|": err}.get(key)
            made = decode(self.read(key[:-1]) if made is None else made).replace("\r\n", "\n")
            self.assertEqual(made, "".join(line + "\n" for line in expected))

    def test_cases(self):
        for title, files, cases in parse(os.path.join(HERE, "cases.txt")):
            self.tearDown()
            self.setUp()
            for name, lines in files.items():
                os.makedirs(self.path(name)) if name.endswith("/") else self.write(name, lines)
            fixtures = {n: self.read(self.path(n)) for n in files if not n.endswith("/")}
            for case in cases:
                args = [self.expand(a) for a in case["args"]]
                with self.subTest(f"cases.txt:{case['line']}: [{title}] sorrel {' '.join(args)}"), \
                        open("/dev/full", "wb") as full:
                    p = subprocess.run([TOOL, *args], input=(case["stdin"] or "").encode("cp1250"), env=self.env,
                                       stdout=full if case["full"] else subprocess.PIPE, stderr=subprocess.PIPE)
                    said = f"stdout: {p.stdout!r}\nstderr: {p.stderr!r}"
                    self.assertEqual(p.returncode, case["code"], said)
                    lines = {}
                    for key, text in case["checks"]:
                        key, text = self.expand(key), self.expand(text)
                        if key.endswith("|"):
                            lines.setdefault(key, []).append(text)
                        else:
                            self.check(key, text, p.stdout or b"", p.stderr)
                    for key, expected in lines.items():
                        self.check(key, expected, p.stdout or b"", p.stderr)
                    if not any(k.startswith("!") for k, _ in case["checks"]):
                        self.assertEqual(p.stderr, b"", said)
                    if p.returncode != 0:  # a command that fails loses nothing
                        for name, data in fixtures.items():
                            self.assertEqual(self.read(self.path(name)), data, name)


BOOK = ['1,"Rodina",12,0', '2,1,"Jan","0602123456"', '2,2,"Eva""Malá","0603111222",6,"0604"']
# The ways of writing a book: in place, through the backup, to a named file.
WRITERS = [["prefix", "{}", "0602", "0702"], ["renumber", "{}", "--no-backup"], ["split", "{}", "-o", "{}"],
           ["export", "{}", "--csv", "-o", "{}"]]
SAMPLE = os.path.join(SOURCE, "examples", "phonebook.txt")


class Files(Folder):
    def test_a_book_written_in_place_keeps_its_mode_its_link_and_its_neighbours(self):
        # The book is reached through a symbolic link; beside it lies a file of
        # the temporary name that someone else owns.
        os.mkdir(self.path("real"))
        for args in WRITERS:
            with self.subTest(args=args):
                real, link = self.write("real/book.txt", BOOK), self.path("link.txt")
                os.chmod(real, 0o604)
                self.write("real/book.txt.tmp", b"someone else's file\n")
                if os.path.lexists(link):
                    os.remove(link)
                os.symlink("real/book.txt", link)
                self.run_tool(*[a.format(link) for a in args])
                self.assertTrue(os.path.islink(link))
                self.assertNotEqual(self.read(real), self.read(self.path("real/book.txt.tmp")))
                self.assertNotEqual(self.read(real).decode("cp1250").splitlines(), BOOK)
                self.assertEqual(stat.S_IMODE(os.stat(real).st_mode), 0o604)
                self.assertEqual(self.read(self.path("real/book.txt.tmp")), b"someone else's file\n")
                # a backup goes beside the name given, nothing else is left
                self.assertEqual(sorted(os.listdir(self.path("real"))), ["book.txt", "book.txt.tmp"])

    def test_the_data_reaches_the_disk_before_the_rename(self):
        if not shutil.which("strace"):
            self.skipTest("strace is not installed")
        book, log = self.write("book.txt", BOOK), self.path("trace")
        p = subprocess.run(["strace", "-f", "-o", log, "-e", "trace=fsync,fdatasync,rename,renameat,renameat2",
                            TOOL, "prefix", book, "0602", "0702", "--no-backup"], capture_output=True, env=self.env)
        if p.returncode != 0 and not os.path.exists(log):
            self.skipTest("strace cannot trace here: " + p.stderr.decode(errors="replace"))
        with open(log) as trace:
            calls = [line.split("(")[0].split()[-1] for line in trace if "(" in line]
        renames = [i for i, c in enumerate(calls) if c.startswith("rename")]
        self.assertTrue(renames, calls)
        self.assertIn("fsync", calls[:renames[0]])

    def test_a_failed_write_leaves_the_book_as_it_was(self):
        # A file size limit below the new book's size fails the write part way, whoever runs the test.
        import resource
        book = self.write("book.txt", BOOK[:1] + [f'2,{i},"Name {i}","0602{i:06}"' for i in range(1, 200)])
        before = self.read(book)

        def limit():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (1000, 1000))

        _, err = self.run_tool("prefix", book, "0602", "0702", "--no-backup", expect=2, preexec_fn=limit)
        self.assertIn("book.txt: File too large (the file is as it was)", err)
        self.assertEqual(self.read(book), before)
        self.assertEqual(os.listdir(self.dir), ["book.txt"])

    def test_a_closed_pipe_ends_the_command_quietly(self):
        # Even when the parent left SIGPIPE ignored, as some shells and services do.
        big = self.write("big.txt", BOOK[:1] + [f'2,{i},"Name {i}","{i}"' for i in range(1, 30000)])
        for args in (["show", big], ["search", big, "Name"], ["export", big, "--vcard21"]):
            with self.subTest(args=args):
                p = subprocess.Popen([TOOL, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=self.env,
                                     preexec_fn=lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN))
                p.stdout.read(10)
                p.stdout.close()
                self.assertEqual(p.stderr.read(), b"")
                p.stderr.close()
                self.assertEqual(p.wait(), -signal.SIGPIPE)

    def test_standard_input_and_a_named_pipe(self):
        # Standard input has no size: it is read as it comes, past the first buffer.
        slots = "".join(f'2,{i},"Name {i}","{i}"\n' for i in range(1, 10000))
        out, _ = self.run_tool("check", "-", input=f"{BOOK[0]}\n{slots}".encode())
        self.assertIn("9999 slot lines: 9999 came back byte for byte", out)
        # A named pipe is no book: refused before it is opened, which would wait for a writer.
        os.mkfifo(self.path("fifo"))
        self.assertIn("fifo: not a regular file", self.run_tool("show", self.path("fifo"), expect=2, timeout=20)[1])

    def test_import_shows_its_progress_on_a_terminal_only(self):
        cards = self.write("many.vcf", b"BEGIN:VCARD\r\nN:A;B\r\nTEL:1\r\nEND:VCARD\r\n" * 250)
        master, slave = pty.openpty()
        p = subprocess.run([TOOL, "import", cards, "-o", self.path("b.txt")], stderr=slave, env=self.env)
        os.close(slave)
        out = b""
        try:
            while chunk := os.read(master, 4096):
                out += chunk
        except OSError:
            pass
        os.close(master)
        self.assertEqual(p.returncode, 0)
        self.assertIn(b"\rsorrel import: card 250 of 250", out)
        self.assertNotIn("card 250 of 250", self.run_tool("import", cards, "-o", self.path("b.txt"))[1])

    def test_only_printing_loads_the_toolkit(self):
        # Reading and writing books stays off Qt; the toolkit module comes with the first printer.
        def maps(*args):
            p = subprocess.Popen([TOOL, *args], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, env=self.env)
            p.stdin.write(b"BEGIN:VCARD\r\nN:A;B\r\nTEL:1\r\nEND:VCARD\r\n")
            p.stdin.flush()
            for _ in range(500):  # until the tool, started, waits in read(0, ...) for more input
                with open(f"/proc/{p.pid}/syscall") as f:
                    if f.read().startswith("0 0x0 "):
                        break
                time.sleep(0.01)
            with open(f"/proc/{p.pid}/maps") as f:
                mapped = f.read()
            p.communicate()
            self.assertIn("libsorrel.so", mapped)
            return sorted({line.split()[-1] for line in mapped.splitlines() if "libQt6" in line})
        self.assertEqual(maps("import", "-", "-o", self.path("b.txt")), [])
        self.run_tool("print", SAMPLE, "-o", self.path("b.pdf"))
        self.assertEqual(self.read(self.path("b.pdf"))[:5], b"%PDF-")

    def test_renumber_keeps_cr_lf_line_ends(self):
        book = self.write("book.txt", b'1,"Rodina",12,0\r\n1,1,"Jan","0602123456"\r\nEMPTY\r\n')
        self.run_tool("renumber", book, "--no-backup", "--rule", "+4202,+42022,02,2")
        self.assertEqual(self.read(book), b'1,"Rodina",12,0\r\n1,1,"Jan","602123456"\r\nEMPTY\r\n')


class Profile(Folder):
    def store(self):
        return os.path.join(self.env["XDG_CONFIG_HOME"], "sorrel", "registry.sqlite3")

    def test_a_damaged_store_is_named_and_left_aside(self):
        tovik = r"HKCU\Software\Tovik"
        self.run_tool("reg", "set", tovik, "SplashDelay", "--dword", "2000")
        with open(self.store(), "r+b") as f:
            f.write(b"not a database at all" * 8)
        _, err = self.run_tool("reg", "query", tovik, expect=1)
        moved = [n for n in os.listdir(os.path.dirname(self.store())) if ".corrupt-" in n]
        self.assertEqual(len(moved), 1, moved)
        self.assertIn(moved[0], err)
        self.assertIn("does not exist", err)
        self.run_tool("reg", "set", tovik, "SplashDelay", "--dword", "500")
        self.assertIn("0x1f4 (500)", self.run_tool("reg", "query", tovik, "SplashDelay")[0])


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    unittest.main(verbosity=2)
