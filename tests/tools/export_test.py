"""sorrel export --vcard21 / --vcard10: the library's cards, and the warning for
accented groups in version 1.0."""
import os

import toolcase

BOOK = os.path.join(toolcase.HERE, "export", "book.txt")
WARNING = "warning: vCard 1.0 writes the group as an unlabelled Windows-1250 category"

class ExportVCard(toolcase.ToolCase):
    def export(self, book, *args):
        _, stderr = self.run_tool("export", book, *args, "-o", self.path("out.vcf"))
        return self.read(self.path("out.vcf")), stderr

    def test_golden_cards(self):
        # Empty slots left out; UTF-7 runs closed before a space, a ';' and the end.
        for args, ref in ((["--vcard21"], "book.vcard21.ref"),
                          (["--vcard21", "--charset", "utf8"], "book.vcard21.ref"),
                          (["--vcard21", "--charset", "utf7"], "book.utf7.ref"),
                          (["--vcard10"], "book.vcard10.ref")):
            cards, stderr = self.export(BOOK, *args)
            self.assertEqual(cards, self.read(os.path.join(toolcase.HERE, "export", ref)), args)
            if args[0] == "--vcard21":  # the 2.1 form carries any group name: no warning
                self.assertEqual(stderr, "")

    def test_version_1_0_warns_once_naming_the_accented_groups_in_use(self):
        cards, stderr = self.export(BOOK, "--vcard10")
        self.assertEqual(stderr.count("warning"), 1)
        # Only the group in use: "Škola" has no entry, "Rodina" and "Work" are ASCII.
        for text in (WARNING, 'group name "Přátelé";', "--vcard21"):
            self.assertIn(text, stderr)
        # The card itself stays as the library writes it: 8-bit, unlabelled.
        self.assertIn(b"CATEGORIES:P\xf8\xe1tel\xe9\r\n", cards)
        two = self.write_book("two.txt", ['1,"Přátelé",12,0,2,"Škola",12,0', '2,1,"A""B","1",1', '2,2,"C""D","2",2'])
        self.assertIn('group names "Přátelé", "Škola";', self.export(two, "--vcard10")[1])
        # An accented group no entry uses: no warning.
        ascii_only = self.write_book("book.txt", ['1,"Rodina",12,0,2,"Přátelé",12,0', '2,1,"Jan""Novák","123",1',
                                                  '2,2,"Eva""Malá","456"'])
        cards, stderr = self.export(ascii_only, "--vcard10")
        self.assertEqual(stderr, "")
        self.assertIn(b"CATEGORIES:Rodina\r\n", cards)


if __name__ == "__main__":
    toolcase.main()
