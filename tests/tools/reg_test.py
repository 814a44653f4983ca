"""sorrel reg: values written as the library stores them, read back, exported in
the .reg text form (golden file), and every refusal with its exit code."""
import os
import sqlite3

import toolcase

TOVIK = r"HKCU\Software\Tovik"
FONT = r"HKEY_CURRENT_USER\Software\Tovik\Fonts\Tisk"

class Reg(toolcase.ToolCase):
    def store(self):
        return os.path.join(self.env["XDG_CONFIG_HOME"], "sorrel", "registry.sqlite3")

    def setUp(self):
        super().setUp()
        for key, name, kind, value in ((TOVIK, "SplashDelay", "--dword", "2000"), (FONT, "Height", "--dword", "-16"),
                                       (FONT, "Weight", "--dword", "0x2BC"),
                                       (FONT, "FaceName", "--sz", 'Arial "Česká" \\ záloha'),
                                       (FONT, "", "--sz", "výchozí"),
                                       (TOVIK + r"\Printing", "FontPointSize", "--dword", "100")):
            self.run_tool("reg", "set", key, name, kind, value)

    def test_values_are_stored_as_the_library_reads_them(self):
        # overwriting under another spelling keeps the first one
        self.run_tool("reg", "set", FONT.lower(), "HEIGHT", "--dword", "4294967295")
        db = sqlite3.connect(self.store())
        rows = dict(db.execute("SELECT name, data FROM vals WHERE type IN (1, 4)").fetchall())
        db.close()
        self.assertEqual(rows[b"FaceName"], 'Arial "Česká" \\ záloha'.encode("cp1250") + b"\0")
        self.assertEqual(rows[b""], "výchozí".encode("cp1250") + b"\0")
        self.assertEqual(rows[b"Height"], b"\xff\xff\xff\xff")
        self.assertEqual(rows[b"SplashDelay"], (2000).to_bytes(4, "little"))

    def test_query_and_export(self):
        for args, expected in (
                (["query", TOVIK], "HKEY_CURRENT_USER\\Software\\Tovik\n"
                 "    SplashDelay    REG_DWORD    0x7d0 (2000)\n"
                 "HKEY_CURRENT_USER\\Software\\Tovik\\Fonts\n"
                 "HKEY_CURRENT_USER\\Software\\Tovik\\Printing\n"),
                (["query", FONT, "height"], FONT + "\n    height    REG_DWORD    0xfffffff0 (-16)\n"),
                (["query", FONT, ""], FONT + "\n    (Default)    REG_SZ    výchozí\n"),
                (["export", r"HKCU\Software\Tovik\Printing"], "Windows Registry Editor Version 5.00\n\n"
                 "[HKEY_CURRENT_USER\\Software\\Tovik\\Printing]\n\"FontPointSize\"=dword:00000064\n\n")):
            with self.subTest(args=args):
                self.assertEqual(self.run_tool("reg", *args)[0], expected)
        stdout, _ = self.run_tool("reg", "export")
        golden = os.path.join(toolcase.HERE, "reg_export.reg")
        if os.environ.get("SORREL_REGENERATE"):
            with open(golden, "w", encoding="utf-8") as f:
                f.write(stdout)
        with open(golden, encoding="utf-8") as f:
            self.assertEqual(stdout, f.read())

    def test_delete(self):
        self.run_tool("reg", "delete", FONT, "faceNAME")
        self.run_tool("reg", "delete", FONT, "FaceName", expect=1)
        self.assertIn("has sub-keys", self.run_tool("reg", "delete", r"HKCU\Software\Tovik\Fonts", expect=2)[1])
        self.run_tool("reg", "delete", FONT)
        self.run_tool("reg", "query", FONT, expect=1)
        self.run_tool("reg", "query", r"HKCU\Software\Tovik\Fonts")

    def test_damaged_store_is_named_and_left_aside(self):
        with open(self.store(), "r+b") as f:
            f.write(b"not a database at all" * 8)
        _, stderr = self.run_tool("reg", "query", TOVIK, expect=1)
        moved = [n for n in os.listdir(os.path.dirname(self.store())) if ".corrupt-" in n]
        self.assertEqual(len(moved), 1, moved)
        self.assertIn(moved[0], stderr)
        self.assertIn("does not exist", stderr)
        # the fresh store takes writes
        self.run_tool("reg", "set", TOVIK, "SplashDelay", "--dword", "500")
        self.assertEqual(self.run_tool("reg", "query", TOVIK, "SplashDelay"), (
            "HKEY_CURRENT_USER\\Software\\Tovik\n    SplashDelay    REG_DWORD    0x1f4 (500)\n", ""))


if __name__ == "__main__":
    toolcase.main()
