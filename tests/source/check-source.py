#!/usr/bin/env python3
"""Checks of the source tree that no compiler makes:

1. the folders that report codes and values make no sentences for the user: no Chinese character in
   their code (comments may hold one, to name a window's field);
2. includes point down the layers: each folder includes only from the folders below it, as
   LAYERS says, and only the window uses Qt Widgets.

Usage: check-source.py SOURCE_DIR [QT_WIDGETS_INCLUDE_DIR]
"""
import os
import re
import sys

# Folders whose code holds no words for the user: run/RunTexts and the front ends make them.
WORDLESS_FOLDERS = ["bytes", "db", "backup", "text", "context", "source", "wordpress", "writer", "migrations",
                    "emptying", "media", "check", "receiver", "verify", "fuzz"]

# Each folder, bottom up, with the folders it builds on directly; it may include from those and
# from whatever they build on, never from a folder above it or beside it.
LAYERS = {
    "bytes": [],
    "db": [],
    "text": ["bytes"],
    "backup": ["bytes"],
    "testing": ["db"],
    "context": ["db", "bytes"],
    "receiver": ["db", "media"],
    "source": ["context", "backup", "text"],
    "wordpress": ["context", "text"],
    "writer": ["wordpress"],
    "migrations": ["source", "wordpress", "writer"],
    "emptying": ["source", "wordpress"],
    "media": ["source", "wordpress"],
    "check": ["source", "wordpress", "emptying"],
    "verify": ["migrations", "media"],
    "run": ["migrations", "emptying", "media", "check", "receiver", "verify"],
    "app": ["run"],
    "cli": ["run"],
    "fuzz": ["backup", "text", "receiver"],
}


def below(folder):
    """The folders a folder may include from."""
    reached = set()
    todo = list(LAYERS[folder])
    while todo:
        lower = todo.pop()
        if lower not in reached:
            reached.add(lower)
            todo.extend(LAYERS[lower])
    return reached

# Where Qt Widgets may be included.
WIDGETS_FOLDERS = ["app", "tests"]

SOURCE_SUFFIXES = (".cpp", ".h", ".h.in")
CHINESE = re.compile("[\u3000-\u303f\u3400-\u4dbf\u4e00-\u9fff\uf900-\ufaff\uff00-\uffef]")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)


def code_without_comments(text):
    """The text with its comments blanked out, string and character literals kept."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
            i = n if end < 0 else end
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            i = n if end < 0 else end + 2
            out.append(" ")
        elif c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(text[i:j + 1])
            i = j + 1
        else:
            out.append(c)
            i += 1
    return "".join(out)


def sources(top, folder):
    for root, _, files in os.walk(os.path.join(top, folder)):
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.join(root, name)


def read(path):
    with open(path, encoding="utf-8") as file:
        return file.read()


def main():
    top = sys.argv[1]
    widgets_dir = sys.argv[2] if len(sys.argv) > 2 else ""
    faults = []

    for folder in WORDLESS_FOLDERS:
        for path in sources(top, folder):
            code = code_without_comments(read(path))
            for number, line in enumerate(code.split("\n"), 1):
                if CHINESE.search(line):
                    faults.append(f"{os.path.relpath(path, top)}:{number}: words for the user: {line.strip()}")

    owner = {}
    for folder in LAYERS:
        if not os.path.isdir(os.path.join(top, folder)):
            faults.append(f"{folder}/: named in LAYERS, but not there")
        for path in sources(top, folder):
            owner[os.path.basename(path)] = folder
    for folder in LAYERS:
        allowed = below(folder) | {folder}
        for path in sources(top, folder):
            for header in INCLUDE.findall(read(path)):
                found = owner.get(os.path.basename(header))
                if found and found not in allowed:
                    faults.append(f"{os.path.relpath(path, top)}: includes {header} of {found}/, not below it")

    widgets = set()
    if widgets_dir and os.path.isdir(widgets_dir):
        widgets = set(os.listdir(widgets_dir))
    elif widgets_dir:
        faults.append(f"no Qt Widgets headers in {widgets_dir}")
    for entry in sorted(os.listdir(top)):
        if entry in WIDGETS_FOLDERS or entry.startswith((".", "build")) or not os.path.isdir(os.path.join(top, entry)):
            continue
        for path in sources(top, entry):
            for header in INCLUDE.findall(read(path)):
                if header.startswith("QtWidgets") or os.path.basename(header) in widgets:
                    faults.append(f"{os.path.relpath(path, top)}: includes {header} of Qt Widgets outside app/")

    for fault in faults:
        print(fault)
    if faults:
        return 1
    print("source tree: no words in", ", ".join(WORDLESS_FOLDERS) + "; includes point down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
