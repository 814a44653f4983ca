"""sorrel split and sorrel search on a small phone book."""
import re

import toolcase

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
        book = self.write_book("book.txt", BOOK)
        out = self.path("out.txt")
        _, stderr = self.run_tool("split", book, "-o", out)
        self.assertIn("3 entries split into 3 single-number entries", stderr)
        self.assertEqual(
            self.read(out).decode("cp1250").split("\n"),
            [
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
            ],
        )
        # the written book reads back line for line
        stdout, _ = self.run_tool("check", out)
        self.assertIn("0 damaged", stdout)

    def test_missing_book_and_standard_output(self):
        _, stderr = self.run_tool("split", self.path("none.txt"), expect=2)
        self.assertIn("none.txt", stderr)
        stdout, _ = self.run_tool("split", self.write_book("b.txt", BOOK))  # to standard output
        self.assertIn("Jan (Pager)", stdout)


def column(table, caption):
    """The cells of one column of a table as sorrel show prints it: the rule
    under the header marks each column's extent with dashes."""
    if not table:
        return []
    lines = table.splitlines()
    spans = [m.span() for m in re.finditer(r"-+", lines[1])]
    start, end = next((a, b) for a, b in spans if lines[0][a:b].strip() == caption)
    return [row[start:end].strip() for row in lines[2:]]


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
        self.assertEqual(column(stdout, "Pager"), ["0609111"])
        self.assertEqual(column(stdout, "Příjmení"), ["Novák"])

    def test_usage_errors(self):
        _, stderr = self.run_tool("search", self.book, expect=2)
        self.assertIn("needs BOOK TEXT", stderr)
        _, stderr = self.run_tool("search", self.path("none.txt"), "x", expect=2)
        self.assertIn("none.txt", stderr)


if __name__ == "__main__":
    toolcase.main()
