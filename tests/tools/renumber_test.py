"""sorrel renumber and sorrel prefix: in-place rewriting of the numbers, with
only the changed entries' lines rewritten."""
import os
import re
import shutil

import toolcase

SAMPLE = os.path.join(os.environ.get("SORREL_SOURCE_DIR", "."), "examples", "phonebook.txt")

SMALL = [
    '1,"Rodina",12,0',
    '1,1,"Jan","0602123456",6,"072111222",30,"0603999888"',  # the second fax is never touched
    '1,2,"Eva","00420602123456"',  # "00" reads as "+": no change, the line stays
    '4,3,"Dialled","0602123456"',  # an excluded location
    '2,4,"Petr""Malý","02123456",9,"0602@example.cz"',  # e-mail is not a number
    "EMPTY",
]
SMALL_BYTES = "".join(l + "\n" for l in SMALL).encode("cp1250")


def changed_lines(stdout):
    return sorted({int(m) for m in re.findall(r"^[^\n]*?:(\d+): ", stdout, re.M)})

class Renumber(toolcase.ToolCase):
    def sample(self):
        return shutil.copyfile(SAMPLE, self.path("book.txt"))

    def test_twice_with_the_built_in_table_changes_nothing_the_second_time(self):
        original = self.read(SAMPLE)
        for direction in ([], ["--international"]):
            with self.subTest(direction=direction):
                book = self.sample()
                if os.path.exists(book + "~"):
                    os.remove(book + "~")
                stdout, _ = self.run_tool("renumber", book, *direction)
                once = self.read(book)
                self.assertNotEqual(once, original)
                self.assertEqual(self.read(book + "~"), original)
                # only the lines of the reported entries differ
                before, after = original.split(b"\n"), once.split(b"\n")
                self.assertEqual(len(before), len(after))
                self.assertEqual([i + 1 for i, (a, b) in enumerate(zip(before, after)) if a != b], changed_lines(stdout))
                self.assertIn(" 0 of ", self.run_tool("renumber", book, *direction)[0])
                self.assertEqual(self.read(book), once)

    def test_dry_run_leaves_the_file_byte_for_byte(self):
        book = self.sample()
        mtime = os.stat(book).st_mtime_ns
        stdout, _ = self.run_tool("renumber", book, "--international", "--dry-run")
        self.assertIn("dry run: nothing written", stdout)
        self.assertTrue(changed_lines(stdout))
        self.assertEqual(self.read(book), self.read(SAMPLE))
        self.assertEqual(os.stat(book).st_mtime_ns, mtime)
        self.assertFalse(os.path.exists(book + "~"))

    def test_numbers_locations_and_normalisation(self):
        book = self.write_book("small.txt", SMALL, line_end="\r\n")
        stdout, _ = self.run_tool("renumber", book, "--no-backup", "--rule", "+4202,+42022,02,2")
        self.assertFalse(os.path.exists(book + "~"))
        self.assertEqual(changed_lines(stdout), [2, 5])
        self.assertIn("Petr Malý", stdout)
        self.assertIn("number: 02123456 -> 2123456", stdout)
        # the line ends stay CR LF
        self.assertEqual(self.book_lines(book, "\r\n"), [
            SMALL[0], '1,1,"Jan","602123456",6,"72111222",30,"0603999888"', *SMALL[2:4],
            '2,4,"Petr""Malý","2123456",9,"0602@example.cz"', "EMPTY", ""])

    def test_a_rule_without_an_old_prefix_is_noted(self):
        _, stderr = self.run_tool("renumber", self.write_book("small.txt", SMALL), "--dry-run",
                                  "--rule", ",,02,2", "--rule", "+4202,+42022,02,2")
        self.assertIn("rule 1 has no old international prefix", stderr)

class Prefix(toolcase.ToolCase):
    def test_rewrites_every_number_item_in_every_location(self):
        book = self.write_book("small.txt", SMALL)
        self.assertEqual(changed_lines(self.run_tool("prefix", book, "0602", "+420602")[0]), [2, 4])
        lines = self.book_lines(book)
        self.assertEqual(lines[1], '1,1,"Jan","+420602123456",6,"072111222",30,"0603999888"')
        self.assertEqual(lines[3], '4,3,"Dialled","+420602123456"')
        self.assertEqual(lines[2], SMALL[2])  # prefix change does not normalise "00"
        self.assertEqual(self.read(book + "~"), SMALL_BYTES)

    def test_same_text_still_counts_as_a_change(self):
        stdout, _ = self.run_tool("prefix", self.write_book("small.txt", SMALL), "072", "072", "--dry-run")
        self.assertIn("the numbers read the same", stdout)
        self.assertEqual(changed_lines(stdout), [2])


if __name__ == "__main__":
    toolcase.main()
