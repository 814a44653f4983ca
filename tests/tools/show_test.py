"""sorrel show: the list view's columns, order and sort, remembered in the profile."""
import re

import toolcase

BOOK = [
    '1,"Rodina",12,0,2,"Práce",12,0',
    '2,4,"Jan""Novák","+420601123456",9,"jan@example.cz",31,"27460.000000",2',
    "EMPTY",
    '2,2,"eva""Adámek","123",1',
    '1,9,"Ádam","777"',
    '2,7,"Ota""Malý","456",9,"ota@example.cz"',
    '2,3,"","999"',
    '1,5,"jan""Bílý","+420"',
]

LISTCTRL = "HKCU\\Software\\Tovik\\Marlow\\ListCtrl"

# What the column model leaves in a fresh profile after one plain `show`: the
# base columns' widths, alignment codes and positions, the direction, and the
# default chain saved under its primary key (name).
FRESH_EXPORT = """Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER]

[HKEY_CURRENT_USER\\Software]

[HKEY_CURRENT_USER\\Software\\Tovik]

[HKEY_CURRENT_USER\\Software\\Tovik\\Marlow]

[HKEY_CURRENT_USER\\Software\\Tovik\\Marlow\\ListCtrl]
"Column1Width"=dword:00000032
"Column1Justification"=dword:00000000
"Column2Width"=dword:0000003c
"Column2Justification"=dword:00000000
"Column3Width"=dword:00000096
"Column3Justification"=dword:00000001
"Column4Width"=dword:00000096
"Column4Justification"=dword:00000001
"AscendingSort"=dword:00000001
"Column1Position"=dword:00000000
"Column2Position"=dword:00000001
"Column3Position"=dword:00000002
"Column4Position"=dword:00000003
"Column3SecondarySortingKeys"="2,1,4"
"PrimarySortingKey"=dword:00000003

"""


def cells(table):
    """The table's lines cut into cells where the rule line's dashes stand."""
    lines = table.splitlines()
    spans = [m.span() for m in re.finditer(r"-+", lines[1])]
    return [[line[a:b if i + 1 < len(spans) else None].strip() for i, (a, b) in enumerate(spans)]
            for k, line in enumerate(lines) if k != 1]


def column(table, caption):
    rows = cells(table)
    i = rows[0].index(caption)
    return [r[i] for r in rows[1:]]


class Show(toolcase.ToolCase):
    def setUp(self):
        super().setUp()
        self.book = self.write_book("book.txt", BOOK)

    def show(self, *args):
        stdout, _ = self.run_tool("show", self.book, *args)
        return stdout

    def test_fresh_profile_table_and_what_it_stores(self):
        table = self.show()
        self.assertEqual(
            table,
            "Pozice  Paměť  Jméno  Číslo\n"
            "------  -----  -----  -------------\n"
            "2       2      eva    123\n"
            "5       1      jan    +420\n"
            "4       2      Jan    +420601123456\n"
            "7       2      Ota    456\n"
            "9       1      Ádam   777\n"
            "3       2             999\n",
        )
        stdout, _ = self.run_tool("reg", "export")
        self.assertEqual(stdout, FRESH_EXPORT)

    def test_extra_columns_with_library_captions(self):
        table = self.show("--columns", "26,9,31,28,12")
        # the surname goes right after the name; the sync id has no caption
        self.assertEqual(cells(table)[0],
                         ["Pozice", "Paměť", "Jméno", "Příjmení", "Číslo", "Skupina", "E-mail", "Narozeniny", "#28"])
        self.assertEqual(column(table, "Skupina")[:3], ["Rodina", "", "Práce"])
        self.assertIn("1975-03-07", table)
        stdout, _ = self.run_tool("reg", "query", LISTCTRL, "Column12Position")
        self.assertIn("0x3 (3)", stdout)

    def test_sort_by_a_column_and_direction_are_remembered(self):
        first = self.show("--columns", "12", "--sort", "12", "--descending")
        # descending is the whole relation reversed: entries without a surname come first
        self.assertEqual(column(first, "Příjmení"), ["", "", "Novák", "Malý", "Bílý", "Adámek"])
        self.assertEqual(column(first, "Pozice")[:2], ["9", "3"])
        # a second run without the options shows the same order
        self.assertEqual(self.show("--columns", "12"), first)
        stdout, _ = self.run_tool("reg", "export", LISTCTRL)
        self.assertIn('"PrimarySortingKey"=dword:0000000c', stdout)
        self.assertIn('"Column12SecondarySortingKeys"="1,2,3,4"', stdout)
        self.assertIn('"AscendingSort"=dword:00000000', stdout)
        # back to the name: its own chain, kept from before the switch
        again = self.show("--columns", "12", "--sort", "3", "--ascending")
        self.assertEqual(column(again, "Jméno")[:3], ["eva", "jan", "Jan"])
        self.assertIn('"Column3SecondarySortingKeys"="2,1,4,12"', self.run_tool("reg", "export", LISTCTRL)[0])

    def test_stored_chain_orders_ties(self):
        # equal names "Jan"/"jan": by position first, as the stored chain says
        self.run_tool("reg", "set", LISTCTRL, "PrimarySortingKey", "--dword", "3")
        self.run_tool("reg", "set", LISTCTRL, "Column3SecondarySortingKeys", "--sz", "1,2")
        self.assertEqual(column(self.show(), "Pozice")[:3], ["2", "4", "5"])
        self.run_tool("reg", "set", LISTCTRL, "Column3SecondarySortingKeys", "--sz", "2,x,1")
        self.assertEqual(column(self.show(), "Pozice")[:3], ["2", "5", "4"])

    def test_width_limits_every_line(self):
        table = self.show("--columns", "9", "--width", "30")
        for line in table.splitlines():
            self.assertLessEqual(len(line), 30, line)
        self.assertIn("…", table)

    def test_errors(self):
        cases = [
            # arguments, text of the message
            ([self.path("none.txt")], "none.txt"),
            ([], "needs BOOK"),
            ([self.book, self.book], "one BOOK only"),
            ([self.book, "--columns", "3"], "column 3 is a base column"),
            ([self.book, "--columns", "12,x"], "'x' is not a column id"),
            ([self.book, "--columns", "12,,6"], "'' is not a column id"),
            ([self.book, "--columns", "6,6"], "column 6 is given twice"),
            ([self.book, "--sort", "12"], "add it with --columns"),
            ([self.book, "--width", "0"], "--width needs"),
            ([self.book, "--wide"], "unknown option '--wide'"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                _, stderr = self.run_tool("show", *args, expect=2)
                self.assertIn(message, stderr)
                self.assertTrue(stderr.startswith("sorrel show: "), stderr)


if __name__ == "__main__":
    toolcase.main()
