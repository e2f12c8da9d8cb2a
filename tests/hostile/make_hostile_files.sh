#!/bin/sh
# Makes the crafted directory files of the hostile-files tests:
#   make_hostile_files.sh GENSAMPLE OUTPUT_FOLDER
# Each file is a small directory of Orbisk's own tools (it carries the
# marker, so the program opens it in place) bent in one way:
#   memory.sqlite    a company search returns rows without end, 20 KB each
#   spin.sqlite      the categories and the companies loop without a row
#   hangopen.sqlite  the marker itself is a view that never ends
#   huge.sqlite      every company holds a value of 900 MB
#   wal.sqlite       a sound directory kept in write-ahead-log mode
#   foreign.sqlite   a sound directory without the marker (imported, cached)
set -eu
gensample=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
out=$2
mkdir -p "$out"
cd "$out"
rm -f base.sqlite memory.sqlite spin.sqlite hangopen.sqlite huge.sqlite wal.sqlite foreign.sqlite ./*-wal ./*-shm

"$gensample" --companies 40 --seed 7 --format sqlite --output base.sqlite > /dev/null

endless="WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n)"

cp base.sqlite memory.sqlite
sqlite3 memory.sqlite <<SQL
ALTER TABLE Company_Info RENAME TO Sound_Info;
CREATE VIEW Company_Info AS $endless
  SELECT s.Company_ID AS Company_ID, printf('%.*c', 20000, 'x') AS Company_Name,
         s.Location_Address, s.Location_Address_Postal, s.TelAreaCode, s.Telephone, s.Toll_Free_Phone,
         s.Fax, s.Email, s.Website_URL, s.Exporting, s.Year_Established, s.Number_of_Employees,
         s.Company_Description
  FROM n CROSS JOIN Sound_Info s;
SQL

cp base.sqlite spin.sqlite
sqlite3 spin.sqlite <<SQL
DROP TABLE Main_Category;
CREATE VIEW Main_Category AS $endless
  SELECT CAST(i AS TEXT) AS RecordID, 'x' AS Cat_Name, 'x' AS Cat_Code FROM n WHERE i < 0;
ALTER TABLE Company_Info RENAME TO Sound_Info;
CREATE VIEW Company_Info AS $endless SELECT s.* FROM n, Sound_Info s WHERE n.i < 0;
SQL

cp base.sqlite hangopen.sqlite
sqlite3 hangopen.sqlite <<SQL
CREATE TABLE Kept AS SELECT * FROM Orbisk_Directory;
DROP TABLE Orbisk_Directory;
CREATE VIEW Orbisk_Directory AS $endless
  SELECT k.Collation_Version, k.Source FROM n, Kept k WHERE n.i < 0;
SQL

cp base.sqlite huge.sqlite
sqlite3 huge.sqlite <<SQL
ALTER TABLE Company_Info RENAME TO Sound_Info;
CREATE VIEW Company_Info AS
  SELECT s.Company_ID AS Company_ID, zeroblob(900000000) AS Company_Name,
         s.Location_Address, s.Location_Address_Postal, s.TelAreaCode, s.Telephone, s.Toll_Free_Phone,
         s.Fax, s.Email, s.Website_URL, s.Exporting, s.Year_Established, s.Number_of_Employees,
         s.Company_Description
  FROM Sound_Info s;
SQL

cp base.sqlite wal.sqlite
sqlite3 wal.sqlite "PRAGMA journal_mode = WAL;" > /dev/null

cp base.sqlite foreign.sqlite
sqlite3 foreign.sqlite "PRAGMA application_id = 0; DROP TABLE Orbisk_Directory;"

# Nothing may be left beside them by the tool that made them.
rm -f ./*-wal ./*-shm ./*-journal
