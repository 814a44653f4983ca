"""sorrel export --vcard21 / --vcard10: the library's cards, and the warning for
accented groups in version 1.0."""
import os

import toolcase

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, "export")
WARNING = "warning: vCard 1.0 writes the group as an unlabelled Windows-1250 category"


class ExportVCard(toolcase.ToolCase):
    def export(self, book, *args, expect=0):
        out = self.path("out.vcf")
        _, stderr = self.run_tool("export", book, *args, "-o", out, expect=expect)
        return (self.read(out) if expect == 0 else b""), stderr

    def test_golden_cards(self):
        # Empty slots left out; UTF-7 runs closed before a space, a ';' and the end.
        book = os.path.join(GOLDEN, "book.txt")
        for args, ref in ((["--vcard21"], "book.vcard21.ref"),
                          (["--vcard21", "--charset", "utf8"], "book.vcard21.ref"),
                          (["--vcard21", "--charset", "utf7"], "book.utf7.ref"),
                          (["--vcard10"], "book.vcard10.ref")):
            cards, _ = self.export(book, *args)
            self.assertEqual(cards, self.read(os.path.join(GOLDEN, ref)), args)

    def test_version_1_0_warns_once_naming_the_accented_groups(self):
        book = os.path.join(GOLDEN, "book.txt")
        cards, stderr = self.export(book, "--vcard10")
        self.assertEqual(stderr.count("warning"), 1)
        self.assertIn(WARNING, stderr)
        # Only the group in use: "Škola" has no entry, "Rodina" and "Work" are ASCII.
        self.assertIn('group name "Přátelé";', stderr)
        self.assertIn("--vcard21", stderr)
        # The card itself stays as the library writes it: 8-bit, unlabelled.
        self.assertIn(b"CATEGORIES:P\xf8\xe1tel\xe9\r\n", cards)
        _, stderr = self.export(book, "--vcard21")
        self.assertEqual(stderr, "")

    def test_no_warning_without_accented_groups_in_use(self):
        book = self.write_book("book.txt", [
            '1,"Rodina",12,0,2,"Přátelé",12,0',
            '2,1,"Jan""Novák","123",1',
            '2,2,"Eva""Malá","456"',
        ])
        cards, stderr = self.export(book, "--vcard10")
        self.assertEqual(stderr, "")
        self.assertIn(b"CATEGORIES:Rodina\r\n", cards)
        book = self.write_book("two.txt", ['1,"Přátelé",12,0,2,"Škola",12,0', '2,1,"A""B","1",1', '2,2,"C""D","2",2'])
        _, stderr = self.export(book, "--vcard10")
        self.assertIn('group names "Přátelé", "Škola";', stderr)

    def test_errors(self):
        book = os.path.join(GOLDEN, "book.txt")
        for args, message in (([book], "which format?"),
                              ([book, "--vcard21", "--vcard10"], "give one of --vcard21 and --vcard10"),
                              ([book, "--vcard21", "--csv"], "give one format"),
                              ([book, "--vcard10", "--charset", "utf7"], "--charset belongs to --vcard21"),
                              ([book, "--vcard21", "--charset", "latin2"], '--charset takes utf8 or utf7, not "latin2"'),
                              ([book, book, "--vcard21"], "one phone book only"),
                              (["--vcard21"], "no phone book given"),
                              ([self.path("none.txt"), "--vcard21"], "none.txt")):
            _, stderr = self.run_tool("export", *args, expect=2)
            self.assertIn(message, stderr, args)


if __name__ == "__main__":
    toolcase.main()
