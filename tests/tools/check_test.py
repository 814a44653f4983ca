"""sorrel check: each line read into an entry and written back; known losses of
the phone text form told apart from damage."""
import toolcase

GROUPS = '1,"Rodina",12,0,4,"VIP",12,1'

class Check(toolcase.ToolCase):
    def check(self, lines, *options, expect):
        book = self.write_book("book.txt", [GROUPS, *lines])
        out, err = self.run_tool("check", *options, book, expect=expect)
        return out, book

    def test_lines_that_come_back_are_not_reported(self):
        out, book = self.check([
            "EMPTY",
            '1,1,"Jan Novák","+420601123456",4',
            '2,17,"Jan""Novák","+420123456789",5,"222333444",11,"Test",28,"A1",31,"36526.000000",3,5,0,0,0,2,0',
        ], expect=0)
        self.assertEqual(out.strip(), f"{book}: 3 slot lines: 3 came back byte for byte, 0 with known losses, 0 damaged")

    def test_known_losses_and_damage_are_told_apart(self):
        cases = [
            # (line, option, expected note, exit status)
            ('3,5,"Jan""Novák","123"', None, "known loss: the surname \"Novák\" is not kept by an entry without extended items", 0),
            ('2,5,"Eva""Malá","123",31,"-36523.000000"', None, "known loss: a birthday at or below the no-date value is not written", 0),
            ('2,5,"Eva""Malá","123",28,"X1"', "--no-sync-id", "known loss: the synchronisation identifier is not written", 0),
            ('2,5,"Eva""Malá","123",28,"X1"', "--strict", None, 0),
            ('3,5,"Eva","123",9,"eva@example.cz"', None, "damage: location 3 keeps no extended items", 1),
            ('1,41,"Nedokončený,"+420601000111', None, "damage: the name's closing quote is not followed by a comma", 1),
            ('2,300,"Bez čísla"', None, "damage: the line ends after the name: it has no number field", 1),
            ('2,007,"Jan","1"', None, "damage: from byte 3 the line reads [2,007,", 1),
        ]
        for line, option, note, status in cases:
            with self.subTest(line=line, option=option):
                options = [option] if option else []
                out, book = self.check([line], *options, expect=status)
                if note is None:
                    self.assertIn("1 came back byte for byte", out)
                else:
                    self.assertIn(f"{book}:2: {note}", out)

    def test_strict_counts_known_losses(self):
        self.check(['3,5,"Jan""Novák","123"'], "--strict", expect=1)

    def test_damaged_group_table(self):
        book = self.write_book("book.txt", ['1,"Rodina"', "EMPTY"])
        out, _ = self.run_tool("check", book, expect=1)
        self.assertIn(f"{book}:1: damage: group table", out)

    def test_sample_phone_book(self):
        out, _ = self.run_tool("check", "--quiet", f"{self.source}/examples/phonebook.txt", expect=1)
        self.assertRegex(out, r"came back byte for byte, 2 with known losses, 2 damaged")

    @property
    def source(self):
        import os
        return os.environ["SORREL_SOURCE_DIR"]


if __name__ == "__main__":
    toolcase.main()
