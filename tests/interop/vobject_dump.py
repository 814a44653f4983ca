#!/usr/bin/python3
"""Prints what Python's vobject reads from vCard files: one JSON object per
card and line, in UTF-8, with the same fields as kcontacts_dump."""
import json
import sys

try:
    import vobject
except ImportError:
    sys.exit("vobject_dump: peer missing: vobject (Debian package python3-vobject) "
             "cannot be imported by " + sys.executable)


def text(value):
    if isinstance(value, list):
        return ";".join(str(v) for v in value)
    return "" if value is None else str(value)


def iso_date(value):
    """YYYY-MM-DD from the basic or extended form, a time after it dropped."""
    day = value.split("T")[0]
    if len(day) == 8 and day.isdigit():
        return f"{day[:4]}-{day[4:6]}-{day[6:]}"
    return day


def first(card, name):
    return card.contents.get(name, [None])[0]


def card_fields(card):
    out = {}
    n = first(card, "n")
    out["surname"] = text(n.value.family) if n else ""
    out["given"] = text(n.value.given) if n else ""
    fn = first(card, "fn")
    out["formatted"] = text(fn.value) if fn else ""
    adr = first(card, "adr")
    for key, attr in (("street", "street"), ("city", "city"), ("postal", "code"), ("country", "country")):
        out[key] = text(getattr(adr.value, attr)) if adr else ""
    org = first(card, "org")
    out["org"] = text(org.value) if org else ""
    title = first(card, "title")
    out["title"] = text(title.value) if title else ""
    phones = []
    for tel in card.contents.get("tel", []):
        types = [t.upper() for t in tel.params.get("TYPE", [])]
        types += [t.upper() for t in tel.singletonparams]
        phones.append({"number": text(tel.value), "types": sorted(set(types))})
    out["phones"] = phones
    out["emails"] = [text(e.value) for e in card.contents.get("email", [])]
    url = first(card, "url")
    out["url"] = text(url.value) if url else ""
    bday = first(card, "bday")
    out["bday"] = iso_date(text(bday.value)) if bday else ""
    categories = []
    for c in card.contents.get("categories", []):
        categories += c.value if isinstance(c.value, list) else [c.value]
    out["categories"] = [text(c) for c in categories]
    return out


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: vobject_dump.py FILE.vcf...")
    for path in sys.argv[1:]:
        with open(path, "rb") as f:
            # An unlabelled 8-bit value is read as an application expecting UTF-8 reads it.
            data = f.read().decode("utf-8", errors="replace")
        for index, card in enumerate(vobject.readComponents(data, ignoreUnreadable=True), 1):
            fields = card_fields(card)
            fields["file"] = path
            fields["index"] = index
            print(json.dumps(fields, ensure_ascii=False))


if __name__ == "__main__":
    main()
