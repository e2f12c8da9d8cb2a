// Importing an Access directory. libmdb reads the catalog, the table
// definitions and the data pages and splits each row into its fields; the
// values are decoded by RowDecoder straight from the page bytes into the
// insert statement, which is several times cheaper than libmdb's bound text
// copies (every value printed into a buffer, every memo page read again).
#include <glib.h>
#include <mdbtools.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "data/Connection.h"
#include "data/Schema.h"
#include "import/Import.h"
#include "import/RowDecode.h"
#include "data/jet/JetText.h"
#include "strutil/TextUtil.h"

namespace orbisk::import {

namespace {

constexpr unsigned kDeletedRow = 0x4000;  // as libmdb (and so mdb-export) reads the row table

uint32_t Get32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }


ColumnType AccessColumnType(const MdbColumn* col, bool jet3) {
  switch (col->col_type) {
    case MDB_BOOL: return {ColumnKind::Boolean, 0};
    case MDB_BYTE: return {ColumnKind::Byte, 0};
    case MDB_INT: return {ColumnKind::SmallInteger, 0};
    case MDB_LONGINT: return {col->is_long_auto ? ColumnKind::Counter : ColumnKind::Integer, 0};
    case MDB_MONEY: return {ColumnKind::Currency, 0};
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC: return {ColumnKind::Double, 0};
    case MDB_DATETIME: return {ColumnKind::DateTime, 0};
    case MDB_TEXT: return {ColumnKind::Text, jet3 ? col->col_size : col->col_size / 2};
    case MDB_MEMO: return {ColumnKind::Memo, 0};
    case MDB_OLE:
    case MDB_BINARY: return {ColumnKind::Blob, 0};
    default: return {ColumnKind::Text, 255};
  }
}

struct MdbCloser {
  void operator()(MdbHandle* h) const { mdb_close(h); }
};

std::string Quoted(std::string_view name) { return "\"" + ReplaceAll(name, "\"", "\"\"") + "\""; }

// Reads pages of the file with one pread each; a database whose pages are
// encrypted is read through libmdb, which decrypts them. (libmdb itself
// checks the file size and seeks before every page it reads.)
class FilePages : public PageSource {
 public:
  FilePages(MdbHandle* mdb, const std::string& path) : mdb_(mdb), pageSize_(static_cast<size_t>(mdb->fmt->pg_size)) {
    if (mdb->f->db_key == 0) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) pageCount_ = static_cast<uint32_t>(static_cast<size_t>(st.st_size) / pageSize_);
  }
  ~FilePages() override {
    if (fd_ >= 0) ::close(fd_);
  }
  FilePages(const FilePages&) = delete;
  FilePages& operator=(const FilePages&) = delete;

  size_t PageSize() const override { return pageSize_; }
  uint32_t PageCount() const { return pageCount_; }

  bool Read(uint32_t page, unsigned char* buf) override {
    if (page == 0 || page >= pageCount_) return false;
    if (fd_ >= 0) {
      size_t got = 0;
      while (got < pageSize_) {
        ssize_t n = ::pread(fd_, buf + got, pageSize_ - got, static_cast<off_t>(page) * static_cast<off_t>(pageSize_) +
                                                                  static_cast<off_t>(got));
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
      }
      return true;
    }
    if (mdb_read_alt_pg(mdb_, page) != mdb_->fmt->pg_size) return false;
    std::memcpy(buf, mdb_->alt_pg_buf, pageSize_);
    return true;
  }

 private:
  MdbHandle* mdb_;
  size_t pageSize_;
  uint32_t pageCount_ = 0;
  int fd_ = -1;
};

// The pages a table's usage map marks, in file order. The map is either a
// first page number and a bitmap, or a list of pages each holding a bitmap of
// its own stretch of the file. Any other map stands for every page. A map
// that marks pages the file does not have, or names map pages it cannot
// read, belongs to a damaged file.
std::vector<uint32_t> MappedPages(const MdbTableDef& table, FilePages& pages, const std::string& name) {
  std::vector<uint32_t> out;
  const unsigned char* map = table.usage_map;
  const size_t size = map ? table.map_sz : 0;
  auto beyond = [&] { return ImportError("Table '" + name + "' lists pages beyond the end of the file."); };
  auto takeBits = [&](const unsigned char* bits, size_t count, uint64_t first) {
    for (size_t i = 0; i < count; ++i) {
      if (!(bits[i / 8] & (1 << (i % 8)))) continue;
      if (first + i >= pages.PageCount()) throw beyond();
      out.push_back(static_cast<uint32_t>(first + i));
    }
  };
  if (size >= 5 && map[0] == 0) {
    takeBits(map + 5, (size - 5) * 8, Get32(map + 1));
  } else if (size >= 1 && map[0] == 1) {
    const size_t perPage = (pages.PageSize() - 4) * 8;
    std::vector<unsigned char> buf(pages.PageSize());
    for (size_t k = 0; 1 + 4 * k + 4 <= size; ++k) {
      uint32_t mapPage = Get32(map + 1 + 4 * k);
      if (mapPage == 0) continue;
      if (!pages.Read(mapPage, buf.data())) throw beyond();
      takeBits(buf.data() + 4, perPage, k * perPage);
    }
  } else {
    for (uint32_t p = 1; p < pages.PageCount(); ++p) out.push_back(p);
  }
  return out;
}

std::string Thousands(long long n) {
  std::string digits = std::to_string(n < 0 ? -n : n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return n < 0 ? "-" + out : out;
}

StoredKind KindOf(const MdbColumn* col) {
  switch (col->col_type) {
    case MDB_BOOL: return StoredKind::Bool;
    case MDB_BYTE: return StoredKind::Byte;
    case MDB_INT: return StoredKind::Int;
    case MDB_LONGINT: return StoredKind::LongInt;
    case MDB_MONEY: return StoredKind::Money;
    case MDB_FLOAT: return StoredKind::Single;
    case MDB_DOUBLE: return StoredKind::Double;
    case MDB_DATETIME: return StoredKind::DateTime;
    case MDB_TEXT: return StoredKind::Text;
    case MDB_MEMO: return StoredKind::Memo;
    case MDB_OLE: return StoredKind::Ole;
    case MDB_BINARY: return StoredKind::Binary;
    default: return StoredKind::Other;
  }
}

// One table's rows through libmdb's row splitting and our decoding.
class TableReader {
 public:
  TableReader(MdbHandle* mdb, MdbTableDef* table, bool jet3, std::string name)
      : mdb_(mdb),
        table_(table),
        name_(std::move(name)),
        jet3_(jet3),
        layout_(Layout(table)),
        fmt_{static_cast<unsigned>(mdb->fmt->pg_size), mdb->fmt->row_count_offset},
        // libmdb fills one field for every column the table declares.
        cracked_(std::max<size_t>(table->num_cols, 1)),
        fields_(table->num_cols),
        decoder_(fmt_, Kinds(table), TextDecoder(mdb, jet3),
                 [this](size_t c, const RowField& f, sqlite3_stmt* insert, int p) { BindOther(c, f, insert, p); }) {}

  // Inserts every row; `rowDone` is called after each. Returns the rows read.
  template <class RowDone>
  long long Run(FilePages& pages, LongValueReader& longValues, sqlite3_stmt* insert, RowDone rowDone) {
    long long read = 0;
    for (uint32_t page : MappedPages(*table_, pages, name_)) {
      // Rows are split where libmdb expects them: in its page buffer.
      mdb_->cur_pg = 0;
      if (!pages.Read(page, mdb_->pg_buf)) continue;
      mdb_->cur_pg = page;
      if (mdb_->pg_buf[0] != MDB_PAGE_DATA || Get32(mdb_->pg_buf + 4) != table_->entry->table_pg) continue;
      const unsigned rows = Get16(mdb_->pg_buf + fmt_.rowCountOffset);
      for (unsigned r = 0; r < rows; ++r) {
        unsigned start = 0, length = 0, flags = 0;
        if (!FindRow(mdb_->pg_buf, fmt_, r, start, length, flags)) throw Damaged(page);
        if (length == 0 || (flags & kDeletedRow)) continue;
        if (!RowFits(mdb_->pg_buf, fmt_, jet3_, start, length, layout_)) throw Damaged(page);
        const int found = mdb_crack_row(table_, static_cast<int>(start), length, cracked_.data());
        if (found < 0) throw Damaged(page);
        const unsigned rowColumns = RowColumnCount(mdb_->pg_buf, jet3_, start);
        for (size_t c = 0; c < fields_.size(); ++c) {
          const MdbField& m = cracked_[c];
          // A column added after the row was written is null in it.
          const bool absent = layout_[c].number >= rowColumns;
          fields_[c] = RowField{m.start, m.siz, absent || m.is_null != 0};
          if (!fields_[c].isNull && m.siz != 0 &&
              (m.siz < 0 || m.start < static_cast<int>(start) || m.start + m.siz > static_cast<int>(start + length)))
            throw Damaged(page);
        }
        decoder_.Bind(mdb_->pg_buf, fields_, longValues, insert);
        if (sqlite3_step(insert) != SQLITE_DONE) throw ImportError("Writing the imported copy failed: " + EngineError(sqlite3_db_handle(insert)));
        sqlite3_reset(insert);
        ++read;
        rowDone();
      }
    }
    return read;
  }

 private:
  ImportError Damaged(uint32_t page) const {
    return ImportError("Table '" + name_ + "' has a damaged row on page " + std::to_string(page) + ".");
  }

  static std::vector<ColumnLayout> Layout(MdbTableDef* table) {
    std::vector<ColumnLayout> out;
    for (unsigned c = 0; c < table->num_cols; ++c) {
      const auto* col = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, c));
      out.push_back({col->is_fixed != 0, static_cast<unsigned>(col->fixed_offset), static_cast<unsigned>(col->col_size),
                     static_cast<unsigned>(col->var_col_num), static_cast<unsigned>(col->col_num)});
    }
    return out;
  }

  static std::vector<StoredKind> Kinds(MdbTableDef* table) {
    std::vector<StoredKind> kinds;
    for (unsigned c = 0; c < table->num_cols; ++c)
      kinds.push_back(KindOf(static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, c))));
    return kinds;
  }

  // Stored text (Text and Memo) as UTF-8: Jet 4 and ACE keep UCS-2 or its
  // compressed form, Jet 3 the database's code page, which libmdb converts.
  static RowDecoder::TextDecoder TextDecoder(MdbHandle* mdb, bool jet3) {
    if (!jet3) return [](std::string_view stored, std::string& out) { jet::DecodeTextUtf8(stored, out); };
    return [mdb](std::string_view stored, std::string& out) {
      out.resize(3 * stored.size() + 1);
      int n = mdb_unicode2ascii(mdb, stored.data(), stored.size(), out.data(), out.size());
      out.resize(n > 0 ? std::min(static_cast<size_t>(n), out.size()) : 0);
    };
  }

  // Numbers of the Decimal type, replication ids and other rare types: libmdb's own text.
  void BindOther(size_t c, const RowField& f, sqlite3_stmt* insert, int p) {
    const auto* col = static_cast<const MdbColumn*>(g_ptr_array_index(table_->columns, c));
    if (col->col_type == MDB_NUMERIC) {
      // Seventeen bytes: a sign and four 32-bit words.
      if (f.size < 17) {
        sqlite3_bind_null(insert, p);
        return;
      }
      char* s = mdb_numeric_to_string(mdb_, f.start, col->col_scale, col->col_prec);
      sqlite3_bind_double(insert, p, s ? std::strtod(s, nullptr) : 0.0);
      g_free(s);
      return;
    }
    // The bytes libmdb reads for the value must lie in the field.
    const int need = col->col_type == MDB_REPID ? 16 : col->col_type == MDB_COMPLEX ? 4 : 0;
    if (f.size < need) {
      sqlite3_bind_null(insert, p);
      return;
    }
    char* s = mdb_col_to_string(mdb_, mdb_->pg_buf, f.start, col->col_type, f.size);
    other_ = s ? s : "";
    g_free(s);
    sqlite3_bind_text(insert, p, other_.data(), static_cast<int>(other_.size()), SQLITE_TRANSIENT);
  }

  MdbHandle* mdb_;
  MdbTableDef* table_;
  std::string name_;
  bool jet3_;
  std::vector<ColumnLayout> layout_;
  PageFormat fmt_;
  std::vector<MdbField> cracked_;
  std::vector<RowField> fields_;
  RowDecoder decoder_;
  std::string other_;
};

void Exec(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string m = err ? err : EngineError(db);
    sqlite3_free(err);
    throw ImportError("Writing the imported copy failed: " + m);
  }
}

}  // namespace

namespace {

class AccessSource : public Source {
 public:
  explicit AccessSource(const std::string& path) : mdb_(mdb_open(path.c_str(), MDB_NOFLAGS)) {
    if (!mdb_) throw ImportError("It is not an Access database, or its first page is damaged.");
    jet3_ = mdb_->f->jet_version == MDB_VER_JET3;
    pages_ = std::make_unique<FilePages>(mdb_.get(), path);
  }
  ~AccessSource() override {
    for (auto& l : tables_) mdb_free_tabledef(l.table);
  }

  std::vector<std::string> TableNames() override {
    Load();
    std::vector<std::string> names;
    for (const auto& l : tables_) names.push_back(l.name);
    return names;
  }

  void Copy(sqlite3* db, const Progress& progress) override {
    Load();
    long long total = 0;
    for (const auto& l : tables_) total += l.table->num_rows;
    Exec(db, "BEGIN");
    long long done = 0;
    Report(progress, {0, total, {}});
    std::vector<std::string> indexes;
    const PageFormat fmt{static_cast<unsigned>(mdb_->fmt->pg_size), mdb_->fmt->row_count_offset};
    LongValueReader longValues(fmt, *pages_);
    for (auto& l : tables_) {
      MdbTableDef* table = l.table;
      if (table->num_cols == 0) continue;
      std::string create = "CREATE TABLE " + Quoted(l.name) + " (";
      std::string insert = "INSERT INTO " + Quoted(l.name) + " VALUES (";
      for (unsigned c = 0; c < table->num_cols; ++c) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
        if (c) {
          create += ", ";
          insert += ",";
        }
        create += Quoted(col->name) + " " + SqliteDeclaredType(AccessColumnType(col, jet3_));
        insert += "?";
        if (IsIndexedColumn(col->name))
          indexes.push_back("CREATE INDEX " + Quoted("ix_" + l.name + "_" + col->name) + " ON " + Quoted(l.name) +
                            " (" + Quoted(col->name) + ")");
      }
      char* err = nullptr;
      if (sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string m = err ? err : EngineError(db);
        sqlite3_free(err);
        throw ImportError("Its table '" + l.name + "' cannot be kept: " + m + ".");
      }
      sqlite3_stmt* ins = nullptr;
      if (sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &ins, nullptr) != SQLITE_OK)
        throw ImportError("Its table '" + l.name + "' cannot be kept: " + EngineError(db) + ".");
      std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> insGuard(ins, sqlite3_finalize);
      const long long declared = table->num_rows;
      const long long read = TableReader(mdb_.get(), table, jet3_, l.name).Run(*pages_, longValues, ins, [&] {
        if ((++done % 2000) == 0) Report(progress, {done, total, l.name});
      });
      // The definition keeps the table's row count: rows that cannot all be
      // found, or more than it holds, mean damaged pages or a damaged map.
      if (read != declared)
        throw ImportError("Table '" + l.name + "' declares " + Thousands(declared) + " rows; " + Thousands(read) +
                          " could be read.");
    }
    for (auto& ix : indexes) Exec(db, ix);
    Exec(db, "COMMIT");
    Report(progress, {std::max(done, total), std::max(done, total), {}});
  }

 private:
  struct Loaded {
    MdbTableDef* table;
    std::string name;
  };

  // The user tables' definitions; one that cannot be read is damage, not a table to leave out.
  void Load() {
    if (loaded_) return;
    loaded_ = true;
    if (!mdb_read_catalog(mdb_.get(), MDB_TABLE)) throw ImportError("Its list of tables cannot be read.");
    for (unsigned i = 0; i < mdb_->num_catalog; ++i) {
      auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
      if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry)) continue;
      bool seen = false;  // a damaged catalog may name a table twice
      for (const auto& l : tables_) seen = seen || EqualsNoCaseAscii(l.name, entry->object_name);
      if (seen) continue;
      const std::string name = entry->object_name;
      MdbTableDef* table = mdb_read_table(entry);
      if (!table) throw ImportError("The definition of table '" + name + "' is damaged.");
      if (!mdb_read_columns(table)) {
        mdb_free_tabledef(table);
        throw ImportError("The definition of table '" + name + "' is damaged.");
      }
      tables_.push_back({table, name});
    }
  }

  std::unique_ptr<MdbHandle, MdbCloser> mdb_;
  bool jet3_ = false;
  bool loaded_ = false;
  std::unique_ptr<FilePages> pages_;
  std::vector<Loaded> tables_;
};

}  // namespace

std::unique_ptr<Source> OpenAccessFile(const std::string& path) { return std::make_unique<AccessSource>(path); }

void ImportAccessFile(const std::string& path, sqlite3* db, const Progress& progress) {
  OpenAccessFile(path)->Copy(db, progress);
}

}  // namespace orbisk::import
