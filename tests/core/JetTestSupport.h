#pragma once
// Helpers for the tests of the Access writer: whole-file bytes, and reading a
// table back with libmdb (the library the program reads Access files with).
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <mdbtools.h>
#include <sqlite3.h>

#include "data/jet/JetPageFile.h"
#include "data/jet/JetTableDef.h"
#include "data/jet/JetUsageMap.h"

namespace orbisk::testing {

inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void CopyInto(const std::string& from, const std::string& to) {
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
}

// Calls f(statement) for every row a SQLite statement returns.
template <typename F>
void ForEachRow(sqlite3* db, const std::string& sql, F f) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
  while (sqlite3_step(st) == SQLITE_ROW) f(st);
  sqlite3_finalize(st);
}

struct MdbTable {
  bool found = false;
  std::vector<std::string> columns;
  std::vector<int> types;  // libmdb column types (MDB_TEXT, ...)
  long long countInDefinition = 0;
  // Values as libmdb renders them ("%Y-%m-%d %H:%M:%S" dates, 0/1 booleans);
  // OLE columns as their raw bytes. libmdb renders a null and an empty text
  // alike: both are nullopt here.
  std::vector<std::vector<std::optional<std::string>>> rows;
};

// The most bytes of one value libmdb hands over (longer memos are cut).
constexpr size_t kBindSize = 64 * 1024;

// Reads every row of a table with libmdb.
inline MdbTable ReadWithLibmdb(const std::string& path, const std::string& table) {
  MdbTable out;
  MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  if (!mdb) return out;
  mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
  mdb_set_bind_size(mdb, kBindSize);
  mdb_read_catalog(mdb, MDB_TABLE);
  MdbTableDef* t = mdb_read_table_by_name(mdb, const_cast<char*>(table.c_str()), MDB_TABLE);
  if (t) {
    out.found = true;
    out.countInDefinition = t->num_rows;
    mdb_read_columns(t);
    mdb_rewind_table(t);
    std::vector<std::string> buffers(t->num_cols, std::string(kBindSize, '\0'));
    std::vector<int> lengths(t->num_cols, 0);
    for (unsigned i = 0; i < t->num_cols; ++i) {
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
      out.columns.push_back(col->name);
      out.types.push_back(col->col_type);
      mdb_bind_column(t, static_cast<int>(i + 1), buffers[i].data(), &lengths[i]);
    }
    while (mdb_fetch_row(t)) {
      std::vector<std::optional<std::string>> row;
      for (unsigned i = 0; i < t->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, i));
        if (col->col_type == MDB_OLE) {
          size_t size = 0;
          void* data = lengths[i] > 0 ? mdb_ole_read_full(mdb, col, &size) : nullptr;
          if (data) {
            row.emplace_back(std::string(static_cast<char*>(data), size));
            free(data);
          } else {
            row.emplace_back(std::nullopt);
          }
        } else if (col->col_type == MDB_BOOL) {
          row.emplace_back(buffers[i].c_str());
        } else {
          if (lengths[i] > 0) row.emplace_back(std::string(buffers[i].data(), static_cast<size_t>(lengths[i])));
          else row.emplace_back(std::nullopt);
        }
      }
      out.rows.push_back(std::move(row));
    }
    mdb_free_tabledef(t);
  }
  mdb_close(mdb);
  return out;
}

// The names of the user tables as libmdb lists them.
inline std::vector<std::string> TablesWithLibmdb(const std::string& path) {
  std::vector<std::string> names;
  MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  if (!mdb) return names;
  mdb_read_catalog(mdb, MDB_TABLE);
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry)) names.emplace_back(entry->object_name);
  }
  mdb_close(mdb);
  return names;
}

// Walks every index of a table with libmdb; returns the row pointers
// (page << 8 | row) each index yields, in index order. libmdb reads the sibling
// pointers of index pages at their Jet 3 places (8/12/16 rather than 12/16/20),
// so the walk runs on a copy whose index pages carry them there too.
inline std::vector<std::pair<std::string, std::vector<uint32_t>>> WalkIndexesWithLibmdb(const std::string& path,
                                                                                        const std::string& table) {
  std::string copy = path + ".jet3-siblings";
  std::string bytes = FileBytes(path);
  for (size_t p = 0; p + 4096 <= bytes.size(); p += 4096) {
    if (bytes[p] != 3 && bytes[p] != 4) continue;
    std::string siblings = bytes.substr(p + 12, 12);
    bytes.replace(p + 8, 12, siblings);
  }
  std::ofstream(copy, std::ios::binary) << bytes;
  std::vector<std::pair<std::string, std::vector<uint32_t>>> result;
  MdbHandle* mdb = mdb_open(copy.c_str(), MDB_NOFLAGS);
  if (mdb) {
    mdb_read_catalog(mdb, MDB_TABLE);
    MdbTableDef* t = mdb_read_table_by_name(mdb, const_cast<char*>(table.c_str()), MDB_TABLE);
    if (t) {
      mdb_read_columns(t);
      mdb_read_indices(t);
      for (unsigned i = 0; i < t->num_idxs; ++i) {
        auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(t->indices, i));
        auto* chain = static_cast<MdbIndexChain*>(calloc(1, sizeof(MdbIndexChain)));
        guint32 pg = 0;
        guint16 row = 0;
        std::vector<uint32_t> pointers;
        while (mdb_index_find_next(mdb, idx, chain, &pg, &row)) pointers.push_back(pg << 8 | row);
        free(chain);
        result.emplace_back(idx->name, std::move(pointers));
      }
      mdb_free_tabledef(t);
    }
    mdb_close(mdb);
  }
  std::filesystem::remove(copy);
  return result;
}

inline const std::string kAccessTestFiles = std::string(ORBISK_TEST_DATA) + "/access/";

// Every user table's rows in a file, as libmdb reads them.
inline std::map<std::string, std::vector<std::vector<std::optional<std::string>>>> Snapshot(const std::string& path) {
  std::map<std::string, std::vector<std::vector<std::optional<std::string>>>> tables;
  for (const auto& name : TablesWithLibmdb(path)) tables[name] = ReadWithLibmdb(path, name).rows;
  return tables;
}

// Row pointers (page << 8 | row) of every row of MSysObjects.
inline std::set<uint32_t> CatalogRows(const std::string& path) {
  using namespace orbisk::jet;
  PageFile f = PageFile::Load(path);
  TableInfo t = ReadTableInfo(f, 2);
  std::set<uint32_t> rows;
  for (uint32_t page : ReadUsageMap(f, t.ownedMap)) {
    if (f.At(page)[0] != kDataPage || Get32(&f.At(page)[4]) != 2) continue;
    for (int r = 0; r < DataRowCount(f.At(page)); ++r)
      if (!ReadRow(f, page, r).empty()) rows.insert(RowPointer(page, r));
  }
  return rows;
}

// The row pointer at the end of an index entry.
inline uint32_t PointerOf(const std::string& entry) {
  auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(entry[entry.size() - 4 + i])); };
  return (b(0) << 16 | b(1) << 8 | b(2)) << 8 | b(3);
}

}  // namespace orbisk::testing
