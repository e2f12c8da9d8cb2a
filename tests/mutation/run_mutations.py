#!/usr/bin/env python3
"""Damaged copies of a small Access directory, each searched with orbisk-cli:
every run must end with status 0 or 1 within the importer's time limit (plus
start-up), never by a signal, and a run that ends well lists every company of
the sound file (damage is reported, never served as fewer rows). Prints how
many ended each way.

Usage: run_mutations.py GENSAMPLE ORBISK_CLI WORK_DIR [COUNT [SOURCE]]
  SOURCE: the directory to damage (default: one generated with 40 companies)
"""
import os
import random
import shutil
import struct
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

PAGE = 4096
# The importer's time limit for a file of a few hundred kilobytes, and some room.
LIMIT_SECONDS = 5 + 10


def tdef_pages(data):
    return [p for p in range(1, len(data) // PAGE) if data[p * PAGE] == 2 and data[p * PAGE + 1] == 1]


def mutate(rng, data, kind):
    b = bytearray(data)
    pages = len(b) // PAGE
    if kind == "random bytes":
        for _ in range(rng.randint(1, 64)):
            b[rng.randrange(len(b))] = rng.randrange(256)
    elif kind == "truncation":
        b = b[: rng.randrange(len(b))]
    elif kind == "zeroed pages":
        for _ in range(rng.randint(1, 3)):
            p = rng.randrange(pages)
            b[p * PAGE:(p + 1) * PAGE] = bytes(PAGE)
    elif kind == "table definition":
        tdefs = tdef_pages(b)
        p = rng.choice(tdefs) * PAGE
        # row count, column counts, index counts, or a column record
        at = rng.choice([16, 41, 43, 45, 47, 51, 63 + rng.randrange(400)])
        width = rng.choice([1, 2, 4])
        value = rng.choice([0, 0xFF, 0xFFFF, 0xFFFFFFFF, 257, 1000, rng.randrange(1 << 32)])
        b[p + at:p + at + width] = (value & ((1 << (8 * width)) - 1)).to_bytes(width, "little")
    elif kind == "usage map":
        tdefs = tdef_pages(b)
        p = rng.choice([2] + tdefs) * PAGE
        # the owned-pages and free-space map pointers (the catalog's at 0x37)
        at = rng.choice([0x37, 55, 59])
        b[p + at:p + at + 4] = struct.pack("<I", rng.choice([0, 0xFFFFFFFF, rng.randrange(1 << 32),
                                                             (rng.randrange(pages) << 8) | rng.randrange(8)]))
    return bytes(b)


def main():
    gensample, cli, work = sys.argv[1:4]
    count = int(sys.argv[4]) if len(sys.argv) > 4 else 240
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    extension = os.path.splitext(sys.argv[5])[1] if len(sys.argv) > 5 else ".mdb"
    source = os.path.join(work, "source" + extension)
    if len(sys.argv) > 5:
        shutil.copyfile(sys.argv[5], source)
    else:
        subprocess.run([gensample, "--companies", "40", "--seed", "11", "--format", "access", "--output", source],
                       check=True, stdout=subprocess.DEVNULL)
    data = open(source, "rb").read()
    rng = random.Random(20261208)
    kinds = ["random bytes", "truncation", "zeroed pages", "table definition", "usage map"]
    cases = []
    for i in range(count):
        kind = kinds[i % len(kinds)]
        path = os.path.join(work, "damaged-%03d%s" % (i, extension))
        with open(path, "wb") as f:
            f.write(mutate(rng, data, kind))
        cases.append((i, kind, path))
    env = dict(os.environ, XDG_CACHE_HOME=os.path.join(work, "cache"))

    def companies(path):
        r = subprocess.run([cli, "--database", path, "search", "company", "--top", "all"], env=env,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=LIMIT_SECONDS)
        return r.returncode, len(r.stdout.splitlines()) - 1, r.stderr.decode("utf-8", "replace")

    status, sound, err = companies(source)
    if status != 0 or sound <= 0:
        print("the sound file cannot be searched:", err)
        return 1

    def run(case):
        i, kind, path = case
        t0 = time.monotonic()
        try:
            rc, rows, err = companies(path)
            if rc == 0 and rows != sound:
                rc = "%d companies of %d" % (rows, sound)
            return i, kind, rc, time.monotonic() - t0, err
        except subprocess.TimeoutExpired:
            return i, kind, "timeout", time.monotonic() - t0, ""

    t0 = time.monotonic()
    with ThreadPoolExecutor(max_workers=2) as pool:
        results = list(pool.map(run, cases))
    tally = {}
    failures = []
    for i, kind, rc, seconds, err in results:
        tally[rc] = tally.get(rc, 0) + 1
        if rc not in (0, 1):
            failures.append("damaged-%03d%s (%s): %s after %.1f s %s" % (i, extension, kind, rc, seconds, err[-300:]))
    reasons = {}
    for _, _, rc, _, err in results:
        if rc == 1:
            lines = err.strip().splitlines()
            reason = lines[-1] if lines else "(nothing said)"
            reason = reason.replace(work + "/", "")
            reasons[reason] = reasons.get(reason, 0) + 1
    print("%d damaged copies in %.1f s: %d ended with status 0, %d with status 1, %d otherwise" %
          (len(results), time.monotonic() - t0, tally.get(0, 0), tally.get(1, 0), len(failures)))
    for line, n in sorted(reasons.items(), key=lambda x: -x[1])[:8]:
        print("  %4d  %s" % (n, line))
    for f in failures:
        print("FAILED", f)
    shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
