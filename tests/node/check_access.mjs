// Reads every Access file the Jet writer produced (see ../jet/WriteAccessSamples.cpp)
// with the npm package mdb-reader and compares what it finds with the
// expectations beside each file: table names, column names and types, row
// counts and the listed rows; tables of the file the new table was added to must
// read exactly as before.
import MDBReader from "mdb-reader";
import { readFileSync, readdirSync } from "fs";
import { join } from "path";

const folder = process.argv[2];
const failures = [];
const fail = (where, what) => failures.push(`${where}: ${what}`);

const pad = (n) => String(n).padStart(2, "0");
const dateText = (d) =>
  `${d.getUTCFullYear()}-${pad(d.getUTCMonth() + 1)}-${pad(d.getUTCDate())} ` +
  `${pad(d.getUTCHours())}:${pad(d.getUTCMinutes())}:${pad(d.getUTCSeconds())}`;

// A value as mdb-reader gives it, in a form that compares as JSON.
const plain = (v) => {
  if (v instanceof Date) return dateText(v);
  if (Buffer.isBuffer(v)) return { hex: v.toString("hex") };
  return v ?? null;
};

// A decimal amount in ten-thousandths, exactly.
const units = (text) => {
  const negative = text.startsWith("-");
  const [whole, fraction = ""] = text.replace(/^[-+]/, "").split(".");
  const n = BigInt(whole || "0") * 10000n + BigInt((fraction + "0000").slice(0, 4));
  return negative ? -n : n;
};

function sameValue(kind, got, want) {
  if (want === null) return got === null || got === undefined;
  if (got === null || got === undefined) return false;
  switch (kind) {
    case "currency": return units(String(got)) === units(want.money);
    case "float": return got === Math.fround(want);
    case "datetime": return dateText(got) === want;
    case "ole": case "binary": return Buffer.isBuffer(got) && got.toString("hex") === want.hex;
    default: return got === want;
  }
}

function check(sampleFile) {
  const sample = JSON.parse(readFileSync(join(folder, sampleFile), "utf8"));
  const where = sample.file;
  const reader = new MDBReader(readFileSync(join(folder, sample.file)));
  const names = reader.getTableNames();
  for (const t of sample.tables) {
    if (!names.includes(t.name)) { fail(where, `no table ${t.name}`); continue; }
    const table = reader.getTable(t.name);
    const columns = table.getColumns().map((c) => [c.name, c.type]);
    if (JSON.stringify(columns) !== JSON.stringify(t.columns))
      fail(where, `${t.name}: columns ${JSON.stringify(columns)}, expected ${JSON.stringify(t.columns)}`);
    if (table.rowCount !== t.rowCount) fail(where, `${t.name}: rowCount ${table.rowCount}, expected ${t.rowCount}`);
    const rows = table.getData();
    if (rows.length !== t.rowCount) fail(where, `${t.name}: ${rows.length} rows, expected ${t.rowCount}`);
    for (const [index, values] of t.rows) {
      const row = rows[index];
      if (!row) { fail(where, `${t.name}: row ${index} missing`); continue; }
      t.columns.forEach(([name, kind], i) => {
        if (!sameValue(kind, row[name], values[i]))
          fail(where, `${t.name} row ${index} column ${name}: ${JSON.stringify(plain(row[name]))?.slice(0, 80)}, ` +
                      `expected ${JSON.stringify(values[i])?.slice(0, 80)}`);
      });
    }
  }
  for (const name of sample.listed) if (!names.includes(name)) fail(where, `no table ${name}`);
  if (sample.original) {
    const before = new MDBReader(readFileSync(sample.original));
    const expected = [...before.getTableNames(), ...sample.tables.map((t) => t.name), ...sample.listed].sort();
    if (JSON.stringify([...names].sort()) !== JSON.stringify(expected))
      fail(where, `tables ${names}, expected ${expected}`);
    for (const name of before.getTableNames()) {
      const old = JSON.stringify(before.getTable(name).getData().map((r) => Object.values(r).map(plain)));
      const now = JSON.stringify(reader.getTable(name).getData().map((r) => Object.values(r).map(plain)));
      if (old !== now) fail(where, `table ${name} no longer reads as in the original`);
    }
  }
}

const specs = readdirSync(folder).filter((f) => f.endsWith(".json")).sort();
if (specs.length === 0) {
  console.log(`no samples in ${folder}`);
  process.exit(1);
}
for (const s of specs) {
  try {
    check(s);
  } catch (e) {
    fail(s, `mdb-reader failed: ${e.message}`);
  }
}
for (const f of failures) console.log("FAIL", f);
console.log(`mdb-reader read ${specs.length} files: ${failures.length} problems`);
process.exit(failures.length ? 1 : 0);
