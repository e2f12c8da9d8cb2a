#!/usr/bin/env python3
"""Holds every #include "folder/..." of the program's sources against the
build's layer table (layers.txt, written by cmake/Layers.cmake).

A file may include headers of its own library and of the libraries its
library names in USES; a header no library owns is an error, and so is a Qt
header in a core library or program, and a source file over 600 lines. Prints one line per fault and exits 1
when there is any.

Usage: check_layers.py LAYERS_TXT SOURCE_DIR
"""
import os
import re
import sys

MOST_LINES = 600
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]', re.M)


def read_table(path):
    targets = {}
    for line in open(path, encoding='utf-8'):
        line = line.rstrip('\n')
        if not line:
            continue
        name, kind, uses, files = line.split('|')
        targets[name] = {
            'kind': kind,
            'uses': {u for u in uses.split(',') if u},
            'files': [f for f in files.split(',') if f and not f.endswith('.qrc')],
        }
    return targets


def check(targets, source_dir):
    owner = {}
    faults = []
    for name, t in targets.items():
        for f in t['files']:
            if f in owner and owner[f] != name:
                faults.append(f'{f}: listed by both {owner[f]} and {name}')
            owner.setdefault(f, name)
    folders = {f.split('/')[0] for f in owner}
    for name, t in targets.items():
        allowed = {name} | t['uses']
        for f in t['files']:
            with open(os.path.join(source_dir, f), encoding='utf-8') as fh:
                text = fh.read()
            lines = text.count('\n')
            if lines > MOST_LINES:
                faults.append(f'{f}: {lines} lines, more than {MOST_LINES}')
            for quote, inc in INCLUDE.findall(text):
                if quote == '<':
                    if t['kind'] in ('core', 'program') and re.match(r'Q[A-Za-z]*$|Qt[A-Za-z]*/', inc):
                        faults.append(f'{f}: includes <{inc}>, but {name} is Qt-free')
                    continue
                if inc.split('/')[0] not in folders:
                    continue  # generated headers (OrbiskVersion.h)
                if inc not in owner:
                    faults.append(f'{f}: includes "{inc}", which no library lists')
                elif owner[inc] not in allowed:
                    faults.append(f'{f}: includes "{inc}" of {owner[inc]}, which {name} may not use')
    return faults


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    targets = read_table(sys.argv[1])
    faults = check(targets, sys.argv[2])
    for fault in faults:
        print(fault)
    files = sum(len(t['files']) for t in targets.values())
    print(f'{len(targets)} targets, {files} files, {len(faults)} faults')
    sys.exit(1 if faults else 0)


if __name__ == '__main__':
    main()
