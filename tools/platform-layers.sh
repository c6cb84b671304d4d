#!/usr/bin/env bash
# The structure of the platform layer drawn from its own includes: which folder includes which
# (with the number of includes), and the circles between units (a unit = its .h and .cpp).
# Fails when folders or units include each other in a circle, or when a folder includes one that
# stands later in the order the library's CMakeLists.txt gives (VELPLATFORM_FOLDERS).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
exec /usr/bin/python3 - "$ROOT/platform" <<'PY'
import pathlib, re, sys

platform = pathlib.Path(sys.argv[1])
order = re.search(r"set\(VELPLATFORM_FOLDERS ([^)]*)\)", (platform / "CMakeLists.txt").read_text()).group(1).split()
files = [f for f in platform.rglob("*") if f.suffix in (".h", ".cpp")]
folder_of_header = {f.name: f.parent.relative_to(platform).as_posix() for f in files if f.suffix == ".h"}
unit_of_header = {f.name: f.stem for f in files if f.suffix == ".h"}
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)

folder_arrows, unit_arrows = {}, {}
for f in files:
    folder, unit = f.parent.relative_to(platform).as_posix(), f.stem
    for name in include.findall(f.read_text(encoding="utf-8")):
        if name not in folder_of_header:
            continue
        target_folder, target_unit = folder_of_header[name], unit_of_header[name]
        if target_folder != folder:
            folder_arrows[(folder, target_folder)] = folder_arrows.get((folder, target_folder), 0) + 1
        if target_unit != unit:
            unit_arrows.setdefault(unit, set()).add(target_unit)

def circles(arrows):
    """Strongly connected groups of more than one node (Tarjan)."""
    index, low, stack, on_stack, found, counter = {}, {}, [], set(), [], [0]
    def visit(node):
        index[node] = low[node] = counter[0]; counter[0] += 1
        stack.append(node); on_stack.add(node)
        for nxt in sorted(arrows.get(node, ())):
            if nxt not in index:
                visit(nxt); low[node] = min(low[node], low[nxt])
            elif nxt in on_stack:
                low[node] = min(low[node], index[nxt])
        if low[node] == index[node]:
            group = []
            while True:
                member = stack.pop(); on_stack.discard(member); group.append(member)
                if member == node:
                    break
            if len(group) > 1:
                found.append(sorted(group))
    for node in sorted(arrows):
        if node not in index:
            visit(node)
    return found

print("folders of platform/, each with the folders it includes:")
for (source, target), count in sorted(folder_arrows.items(), key=lambda a: (order.index(a[0][0]) if a[0][0] in order else -1, a[0][1])):
    print(f"  {source + '/':13} -> {target + '/':13} {count} include(s)")
faults = []
folder_graph = {}
for source, target in folder_arrows:
    folder_graph.setdefault(source, set()).add(target)
    if source in order and target in order and order.index(target) > order.index(source):
        faults.append(f"{source}/ includes {target}/, which stands after it")
faults += [f"folders in a circle: {', '.join(g)}" for g in circles(folder_graph)]
unit_circles = circles(unit_arrows)
print("units that include each other in a circle:", "; ".join(", ".join(g) for g in unit_circles) or "none")
faults += [f"units in a circle: {', '.join(g)}" for g in unit_circles]
for fault in faults:
    print("fault:", fault)
sys.exit(1 if faults else 0)
PY
