#!/usr/bin/env python3
"""Crafted directory files for the importer, and what a user gets from each.

  hostile_import.py make GENSAMPLE ACCESS_DIR OUT   writes the files into OUT
  hostile_import.py check GENSAMPLE ACCESS_DIR CLI WORK
                                                    makes them in WORK and runs
                                                    orbisk-cli on each

Each file is searched with orbisk-cli in a folder of its own, beside a SQLite
file of other data (victim.sqlite) that a file's hidden statements name: the
search must give the right rows or the clear error, within seconds and
bounded memory, and nothing in the folder but the cache may change.
Prints the time and peak memory (the command and its importer) of each.
"""
import hashlib
import os
import resource
import shutil
import sqlite3
import struct
import subprocess
import sys
import time

PAGE = 4096
SECONDS = 10          # every crafted file ends well within this
MEMORY_KB = 400 * 1024  # and within this (the command and its importer)
COMPANIES = 40


def u16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def foreign_directory(gensample, path):
    """A SQLite directory made by other tools: no marker of ours."""
    subprocess.run([gensample, "--companies", str(COMPANIES), "--seed", "5", "--format", "sqlite",
                    "--output", path], check=True, stdout=subprocess.DEVNULL)
    db = sqlite3.connect(path)
    db.execute("DROP TABLE Orbisk_Directory")
    db.execute("PRAGMA application_id = 0")
    db.commit()
    db.close()


def set_schema_text(path, name, sql):
    db = sqlite3.connect(path)
    db.execute("PRAGMA writable_schema = ON")
    db.execute("UPDATE sqlite_master SET sql = ? WHERE name = ?", (sql, name))
    db.commit()
    db.close()


ATTACK = ("; ATTACH DATABASE 'victim.sqlite' AS v; DELETE FROM v.t;"
          " INSERT INTO v.t VALUES ('changed'); CREATE TABLE v.pwned (x)")


def company_pages(b):
    """Company_Info's definition page (naming Location_Address_Postal) and its data pages."""
    wide = "Location_Address_Postal".encode("utf-16-le")
    tdef = [p for p in range(1, len(b) // PAGE) if b[p * PAGE] == 2 and wide in b[p * PAGE:(p + 1) * PAGE]]
    if not tdef:
        raise SystemExit("no Company_Info definition found")
    data = [p for p in range(1, len(b) // PAGE) if b[p * PAGE] == 1 and u32(b, p * PAGE + 4) == tdef[0]]
    return tdef[0], data


def make(gensample, access_dir, out):
    """Writes every crafted file; returns {name: (expected rows, or the error's second line)}."""
    os.makedirs(out, exist_ok=True)
    cases = {}

    # A table definition ending in statements of its own, a trigger and a view doing the same.
    p = os.path.join(out, "schema-extra-statements.sqlite")
    foreign_directory(gensample, p)
    db = sqlite3.connect(p)
    create = db.execute("SELECT sql FROM sqlite_master WHERE name = 'Company_Info'").fetchone()[0]
    db.execute("CREATE TRIGGER Spy AFTER INSERT ON Company_SubCat BEGIN DELETE FROM Company_Info; END")
    db.execute("CREATE VIEW Everything AS SELECT * FROM Company_Info")
    db.commit()
    db.close()
    set_schema_text(p, "Company_Info", create + ATTACK)
    set_schema_text(p, "Spy", "CREATE TRIGGER Spy AFTER INSERT ON Company_SubCat BEGIN DELETE FROM Company_Info; END"
                    + ATTACK)
    cases["schema-extra-statements.sqlite"] = COMPANIES

    # Declared types that carry more than a type.
    p = os.path.join(out, "schema-odd-types.sqlite")
    foreign_directory(gensample, p)
    db = sqlite3.connect(p)
    create = db.execute("SELECT sql FROM sqlite_master WHERE name = 'Company_Contact'").fetchone()[0]
    db.close()
    odd = create.replace('"Title" VARCHAR(60) COLLATE NOCASE', '"Title" WIDGET CHECK (load_extension(\'victim\'))')
    if odd == create:
        raise SystemExit("Company_Contact's definition is not the expected one: " + create)
    set_schema_text(p, "Company_Contact", odd)
    cases["schema-odd-types.sqlite"] = COMPANIES

    # The company table is a view: no business directory.
    p = os.path.join(out, "schema-view-as-table.sqlite")
    foreign_directory(gensample, p)
    db = sqlite3.connect(p)
    db.execute("ALTER TABLE Company_Info RENAME TO Hidden")
    db.execute("CREATE VIEW Company_Info AS SELECT * FROM Hidden")
    db.commit()
    db.close()
    cases["schema-view-as-table.sqlite"] = "It has no table Company_Info: it is not a business directory."

    # A WAL-mode file: read as it is, nothing written beside it.
    p = os.path.join(out, "wal-mode.sqlite")
    foreign_directory(gensample, p)
    db = sqlite3.connect(p)
    db.execute("PRAGMA journal_mode = WAL")
    db.close()
    cases["wal-mode.sqlite"] = COMPANIES

    good = open(os.path.join(access_dir, "directory-200.mdb"), "rb").read()
    tdef, data = company_pages(good)
    second = data[1]
    on_page = u16(good, second * PAGE + 12)

    b = bytearray(good)  # a data page of the companies zeroed
    b[second * PAGE:(second + 1) * PAGE] = bytes(PAGE)
    open(os.path.join(out, "access-zeroed-page.mdb"), "wb").write(b)
    cases["access-zeroed-page.mdb"] = "Table 'Company_Info' declares 200 rows; %d could be read." % (200 - on_page)

    b = bytearray(good)  # a row's offset table pointing past the row
    page = second * PAGE
    last = on_page - 1
    start = u16(b, page + 14 + 2 * last) & 0x1FFF
    end = u16(b, page + 14 + 2 * (last - 1)) & 0x1FFF
    mask = (u16(b, page + start) + 7) // 8
    struct.pack_into("<H", b, page + end - mask - 4, 3000)
    open(os.path.join(out, "access-damaged-row.mdb"), "wb").write(b)
    cases["access-damaged-row.mdb"] = "Table 'Company_Info' has a damaged row on page %d." % second

    b = bytearray(good)  # the usage map of its pages far past the end of the file
    pointer = u32(b, tdef * PAGE + 55)
    map_page = (pointer >> 8) * PAGE
    row = u16(b, map_page + 14 + 2 * (pointer & 0xFF)) & 0x1FFF
    struct.pack_into("<I", b, map_page + row + 1, 0x00F00000)
    open(os.path.join(out, "access-far-usage-map.mdb"), "wb").write(b)
    cases["access-far-usage-map.mdb"] = "Table 'Company_Info' lists pages beyond the end of the file."

    b = bytearray(good)  # more rows declared than stored
    struct.pack_into("<I", b, tdef * PAGE + 16, 5000)
    open(os.path.join(out, "access-declared-rows.mdb"), "wb").write(b)
    cases["access-declared-rows.mdb"] = "Table 'Company_Info' declares 5,000 rows; 200 could be read."

    acc = open(os.path.join(access_dir, "directory-200.accdb"), "rb").read()
    tdef, data = company_pages(acc)
    b = bytearray(acc)  # the .accdb copy with a data page zeroed
    first = data[0]
    lost = u16(acc, first * PAGE + 12)
    b[first * PAGE:(first + 1) * PAGE] = bytes(PAGE)
    open(os.path.join(out, "access-zeroed-page.accdb"), "wb").write(b)
    cases["access-zeroed-page.accdb"] = "Table 'Company_Info' declares 200 rows; %d could be read." % (200 - lost)

    shutil.copyfile(os.path.join(access_dir, "emptyJet4.mdb"), os.path.join(out, "access-no-directory.mdb"))
    cases["access-no-directory.mdb"] = "It has no table Company_Info: it is not a business directory."
    return cases


def digest(folder):
    """Every file of `folder` (but the cache) with the hash of its bytes."""
    out = {}
    for root, dirs, files in os.walk(folder):
        dirs[:] = [d for d in dirs if d != "cache"]
        for f in files:
            path = os.path.join(root, f)
            out[os.path.relpath(path, folder)] = hashlib.sha256(open(path, "rb").read()).hexdigest()
    return out


def run(cli, folder, name):
    """orbisk-cli on one file in its folder: (status, stdout, stderr, seconds, peak KB)."""
    env = dict(os.environ, XDG_CACHE_HOME=os.path.join(folder, "cache"), LC_ALL="C.UTF-8")
    t0 = time.monotonic()
    proc = subprocess.Popen([cli, "--database", name, "search", "company", "--top", "all"], cwd=folder, env=env,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        out, err = proc.communicate(timeout=SECONDS * 3)
    except subprocess.TimeoutExpired:
        proc.kill()
        out, err = proc.communicate()
    seconds = time.monotonic() - t0
    # Popen has reaped the command: its peak memory and that of the importer it waited for.
    peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    return proc.returncode, out.decode("utf-8", "replace"), err.decode("utf-8", "replace"), seconds, peak


def check(gensample, access_dir, cli, work):
    gensample, access_dir, cli, work = (os.path.abspath(p) for p in (gensample, access_dir, cli, work))
    shutil.rmtree(work, ignore_errors=True)
    files = os.path.join(work, "files")
    cases = make(gensample, access_dir, files)
    failures = []
    for name, want in sorted(cases.items()):
        folder = os.path.join(work, name + ".d")
        os.makedirs(folder)
        shutil.copyfile(os.path.join(files, name), os.path.join(folder, name))
        victim = sqlite3.connect(os.path.join(folder, "victim.sqlite"))
        victim.execute("CREATE TABLE t (x)")
        victim.execute("INSERT INTO t VALUES ('the user''s own data')")
        victim.commit()
        victim.close()
        before = digest(folder)
        # Each case in a process of its own, so that the peak memory is its own.
        helper = ("import sys, runpy; sys.argv = sys.argv[1:]; m = runpy.run_path(sys.argv[0]);"
                  "r = m['run'](sys.argv[1], sys.argv[2], sys.argv[3]); print(repr(r))")
        res = subprocess.run([sys.executable, "-c", helper, os.path.abspath(__file__), cli, folder, name],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        if res.returncode != 0:
            failures.append("%s: the check itself failed: %s" % (name, res.stderr[-500:]))
            continue
        status, out, err, seconds, peak = eval(res.stdout.strip().splitlines()[-1])
        after = digest(folder)
        problems = []
        if isinstance(want, int):
            rows = len(out.strip().splitlines()) - 1  # CSV with a header line
            if status != 0 or rows != want:
                problems.append("status %s, %d rows instead of %d: %s" % (status, rows, want, err.strip()[-300:]))
        else:
            expected = "Unrecognized database format '%s'.\n%s" % (name, want)
            if status != 1 or expected not in err:
                problems.append("status %s, said %r instead of %r" % (status, err.strip()[-300:], expected))
        if seconds > SECONDS:
            problems.append("took %.1f s" % seconds)
        if peak > MEMORY_KB:
            problems.append("peak memory %d KB" % peak)
        if before != after:
            changed = sorted(set(before.items()) ^ set(after.items()))
            problems.append("files outside the cache changed: %s" % changed)
        print("%-32s %-6s %5.2f s %7d KB peak  %s" % (name, "ok" if not problems else "FAILED", seconds, peak,
                                                       err.strip().splitlines()[-1] if err.strip() else "%s rows" % want))
        failures += ["%s: %s" % (name, p) for p in problems]
    for f in failures:
        print("FAILED", f)
    if not failures:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "make":
        for name, want in sorted(make(*sys.argv[2:5]).items()):
            print(name, want)
        sys.exit(0)
    if len(sys.argv) == 6 and sys.argv[1] == "check":
        sys.exit(check(*sys.argv[2:6]))
    print(__doc__, file=sys.stderr)
    sys.exit(2)
