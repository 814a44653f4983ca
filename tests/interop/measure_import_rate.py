#!/usr/bin/python3
"""The import rate: over every card of a corpus of real vCard files, with KDE's
KContacts as the reference reader, the share of cards whose surname, given name
and main number come out the same, compared in Windows-1250, through the
library's reader alone and through `sorrel import`.

usage: measure_import_rate.py --kcontacts BIN --probe BIN --sorrel BIN
                              [--min PERCENT] [--verbose] CORPUS_DIR

The reference number is the one KContacts marks preferred, else its first; the
library's is the entry's main number. A card is what lies between a BEGIN:VCARD
and its END:VCARD line (as `sorrel import` splits files); each card is read on
its own by every reader. A card KContacts reads nothing from is not counted; a
card the library or the tool rejects counts as different. The library alone gets
the card's bytes as they stand. Exit 1 when the import rate is below --min."""
import argparse
import json
import os
import re
import subprocess
import sys
import tempfile


def split_cards(data):
    """The cards of a file, as `sorrel import` finds them."""
    cards, start = [], None
    for m in re.finditer(rb"[^\r\n]*(\r\n|\n|\r|$)", data):
        if m.start() == m.end():
            break
        line = m.group(0).strip().upper()
        if line == b"BEGIN:VCARD":
            if start is not None:
                cards.append(data[start:m.start()])
            start = m.start()
        elif start is not None and line.startswith(b"END:VCARD"):
            cards.append(data[start:m.end()])
            start = None
    if start is not None:
        cards.append(data[start:])
    return cards


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, **kwargs)
    if result.returncode not in (0, 1):
        sys.exit(f"measure_import_rate: {command[0]} failed: {result.stderr.decode(errors='replace')}")
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    for option in ("--kcontacts", "--probe", "--sorrel"):
        parser.add_argument(option, required=True)
    parser.add_argument("--min", type=float, default=0.0)
    parser.add_argument("--verbose", action="store_true")
    parser.add_argument("corpus")
    args = parser.parse_args()
    if not os.path.isdir(args.corpus):
        print(f"measure_import_rate: skipped: the vCard corpus {args.corpus} is missing (set SORREL_VCARD_CORPUS)")
        return 77
    if not os.path.exists(args.kcontacts):
        sys.exit(f"measure_import_rate: peer missing: KContacts reader {args.kcontacts} was not built "
                 "(install libkf5contacts-dev)")

    files = sorted(os.path.join(d, f) for d, _, names in os.walk(args.corpus) for f in names if f.endswith(".vcf"))
    with tempfile.TemporaryDirectory() as tmp:
        cards, origin = [], {}
        for path in files:
            with open(path, "rb") as f:
                for i, card in enumerate(split_cards(f.read()), 1):
                    name = os.path.join(tmp, f"{len(cards):05d}.vcf")
                    with open(name, "wb") as out:
                        out.write(card)
                    cards.append(name)
                    origin[name] = f"{os.path.relpath(path, args.corpus)} card {i}"

        # The reference, in UTF-8, then in Windows-1250 through the library's converter.
        reference = {}
        for line in run([args.kcontacts] + cards).stdout.decode("utf-8").splitlines():
            card = json.loads(line)
            if card["file"] in reference:
                continue
            phones = card["phones"]
            pref = [p for p in phones if "PREF" in p["types"]]
            number = (pref or phones or [{"number": ""}])[0]["number"]
            reference[card["file"]] = [card["surname"], card["given"], number]
        flat = [s for values in reference.values() for s in values]
        hexed = run([args.probe, "ansi"], input="".join(s.encode().hex() + "\n" for s in flat).encode())
        ansi = iter(hexed.stdout.decode().split("\n"))
        for values in reference.values():
            values[:] = [next(ansi) for _ in values]

        # The library alone.
        alone = {bytes.fromhex(r["source"]).decode(): r
                 for r in map(json.loads, run([args.probe, "cards"] + cards).stdout.decode().splitlines())}

        # sorrel import: the entries come in the order of the cards it did not reject.
        book = os.path.join(tmp, "book.txt")
        imported = run([args.sorrel, "import", "-o", book] + cards)
        rejected = set(re.findall(r"sorrel import: (\S+?\.vcf):\d+: card \d+: not imported",
                                  imported.stderr.decode(errors="replace")))
        slots = [json.loads(line) for line in run([args.probe, "book", book]).stdout.decode().splitlines()]
        through_import, slot = {}, iter(slots)
        for name in cards:
            if name not in rejected:
                through_import[name] = next(slot, None)

    def same(name, got):
        return bool(got) and got["ok"] == 1 and [got["surname"], got["given"], got["number"]] == reference[name]

    def show(values):
        return [bytes.fromhex(h).decode("cp1250", errors="replace") for h in values]

    counted = [name for name in cards if name in reference]
    total = len(counted)
    print(f"corpus: {len(files)} files, {len(cards)} cards, {total} read by KContacts")
    for label, got in (("library alone", alone), ("sorrel import", through_import)):
        score = sum(same(n, got.get(n)) for n in counted)  # the last, the import's, is held to --min
        print(f"{label}: {score} of {total} = {100.0 * score / total:.1f}%")
    if args.verbose:
        for n in (n for n in counted if not same(n, through_import.get(n))):
            got = through_import.get(n)
            print(f"  import differs: {origin[n]}: reference {show(reference[n])}, "
                  f"imported {show(got[k] for k in ('surname', 'given', 'number')) if got else 'nothing'}")
    if 100.0 * score / total < args.min:
        print(f"the import rate is below {args.min}%")
        return 1
    return 0

if __name__ == "__main__":
    sys.exit(main())
