#!/usr/bin/python3
"""Compares what a peer reader decoded from our cards with what it must decode.

usage: compare.py EXPECTED.json PEER_NAME -- READER_COMMAND... CARDS.vcf

EXPECTED.json holds one object per card (the golden expected-*.json of this folder); the reader
command prints one object per card (kcontacts_dump, vobject_dump.py). Every
field present in an expected object is compared; numbers are compared with their
types, in order. Exit 0 when every card matches, 1 otherwise, 2 when the peer
could not be run."""
import json
import subprocess
import sys

# A peer may add the default type of a number; it says nothing about the slot.
IGNORED_TYPES = {"VOICE"}


def normalise(field, value):
    if field == "phones":
        return [(p["number"], sorted(set(t.upper() for t in p["types"]) - IGNORED_TYPES)) for p in value]
    return value


def main():
    if len(sys.argv) < 5 or "--" not in sys.argv:
        sys.exit(__doc__)
    split = sys.argv.index("--")
    expected_path, peer = sys.argv[1], sys.argv[2]
    command = sys.argv[split + 1:]
    with open(expected_path, encoding="utf-8") as f:
        expected = [json.loads(line) for line in f if line.strip()]
    try:
        run = subprocess.run(command, capture_output=True)
    except OSError as e:
        print(f"{peer}: peer missing: cannot run {command[0]}: {e}")
        return 2
    if run.returncode != 0:
        print(f"{peer}: reader failed (exit {run.returncode}): {run.stderr.decode(errors='replace')}")
        return 2
    got = [json.loads(line) for line in run.stdout.decode("utf-8").splitlines() if line.strip()]
    cards = command[-1]
    failures = 0
    if len(got) != len(expected):
        print(f"{peer}: {cards}: read {len(got)} cards, expected {len(expected)}")
        failures += 1
    for index, (want, have) in enumerate(zip(expected, got), 1):
        for field, value in want.items():
            a, b = normalise(field, value), normalise(field, have.get(field))
            if a != b:
                print(f"{peer}: {cards}: card {index} ({want.get('surname')!r} {want.get('given')!r}): "
                      f"{field} is {b!r}, expected {a!r}")
                failures += 1
    print(f"{peer}: {cards}: {len(expected)} cards, {failures} differences")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
