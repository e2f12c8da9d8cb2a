#include "data/Query.h"

#include <sqlite3.h>

#include <stdexcept>

#include "data/Connection.h"
#include "data/JetSql.h"
#include "data/SqlTokens.h"
#include "strutil/TextUtil.h"

namespace orbisk {

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

std::string Field::TextOf(const ValueView& v) const { return TextOf(v, query_->dateFormats_); }

std::string Field::TextOf(const ValueView& v, const DateFormats& formats) const {
  if (v.IsNull() || ShowsTextAsStored()) return v.AsText();
  if (def_.type == ftBoolean) return v.AsInteger() ? "True" : "False";
  return FormatDateValue(v, def_.type, formats);
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
  for (std::string& name : SqlParameterNames(sql_)) {
    Value v;
    for (auto& p : old)
      if (EqualsNoCaseAscii(p.first, name)) v = p.second;
    params_.emplace_back(std::move(name), std::move(v));
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
    PrepareStatement(db);
    connection_->BeginStatement();
    BindParams();
    DescribeColumns(db);
    FetchRows();
    connection_->EndStatement();
    ReleaseStatement();
    TypeExpressionColumns();
    rowCount_ = rows_.RowCount();
    BuildFields();
  } catch (...) {
    AbandonOpening();
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
