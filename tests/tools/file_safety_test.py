"""A book written in place is replaced whole or not at all, keeps what the file
was (its permission bits, the symbolic link that names it), and no file the
user did not name is touched."""
import os
import shutil
import stat
import subprocess

import toolcase

BOOK = ['1,"Rodina",12,0', '2,1,"Jan","0602123456"', '2,2,"Eva""Malá","0603111222",6,"0604"']
# The three ways of writing a book: in place, to a named file, through the backup.
WRITERS = [["prefix", "{book}", "0602", "0702"], ["renumber", "{book}", "--no-backup"],
           ["split", "{book}", "-o", "{book}"], ["export", "{book}", "--csv", "-o", "{book}"]]


class FileSafety(toolcase.ToolCase):
    def run_writer(self, args, book):
        return self.run_tool(*[a.format(book=book) for a in args])

    def test_permission_bits_are_kept(self):
        for args in WRITERS:
            with self.subTest(args=args):
                book = self.write_book("book.txt", BOOK)
                os.chmod(book, 0o604)
                self.run_writer(args, book)
                self.assertEqual(stat.S_IMODE(os.stat(book).st_mode), 0o604)
                self.assertNotEqual(self.book_lines(book), BOOK + [""])

    def test_a_symbolic_link_is_followed(self):
        for args in WRITERS:
            with self.subTest(args=args):
                os.makedirs(self.path("real"), exist_ok=True)
                real = self.write_book("real/book.txt", BOOK)
                link = self.path("link.txt")
                if os.path.lexists(link):
                    os.remove(link)
                os.symlink("real/book.txt", link)
                self.run_writer(args, link)
                self.assertTrue(os.path.islink(link))
                self.assertNotEqual(self.book_lines(real), BOOK + [""])
                self.assertEqual(os.listdir(self.path("real")), ["book.txt"])  # a backup goes beside the name given

    def test_a_file_of_the_temporary_name_is_never_touched(self):
        for args in WRITERS:
            with self.subTest(args=args):
                book = self.write_book("book.txt", BOOK)
                tmp = self.write("book.txt.tmp", b"someone else's file\n")
                self.run_writer(args, book)
                self.assertEqual(self.read(tmp), b"someone else's file\n")
                leftovers = [f for f in os.listdir(self.dir) if f.startswith(".book.txt.")]
                self.assertEqual(leftovers, [])

    def test_the_data_reaches_the_disk_before_the_rename(self):
        strace = shutil.which("strace")
        if not strace:
            self.skipTest("strace is not installed")
        book = self.write_book("book.txt", BOOK)
        log = self.path("trace")
        p = subprocess.run([strace, "-f", "-o", log, "-e", "trace=fsync,fdatasync,rename,renameat,renameat2",
                            toolcase.TOOL, "prefix", book, "0602", "0702", "--no-backup"],
                           capture_output=True, env=self.env)
        if p.returncode != 0 and not os.path.exists(log):
            self.skipTest("strace cannot trace here: " + p.stderr.decode(errors="replace"))
        with open(log) as trace:
            calls = [line.split("(")[0].split()[-1] for line in trace if "(" in line]
        renames = [i for i, c in enumerate(calls) if c.startswith("rename")]
        self.assertTrue(renames, calls)
        self.assertIn("fsync", calls[:renames[0]])

    def test_a_failed_write_leaves_the_book_as_it_was(self):
        # A file size limit below the new book's size: the write fails part way,
        # whoever runs the test.
        import resource
        import signal
        book = self.write_book("book.txt", BOOK[:1] + [f'2,{i},"Name {i}","0602{i:06}"' for i in range(1, 200)])
        before = self.read(book)

        def limit():
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (1000, 1000))

        p = subprocess.run([toolcase.TOOL, "prefix", book, "0602", "0702", "--no-backup"], capture_output=True,
                           env=self.env, preexec_fn=limit)
        self.assertEqual(p.returncode, 2, p.stderr)
        self.assertIn(b"book.txt: File too large (the file is as it was)", p.stderr)
        self.assertEqual(self.read(book), before)
        self.assertEqual(sorted(os.listdir(self.dir)), ["book.txt"])


if __name__ == "__main__":
    toolcase.main()
