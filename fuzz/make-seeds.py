#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into OUT/<target>/.

Seeds come from the sample phone book (examples/), the real cards of
../shared/corpus/vcard/ (read here at run time, never copied into the
repository), the hand-written seeds of fuzz/seeds/<target>/ and every input that
ever failed (fuzz/regressions/<target>/). Each seed is the options byte the target
reads first, then the text.

usage: make-seeds.py REPO OUT
"""
import hashlib
import pathlib
import re
import sys


def write(out: pathlib.Path, target: str, options: int, text: bytes) -> None:
    data = bytes([options]) + text
    folder = out / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / hashlib.sha1(data).hexdigest()).write_bytes(data)


def copy_folder(out: pathlib.Path, target: str, folder: pathlib.Path) -> int:
    n = 0
    for f in sorted(folder.glob("*")) if folder.is_dir() else []:
        if f.is_file() and f.name != "README.md":
            data = f.read_bytes()
            (out / target).mkdir(parents=True, exist_ok=True)
            (out / target / hashlib.sha1(data).hexdigest()).write_bytes(data)
            n += 1
    return n


def cards(data: bytes):
    """The cards of a vCard file, with CR LF line ends as the reader takes them."""
    text = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    for m in re.finditer(rb"BEGIN:VCARD.*?END:VCARD\r\n?", text, re.S | re.I):
        yield m.group(0)


def main() -> int:
    repo, out = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    book = (repo / "examples" / "phonebook.txt").read_bytes().split(b"\n")
    if book:
        # The first line is the group table in the long form.
        for options in (0x00, 0x01, 0x04, 0x54, 0x21):
            write(out, "group_text", options, book[0])
        for line in book[1:]:
            if not line:
                continue
            write(out, "phone_text", 0x01, line)            # with location
            write(out, "phone_text", 0x2B, line + b"\r\n")  # extended items, groups, line end
            write(out, "phone_text", 0x5F, line)            # every option, pointer overload
            # The line without its location, as hosts pass it too.
            rest = line.split(b",", 2)
            if len(rest) == 3:
                write(out, "phone_text", 0x26, rest[2])

    corpus = repo.parent / "shared" / "corpus" / "vcard"
    n_cards = 0
    for f in sorted(corpus.rglob("*")):
        if not f.is_file() or f.suffix.lower() not in (".vcf", ".vcard", ".ref", ".2_1ref"):
            continue
        data = f.read_bytes()
        if len(data) <= 65536:
            write(out, "vcard", 0x07, data)
            write(out, "vcard_import", 0x00, data)
            write(out, "vcard_import", 0x03, data)
        for card in cards(data):
            for options in (0x17, 0x2B, 0x3F):
                write(out, "vcard", options, card)
            write(out, "vcard_value", 0x01, card)
            n_cards += 1

    # The import's own golden files and the tool's: whole files of several cards.
    for f in sorted((repo / "tests" / "formats" / "import").glob("*.vcf")) + \
            sorted((repo / "tests" / "tools" / "import").glob("*.vcf")):
        write(out, "vcard_import", 0x01, f.read_bytes())

    seeds = repo / "fuzz" / "seeds"
    regressions = repo / "fuzz" / "regressions"
    for folder in sorted(seeds.glob("*")) + sorted(regressions.glob("*")):
        if folder.is_dir():
            copy_folder(out, folder.name, folder)
    for folder in sorted(out.glob("*")):
        print(f"seeds: {folder.name}: {len(list(folder.iterdir()))} inputs", file=sys.stderr)
    if n_cards == 0:
        print(f"seeds: no cards under {corpus} (the vCard targets start from their own seeds)", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
