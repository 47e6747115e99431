#!/usr/bin/env python3
"""Prints the kernel modules needed for the given ones, dependencies first.

Reads the `depends=` and `softdep=` entries of each module's .modinfo strings
straight from the .ko files of an unpacked kernel package, so no depmod run is
needed on the host. Output: one path per line, relative to the modules folder.
"""
import os
import re
import sys


def module_index(root):
    index = {}
    for folder, _, files in os.walk(root):
        for f in files:
            if f.endswith(".ko"):
                name = f[:-3].replace("-", "_")
                index[name] = os.path.relpath(os.path.join(folder, f), root)
    return index


def modinfo(path):
    with open(path, "rb") as f:
        data = f.read()
    deps, soft = [], []
    m = re.search(rb"\x00depends=([^\x00]*)\x00", data)
    if m and m.group(1):
        deps = m.group(1).decode().split(",")
    for s in re.findall(rb"\x00softdep=([^\x00]*)\x00", data):
        # "pre: a b post: c": only the pre- dependencies must be loaded first.
        words = s.decode().split()
        pre = False
        for w in words:
            if w.endswith(":"):
                pre = w == "pre:"
            elif pre:
                soft.append(w)
    return [d.replace("-", "_") for d in deps + soft if d]


def main():
    root, wanted = sys.argv[1], sys.argv[2:]
    index = module_index(root)
    order, seen = [], set()

    def visit(name, chain):
        name = name.replace("-", "_")
        if name in seen:
            return
        if name not in index:
            # Built into the kernel (or an optional soft dependency that is).
            seen.add(name)
            return
        if name in chain:
            return
        for d in modinfo(os.path.join(root, index[name])):
            visit(d, chain | {name})
        seen.add(name)
        order.append(index[name])

    for w in wanted:
        if w.replace("-", "_") not in index:
            print(f"module_order: no module {w}", file=sys.stderr)
            return 1
        visit(w, set())
    print("\n".join(order))
    return 0


if __name__ == "__main__":
    sys.exit(main())
