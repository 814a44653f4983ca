"""sorrel import: real vCard files into a phone book, rejected cards kept."""
import os
import pty
import subprocess

import toolcase

# A phone's export: LF line ends, 2.1, quoted-printable folded with soft breaks,
# then a card cut off by the next BEGIN, a 3.0 card from an address book and a
# card in a character set nobody knows.
PHONE = (
    b"BEGIN:VCARD\n"
    b"VERSION:2.1\n"
    b"N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Dvo=C5=99=\n"
    b"=C3=A1k;Anton=C3=ADn\n"
    b"TEL;CELL:+420603000001\n"
    b"TEL;HOME;VOICE:222000001\n"
    b"EMAIL;INTERNET;PREF;CHARSET=UTF-8:\n"
    b"X-IRMC-LUID:000200000012\n"
    b"END:VCARD\n"
    b"BEGIN:VCARD\n"
    b"VERSION:2.1\n"
    b"BEGIN:VCARD\n"
    b"VERSION:3.0\n"
    b"FN:Frank Dawson\n"
    b"N:Dawson;Frank;;;\n"
    b"TEL;TYPE=WORK,VOICE,PREF:+1-919-676-9515\n"
    b"TEL;TYPE=FAX,WORK:+1-919-676-9564\n"
    b"ADR;TYPE=WORK:;;6544 Battleford Drive\n"
    b" ;Raleigh;NC;27613-3502;U.S.A.\n"
    b"EMAIL;TYPE=INTERNET:fdawson@earthlink.net\n"
    b"CATEGORIES:Work,Golf\n"
    b"BDAY:1955-07-19\n"
    b"END:VCARD\n"
    b"BEGIN:VCARD\r\n"
    b"N;CHARSET=X-KLINGON:Qapla';\r\n"
    b"END:VCARD\r\n"
)

# Cards written by Windows address books: CR LF, Windows-1250 without a label,
# and one with nothing a phone book entry keeps.
DESKTOP = (
    b"BEGIN:VCARD\r\n"
    b"VERSION:2.1\r\n"
    b"N:\x8a\x9dastn\xfd;Old\xf8ich\r\n"
    b"TEL;WORK:555\r\n"
    b"CATEGORIES:Work\r\n"
    b"END:VCARD\r\n"
    b"BEGIN:VCARD\r\n"
    b"VERSION:2.1\r\n"
    b"NOTE:only a note\r\n"
    b"END:VCARD\r\n"
)


class Import(toolcase.ToolCase):
    def write(self, name, data):
        path = self.path(name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def test_cards_of_several_files_into_one_book(self):
        phone = self.write("phone.vcf", PHONE)
        desktop = self.write("desktop.vcf", DESKTOP)
        book, rejects = self.path("book.txt"), self.path("rejects.vcf")
        _, stderr = self.run_tool("import", phone, desktop, "-o", book, "--rejects", rejects, expect=1)
        self.assertEqual(
            self.read(book).decode("cp1250").split("\n"),
            [
                '1,"Work",40,1',
                '2,1,"Antonín""Dvořák","222000001",6,"+420603000001",28,"000200000012"',
                '2,2,"Frank""Dawson","+1-919-676-9515",8,"+1-919-676-9564",9,"fdawson@earthlink.net",'
                '10,"6544 Battleford Drive",18,"Raleigh",20,"27613-3502",21,"U.S.A.",31,"20289.000000",1',
                '2,3,"Oldřich""Šťastný","555",1',
                "",
            ],
        )
        # Each card that was not imported: file, line, card number, reason.
        self.assertIn(f"{phone}:10: card 2: not imported: no END:VCARD before the BEGIN:VCARD of line 12", stderr)
        self.assertIn(f'{phone}:24: card 4: not imported: line 2: unknown character set "X-KLINGON" in N', stderr)
        self.assertIn(f"{desktop}:7: card 2: not imported: nothing in it has a place in a phone book entry", stderr)
        # What had no place in its entry is named.
        self.assertIn(f'{phone}:12: card 3: the category "Golf" was left out', stderr)
        self.assertIn(f'{phone}:12: card 3: the region "NC" of the address has no place in the entry', stderr)
        self.assertIn("6 cards, 3 imported, 3 not imported (written to " + rejects + ")", stderr)
        # The rejected cards, byte for byte as they stood.
        self.assertEqual(
            self.read(rejects),
            b"BEGIN:VCARD\nVERSION:2.1\n"
            + b"BEGIN:VCARD\r\nN;CHARSET=X-KLINGON:Qapla';\r\nEND:VCARD\r\n"
            + b"BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE:only a note\r\nEND:VCARD\r\n",
        )
        # The book reads back line for line.
        stdout, _ = self.run_tool("check", book)
        self.assertIn("0 damaged", stdout)

    def test_everything_imported_exits_0_and_writes_to_standard_output(self):
        cards = self.write("c.vcf", b"BEGIN:VCARD\r\nN:A;B\r\nEND:VCARD\r\n")
        stdout, stderr = self.run_tool("import", cards)
        self.assertEqual(stdout, '\n2,1,"B""A",""\n')
        self.assertIn("1 cards, 1 imported, 0 not imported", stderr)

    def test_the_fallback_charset(self):
        cards = self.write("c.vcf", b"BEGIN:VCARD\r\nN:\xa9koda;\r\nEND:VCARD\r\n")
        book = self.path("book.txt")
        self.run_tool("import", cards, "--charset", "ISO-8859-2", "-o", book)
        self.assertIn('"""Škoda",""', self.read(book).decode("cp1250"))
        _, stderr = self.run_tool("import", cards, "--charset", "NO-SUCH-SET", expect=2)
        self.assertIn('unknown character set "NO-SUCH-SET"', stderr)

    def test_round_trip_through_our_own_cards(self):
        # Every item the 2.1 writer writes, accented; the 1.0 form carries fewer.
        lines = [
            '1,"Rodina",12,0,2,"Přátelé",12,0',
            '2,1,"Jan""Novák","+420601123456",5,"+420221000111",6,"+420603000111",8,"+420221000112",'
            '9,"jan@example.cz",10,"Dlouhá 5",13,"ACME",14,"Ředitel",15,"+420221000113",17,"n@example.org",'
            '18,"Praha",20,"110 00",21,"Česko",27,"http://example.cz",30,"+420221000114",31,"27460.000000",1',
            '2,2,"Eva""Černá","+420605003189",18,"Ústí nad Labem",2',
        ]
        book = self.write_book("book.txt", lines)
        for form in (["--vcard21"], ["--vcard21", "--charset", "utf7"]):
            cards, back = self.path("cards.vcf"), self.path("back.txt")
            self.run_tool("export", book, *form, "-o", cards)
            self.run_tool("import", cards, "-o", back)
            self.assertEqual(self.read(back).decode("cp1250").split("\n")[1:3], lines[1:], form)
        # Version 1.0 carries fewer items, and its categories unlabelled in Windows-1250.
        lines10 = [
            lines[0],
            '2,1,"Jan""Novák","+420601123456",5,"+420221000111",6,"+420603000111",8,"+420221000112",'
            '9,"jan@example.cz",10,"Dlouhá 5",13,"ACME",18,"Praha",20,"110 00",21,"Česko",27,"http://example.cz",1',
            lines[2],
        ]
        book10, cards, back = self.write_book("book10.txt", lines10), self.path("cards10.vcf"), self.path("back10.txt")
        self.run_tool("export", book10, "--vcard10", "-o", cards)
        self.run_tool("import", cards, "-o", back)
        self.assertEqual(self.read(back).decode("cp1250").split("\n")[:3],
                         ['1,"Rodina",40,1,2,"Přátelé",40,1'] + lines10[1:])

    def test_progress_on_a_terminal(self):
        cards = self.write("many.vcf", b"BEGIN:VCARD\r\nN:A;B\r\nTEL:1\r\nEND:VCARD\r\n" * 250)
        master, slave = pty.openpty()
        p = subprocess.run([toolcase.TOOL, "import", cards, "-o", self.path("b.txt")], stderr=slave, env=self.env)
        os.close(slave)
        out = b""
        try:
            while chunk := os.read(master, 4096):
                out += chunk
        except OSError:
            pass
        os.close(master)
        self.assertEqual(p.returncode, 0)
        self.assertIn(b"\rsorrel import: card 250 of 250", out)
        # Not on a file.
        _, stderr = self.run_tool("import", cards, "-o", self.path("b.txt"))
        self.assertNotIn("card 250 of 250", stderr)

    def test_errors_write_nothing(self):
        good = self.write("good.vcf", b"BEGIN:VCARD\r\nN:A;B\r\nEND:VCARD\r\n")
        book = self.path("book.txt")
        _, stderr = self.run_tool("import", good, self.path("missing.vcf"), "-o", book, expect=2)
        self.assertIn("missing.vcf", stderr)
        self.assertFalse(os.path.exists(book))
        _, stderr = self.run_tool("import", self.write("notes.txt", b"not a card\n"), "-o", book, expect=1)
        self.assertIn("notes.txt: no BEGIN:VCARD in the file", stderr)
        _, stderr = self.run_tool("import", expect=2)
        self.assertIn("no vCard file given", stderr)
        _, stderr = self.run_tool("import", good, "--bogus", expect=2)
        self.assertIn("unknown option --bogus", stderr)
        _, stderr = self.run_tool("import", good, "-o", expect=2)
        self.assertIn("-o needs a value", stderr)


if __name__ == "__main__":
    toolcase.main()
