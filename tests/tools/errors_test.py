"""Every way a sorrel command line goes wrong, as one table: the arguments, the
exit code and what the message must say. In the arguments, {book} is a small
phone book, {cards} a vCard file, {dir} a folder, {none} a file that does not
exist; every case must also leave {book} as it was."""
import os
import subprocess

import toolcase

BOOK = ['1,"Rodina",12,0', '2,1,"Jan""Novák","0602123456",6,"+420603"', "EMPTY"]
TOVIK = "HKCU\\Software\\Tovik"

CASES = [
    # the one parser: options, operands, values
    (["check", "--bogus", "{book}"], 2, "sorrel check: unknown option '--bogus' (see --help)"),
    (["import", "{cards}", "--bogus"], 2, "sorrel import: unknown option '--bogus' (see --help)"),
    (["show", "{book}", "{book}"], 2, "is one operand too many: show takes BOOK (see --help)"),
    (["export", "{book}", "{book}", "--vcard21"], 2, "is one operand too many: export takes BOOK"),
    (["check"], 2, "sorrel check: needs BOOK (see --help)"),
    (["search", "{book}"], 2, "needs BOOK TEXT"),
    (["prefix", "{book}", "1"], 2, "needs BOOK OLD NEW"),
    (["import"], 2, "needs FILE.vcf..."),
    (["split", "{book}", "-o"], 2, "-o needs a value: -o OUT"),
    (["check", "--strict=yes", "{book}"], 2, "--strict takes no value"),
    (["check", "--", "--strict"], 2, "--strict: No such file or directory"),
    (["frob"], 2, "sorrel: unknown command 'frob'"),
    # files that cannot be books
    (["check", "{none}"], 2, "none.txt: No such file or directory"),
    (["check", "{dir}"], 2, "folder: not a regular file"),
    (["show", "/dev/null"], 2, "/dev/null: not a regular file"),
    (["export", "{dir}", "--csv"], 2, "not a regular file"),
    (["split", "{book}", "-o", "{dir}"], 2, "folder: not a regular file"),
    (["import", "{cards}", "-o", "{dir}"], 2, "not a regular file"),
    (["renumber", "{dir}"], 2, "not a regular file"),
    (["renumber", "-"], 2, "give a file"),
    (["search", "{none}", "x"], 2, "none.txt"),
    (["import", "{cards}", "{none}"], 2, "none.txt"),
    # texts the phone book's code page cannot hold
    (["search", "{book}", "sněhulák ☃ €"], 2, "Windows-1250 cannot hold: ☃"),
    (["prefix", "{book}", "+420", "+42☎"], 2, "cannot hold: ☎"),
    (["renumber", "{book}", "--rule", "+4☃,+5,0,0"], 2, "--rule: \"+4☃\" has characters that Windows-1250 cannot hold: ☃"),
    (["reg", "set", TOVIK, "X", "--sz", "sněhulák ☃"], 2, "Windows-1250 cannot hold: ☃"),
    # check, show
    (["show", "{book}", "--columns", "3"], 2, "column 3 is a base column"),
    (["show", "{book}", "--columns", "12,x"], 2, "'x' is not a column id"),
    (["show", "{book}", "--columns", "6,6"], 2, "column 6 is given twice"),
    (["show", "{book}", "--sort", "12"], 2, "add it with --columns"),
    (["show", "{book}", "--sort", "32"], 2, "--sort needs a column id from 1 to 31"),
    (["show", "{book}", "--width", "0"], 2, "--width needs a number of characters"),
    # export
    (["export", "{book}"], 2, "which format? give --vcard21, --vcard10 or --csv"),
    (["export", "{book}", "--vcard21", "--vcard10"], 2, "give one format"),
    (["export", "{book}", "--vcard21", "--csv"], 2, "give one format"),
    (["export", "{book}", "--vcard10", "--charset", "utf7"], 2, "--charset belongs to --vcard21"),
    (["export", "{book}", "--vcard21", "--charset", "latin2"], 2, '--charset takes utf8 or utf7, not "latin2"'),
    (["export", "{book}", "--vcard21", "--columns", "6"], 2, "--columns belongs to --csv"),
    (["export", "{book}", "--csv", "--bom"], 2, "--bom and --delimiter belong to --csv=rfc4180"),
    (["export", "{book}", "--csv=excel"], 2, "unknown CSV form 'excel'"),
    (["export", "{book}", "--csv", "--columns", "mobile,group"], 2, '"group" is not an exported item'),
    (["export", "{book}", "--csv=rfc4180", "--delimiter", '"'], 2, "--delimiter takes one character"),
    (["export", "{book}", "--csv=rfc4180", "--delimiter"], 2, "--delimiter needs a value"),
    # import
    (["import", "{cards}", "--charset", "NO-SUCH-SET"], 2, 'unknown character set "NO-SUCH-SET"'),
    (["import", "{notes}", "-o", "{book}"], 1, "notes.txt: no BEGIN:VCARD in the file"),
    # renumber
    (["renumber", "{book}", "--rule", "1,2,3,4,5"], 2, "has 5"),
    (["renumber", "{book}", "--rules", "{rules}"], 2, "rules.txt:4: a rule is four comma-separated prefixes"),
    (["renumber", "{book}", "--rules", "{none}"], 2, "none.txt"),
    # reg
    (["reg", "query", r"HKCU\Software\Nope"], 1, r"the key HKEY_CURRENT_USER\Software\Nope does not exist"),
    (["reg", "delete", r"HKCU\Software\Nope", "x"], 1, "does not exist"),
    (["reg", "export", r"HKCU\Nope"], 1, "does not exist"),
    (["reg", "set", TOVIK, "X", "--dword", "0x100000000"], 2, "not a 32-bit number"),
    (["reg", "set", TOVIK, "X", "--dword", "-2147483649"], 2, "not a 32-bit number"),
    (["reg", "set", TOVIK, "X", "--dword", "12abc"], 2, "not a 32-bit number"),
    (["reg", "set", TOVIK, "X", "--qword", "1"], 2, "unknown option '--qword'"),
    (["reg", "set", TOVIK, "X"], 2, "wrong number of arguments for set"),
    (["reg", "set", TOVIK, "X", "--dword", "1", "--sz", "a"], 2, "give one of --dword and --sz"),
    (["reg", "set", TOVIK + "\\" + "k" * 256, "X", "--dword", "1"], 2, "too long"),
    (["reg", "query", r"HKLM\Software"], 2, "HKCU or HKEY_CURRENT_USER"),
    (["reg", "delete", "HKCU"], 2, "cannot be deleted"),
    (["reg", "frob"], 2, "unknown subcommand 'frob'"),
    (["reg"], 2, "needs query|set|delete|export"),
]

# Every command that writes to standard output, each with a book or file to do it on.
OUTPUT = [["check", "{book}"], ["show", "{book}"], ["search", "{book}", "Jan"], ["split", "{book}"],
          ["export", "{book}", "--vcard21"], ["export", "{book}", "--csv"], ["import", "{cards}"],
          ["prefix", "{book}", "0602", "0603", "--dry-run"], ["renumber", "{book}", "--dry-run"],
          ["reg", "export"], ["check", "--help"], ["--help"]]


class Errors(toolcase.ToolCase):
    def setUp(self):
        super().setUp()
        os.mkdir(self.path("folder"))
        self.files = {"book": self.write_book("book.txt", BOOK), "dir": self.path("folder"),
                      "none": self.path("none.txt"), "notes": self.write("notes.txt", b"not a card\n"),
                      "cards": self.write("c.vcf", b"BEGIN:VCARD\r\nN:A;B\r\nTEL:1\r\nEND:VCARD\r\n"),
                      "rules": self.write("rules.txt", b"# Prague\n+4202,+42022,02,2\n\n+4205,+42054\n")}
        self.book_bytes = self.read(self.files["book"])

    def args(self, args):
        return [a.format(**self.files) for a in args]

    def test_each_error_path(self):
        for args, code, message in CASES:
            with self.subTest(args=args):
                _, err = self.run_tool(*self.args(args), expect=code)
                self.assertIn(message, err)
                self.assertEqual(self.read(self.files["book"]), self.book_bytes)

    def test_a_full_disk_behind_standard_output(self):
        for args in OUTPUT:
            with self.subTest(args=args), open("/dev/full", "wb") as full:
                p = subprocess.run([toolcase.TOOL, *self.args(args)], stdout=full, stderr=subprocess.PIPE, env=self.env)
                self.assertEqual(p.returncode, 2, p.stderr)
                self.assertIn(b"standard output: No space left on device", p.stderr)

    def test_a_closed_pipe_ends_the_command_quietly(self):
        # Even when the parent left SIGPIPE ignored, as some shells and services do.
        import signal
        big = self.write_book("big.txt", BOOK[:1] + [f'2,{i},"Name {i}","{i}"' for i in range(1, 30000)])
        for args in (["show", big], ["search", big, "Name"], ["export", big, "--vcard21"]):
            with self.subTest(args=args):
                p = subprocess.Popen([toolcase.TOOL, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=self.env,
                                     preexec_fn=lambda: signal.signal(signal.SIGPIPE, signal.SIG_IGN))
                p.stdout.read(10)
                p.stdout.close()
                err = p.stderr.read()
                p.stderr.close()
                p.wait()
                self.assertEqual(err, b"")
                self.assertEqual(p.returncode, -signal.SIGPIPE)

    def test_help_comes_from_the_option_table(self):
        out, _ = self.run_tool("export", "--help")
        self.assertTrue(out.startswith("usage: sorrel export [options] BOOK\n"), out)
        for option in ("--vcard21", "--csv[=rfc4180]", "--columns LIST", "-o FILE", "--", "-h, --help"):
            self.assertRegex(out, r"\n  " + option.replace("[", r"\[").replace("]", r"\]") + r"  ")


if __name__ == "__main__":
    toolcase.main()
