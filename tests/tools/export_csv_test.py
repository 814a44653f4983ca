"""sorrel export --csv: the library's lines byte for byte, and --csv=rfc4180
read back by Python's csv module into the same fields."""
import csv
import io

import toolcase

BOOK = [
    '1,"Rodina",12,0',
    # name with a comma, surname apart; a note with quotes and a line break (a
    # carriage return: the only break a line of the phone book can hold)
    '2,1,"Novák, Jan""Dvořák","+420601123456",9,"jan@example.cz",11,"say "hi"\rbye",18,"Praha, 1",31,"27460.000000",1',
    "EMPTY",
    '3,7,"Eva; Malá","0602111222"',
    '1,3,"Škoda","777",13,"ACME "Best" s.r.o., Brno"',
]
RFC4180_ROWS = [
    ["Jméno", "Příjmení", "Číslo", "E-mail", "Poznámka", "Firma", "Město", "Narozeniny"],
    ["Novák, Jan", "Dvořák", "+420601123456", "jan@example.cz", 'say "hi"\rbye', "", "Praha, 1", "1975-03-07"],
    ["Eva; Malá", "", "0602111222", "", "", "", "", ""],
    ["Škoda", "", "777", "", "", 'ACME "Best" s.r.o., Brno', "", ""],
]

class ExportCsv(toolcase.ToolCase):
    def setUp(self):
        super().setUp()
        self.book = self.write_book("book.txt", BOOK)

    def test_library_lines_byte_for_byte(self):
        self.run_tool("export", self.book, "--csv", "--columns", "email,11,city,company,birthday", "-o", self.path("out.csv"))
        self.assertEqual(self.read(self.path("out.csv")), (
            "Novák, Jan,Dvořák,+420601123456,jan@example.cz,say \"hi\"\rbye,,Praha, 1,27460.000000\r\n"
            "Eva; Malá,0602111222\r\n"
            "Škoda,777,,,ACME \"Best\" s.r.o., Brno,,-36523.000000\r\n").encode("cp1250"))

    def test_rfc4180_reads_back_into_the_same_fields(self):
        self.run_tool("export", self.book, "--csv=rfc4180", "-o", self.path("out.csv"))
        data = self.read(self.path("out.csv"))
        self.assertFalse(data.startswith(b"\xef\xbb\xbf"))
        self.assertTrue(data.endswith(b"\r\n"))
        self.assertEqual(list(csv.reader(io.StringIO(data.decode("utf-8"), newline=""))), RFC4180_ROWS)
        # with a byte order mark and semicolons; quoted for its delimiter only
        stdout, _ = self.run_tool("export", self.book, "--csv=rfc4180", "--bom", "--delimiter", ";")
        self.assertTrue(stdout.startswith("\ufeff"))
        self.assertEqual(list(csv.reader(io.StringIO(stdout[1:], newline=""), delimiter=";")), RFC4180_ROWS)
        self.assertIn('"Eva; Malá"', stdout)


if __name__ == "__main__":
    toolcase.main()
