#include "data/Query.h"

#include <sqlite3.h>

#include <cctype>
#include <new>
#include <cstdio>
#include <ctime>
#include <stdexcept>

#include "data/Connection.h"
#include "data/JetSql.h"
#include "data/Schema.h"
#include "strutil/TextUtil.h"

namespace orbisk {

namespace {

// "yyyy-mm-dd" / "hh:mm:ss" style formats over the parts of an ISO date text.
std::string FormatDatePart(const std::string& fmt, int y, int mo, int d, int h, int mi, int s) {
  std::string out;
  for (size_t i = 0; i < fmt.size();) {
    auto run = [&](char c) {
      size_t n = 0;
      while (i + n < fmt.size() && (fmt[i + n] == c || fmt[i + n] == c - 32)) ++n;
      return n;
    };
    char c = fmt[i];
    char lc = (c >= 'A' && c <= 'Z') ? c + 32 : c;
    size_t n = (lc >= 'a' && lc <= 'z') ? run(lc) : 0;
    char buf[16];
    if (lc == 'y' && n) {
      std::snprintf(buf, sizeof buf, n <= 2 ? "%02d" : "%04d", n <= 2 ? y % 100 : y);
    } else if (lc == 'm' && n) {
      // "mm" after an hour is minutes, as in the classic formats.
      bool minutes = !out.empty() && (fmt.find_last_of("hH", i) != std::string::npos) &&
                     fmt.find_last_of("dDyY", i) == std::string::npos;
      std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", minutes ? mi : mo);
    } else if (lc == 'd' && n) {
      std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", d);
    } else if (lc == 'h' && n) {
      std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", h);
    } else if (lc == 'n' && n) {
      std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", mi);
    } else if (lc == 's' && n) {
      std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", s);
    } else {
      out += c;
      ++i;
      continue;
    }
    out += buf;
    i += n;
  }
  return out;
}

std::string FormatDateValue(const ValueView& v, TFieldType type) {
  DateTimeParts p;
  if (!DecodeDateValue(v, p)) return v.AsText();
  int y = p.year, mo = p.month, d = p.day, h = p.hour, mi = p.minute, s = p.second;
  const DateFormats& f = CurrentDateFormats();
  std::string date = FormatDatePart(f.shortDate, y, mo, d, h, mi, s);
  std::string time = FormatDatePart(f.longTime, y, mo, d, h, mi, s);
  if (type == ftDate) return date;
  if (type == ftTime) return time;
  if (h == 0 && mi == 0 && s == 0) return date;  // midnight shows the date alone
  return date + " " + time;
}

}  // namespace

bool DecodeDateValue(const ValueView& v, DateTimeParts& p) {
  p = DateTimeParts{};
  if (v.kind() == ValueKind::Text) {
    const std::string text(v.Bytes());
    const std::string* t = &text;
    if (std::sscanf(t->c_str(), "%d-%d-%d %d:%d:%d", &p.year, &p.month, &p.day, &p.hour, &p.minute,
                    &p.second) >= 3)
      return true;
    p = DateTimeParts{};  // a time alone lies on the serial's day zero
    return std::sscanf(t->c_str(), "%d:%d:%d", &p.hour, &p.minute, &p.second) >= 2;
  }
  if (v.kind() != Value::Kind::Integer && v.kind() != Value::Kind::Real) return false;
  // Days since 1899-12-30, the classic date serial: the whole part counts days
  // toward zero and the fraction's absolute value is the time of day, so -1.25
  // is 1899-12-29 06:00. The time is rounded to the second; a time that rounds
  // up to 24:00 is midnight of the next day.
  const double serial = v.AsReal();
  // Years 1 to 9999, as the classic dates reach; anything else (and NaN) is no date.
  if (!(serial > -693594.0 && serial < 2958466.0)) return false;
  long long days = static_cast<long long>(serial);  // truncates toward zero
  double frac = serial - static_cast<double>(days);
  if (frac < 0) frac = -frac;
  long long secs = static_cast<long long>(frac * 86400.0 + 0.5);
  if (secs >= 86400) {
    secs -= 86400;
    ++days;
  }
  std::time_t tt = static_cast<std::time_t>((days - 25569) * 86400LL);
  std::tm tm{};
  if (!gmtime_r(&tt, &tm)) return false;
  p.year = tm.tm_year + 1900, p.month = tm.tm_mon + 1, p.day = tm.tm_mday;
  p.hour = static_cast<int>(secs / 3600), p.minute = static_cast<int>(secs / 60 % 60),
  p.second = static_cast<int>(secs % 60);
  return true;
}

DateFormats& CurrentDateFormats() {
  static DateFormats formats;
  return formats;
}

ScopedDateFormats::ScopedDateFormats(std::string shortDate, std::string longTime)
    : saved_(CurrentDateFormats()) {
  CurrentDateFormats().shortDate = std::move(shortDate);
  CurrentDateFormats().longTime = std::move(longTime);
}

ScopedDateFormats::~ScopedDateFormats() { CurrentDateFormats() = saved_; }

std::string QueryBaseName(const Query& q) {
  const std::string& n = q.Name();
  auto u = n.find('_');
  return u == std::string::npos ? n : n.substr(0, u);
}

// ---------------------------------------------------------------------------

Field::Field(Query* query, FieldDef def, int index, int column)
    : query_(query), def_(std::move(def)), index_(index), column_(column) {}

int Field::DisplayWidth() const {
  if (def_.displayWidth > 0) return def_.displayWidth;
  if (IsTextFieldType(def_.type) && def_.size > 0) return def_.size;
  return 10;
}

ValueView Field::ViewAt(int row) const {
  const Query& q = *query_;
  if (!q.active_ || row < 0 || row >= q.rowCount_) return {};
  if (def_.calculated) {
    const int slot = q.calcIndex_[index_];
    // While the calc-fields handler runs, its row is still being filled.
    if (row == q.calcRow_) return q.calcStaging_[static_cast<size_t>(slot)].View();
    if (row >= q.calcRows_.RowCount()) return {};
    return q.calcRows_.Cell(row, slot);
  }
  if (column_ < 0) return {};
  return q.rows_.Cell(row, column_);
}

ValueView Field::View() const {
  if (query_->calcRow_ >= 0) return ViewAt(query_->calcRow_);
  return ViewAt(query_->cur_);
}

std::string Field::TextOf(const ValueView& v) const {
  if (v.IsNull() || ShowsTextAsStored()) return v.AsText();
  if (def_.type == ftBoolean) return v.AsInteger() ? "True" : "False";
  return FormatDateValue(v, def_.type);
}

void Field::SetCalcValue(Value v) {
  Query& q = *query_;
  if (!def_.calculated || q.calcRow_ < 0)
    throw std::logic_error(q.name_ + ": Field '" + def_.name + "' cannot be modified");
  q.calcStaging_[static_cast<size_t>(q.calcIndex_[index_])] = std::move(v);
}

// ---------------------------------------------------------------------------

Query::Query(std::string name, Connection* connection) : name_(std::move(name)), connection_(connection) {}

Query::~Query() {
  if (stmt_) sqlite3_finalize(stmt_);
}

void Query::SetSQL(std::string sql) {
  if (active_) Close();
  if (stmt_) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
  sql_ = std::move(sql);
  ParseParams();
}

void Query::ParseParams() {
  // Parameters keep their values when the statement is re-stated with the same names.
  std::vector<std::pair<std::string, Value>> old = std::move(params_);
  params_.clear();
  bool inQuote = false;
  char quote = 0;
  for (size_t i = 0; i < sql_.size(); ++i) {
    char c = sql_[i];
    if (inQuote) {
      if (c == quote) inQuote = false;
      continue;
    }
    if (c == '\'' || c == '"') {
      inQuote = true;
      quote = c;
    } else if (c == '[') {
      auto close = sql_.find(']', i);
      if (close == std::string::npos) break;
      i = close;
    } else if (c == ':' && i + 1 < sql_.size() &&
               (std::isalpha(static_cast<unsigned char>(sql_[i + 1])) || sql_[i + 1] == '_')) {
      size_t e = i + 1;
      while (e < sql_.size() && (std::isalnum(static_cast<unsigned char>(sql_[e])) || sql_[e] == '_')) ++e;
      std::string name = sql_.substr(i + 1, e - i - 1);
      bool known = false;
      for (auto& p : params_) known = known || EqualsNoCaseAscii(p.first, name);
      if (!known) {
        Value v;
        for (auto& p : old)
          if (EqualsNoCaseAscii(p.first, name)) v = p.second;
        params_.emplace_back(name, v);
      }
      i = e - 1;
    }
  }
}

bool Query::HasParam(std::string_view name) const {
  for (auto& p : params_)
    if (EqualsNoCaseAscii(p.first, name)) return true;
  return false;
}

const Value& Query::Param(std::string_view name) const {
  for (auto& p : params_)
    if (EqualsNoCaseAscii(p.first, name)) return p.second;
  throw std::runtime_error(name_ + ": Parameter '" + std::string(name) + "' not found");
}

void Query::SetParam(std::string_view name, Value v) {
  for (auto& p : params_)
    if (EqualsNoCaseAscii(p.first, name)) {
      p.second = std::move(v);
      return;
    }
  throw std::runtime_error(name_ + ": Parameter '" + std::string(name) + "' not found");
}

void Query::DeclareFields(std::vector<FieldDef> defs) {
  if (active_) Close();
  declared_ = std::move(defs);
}

Field* Query::FindField(std::string_view name) {
  // Handlers ask for the same field row after row.
  if (lastFound_ < fields_.size() && fields_[lastFound_].FieldName() == name) return &fields_[lastFound_];
  for (size_t i = 0; i < fields_.size(); ++i)
    if (EqualsNoCaseAscii(fields_[i].FieldName(), name)) {
      lastFound_ = i;
      return &fields_[i];
    }
  return nullptr;
}

const Field* Query::FindField(std::string_view name) const {
  return const_cast<Query*>(this)->FindField(name);
}

Field& Query::FieldByName(std::string_view name) {
  if (Field* f = FindField(name)) return *f;
  throw std::runtime_error(name_ + ": Field '" + std::string(name) + "' not found");
}

const Field& Query::FieldByName(std::string_view name) const {
  return const_cast<Query*>(this)->FieldByName(name);
}

ValueView Query::CellView(int row, int column) const {
  if (!active_ || row < 0 || row >= rowCount_ || column < 0 || column >= rows_.ColumnCount()) return {};
  return rows_.Cell(row, column);
}

void Query::ResetRows(bool keepBlocks) {
  // A closed result keeps its blocks for the next opening, which gives back
  // what it does not use; a failed opening gives everything back.
  if (keepBlocks) {
    rows_.Refill(0);
    calcRows_.Refill(0);
  } else {
    rows_.Reset(0);
    calcRows_.Reset(0);
  }
  std::vector<Value>().swap(calcStaging_);
  rowCount_ = 0;
  cur_ = -1;
  eof_ = bof_ = true;
}

void Query::Open() {
  if (active_) return;
  if (!connection_) throw std::runtime_error(name_ + ": Missing Connection or ConnectionString");
  sqlite3* db = connection_->Handle();
  const ScopedLikeFold fold(likeFold_);
  try {
    if (!stmt_) {
      std::string sql = TranslateJetSql(sql_);
      const char* tail = nullptr;
      if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, &tail) != SQLITE_OK) {
        std::string m = EngineError(db);
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw std::runtime_error(m);
      }
      if (!stmt_) throw std::runtime_error(name_ + ": CommandText does not return a result set");
    }
    connection_->BeginStatement();
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    for (int i = 1, n = sqlite3_bind_parameter_count(stmt_); i <= n; ++i) {
      const char* pname = sqlite3_bind_parameter_name(stmt_, i);
      if (!pname || !*pname) continue;
      const Value& v = Param(pname + 1);
      switch (v.kind()) {
        case Value::Kind::Null: sqlite3_bind_null(stmt_, i); break;
        case Value::Kind::Integer: sqlite3_bind_int64(stmt_, i, v.AsInteger()); break;
        case Value::Kind::Real: sqlite3_bind_double(stmt_, i, v.AsReal()); break;
        case Value::Kind::Text: sqlite3_bind_text(stmt_, i, v.TextPtr()->data(), static_cast<int>(v.TextPtr()->size()), SQLITE_TRANSIENT); break;
        case Value::Kind::Blob: sqlite3_bind_blob(stmt_, i, v.BlobPtr()->bytes.data(), static_cast<int>(v.BlobPtr()->bytes.size()), SQLITE_TRANSIENT); break;
      }
    }
    const int ncols = sqlite3_column_count(stmt_);
    columns_.assign(ncols, ColumnInfo{});
    for (int c = 0; c < ncols; ++c) {
      ColumnInfo& ci = columns_[c];
      ci.name = sqlite3_column_name(stmt_, c);
      const char* decl = sqlite3_column_decltype(stmt_, c);
      ci.declaredType = decl ? decl : "";
      const char* table = sqlite3_column_table_name(stmt_, c);
      const char* origin = sqlite3_column_origin_name(stmt_, c);
      if (table && origin) {
        ci.baseTable = table;
        ci.baseColumn = origin;
        int notNull = 0, pk = 0, autoinc = 0;
        if (sqlite3_table_column_metadata(db, sqlite3_column_database_name(stmt_, c), table, origin, nullptr,
                                          nullptr, &notNull, &pk, &autoinc) == SQLITE_OK)
          ci.nullable = !notNull;
      }
      if (decl) {
        ColumnType t = ColumnTypeFromDeclared(decl);
        ci.type = FieldTypeOf(t);
        ci.size = t.size;
        if (t.kind == ColumnKind::Counter) {
          ci.autoIncrement = true;
          ci.nullable = false;
        }
        if (ci.type == ftWideString && ci.size == 0) ci.size = 255;
      }
    }
    RowStore& rows = rows_;
    rows.Refill(ncols);
    // What the rows take, about: their bytes and a cell each. A result past
    // the bound, or past what can be allocated, ends with the rows read.
    const long long limit = connection_->Bounds().resultBytes;
    long long held = 0;
    long long read = 0;
    int rc;
    try {
      while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
        ++read;
        held += 8 + 4LL * ncols;
        rows.BeginRow();
        for (int c = 0; c < ncols; ++c) {
          // One call into the statement per cell; the value calls need no lock.
          sqlite3_value* v = sqlite3_column_value(stmt_, c);
          switch (sqlite3_value_type(v)) {
            case SQLITE_INTEGER: rows.AddInteger(sqlite3_value_int64(v)); break;
            case SQLITE_FLOAT: rows.AddReal(sqlite3_value_double(v)); break;
            case SQLITE_TEXT: {
              const char* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
              const size_t n = static_cast<size_t>(sqlite3_value_bytes(v));
              if (!t && n > 0) throw std::bad_alloc();  // the engine could not make the value
              held += static_cast<long long>(n);
              rows.AddText(std::string_view(t, n));
              break;
            }
            case SQLITE_BLOB: {
              const char* b = static_cast<const char*>(sqlite3_value_blob(v));
              const size_t n = static_cast<size_t>(sqlite3_value_bytes(v));
              if (!b && n > 0) throw std::bad_alloc();
              held += static_cast<long long>(n);
              rows.AddBytes(std::string_view(b ? b : "", n));
              break;
            }
            default: rows.AddNull(); break;
          }
        }
        rows.EndRow();
        if (limit > 0 && held > limit) throw std::runtime_error(ResultTooLargeMessage(read));
      }
    } catch (const std::bad_alloc&) {
      throw std::runtime_error(ResultTooLargeMessage(read));
    }
    rows.Trim();
    const int count = rows.RowCount();
    if (rc != SQLITE_DONE) connection_->ThrowStatementError(rc, read);
    connection_->EndStatement();
    sqlite3_reset(stmt_);
    if (!prepared_) {
      sqlite3_finalize(stmt_);
      stmt_ = nullptr;
    }
    // Columns of expressions take their type from what they hold.
    for (int c = 0; c < ncols; ++c) {
      ColumnInfo& ci = columns_[c];
      if (!ci.declaredType.empty()) continue;
      ci.type = ftWideString;
      size_t longest = 0;
      for (int r = 0; r < count; ++r) {
        const ValueView v = rows.Cell(r, c);
        if (v.kind() == ValueKind::Integer) { ci.type = ftInteger; break; }
        if (v.kind() == ValueKind::Real) { ci.type = ftFloat; break; }
        if (v.kind() == ValueKind::Blob) { ci.type = ftBlob; break; }
        if (v.kind() == ValueKind::Text) longest = std::max(longest, v.Bytes().size());
      }
      if (ci.type == ftWideString) ci.size = static_cast<int>(std::max<size_t>(longest, 1));
    }
    rowCount_ = count;
    BuildFields();
  } catch (...) {
    connection_->EndStatement();
    if (stmt_) sqlite3_reset(stmt_);
    if (stmt_ && !prepared_) {
      sqlite3_finalize(stmt_);
      stmt_ = nullptr;
    }
    fields_.clear();
    columns_.clear();
    ResetRows(false);
    throw;
  }
  active_ = true;
  cur_ = rowCount_ ? 0 : -1;
  eof_ = bof_ = rowCount_ == 0;
  if (!rowCount_) bof_ = true;
  if (AfterOpen) AfterOpen(*this);
  Notify(QueryEvent::Opened);
  if (rowCount_ && AfterScroll) AfterScroll(*this);
}

void Query::BuildFields() {
  fields_.clear();
  calcIndex_.clear();
  calcCount_ = 0;
  std::vector<FieldDef> defs = declared_;
  if (defs.empty()) {
    // Without declarations every returned column is a field of its own kind.
    for (const auto& c : columns_) {
      FieldDef d;
      d.name = c.name;
      d.type = c.type == ftUnknown ? ftWideString : c.type;
      d.size = c.size;
      defs.push_back(d);
    }
  }
  fields_.reserve(defs.size());
  for (size_t i = 0; i < defs.size(); ++i) {
    int column = -1;
    if (!defs[i].calculated) {
      for (size_t c = 0; c < columns_.size(); ++c)
        if (EqualsNoCaseAscii(columns_[c].name, defs[i].name)) {
          column = static_cast<int>(c);
          break;
        }
      if (column < 0) throw std::runtime_error(name_ + ": Field '" + defs[i].name + "' not found");
    }
    calcIndex_.push_back(defs[i].calculated ? calcCount_++ : -1);
    fields_.emplace_back(this, defs[i], static_cast<int>(i), column);
  }
  FillCalcFields();
}

void Query::FillCalcFields() {
  calcRows_.Refill(calcCount_);
  calcStaging_.assign(static_cast<size_t>(calcCount_), Value());
  if (!calcCount_ || !OnCalcFields) {
    calcRows_.Trim();
    return;
  }
  // The query counts as open while its calculated fields are filled.
  bool wasActive = active_;
  active_ = true;
  try {
    for (calcRow_ = 0; calcRow_ < rowCount_; ++calcRow_) {
      for (Value& v : calcStaging_) v = Value();
      OnCalcFields(*this);
      calcRows_.BeginRow();
      for (const Value& v : calcStaging_) calcRows_.Add(v.View());
      calcRows_.EndRow();
    }
    calcRows_.Trim();
  } catch (...) {
    calcRow_ = -1;
    active_ = wasActive;
    throw;
  }
  calcRow_ = -1;
  active_ = wasActive;
}

void Query::ReorderRows(const std::vector<int>& order) {
  if (!active_) throw std::runtime_error(name_ + ": Cannot perform this operation on a closed dataset");
  rows_.CheckOrder(order);  // before anyone hears of it
  Notify(QueryEvent::Reordering);
  rows_.Reorder(order);
  if (cur_ >= 0)
    for (size_t i = 0; i < order.size(); ++i)
      if (order[i] == cur_) {
        cur_ = static_cast<int>(i);
        break;
      }
  FillCalcFields();
  lastOrder_ = order;
  Notify(QueryEvent::Reordered);
  if (rowCount_ && AfterScroll) AfterScroll(*this);
}

void Query::Close() {
  if (!active_) return;
  active_ = false;
  ResetRows(true);
  fields_.clear();
  columns_.clear();
  Notify(QueryEvent::Closed);
}

void Query::ExecSQL() {
  if (!connection_) throw std::runtime_error(name_ + ": Missing Connection or ConnectionString");
  sqlite3* db = connection_->Handle();
  std::string sql = TranslateJetSql(sql_);
  const ScopedLikeFold fold(likeFold_);
  char* err = nullptr;
  connection_->CountStatement();
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string m = err ? err : EngineError(db);
    sqlite3_free(err);
    throw std::runtime_error(m);
  }
}

int Query::RecNo() const { return (active_ && cur_ >= 0) ? cur_ + 1 : 0; }

void Query::Scrolled() {
  Notify(QueryEvent::Scrolled);
  if (AfterScroll) AfterScroll(*this);
}

void Query::First() {
  if (!active_) throw std::runtime_error(name_ + ": Cannot perform this operation on a closed dataset");
  bof_ = true;
  eof_ = rowCount_ == 0;
  if (rowCount_) {
    cur_ = 0;
    Scrolled();
  }
}

void Query::Last() {
  if (!active_) throw std::runtime_error(name_ + ": Cannot perform this operation on a closed dataset");
  eof_ = true;
  bof_ = rowCount_ == 0;
  if (rowCount_) {
    cur_ = rowCount_ - 1;
    Scrolled();
  }
}

void Query::MoveBy(int distance) {
  if (!active_) throw std::runtime_error(name_ + ": Cannot perform this operation on a closed dataset");
  if (distance == 0 || rowCount_ == 0) {
    if (rowCount_ == 0) eof_ = bof_ = true;
    return;
  }
  if ((distance > 0 && eof_) || (distance < 0 && bof_)) return;
  bof_ = eof_ = false;
  long target = static_cast<long>(cur_) + distance;
  if (target >= rowCount_) {
    target = rowCount_ - 1;
    eof_ = true;
  } else if (target < 0) {
    target = 0;
    bof_ = true;
  }
  cur_ = static_cast<int>(target);
  Scrolled();
}

void Query::Next() { MoveBy(1); }
void Query::Prior() { MoveBy(-1); }

void Query::MoveTo(int recNo) {
  if (!active_) throw std::runtime_error(name_ + ": Cannot perform this operation on a closed dataset");
  if (!rowCount_) return;
  if (recNo < 1) recNo = 1;
  if (recNo > rowCount_) recNo = rowCount_;
  cur_ = recNo - 1;
  bof_ = eof_ = false;
  Scrolled();
}

void Query::GotoBookmark(Bookmark b) {
  if (!BookmarkValid(b)) return;
  cur_ = b;
  bof_ = eof_ = false;
  Scrolled();
}

void Query::DisableControls() {
  if (disableCount_ == 0) Notify(QueryEvent::WalkBegan);
  ++disableCount_;
}

void Query::EnableControls() {
  if (disableCount_ == 0 || --disableCount_ > 0) return;
  if (heldReplace_) Notify(active_ ? QueryEvent::Opened : QueryEvent::Closed);
  heldReplace_ = false;
  Notify(QueryEvent::WalkEnded);
}

int Query::AddObserver(Observer o) {
  observers_.emplace_back(nextObserver_, std::move(o));
  return nextObserver_++;
}

void Query::RemoveObserver(int id) {
  for (auto it = observers_.begin(); it != observers_.end(); ++it)
    if (it->first == id) {
      observers_.erase(it);
      return;
    }
}

void Query::Notify(QueryEvent e) {
  if (disableCount_ > 0) {
    heldReplace_ = heldReplace_ || e == QueryEvent::Opened || e == QueryEvent::Closed;
    if (e != QueryEvent::Reordering && e != QueryEvent::Reordered) return;
  }
  // Copy: an observer may add or remove observers.
  auto list = observers_;
  for (auto& o : list) o.second(*this, e);
}

size_t Query::MemoryUsed() const { return rows_.BytesHeld() + calcRows_.BytesHeld(); }

}  // namespace orbisk
