#!/usr/bin/env python3
"""The include graph of src/: for each folder, the folders it includes, then
any cycle between folders or between files (a .h and its .cpp are one unit).

    scripts/include_graph.py [TREE]     prints the graph; exits 1 on a cycle
"""
import os
import re
import sys


def cycles(graph):
    found, done = [], set()

    def walk(node, path):
        for nxt in sorted(graph.get(node, ())):
            if nxt in path:
                found.append(path[path.index(nxt):] + [nxt])
            elif nxt not in done:
                walk(nxt, path + [nxt])
        done.add(node)

    for node in sorted(graph):
        walk(node, [node])
    return found


def main():
    src = os.path.join(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."), "src")
    files = {}
    for folder, _, names in os.walk(src):
        for name in names:
            if name.endswith((".h", ".cpp", ".h.in")):
                path = os.path.relpath(os.path.join(folder, name), src)
                with open(os.path.join(folder, name), errors="replace") as f:
                    files[path] = re.findall(r'#include "([^"]+)"', f.read())
    known = lambda inc: inc if inc in files else inc + ".in" if inc + ".in" in files else None  # noqa: E731
    folder_of = lambda path: path.split("/")[0]  # noqa: E731
    unit_of = lambda path: re.sub(r"\.(h|cpp)$", "", path)  # noqa: E731
    folders, units = {}, {}
    for path, includes in files.items():
        for target in filter(None, map(known, includes)):
            if folder_of(target) != folder_of(path):
                folders.setdefault(folder_of(path), set()).add(folder_of(target))
            if unit_of(target) != unit_of(path):
                units.setdefault(unit_of(path), set()).add(unit_of(target))
    for name in sorted(set(map(folder_of, files))):
        print("%-10s -> %s" % (name, ", ".join(sorted(folders.get(name, ())))))
    bad = cycles(folders) + cycles(units)
    for cycle in bad:
        print("cycle: " + " -> ".join(cycle))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
