#!/usr/bin/env python3
"""The shape of the code, checked (run by .ci/run).

includes: every folder has a place in LAYERS; a folder includes only folders below
          it, and the folders include each other without cycles.
classes:  a class has its member functions defined in one .cpp file.

    scripts/check_layers.py                  both checks; exit 1 on any finding
    scripts/check_layers.py --only includes  one of them
    scripts/check_layers.py --report         print the findings, exit 0
"""
import argparse
import collections
import os
import re
import sys

# The declared order of the folders, lowest first: a folder may include the ones
# above it in this list, never one below. docs/architecture.md draws the same map.
LAYERS = [
    "base",       # Shift-JIS strings, numbers, paths, config lists
    "formats",    # pure format readers: the media probes
    "graphics",   # Surface, picture decoders and encoders, effects, the surface bank
    "platform",   # the Platform interface and its backends (sdl/, headless/)
    "ui",         # the in-window widget kit
    "script",     # subsystems, each on the ones before it
    "text",
    "choice",
    "audio",
    "save",
    "debug",
    "dialogs",
    "app",        # TFmain, the composition root, and its links
    "authoring",  # checker, explorer: built on the engine
    "program",    # the quorvel executable: main and the command line
    "tools",      # the other programs: qvl-img, qvl-txd
]
# Folders that use the code and are used by none: they may include anything.
CONSUMERS = {"tests", "bench", "fuzz"}
SOURCE_ENDINGS = (".cpp", ".h")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/')
# A class or struct with a body (not a forward declaration).
CLASS_DECL = re.compile(r"\b(?:class|struct)\s+(?:\[\[[^\]]*\]\]\s*)?(\w+)\s*(?:final\s*)?(?::[^;{]*)?\{")
# A definition at namespace scope: starts in the first column, Qualified::name( and
# no ';' on the line (that would be a declaration or a call).
DEFINITION = re.compile(r"^(?!return\b|else\b|if\b|case\b)(?:[A-Za-z_][^;=()]*?[\s*&>])?((?:\w+::)*\w+)::(~?\w+|operator\s*[^\s(]+)\s*\(")


def source_files(folder):
    for root, dirs, files in os.walk(folder):
        dirs[:] = [d for d in dirs if not d.startswith(".")]
        for name in sorted(files):
            if name.endswith(SOURCE_ENDINGS):
                yield os.path.join(root, name)


def code_folders(root):
    return sorted(d for d in os.listdir(root)
                  if os.path.isdir(os.path.join(root, d)) and not d.startswith((".", "build"))
                  and any(True for _ in source_files(os.path.join(root, d))))


def check_includes(root):
    findings = []
    rank = {name: i for i, name in enumerate(LAYERS)}
    graph = collections.defaultdict(set)
    for folder in code_folders(root):
        if folder not in rank and folder not in CONSUMERS:
            findings.append(f"{folder}/: a folder with code but no place in the declared order")
            continue
        for path in source_files(os.path.join(root, folder)):
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m or m.group(1) == folder or m.group(1) not in rank:
                        continue
                    target = m.group(1)
                    graph[folder].add(target)
                    if folder in rank and rank[target] > rank[folder]:
                        rel = os.path.relpath(path, root)
                        findings.append(f"{rel}:{number}: {folder}/ includes the higher {target}/")
    # A cycle among any folders, consumers included (the order alone rules out the rest).
    state = {}

    def visit(node, trail):
        state[node] = "open"
        for nxt in sorted(graph[node]):
            if state.get(nxt) == "open":
                cycle = trail[trail.index(nxt):] + [nxt] if nxt in trail else [node, nxt]
                findings.append("folder cycle: " + " -> ".join(cycle))
            elif nxt not in state:
                visit(nxt, trail + [nxt])
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])
    return findings


def check_classes(root):
    folders = [f for f in code_folders(root) if f not in CONSUMERS]
    classes = set()
    for folder in folders:
        for path in source_files(os.path.join(root, folder)):
            with open(path, encoding="utf-8", errors="replace") as f:
                classes.update(CLASS_DECL.findall(f.read()))
    defined_in = collections.defaultdict(set)
    for folder in folders:
        for path in source_files(os.path.join(root, folder)):
            if not path.endswith(".cpp"):
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                for line in f:
                    m = DEFINITION.match(line)
                    if not m or line.rstrip().endswith(";"):
                        continue
                    owner = m.group(1)
                    # Only a class qualifies a member; a namespace qualifies a free function.
                    if owner.split("::")[-1] in classes:
                        defined_in[owner].add(os.path.relpath(path, root))
    return [f"class {owner}: member functions defined in {len(files)} files: " + ", ".join(sorted(files))
            for owner, files in sorted(defined_in.items()) if len(files) > 1]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--only", choices=["includes", "classes"])
    parser.add_argument("--report", action="store_true", help="print the findings but exit 0")
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    args = parser.parse_args()
    root = os.path.abspath(args.root)
    findings = []
    if args.only in (None, "includes"):
        findings += check_includes(root)
    if args.only in (None, "classes"):
        findings += check_classes(root)
    for finding in findings:
        print(finding, file=sys.stderr)
    if findings and not args.report:
        return 1
    if not findings:
        print("layers: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
