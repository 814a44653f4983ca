#!/usr/bin/env python3
"""Writes examples/phonebook.txt, the sample phone book: what the phone server
delivers for a phone with a SIM (location 1), phone memory (location 2), a
business card memory (location 12) and a call list (location 3).

Deterministic: the same file every run. Texts are Windows-1250 bytes."""
import random
import sys

rng = random.Random(20261205)

SURNAMES = ["Novák", "Svoboda", "Novotný", "Dvořák", "Černý", "Procházka", "Kučera",
            "Veselý", "Horák", "Němec", "Pokorný", "Marek", "Pospíšil", "Hájek", "Jelínek",
            "Král", "Růžička", "Beneš", "Fiala", "Sedláček", "Doležal", "Zeman", "Kolář",
            "Navrátil", "Čermák", "Vaněk", "Urban", "Blažek", "Kříž", "Kovář", "Šťastný",
            "Smith", "Brown", "Weber", "Müller"]
NAMES = ["Jan", "Petr", "Jiří", "Josef", "Pavel", "Martin", "Tomáš", "Jaroslav", "Miroslav",
         "Zdeněk", "Václav", "Michal", "Eva", "Hana", "Anna", "Lenka", "Kateřina", "Lucie",
         "Věra", "Alena", "Petra", "Jana", "Marie", "Zuzana", "Šárka", "Řehoř", "John", "Emma"]
CITIES = [("Praha", "11000"), ("Brno", "60200"), ("Ostrava", "70200"), ("Plzeň", "30100"),
          ("Liberec", "46001"), ("Olomouc", "77900"), ("České Budějovice", "37001"),
          ("Hradec Králové", "50002"), ("Ústí nad Labem", "40001"), ("Pardubice", "53002")]
STREETS = ["Dlouhá", "Krátká", "Nádražní", "Školní", "Husova", "Masarykova", "Komenského",
           "Palackého", "Žižkova", "Květná", "Lipová", "Zahradní"]
COMPANIES = ["ACME s.r.o.", "Škoda Auto", "Tovární 5 a.s.", "Pekárna U Řeky", "Nemocnice Motol",
             "ČEZ", "Lékárna Na Rohu", "Autoservis Kříž", "Bistro Žába"]
TITLES = ["Ředitel", "Účetní", "Technik", "Vedoucí směny", "Lékař", "Obchodník", "Řidič"]
GROUPS = [(1, "Rodina"), (2, "Přátelé"), (3, "Práce"), (4, "VIP"), (5, "Škola")]


def number(prefix=None):
    if prefix is None:
        prefix = rng.choice(["+420601", "+420602", "+420603", "+420604", "+420605", "+420606",
                             "+420607", "+420608", "0602", "0603", "0605", "+420724", "+420777",
                             "0042060", "02", "+4202"])
    return prefix + "".join(rng.choice("0123456789") for _ in range(9 - (len(prefix) - 4) if len(prefix) > 4 else 6))


def ole_date(year, month, day):
    import datetime
    return (datetime.date(year, month, day) - datetime.date(1899, 12, 30)).days


def q(text):
    return '"' + text + '"'


def slot_location1(pos):
    name = rng.choice(NAMES) + " " + rng.choice(SURNAMES)
    if rng.random() < 0.08:
        name += "!"
    line = f'1,{pos},{q(name)},{q(number())}'
    if rng.random() < 0.3:
        line += f',{rng.choice(GROUPS)[0]}'
    return line


def slot_location2(pos):
    surname, name = rng.choice(SURNAMES), rng.choice(NAMES)
    if rng.random() < 0.05:
        name += "!"
    items = []
    if rng.random() < 0.6:
        items.append((5, number("+420221")))
    if rng.random() < 0.7:
        items.append((6, number()))
    if rng.random() < 0.2:
        items.append((7, number("+420")))
    if rng.random() < 0.1:
        items.append((8, number("+420222")))
    if rng.random() < 0.5:
        ascii_name = name.rstrip("!").lower().translate(str.maketrans("áčďéěíňóřšťúůýž", "acdeeinorstuuyz"))
        items.append((9, f"{ascii_name}.{surname.lower()[:4]}@example.cz".encode("ascii", "replace").decode()))
    city, zipcode = rng.choice(CITIES)
    if rng.random() < 0.5:
        items.append((10, f"{rng.choice(STREETS)} {rng.randint(1, 120)}"))
    if rng.random() < 0.3:
        items.append((11, rng.choice(["Zavolat po 18. hodině", "Narozeniny v létě", "Kolega z práce",
                                      "Má psa Řeka", "Klíče od chaty"])))
    if rng.random() < 0.4:
        items.append((13, rng.choice(COMPANIES)))
    if rng.random() < 0.3:
        items.append((14, rng.choice(TITLES)))
    if rng.random() < 0.1:
        items.append((15, number()))
    if rng.random() < 0.05:
        items.append((16, number("+420")))
    if rng.random() < 0.1:
        items.append((17, f"{surname.lower()[:3]}@post.cz".encode("ascii", "replace").decode()))
    if rng.random() < 0.5:
        items.append((18, city))
        if rng.random() < 0.8:
            items.append((20, zipcode))
        if rng.random() < 0.5:
            items.append((21, "Česká republika"))
    if rng.random() < 0.05:
        items.append((22, number()))
    if rng.random() < 0.1:
        items.append((27, f"http://www.{surname.lower()[:5]}.cz".encode("ascii", "replace").decode()))
    if rng.random() < 0.6:
        items.append((28, f"{rng.randint(1, 9999):04X}"))
    if rng.random() < 0.05:
        items.append((29, "Druhá poznámka"))
    if rng.random() < 0.05:
        items.append((30, number("+420222")))
    line = f'2,{pos},{q(name)}{q(surname)},{q(number())}'
    for item_id, value in sorted(items):
        line += f',{item_id},{q(value)}'
    if rng.random() < 0.4:
        line += f',31,"{ole_date(rng.randint(1940, 2010), rng.randint(1, 12), rng.randint(1, 28))}.000000"'
    group = rng.choice(GROUPS)[0] if rng.random() < 0.6 else 0
    icons = [0, 0, 0, 0, 0]
    if rng.random() < 0.25:
        icons = [rng.choice([0, 0, 1, 2, 3]) for _ in range(5)]
        icons[0] = icons[0] or rng.randint(1, 9)
    if any(icons):
        line += f',{group},5,' + ",".join(str(i) for i in icons)
    elif group:
        line += f',{group}'
    return line


def slot_location12(pos):
    company = rng.choice(COMPANIES)
    line = f'12,{pos},{q("")},{q(number("+420"))},13,{q(company)}'
    return line + f',{rng.choice(GROUPS)[0]}'


def slot_location3(pos):
    return f'3,{pos},{q(rng.choice(NAMES))},{q(number())}'


def main(path):
    lines = ['1,"Rodina",12,0,2,"Přátelé",12,0,3,"Práce",12,1,4,"VIP",12,0,5,"Škola",12,0']
    for pos in range(1, 81):
        lines.append("EMPTY" if rng.random() < 0.12 else slot_location1(pos))
    for pos in range(1, 201):
        lines.append("EMPTY" if rng.random() < 0.08 else slot_location2(pos))
    for pos in range(1, 11):
        lines.append(slot_location12(pos))
    for pos in range(1, 21):
        lines.append(slot_location3(pos))
    # The odd line a phone server has been seen to send: a name without its
    # closing quote, a missing number, a surname on a location without extended
    # items, and an unset birthday.
    lines.insert(40, '1,41,"Nedokončený,"+420601000111')
    lines.insert(120, '2,300,"Bez čísla"')
    lines.insert(150, '3,99,"Jan""Novák","+420603111222"')
    lines.insert(200, '2,301,"Eva""Malá","+420604000333",31,"-36523.000000"')
    with open(path, "wb") as f:
        for line in lines:
            f.write(line.encode("cp1250") + b"\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "examples/phonebook.txt")
