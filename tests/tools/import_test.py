"""sorrel import: real vCard files into a phone book, rejected cards kept.

import/phone.vcf is a phone's export: LF line ends, 2.1, quoted-printable folded
with soft breaks, then a card cut off by the next BEGIN, a 3.0 card from an
address book and a card in a character set nobody knows. import/desktop.vcf holds
cards of Windows address books: CR LF, Windows-1250 without a label, and one with
nothing a phone book entry keeps."""
import os
import pty
import subprocess

import toolcase

IMPORT = os.path.join(toolcase.HERE, "import")
ONE_CARD = b"BEGIN:VCARD\r\nN:A;B\r\nEND:VCARD\r\n"

class Import(toolcase.ToolCase):
    def imported(self, *args):
        """The lines of the book `sorrel import ARGS` writes."""
        self.run_tool("import", *args, "-o", self.path("back.txt"))
        return self.book_lines(self.path("back.txt"))

    def test_cards_of_several_files_into_one_book(self):
        phone, desktop = os.path.join(IMPORT, "phone.vcf"), os.path.join(IMPORT, "desktop.vcf")
        book, rejects = self.path("book.txt"), self.path("rejects.vcf")
        _, stderr = self.run_tool("import", phone, desktop, "-o", book, "--rejects", rejects, expect=1)
        self.assertEqual(self.read(book), self.read(os.path.join(IMPORT, "book.ref")))
        # Each card not imported, each item left out: file, line, card number, reason.
        for message in (f"{phone}:10: card 2: not imported: no END:VCARD before the BEGIN:VCARD of line 12",
                        f'{phone}:24: card 4: not imported: line 2: unknown character set "X-KLINGON" in N',
                        f"{desktop}:7: card 2: not imported: nothing in it has a place in a phone book entry",
                        f'{phone}:12: card 3: the category "Golf" was left out',
                        f'{phone}:12: card 3: the region "NC" of the address has no place in the entry',
                        f"6 cards, 3 imported, 3 not imported (written to {rejects})"):
            self.assertIn(message, stderr)
        # The rejected cards, byte for byte as they stood.
        self.assertEqual(self.read(rejects), self.read(os.path.join(IMPORT, "rejects.ref")))
        self.assertIn("0 damaged", self.run_tool("check", book)[0])

    def test_everything_imported_exits_0_and_writes_to_standard_output(self):
        stdout, stderr = self.run_tool("import", self.write("c.vcf", ONE_CARD))
        self.assertEqual(stdout, '\n2,1,"B""A",""\n')
        self.assertIn("1 cards, 1 imported, 0 not imported", stderr)

    def test_a_card_not_imported_leaves_no_group_behind(self):
        # Each card is read once, into the book's groups: a rejected card's new
        # group is taken away again, so the next new group gets the id it would
        # have had, and a rejected card of a known group takes nothing away.
        card = lambda *lines: b"BEGIN:VCARD\r\n" + b"".join(l + b"\r\n" for l in lines) + b"END:VCARD\r\n"
        cards = self.write("c.vcf", card(b"CATEGORIES:Ghost") + card(b"N:A;B", b"CATEGORIES:Work") +
                           card(b"CATEGORIES:Work") + card(b"X-ESI-CATEGORIES:Esi", b"CATEGORIES:Other") +
                           card(b"N:C;D", b"CATEGORIES:Home") + card(b"N:E;F", b"CATEGORIES:Ghost"))
        book, rejects = self.path("book.txt"), self.path("rejects.vcf")
        _, err = self.run_tool("import", cards, "-o", book, "--rejects", rejects, expect=1)
        self.assertEqual(self.book_lines(book), ['1,"Work",40,1,2,"Home",40,1,3,"Ghost",40,1',
                                                 '2,1,"B""A","",1', '2,2,"D""C","",2', '2,3,"F""E","",3', ""])
        self.assertIn("6 cards, 3 imported, 3 not imported", err)
        self.assertEqual(self.read(rejects), card(b"CATEGORIES:Ghost") + card(b"CATEGORIES:Work") +
                         card(b"X-ESI-CATEGORIES:Esi", b"CATEGORIES:Other"))

    def test_a_photo_ending_in_two_equals_signs_keeps_every_number(self):
        # The soft break of the base64 value's last "=" leaves "=" CR LF behind.
        for photo_first in (False, True):
            photo = b"PHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n AAECAwQ==\r\n\r\n"
            name = b"N:Nov=C3=A1k;Jan\r\n".replace(b"N:", b"N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:")
            body = photo + name if photo_first else name + photo
            cards = self.write("c.vcf", b"BEGIN:VCARD\r\nVERSION:2.1\r\n" + body +
                               b"TEL;HOME:111\r\nTEL;CELL:222\r\nTEL;WORK:333\r\nEND:VCARD\r\n")
            self.assertEqual(self.imported(cards)[1], '2,1,"Jan""Novák","111",5,"333",6,"222"', photo_first)

    def test_the_fallback_charset(self):
        cards = self.write("c.vcf", b"BEGIN:VCARD\r\nN:\xa9koda;\r\nEND:VCARD\r\n")
        self.assertIn('2,1,"""Škoda",""', self.imported(cards, "--charset", "ISO-8859-2"))

    def test_round_trip_through_our_own_cards(self):
        # Every item the 2.1 writer writes, accented; 1.0 carries fewer, its categories unlabelled Windows-1250.
        groups = '1,"Rodina",12,0,2,"Přátelé",12,0'
        jan = ('2,1,"Jan""Novák","+420601123456",5,"+420221000111",6,"+420603000111",8,"+420221000112",'
               '9,"jan@example.cz",10,"Dlouhá 5",13,"ACME",{}18,"Praha",20,"110 00",21,"Česko",27,"http://example.cz",{}1')
        eva = '2,2,"Eva""Černá","+420605003189",18,"Ústí nad Labem",2'
        jan21 = jan.format('14,"Ředitel",15,"+420221000113",17,"n@example.org",', '30,"+420221000114",31,"27460.000000",')
        jan10 = jan.format("", "")
        for form, jan_line, first in ((["--vcard21"], jan21, 1), (["--vcard21", "--charset", "utf7"], jan21, 1),
                                      (["--vcard10"], jan10, 0)):
            cards = self.path("cards.vcf")
            self.run_tool("export", self.write_book("book.txt", [groups, jan_line, eva]), *form, "-o", cards)
            want = ['1,"Rodina",40,1,2,"Přátelé",40,1', jan_line, eva]
            self.assertEqual(self.imported(cards)[first:3], want[first:], form)

    def test_progress_on_a_terminal_only(self):
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
        self.assertNotIn("card 250 of 250", self.run_tool("import", cards, "-o", self.path("b.txt"))[1])

    def test_nothing_imported_leaves_the_book_as_it_was(self):
        book = self.write("book.txt", b'1,"Rodina",12,0\n2,1,"Jan","123"\n')
        _, err = self.run_tool("import", self.write("notes.txt", b"not a card\n"), "-o", book, expect=1)
        self.assertIn("none imported; " + book + " left as it was", err)
        self.assertEqual(self.read(book), b'1,"Rodina",12,0\n2,1,"Jan","123"\n')


if __name__ == "__main__":
    toolcase.main()
