#!/usr/bin/env python3
"""The library's layering, checked on the sources and on the built objects.

usage: check-layering.py SRC_DIR LAYERS_DIR
       check-layering.py --self-test

Each folder of src/ is a component that may use only the ones the table below
allows (and what those may use). The build gives every component an include
path with only those folders; this check fails on what the build cannot see:

  - a component declared in CMake with a dependency the table does not allow;
  - an #include "folder/..." of a part the component may not use, or of a
    toolkit (Qt, X11) outside the folders that may see it;
  - an object that takes a symbol defined only in a part it may not use (nm).

LAYERS_DIR holds one <component>.txt per component, written by the build:
its folder, what CMake lets it use, and its object files.
"""
import os
import re
import subprocess
import sys

# The direction of dependencies: platform knows nothing of phone books; model
# uses platform; formats, operations and listview use model (formats uses the
# column model of listview for CSV); printing uses listview; shell may use all.
# The platform core hands windows and devices to the toolkit registered with it
# (platform/Toolkit.h) and takes nothing from a backend, so that the data half
# links without one; only the backends see the toolkit.
ALLOWED = {
    "resources": set(),
    "platform": {"resources"},
    "platform_qt": {"platform", "resources"},
    "platform_x11": {"platform", "resources"},
    "model": {"platform", "resources"},
    "listview": {"model"},
    "formats": {"model", "listview"},
    "operations": {"model"},
    "printing": {"listview"},
    "shell": {"*"},
    "shell_splash": {"*"},
}
# Who may include a toolkit's headers: the backends. The code that draws (the
# printed rows, the shell's button) draws through device contexts, and goes with
# the data half, which links no toolkit.
TOOLKITS = {
    "Qt": (re.compile(r"^Q[A-Za-z]*(/|$)|^Qt[A-Za-z]*/"), {"platform_qt"}),
    "X11": (re.compile(r"^X11/"), {"platform_x11"}),
}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def closure(name, table):
    """What a component may use: the table's entries and, in turn, theirs."""
    seen, todo = set(), [name]
    while todo:
        for dep in table.get(todo.pop(), set()):
            if dep == "*":
                return {"*"}
            if dep not in seen:
                seen.add(dep)
                todo.append(dep)
    return seen


def read_components(layers_dir):
    components = {}
    for entry in sorted(os.listdir(layers_dir)):
        if not entry.endswith(".txt"):
            continue
        fields = {}
        with open(os.path.join(layers_dir, entry)) as f:
            for line in f:
                key, _, value = line.strip().partition(" ")
                fields[key] = value.split()
        components[entry[:-4]] = {
            "folder": fields["folder"][0],
            "uses": set(fields.get("uses", [])),
            "objects": fields.get("objects", []),
        }
    return components


def owner_of_path(path, folders):
    """The component whose folder holds path (the deepest one)."""
    best = None
    for name, folder in folders.items():
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(folders[best]):
                best = name
    return best


def may_use(name, other, allowed):
    return other == name or "*" in allowed[name] or other in allowed[name]


def check_declared(components, allowed, problems):
    for name, c in components.items():
        if name not in ALLOWED:
            problems.append(f"{name}: a component the layering table does not know (add it to {__file__})")
            continue
        for dep in sorted(c["uses"] - {name}):
            if not may_use(name, dep, allowed):
                problems.append(f"{name}: CMake lets it use {dep}, which it may not")


def check_includes(src_dir, components, allowed, problems):
    folders = {name: c["folder"] for name, c in components.items()}
    for root, _, files in os.walk(src_dir):
        rel_dir = os.path.relpath(root, src_dir)
        name = owner_of_path(rel_dir, folders)
        if name is None or name not in allowed:
            continue
        for file in sorted(files):
            if not file.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, file)
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    where = f"{os.path.relpath(path, src_dir)}:{number}"
                    target = m.group(2)
                    for toolkit, (pattern, who) in TOOLKITS.items():
                        if m.group(1) == "<" and pattern.match(target) and name not in who:
                            problems.append(f"{where}: {name} includes {toolkit} ({target})")
                    if m.group(1) == '"' and "/" in target:
                        other = owner_of_path(os.path.dirname(target), folders)
                        if other and not may_use(name, other, allowed):
                            problems.append(f"{where}: {name} includes {target}, a header of {other}")
                        if target.split("/")[0] in ("tools", "tests"):
                            problems.append(f"{where}: the library includes {target}")


def symbols(objects):
    """Defined and undefined symbols of the objects (mangled)."""
    defined, undefined = set(), {}
    if not objects:
        return defined, undefined
    out = subprocess.run(["nm", "-A", "--defined-only"] + objects, capture_output=True, text=True, check=True)
    for line in out.stdout.splitlines():
        parts = line.split()
        # Strong global definitions only: a weak one (an inline function, a
        # template) is made by every object that uses it.
        if len(parts) >= 3 and parts[-2] in ("T", "D", "B", "R", "G", "S", "C", "u"):
            defined.add(parts[-1])
    out = subprocess.run(["nm", "-A", "--undefined-only"] + objects, capture_output=True, text=True, check=True)
    for line in out.stdout.splitlines():
        obj, _, rest = line.partition(": ")
        sym = rest.split()[-1] if rest.split() else ""
        undefined.setdefault(sym, []).append(os.path.basename(obj.split(":")[0]))
    return defined, undefined


def check_symbols(components, allowed, problems):
    defined = {}
    undefined = {}
    for name, c in components.items():
        defined[name], undefined[name] = symbols(c["objects"])
    for name in components:
        if name not in allowed:
            continue
        for sym, objs in sorted(undefined[name].items()):
            if sym in defined[name]:
                continue
            owners = [o for o in components if sym in defined[o]]
            if owners and not any(may_use(name, o, allowed) for o in owners):
                demangled = subprocess.run(["c++filt", sym], capture_output=True, text=True).stdout.strip()
                problems.append(f"{name}: {objs[0]} uses {demangled}, defined in {', '.join(owners)}")


def check(src_dir, layers_dir):
    components = read_components(layers_dir)
    allowed = {name: closure(name, ALLOWED) for name in ALLOWED}
    problems = []
    check_declared(components, allowed, problems)
    check_includes(src_dir, components, allowed, problems)
    check_symbols(components, allowed, problems)
    return components, problems


def self_test():
    """The check itself: a tree with one wrong-way include of each kind, and a
    platform object that calls into its Qt backend, fails."""
    import shutil
    import tempfile
    cases = {
        "model/Entry.cpp": '#include "listview/ColumnValueName.h"\n',
        "formats/Csv.cpp": "#include <QString>\n",
        "platform/Wnd.cpp": '#include "platform/qt/Windows.h"\n',
        "listview/Sort.cpp": '#include "model/TextForm.h"\n#include "platform/Numbers.h"\n',
    }
    expected = ["model/Entry.cpp:1: model includes listview/ColumnValueName.h, a header of listview",
                "formats/Csv.cpp:1: formats includes Qt (QString)",
                "platform/Wnd.cpp:1: platform includes platform/qt/Windows.h, a header of platform_qt"]
    # Objects: the platform core calls a function only its Qt backend defines,
    # which the registration table is there to prevent; the backend may call the core.
    objects = {
        "platform": ("Wnd.c", "void qt_make_widget(void); int core_rule(void) { qt_make_widget(); return 0; }"),
        "platform_qt": ("Windows.c", "int core_rule(void); void qt_make_widget(void) { core_rule(); }"),
    }
    compiler = shutil.which("cc")
    if compiler:
        expected.append("platform: Wnd.o uses qt_make_widget, defined in platform_qt")
    with tempfile.TemporaryDirectory() as tmp:
        src, layers = os.path.join(tmp, "src"), os.path.join(tmp, "layers")
        os.makedirs(layers)
        for name in ("platform", "platform_qt", "model", "listview", "formats"):
            built = ""
            if compiler and name in objects:
                source, text = objects[name]
                built = os.path.join(tmp, source[:-2] + ".o")
                with open(os.path.join(tmp, source), "w") as f:
                    f.write(text + "\n")
                subprocess.run([compiler, "-c", "-o", built, os.path.join(tmp, source)], check=True)
            with open(os.path.join(layers, name + ".txt"), "w") as f:
                f.write(f"folder {name.replace('_', '/')}\nuses {name}\nobjects {built}\n")
        for path, text in cases.items():
            os.makedirs(os.path.dirname(os.path.join(src, path)), exist_ok=True)
            with open(os.path.join(src, path), "w") as f:
                f.write(text)
        _, problems = check(src, layers)
    found = sorted(p for p in problems)
    if found != sorted(expected):
        print("layering self-test: expected\n  " + "\n  ".join(expected) + "\nfound\n  " + "\n  ".join(found))
        return 1
    what = "dependencies" if compiler else "includes (no C compiler: objects not tried)"
    print(f"layering self-test: {len(expected)} wrong-way {what} found, the right-way ones passed")
    return 0


def main():
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    components, problems = check(*sys.argv[1:])
    for p in problems:
        print(f"layering: {p}")
    if problems:
        print(f"layering: {len(problems)} wrong-way dependencies")
        return 1
    print(f"layering: {len(components)} components, every dependency in its direction")
    return 0


if __name__ == "__main__":
    sys.exit(main())
