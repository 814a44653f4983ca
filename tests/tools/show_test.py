"""sorrel show: the list view's columns, order and sort, remembered in the profile."""
import os

import toolcase
from toolcase import column

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

class Show(toolcase.ToolCase):
    def setUp(self):
        super().setUp()
        self.book = self.write_book("book.txt", BOOK)

    def show(self, *args):
        return self.run_tool("show", self.book, *args)[0]

    def listctrl(self):
        return self.run_tool("reg", "export", LISTCTRL)[0]

    def test_fresh_profile_table_and_what_it_stores(self):
        self.assertEqual(
            self.show(),
            "Pozice  Paměť  Jméno  Číslo\n"
            "------  -----  -----  -------------\n"
            "2       2      eva    123\n"
            "5       1      jan    +420\n"
            "4       2      Jan    +420601123456\n"
            "7       2      Ota    456\n"
            "9       1      Ádam   777\n"
            "3       2             999\n",
        )
        # The base columns' widths, alignments and positions, the direction, and
        # the default chain under its primary key (name).
        with open(os.path.join(toolcase.HERE, "show_fresh.reg"), encoding="utf-8") as f:
            self.assertEqual(self.run_tool("reg", "export")[0], f.read())

    def test_extra_columns_with_library_captions(self):
        table = self.show("--columns", "26,9,31,28,12")
        # the surname goes right after the name; the sync id has no caption
        self.assertEqual(table.splitlines()[0].split(),
                         ["Pozice", "Paměť", "Jméno", "Příjmení", "Číslo", "Skupina", "E-mail", "Narozeniny", "#28"])
        self.assertEqual(column(table, "Skupina")[:3], ["Rodina", "", "Práce"])
        self.assertIn("1975-03-07", table)
        self.assertIn("0x3 (3)", self.run_tool("reg", "query", LISTCTRL, "Column12Position")[0])

    def test_sort_by_a_column_and_direction_are_remembered(self):
        first = self.show("--columns", "12", "--sort", "12", "--descending")
        # descending is the whole relation reversed: entries without a surname come first
        self.assertEqual(column(first, "Příjmení"), ["", "", "Novák", "Malý", "Bílý", "Adámek"])
        self.assertEqual(column(first, "Pozice")[:2], ["9", "3"])
        self.assertEqual(self.show("--columns", "12"), first)
        for value in ('"PrimarySortingKey"=dword:0000000c', '"Column12SecondarySortingKeys"="1,2,3,4"',
                      '"AscendingSort"=dword:00000000'):
            self.assertIn(value, self.listctrl())
        # back to the name: its own chain, kept from before the switch
        again = self.show("--columns", "12", "--sort", "3", "--ascending")
        self.assertEqual(column(again, "Jméno")[:3], ["eva", "jan", "Jan"])
        self.assertIn('"Column3SecondarySortingKeys"="2,1,4,12"', self.listctrl())

    def test_stored_chain_orders_ties(self):
        # equal names "Jan"/"jan": by position first, as the stored chain says; an id that is no number is skipped
        self.run_tool("reg", "set", LISTCTRL, "PrimarySortingKey", "--dword", "3")
        for chain, positions in (("1,2", ["2", "4", "5"]), ("2,x,1", ["2", "5", "4"])):
            self.run_tool("reg", "set", LISTCTRL, "Column3SecondarySortingKeys", "--sz", chain)
            self.assertEqual(column(self.show(), "Pozice")[:3], positions, chain)

    def test_width_limits_every_line(self):
        table = self.show("--columns", "9", "--width", "30")
        self.assertLessEqual(max(len(line) for line in table.splitlines()), 30, table)
        self.assertIn("…", table)


if __name__ == "__main__":
    toolcase.main()
