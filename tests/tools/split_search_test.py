"""sorrel split and sorrel search on a small phone book."""
import toolcase
from toolcase import column

BOOK = [
    '1,"Rodina",12,0,4,"VIP",12,0',
    '2,4,"Jan""Novák","+420601123456",5,"0222333444",9,"jan@example.cz",16,"0609111",28,"LUID-7",30,"fax2",31,"27460.000000",1,5,3,0,0,0,0',
    '1,9,"škoda auto","777",6,"+420777000111"',
    "EMPTY",
    '3,2,"Eva","123"',
    '2,7,"Ota""Malý","456",9,"ota@example.cz"',
]

class Split(toolcase.ToolCase):
    def test_numbers_become_entries_after_all_the_others(self):
        out = self.path("out.txt")
        _, stderr = self.run_tool("split", self.write_book("book.txt", BOOK), "-o", out)
        self.assertIn("3 entries split into 3 single-number entries", stderr)
        self.assertEqual(self.book_lines(out), [
            BOOK[0],
            # the entry keeps name, surname, number, group and icon
            '2,4,"Jan""Novák","+420601123456",1,5,3,0,0,0,0',
            '1,9,"škoda auto","777"',
            "EMPTY",
            BOOK[4],
            '2,7,"Ota""Malý","456"',
            # office before pager; positions after the highest of the location
            '2,8,"Jan (Kancelář)","0222333444"',
            '2,9,"Jan (Pager)","0609111"',
            '1,10,"škoda auto (Mobil)","+420777000111"',
            "",
        ])
        self.assertIn("0 damaged", self.run_tool("check", out)[0])

    def test_missing_book_and_standard_output(self):
        self.assertIn("Jan (Pager)", self.run_tool("split", self.write_book("b.txt", BOOK))[0])

class Search(toolcase.ToolCase):
    def setUp(self):
        super().setUp()
        self.book = self.write_book("book.txt", BOOK)

    def test_cases(self):
        cases = [
            # text, extra options, exit status, names of the matching entries
            ("nov", [], 0, ["Jan"]),  # the surname, kept apart, in upper case
            ("nov", ["--case-sensitive"], 1, []),
            ("ŠKODA", [], 0, ["škoda auto"]),  # Czech letters fold
            ("ŠKODA", ["--case-sensitive"], 1, []),
            ("0609", [], 0, ["Jan"]),  # a number item
            ("fax2", [], 0, ["Jan"]),  # the second fax is searched
            ("LUID", [], 1, []),  # the synchronisation identifier is not
            ("Rodina", [], 1, []),  # nor the group's name
            ("example.cz", [], 0, ["Jan", "Ota"]),
            ("", [], 0, ["Eva", "Jan", "Ota", "škoda auto"]),  # every entry; empty slots are none
        ]
        for text, extra, status, names in cases:
            with self.subTest(text=text, extra=extra):
                stdout, stderr = self.run_tool("search", self.book, text, *extra, expect=status)
                self.assertEqual(sorted(column(stdout, "Jméno")), names)
                self.assertIn(f"{len(names)} of 4 entries match", stderr)

    def test_shows_the_chosen_columns(self):
        stdout, _ = self.run_tool("search", self.book, "0609", "--columns", "16,12")
        self.assertEqual((column(stdout, "Pager"), column(stdout, "Příjmení")), (["0609111"], ["Novák"]))


if __name__ == "__main__":
    toolcase.main()
