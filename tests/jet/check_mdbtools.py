#!/usr/bin/env python3
"""Reads every Access file the Jet writer produced (see WriteAccessSamples.cpp)
with the mdbtools programs and compares what they find with the expectations:
mdb-ver, mdb-tables, mdb-schema (column names and types), mdb-count and
mdb-export (row count and the listed rows); tables of the file the new table
was added to must export exactly as before."""
import csv
import decimal
import io
import json
import math
import pathlib
import re
import struct
import subprocess
import sys

NULL = "@@NULL@@"
DATE = "%Y-%m-%d %H:%M:%S"
# mdb-schema's names for the types mdb-reader reports.
SCHEMA_TYPES = {
    "boolean": "Boolean", "byte": "Byte", "integer": "Integer", "long": "Long Integer",
    "currency": "Currency", "float": "Single", "double": "Double", "datetime": "DateTime",
    "text": "Text", "memo": "Memo/Hyperlink", "ole": "OLE", "binary": "Binary",
}

failures = []


def fail(where, what):
    failures.append(f"{where}: {what}")


def run(*args):
    out = subprocess.run(args, capture_output=True, check=True).stdout
    return out.decode("utf-8")


def export(path, table):
    text = run("mdb-export", "-0", NULL, "-b", "hex", "-D", DATE, "-T", DATE, str(path), table)
    rows = list(csv.reader(io.StringIO(text, newline="")))
    return rows[0], rows[1:]


def schema_columns(path, table):
    text = run("mdb-schema", "-T", table, str(path))
    columns = []
    for line in text.splitlines():
        m = re.match(r"\s*\[(.+?)\]\s+([A-Za-z/ ]+?)(?: \((\d+)\))?(?: NOT NULL)?,?\s*$", line)
        if m:
            columns.append((m.group(1), m.group(2).strip()))
    return columns


def same_value(kind, got, want):
    """Compares an mdb-export field with an expected JSON value."""
    if want is None:
        return got == NULL
    if want in ("", {"hex": ""}) and kind in ("text", "memo", "ole"):
        return got in (NULL, "")  # mdbtools shows an empty text or long value as null
    if got == NULL:
        return False
    if kind == "boolean":
        return got == ("1" if want else "0")
    if kind in ("byte", "integer", "long"):
        return int(got) == want
    if kind == "currency":
        return decimal.Decimal(got) == decimal.Decimal(want["money"])
    if kind == "float":
        single = struct.unpack("<f", struct.pack("<f", want))[0]
        return math.isclose(float(got), single, rel_tol=1e-6, abs_tol=1e-30)
    if kind == "double":
        return math.isclose(float(got), want, rel_tol=1e-14, abs_tol=1e-300)
    if kind in ("ole", "binary"):
        return got.lower() == want["hex"]
    return got == want


def check(sample_path):
    sample = json.loads(sample_path.read_text(encoding="utf-8"))
    path = sample_path.parent / sample["file"]
    where = sample["file"]
    if run("mdb-ver", str(path)).strip() != "JET4":
        fail(where, "mdb-ver does not say JET4")
    tables = run("mdb-tables", "-1", str(path)).splitlines()
    for t in sample["tables"]:
        name = t["name"]
        if name not in tables:
            fail(where, f"mdb-tables does not list {name}")
            continue
        columns = schema_columns(path, name)
        want = [(c, SCHEMA_TYPES[k]) for c, k in t["columns"]]
        if columns != want:
            fail(where, f"{name}: mdb-schema gives {columns}, expected {want}")
        count = int(run("mdb-count", str(path), name).strip())
        if count != t["rowCount"]:
            fail(where, f"{name}: mdb-count {count}, expected {t['rowCount']}")
        header, rows = export(path, name)
        if len(rows) != t["rowCount"]:
            fail(where, f"{name}: mdb-export lists {len(rows)} rows, expected {t['rowCount']}")
        if header != [c for c, _ in t["columns"]]:
            fail(where, f"{name}: mdb-export header {header}")
        kinds = [k for _, k in t["columns"]]
        for index, values in t["rows"]:
            if index >= len(rows):
                fail(where, f"{name}: row {index} missing")
                continue
            for col, (kind, got, want) in enumerate(zip(kinds, rows[index], values)):
                if not same_value(kind, got, want):
                    fail(where, f"{name} row {index} column {header[col]}: mdb-export gives {got[:80]!r}, "
                                f"expected {str(want)[:80]!r}")
    for name in sample["listed"]:
        if name not in tables:
            fail(where, f"mdb-tables does not list {name}")
    if sample["original"]:
        original = pathlib.Path(sample["original"])
        before = run("mdb-tables", "-1", str(original)).splitlines()
        added = {t["name"] for t in sample["tables"]} | set(sample["listed"])
        if sorted(tables) != sorted(before + list(added)):
            fail(where, f"tables {tables}, expected {before} and {sorted(added)}")
        for name in before:
            if export(original, name) != export(path, name):
                fail(where, f"table {name} no longer exports as in {original.name}")


def main():
    folder = pathlib.Path(sys.argv[1])
    samples = sorted(folder.glob("*.json"))
    if not samples:
        print(f"no samples in {folder}")
        return 1
    for s in samples:
        check(s)
    for f in failures:
        print("FAIL", f)
    print(f"mdbtools read {len(samples)} files: {len(failures)} problems")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
