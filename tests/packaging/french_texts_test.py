#!/usr/bin/env python3
"""Every text the desktop shows of Orbisk has its French version beside it.

desktop-file-validate and appstreamcli check the files' form, not that a
translation is complete: an English line added alone passes them both. Here
each translatable key of the desktop entry needs a [fr] twin, and in the
AppStream entry the name, the summary, every caption and every paragraph and
list item need an xml:lang="fr" sibling right after them.
Usage: french_texts_test.py DESKTOP_FILE METAINFO_FILE
"""
import sys
import xml.etree.ElementTree as ET

LANG = "{http://www.w3.org/XML/1998/namespace}lang"
DESKTOP_KEYS = ("Name", "GenericName", "Comment", "Keywords")


def desktop_faults(path):
    entries = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if "=" in line and not line.startswith("#"):
                key, value = line.rstrip("\n").split("=", 1)
                entries[key] = value
    faults = []
    for key in DESKTOP_KEYS:
        if key not in entries:
            continue
        french = entries.get(f"{key}[fr]", "")
        if not french.strip():
            faults.append(f"{path}: {key} has no {key}[fr]")
        elif key != "Name" and french == entries[key]:
            faults.append(f"{path}: {key}[fr] is the English text")
    return faults


def metainfo_faults(path):
    root = ET.parse(path).getroot()
    faults = []

    def check_siblings(parent, tags, where):
        children = list(parent)
        for i, child in enumerate(children):
            if child.tag not in tags or child.get(LANG):
                continue
            twin = children[i + 1] if i + 1 < len(children) else None
            if twin is None or twin.tag != child.tag or twin.get(LANG) != "fr":
                text = " ".join("".join(child.itertext()).split())[:60]
                faults.append(f"{path}: {where} <{child.tag}> \"{text}\" has no French twin after it")
            elif child.tag != "name" and " ".join("".join(twin.itertext()).split()) == \
                    " ".join("".join(child.itertext()).split()):
                faults.append(f"{path}: the French <{child.tag}> repeats the English text")

    check_siblings(root, {"name", "summary"}, "component")
    for description in root.iter("description"):
        check_siblings(description, {"p"}, "description")
        for ul in description.iter("ul"):
            check_siblings(ul, {"li"}, "list")
    for shot in root.iter("screenshot"):
        check_siblings(shot, {"caption"}, "screenshot")
    return faults


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    faults = desktop_faults(sys.argv[1]) + metainfo_faults(sys.argv[2])
    for fault in faults:
        print(fault)
    if faults:
        sys.exit(1)
    print("French texts complete")


if __name__ == "__main__":
    main()
