#!/usr/bin/env python3
"""Checks the include structure of src/:
- shell/ (the program's start and its two windows) stands on top, so no file
  outside it includes one of its files;
- no two units (a header and its source counted as one) include each other,
  directly or through others;
- no two folders include each other, directly or through other folders. A
  folder inside another is a folder of its own: the simulated machine
  (platform/sim/) stands above the services whose rules it imitates, the
  interfaces of platform/ below them.
Prints the folder graph, top layer first, then each breach; exits 1 on any.
Usage: check-includes.py [SOURCE-ROOT]   (the repository's src/ by default)"""
import os, re, sys

SRC = (sys.argv[1] if len(sys.argv) > 1 else
       os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src"))
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)

units = {}  # unit (path without extension) -> set of included units
for folder, _, names in os.walk(SRC):
    for name in names:
        if not name.endswith((".h", ".cpp")):
            continue
        path = os.path.relpath(os.path.join(folder, name), SRC)
        unit = os.path.splitext(path)[0]
        with open(os.path.join(folder, name), encoding="latin-1") as f:
            targets = {os.path.splitext(t)[0] for t in INCLUDE.findall(f.read())}
        units.setdefault(unit, set()).update(t for t in targets if t != unit)

breaches = []
for unit, targets in sorted(units.items()):
    if not unit.startswith("shell/"):
        for target in sorted(t for t in targets if t.startswith("shell/")):
            breaches.append(f"{unit} includes {target}, which only shell/ may include")

# Tarjan's strongly connected components: every component of more than one
# unit is a circle of includes.
index, low, stack, on_stack, counter = {}, {}, [], set(), [0]
sys.setrecursionlimit(10000)


def visit(unit):
    index[unit] = low[unit] = counter[0]
    counter[0] += 1
    stack.append(unit)
    on_stack.add(unit)
    for target in units.get(unit, ()):
        if target not in units:
            continue
        if target not in index:
            visit(target)
            low[unit] = min(low[unit], low[target])
        elif target in on_stack:
            low[unit] = min(low[unit], index[target])
    if low[unit] == index[unit]:
        component = []
        while True:
            member = stack.pop()
            on_stack.discard(member)
            component.append(member)
            if member == unit:
                break
        if len(component) > 1:
            breaches.append("include circle: " + " ".join(sorted(component)))


for unit in sorted(units):
    if unit not in index:
        visit(unit)

# The folder graph: folder -> the folders its files include.
folders = {}
for unit, targets in units.items():
    source = os.path.dirname(unit)
    arrows = folders.setdefault(source, set())
    for target in targets:
        folder = os.path.dirname(target)
        if target in units and folder != source:
            arrows.add(folder)


def reaches(start):
    seen, todo = set(), list(folders.get(start, ()))
    while todo:
        folder = todo.pop()
        if folder not in seen:
            seen.add(folder)
            todo.extend(folders.get(folder, ()))
    return seen


reach = {folder: reaches(folder) for folder in folders}
for folder in sorted(folders):
    for other in sorted(reach[folder]):
        if other > folder and folder in reach.get(other, ()):
            breaches.append(f"folders {folder}/ and {other}/ include each other")

# A folder's layer: one above the highest folder it includes.
layer = {}


def layer_of(folder, path=()):
    if folder not in layer:
        below = [f for f in folders.get(folder, ()) if f not in path]
        layer[folder] = 1 + max((layer_of(f, path + (folder,)) for f in below), default=-1)
    return layer[folder]


print(f"folder graph of {os.path.basename(os.path.normpath(SRC))}/, top layer first (folder -> the folders it includes):")
for folder in sorted(folders, key=lambda f: (-layer_of(f), f)):
    arrows = ", ".join(f + "/" for f in sorted(folders[folder])) or "nothing"
    print(f"  {layer_of(folder):2}  {folder}/ -> {arrows}")

for breach in breaches:
    print(breach)
sys.exit(1 if breaches else 0)
