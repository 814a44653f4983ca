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


def card_fields(card):
    def value(name, attr=None):
        prop = card.contents.get(name, [None])[0]
        return "" if prop is None else text(getattr(prop.value, attr) if attr else prop.value)

    out = {"surname": value("n", "family"), "given": value("n", "given")}
    for key, attr in (("street", "street"), ("city", "city"), ("postal", "code"), ("country", "country")):
        out[key] = value("adr", attr)
    out.update(org=value("org"), title=value("title"), url=value("url"), bday=iso_date(value("bday")))
    out["phones"] = [{"number": text(tel.value),
                      "types": sorted({t.upper() for t in tel.params.get("TYPE", []) + tel.singletonparams})}
                     for tel in card.contents.get("tel", [])]
    out["emails"] = [text(e.value) for e in card.contents.get("email", [])]
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
