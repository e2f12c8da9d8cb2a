#!/usr/bin/env bash
# Fails when the sources hold a text without a finished translation in a .ts
# file, or a .ts file keeps a text the sources no longer have.
# Usage: check_translations.sh LUPDATE SOURCE_DIR TS_FILE [lupdate options and folders...]
set -euo pipefail
lupdate=$1 source=$2 ts=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
copy="$work/$(basename "$ts")"
cp "$ts" "$copy"
(cd "$source" && "$lupdate" "$@" -ts "$copy") >"$work/lupdate.log" 2>&1 || { cat "$work/lupdate.log"; exit 1; }
# Each message as one line: its source and the state of its translation.
python3 - "$copy" <<'PY'
import sys
import xml.etree.ElementTree as ET
bad = []
total = 0
for context in ET.parse(sys.argv[1]).getroot().iter('context'):
    name = context.findtext('name')
    for m in context.iter('message'):
        total += 1
        t = m.find('translation')
        state = t.get('type') if t is not None else 'missing'
        text = (t.text or '') if t is not None else ''
        if state in ('unfinished', 'vanished', 'obsolete', 'missing') or not text.strip():
            bad.append(f"{name}: {m.findtext('source')!r} ({state or 'empty'})")
if total == 0:
    print("no texts found: the sources were not read")
    sys.exit(1)
for b in bad:
    print(b)
sys.exit(1 if bad else 0)
PY
