#!/usr/bin/env python3
"""Fails when the folders of src/ stop forming layers: a core folder that includes a folder
of a higher layer (or one not in the list), a Qt header outside src/gui/, or an include of
src/gui/ from outside it. Usage: layout_check.py SRC_DIR"""
import os
import re
import sys

# Lowest layer first; a core folder may include only itself and the folders before it.
CORE = ["base", "resources", "config", "snmp", "model", "comments", "device", "xc",
        "transfer", "lineconf", "maint", "view", "shell"]
# The two front ends sit on the whole core and never include each other.
FRONT = {"gui": CORE + ["gui"], "cli": CORE + ["cli"]}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^(Q[A-Z]\w*|Qt\w*|qt\w*)(/|$)|^Q[A-Za-z]+\.h$")


def allowed(folder):
    if folder in FRONT:
        return set(FRONT[folder])
    if folder in CORE:
        return set(CORE[: CORE.index(folder) + 1])
    return None


def check(src):
    faults = []
    for root, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".h", ".hpp", ".cpp", ".cc")):
                continue
            path = os.path.join(root, name)
            rel = os.path.relpath(path, src)
            folder = rel.split(os.sep)[0] if os.sep in rel else ""
            may = allowed(folder)
            if may is None:
                faults.append(f"{rel}: folder '{folder}' is not in the layer list")
                continue
            with open(path, errors="replace") as text:
                for number, line in enumerate(text, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    kind, target = m.groups()
                    where = f"{rel}:{number}: {line.strip()}"
                    if kind == "<":
                        if folder != "gui" and QT_HEADER.match(target):
                            faults.append(f"{where}: Qt header outside src/gui/")
                        continue
                    top = target.split("/")[0] if "/" in target else folder
                    if top == "gui" and folder != "gui":
                        faults.append(f"{where}: src/gui/ included from outside it")
                    elif top not in may:
                        faults.append(f"{where}: '{folder}' may not include '{top}'"
                                      " (a higher layer or an unknown folder)")
    return faults


if __name__ == "__main__":
    faults = check(sys.argv[1] if len(sys.argv) > 1 else "src")
    for fault in faults:
        print(fault)
    print(f"layout: {len(faults)} fault(s)")
    sys.exit(1 if faults else 0)
