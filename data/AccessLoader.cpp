// Loading an Access directory into the engine. libmdb reads the catalog, the
// table definitions and the data pages and splits each row into its fields;
// the values are decoded here straight from the page bytes into the insert
// statement, which is several times cheaper than libmdb's bound text copies
// (every value printed into a buffer, every memo page read again).
#include <glib.h>
#include <mdbtools.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/Connection.h"
#include "data/Schema.h"
#include "data/jet/JetText.h"
#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

constexpr unsigned kOffsetMask = 0x1FFF;
constexpr unsigned kDeletedRow = 0x4000;  // as libmdb (and so mdb-export) reads the row table
constexpr size_t kLongValueHeader = 12;
constexpr int kMaxRowFields = 256;  // a row may hold more columns than its table (dropped ones)

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
template <class T>
T GetRaw(const unsigned char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);  // the file and the machine are little-endian
  return v;
}

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

// Where row `row` of a page lies; false for a row the page does not hold.
bool FindRow(const unsigned char* page, const MdbFormatConstants& fmt, unsigned row, unsigned& start,
             unsigned& length, unsigned& flags) {
  const unsigned rco = fmt.row_count_offset;
  const unsigned pageSize = static_cast<unsigned>(fmt.pg_size);
  if (row >= Get16(page + rco) || rco + 4 + 2 * row > pageSize) return false;
  const unsigned entry = Get16(page + rco + 2 + 2 * row);
  const unsigned end = row == 0 ? pageSize : Get16(page + rco + 2 * row) & kOffsetMask;
  start = entry & kOffsetMask;
  flags = entry & ~kOffsetMask;
  if (start >= pageSize || start > end || end > pageSize) return false;
  length = end - start;
  return true;
}

// "YYYY-MM-DD HH:MM:SS" for days since 1899-12-30; the fraction is the time of
// day, also before 1899 (-1.25 is 1899-12-29 06:00).
bool OleDateText(double value, std::string& out) {
  if (!std::isfinite(value) || value < -657435.0 || value >= 2958466.0) return false;  // years 100 to 9999
  long long day = static_cast<long long>(value);
  long long seconds = std::llround(std::fabs(value - static_cast<double>(day)) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    ++day;
  }
  // Civil date from days since 1970-01-01.
  long long z = day - 25569 + 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long d = doy - (153 * mp + 2) / 5 + 1;
  const long long m = mp < 10 ? mp + 3 : mp - 9;
  const long long y = yoe + era * 400 + (m <= 2);
  char buf[40];
  int n = std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", y, m, d, seconds / 3600,
                        seconds / 60 % 60, seconds % 60);
  out.assign(buf, static_cast<size_t>(n));
  return true;
}

// Reads pages of the file with one pread each; a database whose pages are
// encrypted is read through libmdb, which decrypts them. (libmdb itself
// checks the file size and seeks before every page it reads.)
class PageReader {
 public:
  PageReader(MdbHandle* mdb, const std::string& path) : mdb_(mdb), pageSize_(static_cast<size_t>(mdb->fmt->pg_size)) {
    if (mdb->f->db_key == 0) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) pageCount_ = static_cast<uint32_t>(static_cast<size_t>(st.st_size) / pageSize_);
  }
  ~PageReader() {
    if (fd_ >= 0) ::close(fd_);
  }
  PageReader(const PageReader&) = delete;
  PageReader& operator=(const PageReader&) = delete;

  size_t PageSize() const { return pageSize_; }
  uint32_t PageCount() const { return pageCount_; }

  // Reads page `page` into `buf` (PageSize() bytes); false when the file has no such page.
  bool Read(uint32_t page, unsigned char* buf) {
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
// its own stretch of the file. Any other map stands for every page.
std::vector<uint32_t> MappedPages(const MdbTableDef& table, PageReader& pages) {
  std::vector<uint32_t> out;
  const unsigned char* map = table.usage_map;
  const size_t size = map ? table.map_sz : 0;
  auto takeBits = [&](const unsigned char* bits, size_t count, uint64_t first) {
    for (size_t i = 0; i < count; ++i)
      if (bits[i / 8] & (1 << (i % 8)) && first + i < pages.PageCount()) out.push_back(static_cast<uint32_t>(first + i));
  };
  if (size >= 5 && map[0] == 0) {
    takeBits(map + 5, (size - 5) * 8, Get32(map + 1));
  } else if (size >= 1 && map[0] == 1) {
    const size_t perPage = (pages.PageSize() - 4) * 8;
    std::vector<unsigned char> buf(pages.PageSize());
    for (size_t k = 0; 1 + 4 * k + 4 <= size; ++k) {
      uint32_t mapPage = Get32(map + 1 + 4 * k);
      if (mapPage && pages.Read(mapPage, buf.data())) takeBits(buf.data() + 4, perPage, k * perPage);
    }
  } else {
    for (uint32_t p = 1; p < pages.PageCount(); ++p) out.push_back(p);
  }
  return out;
}

// Reads memo and OLE values, which live in rows of their own pages. Values of
// one column mostly follow each other on a page, so the last pages read are
// kept (a table has a page in use for each of its long-value columns).
class LongValueReader {
 public:
  explicit LongValueReader(MdbHandle* mdb, PageReader& pages)
      : fmt_(*mdb->fmt), pages_(pages), buffer_(kSlots * pages.PageSize()) {
    tags_.fill(kNone);
  }

  // The bytes of the long value whose row header is `field` (`size` bytes).
  // A value whose pages cannot be read comes back empty, as libmdb gives it.
  void Read(const unsigned char* field, size_t size, std::string& out) {
    out.clear();
    if (size < kLongValueHeader) return;
    const uint32_t header = Get32(field);
    const size_t length = header & 0xFFFFFF;
    const unsigned char* data = nullptr;
    unsigned n = 0;
    if (header & 0x80000000u) {  // in the row itself
      out.assign(reinterpret_cast<const char*>(field) + kLongValueHeader, size - kLongValueHeader);
    } else if (header & 0x40000000u) {  // one row elsewhere
      if (Row(Get32(field + 4), data, n)) out.assign(reinterpret_cast<const char*>(data), n);
    } else if ((header & 0xFF000000u) == 0) {  // a chain of rows, each pointing to the next
      uint32_t next = Get32(field + 4);
      for (int guard = 0; next != 0 && guard < 1 << 16; ++guard) {
        if (!Row(next, data, n) || n < 4 || out.size() + (n - 4) > length) break;
        next = Get32(data);
        out.append(reinterpret_cast<const char*>(data) + 4, n - 4);
      }
    }
  }

 private:
  static constexpr size_t kSlots = 16;
  static constexpr uint32_t kNone = 0;  // page 0 is the header, never a long value's

  const unsigned char* Page(uint32_t page) {
    for (size_t i = 0; i < kSlots; ++i)
      if (tags_[i] == page) return &buffer_[i * pages_.PageSize()];
    const size_t slot = next_++ % kSlots;
    unsigned char* buf = &buffer_[slot * pages_.PageSize()];
    tags_[slot] = kNone;
    if (!pages_.Read(page, buf)) return nullptr;
    tags_[slot] = page;
    return buf;
  }

  bool Row(uint32_t pointer, const unsigned char*& data, unsigned& length) {
    const unsigned char* page = Page(pointer >> 8);
    unsigned start = 0, flags = 0;
    if (!page || !FindRow(page, fmt_, pointer & 0xFF, start, length, flags)) return false;
    data = page + start;
    return true;
  }

  const MdbFormatConstants& fmt_;
  PageReader& pages_;
  std::vector<unsigned char> buffer_;
  std::array<uint32_t, kSlots> tags_;
  size_t next_ = 0;
};

// One table's insert statement and the buffers its values are decoded into;
// the buffers stay put until the row is stepped, so values are bound in place.
class TableLoader {
 public:
  TableLoader(MdbHandle* mdb, MdbTableDef* table, sqlite3_stmt* insert, bool jet3)
      : mdb_(mdb), table_(table), insert_(insert), jet3_(jet3), texts_(table->num_cols), fields_(kMaxRowFields) {}

  // Inserts every row; `rowDone` is called after each.
  template <class RowDone>
  void Run(PageReader& pages, LongValueReader& longValues, RowDone rowDone) {
    const MdbFormatConstants& fmt = *mdb_->fmt;
    for (uint32_t page : MappedPages(*table_, pages)) {
      // Rows are split where libmdb expects them: in its page buffer.
      mdb_->cur_pg = 0;
      if (!pages.Read(page, mdb_->pg_buf)) continue;
      mdb_->cur_pg = page;
      if (mdb_->pg_buf[0] != MDB_PAGE_DATA || Get32(mdb_->pg_buf + 4) != table_->entry->table_pg) continue;
      const unsigned rows = Get16(mdb_->pg_buf + fmt.row_count_offset);
      for (unsigned r = 0; r < rows; ++r) {
        unsigned start = 0, length = 0, flags = 0;
        if (!FindRow(mdb_->pg_buf, fmt, r, start, length, flags) || length == 0 || (flags & kDeletedRow)) continue;
        if (mdb_crack_row(table_, static_cast<int>(start), length, fields_.data()) < 0) continue;
        for (unsigned c = 0; c < table_->num_cols; ++c) BindField(c, longValues);
        if (sqlite3_step(insert_) != SQLITE_DONE) throw std::runtime_error(EngineError(sqlite3_db_handle(insert_)));
        sqlite3_reset(insert_);
        rowDone();
      }
    }
  }

 private:
  void BindText(int p, const std::string& s) {
    sqlite3_bind_text(insert_, p, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
  }
  void BindBlob(int p, const std::string& s) {
    sqlite3_bind_blob(insert_, p, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
  }

  // Stored text (Text and Memo) as UTF-8: Jet 4 keeps UCS-2 or its compressed
  // form, Jet 3 the database's code page, which libmdb converts.
  void DecodeStoredText(std::string_view stored, std::string& out) {
    if (!jet3_) {
      jet::DecodeTextUtf8(stored, out);
      return;
    }
    out.resize(3 * stored.size() + 1);
    int n = mdb_unicode2ascii(mdb_, stored.data(), stored.size(), out.data(), out.size());
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  }

  void BindField(unsigned c, LongValueReader& longValues) {
    const MdbField& f = fields_[c];
    const auto* col = static_cast<const MdbColumn*>(g_ptr_array_index(table_->columns, c));
    const int p = static_cast<int>(c) + 1;
    // A Yes/No value is the null-mask bit itself.
    if (col->col_type == MDB_BOOL) {
      sqlite3_bind_int(insert_, p, f.is_null ? 0 : 1);
      return;
    }
    const size_t pageSize = static_cast<size_t>(mdb_->fmt->pg_size);
    if (f.is_null || f.siz < 0 || f.start < 0 || static_cast<size_t>(f.start) + static_cast<size_t>(f.siz) > pageSize) {
      sqlite3_bind_null(insert_, p);
      return;
    }
    const unsigned char* v = mdb_->pg_buf + f.start;
    const size_t size = static_cast<size_t>(f.siz);
    std::string& text = texts_[c];
    auto fixed = [&](size_t need) {
      if (size >= need) return true;
      sqlite3_bind_null(insert_, p);
      return false;
    };
    switch (col->col_type) {
      case MDB_BYTE:
        if (fixed(1)) sqlite3_bind_int(insert_, p, v[0]);
        return;
      case MDB_INT:
        if (fixed(2)) sqlite3_bind_int(insert_, p, GetRaw<int16_t>(v));
        return;
      case MDB_LONGINT:
        if (fixed(4)) sqlite3_bind_int(insert_, p, GetRaw<int32_t>(v));
        return;
      case MDB_MONEY:
        if (fixed(8)) sqlite3_bind_double(insert_, p, static_cast<double>(GetRaw<int64_t>(v)) / 10000.0);
        return;
      case MDB_DOUBLE:
        if (fixed(8)) sqlite3_bind_double(insert_, p, GetRaw<double>(v));
        return;
      case MDB_FLOAT:
        // A Single as its shortest decimal form: 0.1 stays 0.1, not 0.100000001.
        if (fixed(4)) {
          char buf[32];
          auto r = std::to_chars(buf, buf + sizeof buf - 1, GetRaw<float>(v));
          *r.ptr = '\0';
          sqlite3_bind_double(insert_, p, std::strtod(buf, nullptr));
        }
        return;
      case MDB_DATETIME:
        if (!fixed(8)) return;
        if (OleDateText(GetRaw<double>(v), text))
          BindText(p, text);
        else
          sqlite3_bind_double(insert_, p, GetRaw<double>(v));
        return;
      case MDB_NUMERIC: {
        char* s = mdb_numeric_to_string(mdb_, f.start, col->col_scale, col->col_prec);
        sqlite3_bind_double(insert_, p, s ? std::strtod(s, nullptr) : 0.0);
        g_free(s);
        return;
      }
      case MDB_TEXT:
        DecodeStoredText(std::string_view(reinterpret_cast<const char*>(v), size), text);
        BindText(p, text);
        return;
      case MDB_MEMO:
        longValues.Read(v, size, raw_);
        DecodeStoredText(raw_, text);
        BindText(p, text);
        return;
      case MDB_OLE:
        longValues.Read(v, size, text);
        BindBlob(p, text);
        return;
      case MDB_BINARY:
        text.assign(reinterpret_cast<const char*>(v), size);
        BindBlob(p, text);
        return;
      default: {
        // Replication ids and other rare types: libmdb's own text.
        char* s = mdb_col_to_string(mdb_, mdb_->pg_buf, f.start, col->col_type, f.siz);
        text = s ? s : "";
        g_free(s);
        BindText(p, text);
        return;
      }
    }
  }

  MdbHandle* mdb_;
  MdbTableDef* table_;
  sqlite3_stmt* insert_;
  bool jet3_;
  std::vector<std::string> texts_;  // by column
  std::string raw_;                 // a memo's stored bytes
  std::vector<MdbField> fields_;
};

}  // namespace

void LoadAccessFile(const std::string& path, sqlite3* db, const LoadProgress& progress) {
  std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
  if (!mdb) throw std::runtime_error("Unrecognized database format '" + path + "'.");
  const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
  if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) throw std::runtime_error("Unrecognized database format '" + path + "'.");

  struct Loaded {
    MdbTableDef* table;
    std::string name;
  };
  std::vector<Loaded> tables;
  struct Freer {
    std::vector<Loaded>& t;
    ~Freer() {
      for (auto& l : t) mdb_free_tabledef(l.table);
    }
  } freer{tables};
  long long total = 0;
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry)) continue;
    MdbTableDef* table = mdb_read_table(entry);
    if (!table) continue;
    if (!mdb_read_columns(table)) {
      mdb_free_tabledef(table);
      continue;
    }
    total += table->num_rows;
    tables.push_back({table, entry->object_name});
  }

  auto exec = [&](const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::string m = err ? err : "error";
      sqlite3_free(err);
      throw std::runtime_error(m);
    }
  };
  exec("BEGIN");
  long long done = 0;
  auto report = [&](long long n, const std::string& table) {
    if (progress && !progress(n, total, table)) throw LoadCancelled();
  };
  report(0, "");
  std::vector<std::string> indexes;
  PageReader pages(mdb.get(), path);
  LongValueReader longValues(mdb.get(), pages);
  for (auto& l : tables) {
    MdbTableDef* table = l.table;
    std::string create = "CREATE TABLE " + Quoted(l.name) + " (";
    std::string insert = "INSERT INTO " + Quoted(l.name) + " VALUES (";
    for (unsigned c = 0; c < table->num_cols; ++c) {
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
      if (c) {
        create += ", ";
        insert += ",";
      }
      create += Quoted(col->name) + " " + SqliteDeclaredType(AccessColumnType(col, jet3));
      insert += "?";
      if (IsIndexedColumn(col->name))
        indexes.push_back("CREATE INDEX " + Quoted("ix_" + l.name + "_" + col->name) + " ON " + Quoted(l.name) +
                          " (" + Quoted(col->name) + ")");
    }
    exec(create + ")");
    sqlite3_stmt* ins = nullptr;
    if (sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &ins, nullptr) != SQLITE_OK)
      throw std::runtime_error(EngineError(db));
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> insGuard(ins, sqlite3_finalize);
    TableLoader(mdb.get(), table, ins, jet3).Run(pages, longValues, [&] {
      if ((++done % 2000) == 0) report(done, l.name);
    });
  }
  for (auto& ix : indexes) exec(ix);
  exec("COMMIT");
  report(total, "");
}

}  // namespace orbisk
