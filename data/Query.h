#pragma once
// The dataset layer: a query with declared fields whose rows are fetched whole
// when it opens, a two-way cursor, bookmarks, suspension of bound controls and
// the after-open / after-scroll / calc-fields callbacks.
//
// Walking a query, the usual pattern of every writer:
//   auto bm = q.GetBookmark(); q.DisableControls();
//   ... q.First(); while (!q.Eof()) { ...; q.Next(); } ...
//   q.GotoBookmark(bm); q.FreeBookmark(bm); q.EnableControls();   (also on error)
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/DateText.h"
#include "data/FieldType.h"
#include "data/RowStore.h"
#include "data/SqlLike.h"
#include "data/Value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace orbisk {

class Connection;
class Query;

struct FieldDef {
  std::string name;
  TFieldType type = ftUnknown;
  int size = 0;          // characters for text fields
  int tag = 0;
  int displayWidth = 0;  // characters; 0: from the size
  bool calculated = false;
  std::string label;     // empty: the field name
};

// A column as the engine returned it. The query keeps every returned column,
// field or not, because the XML export saves them all.
struct ColumnInfo {
  std::string name;
  std::string declaredType;  // as declared in its table; empty for expressions
  TFieldType type = ftUnknown;
  int size = 0;
  bool nullable = true;
  bool autoIncrement = false;
  std::string baseTable;   // empty for expressions
  std::string baseColumn;
};

class Field {
 public:
  Field(Query* query, FieldDef def, int index, int column);

  const FieldDef& Def() const { return def_; }
  const std::string& FieldName() const { return def_.name; }
  const std::string& DisplayLabel() const { return def_.label.empty() ? def_.name : def_.label; }
  TFieldType DataType() const { return def_.type; }
  int Size() const { return def_.size; }
  int Tag() const { return def_.tag; }
  int DisplayWidth() const;
  bool Calculated() const { return def_.calculated; }
  int Index() const { return index_; }
  int Column() const { return column_; }  // index into Columns(); -1 when calculated

  // The current row's value (null when the query is closed or empty), read in
  // place (View) or as a value of its own.
  ValueView View() const;
  Value AsValue() const { return View().ToValue(); }
  bool IsNull() const { return View().IsNull(); }
  int64_t AsInteger() const { return View().AsInteger(); }
  // The value's ordinary text form: integers in decimal, booleans True/False,
  // other numbers in plain decimal, dates in the query's date formats, null
  // as empty text.
  std::string AsString() const { return TextOf(View()); }
  std::string DisplayText() const { return AsString(); }

  // Values of any row (0-based) without moving the cursor. A view stays valid
  // until the query closes or its rows are reordered.
  ValueView ViewAt(int row) const;
  Value ValueAt(int row) const { return ViewAt(row).ToValue(); }
  std::string TextAt(int row) const { return TextOf(ViewAt(row)); }
  std::string TextOf(const ValueView& v) const;
  std::string TextOf(const Value& v) const { return TextOf(v.View()); }
  // The same with dates in `formats` (a writer whose file fixes its own formats).
  std::string TextOf(const ValueView& v, const DateFormats& formats) const;
  // Whether TextOf gives a text value back as stored (neither a date nor a
  // boolean field), so a reader may show the stored bytes themselves.
  bool ShowsTextAsStored() const {
    return def_.type != ftBoolean && def_.type != ftDate && def_.type != ftTime && def_.type != ftDateTime;
  }

  // Only inside the calc-fields callback: the value of this calculated field.
  void SetCalcValue(Value v);

 private:
  Query* query_;
  FieldDef def_;
  int index_;
  int column_;
};

using Bookmark = int;

// What bound controls hear. While controls are suspended they hear no moves;
// an opening or closing in that time is told once when they follow again, a
// new order of the rows at once (it cannot wait: it says where every row went).
enum class QueryEvent {
  Opened,      // new rows and fields
  Closed,
  Scrolled,    // the current row moved
  Reordering,  // the rows are about to take a new order
  Reordered,   // they have it: LastOrder() says where each row came from
  WalkBegan,   // controls suspended: the moves that follow are not the user's
  WalkEnded    // controls follow again; the current row may be another
};

class Query {
 public:
  Query(std::string name, Connection* connection = nullptr);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  // Component facts.
  const std::string& Name() const { return name_; }
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }
  void SetConnection(Connection* c) { connection_ = c; }
  Connection* GetConnection() const { return connection_; }

  // Statement and parameters. Parameters are the :name markers of the statement.
  void SetSQL(std::string sql);
  const std::string& SQL() const { return sql_; }
  void SetPrepared(bool prepared) { prepared_ = prepared; }
  bool Prepared() const { return prepared_; }
  bool HasParam(std::string_view name) const;
  const Value& Param(std::string_view name) const;  // throws when unknown
  void SetParam(std::string_view name, Value v);    // throws when unknown
  const std::vector<std::pair<std::string, Value>>& Params() const { return params_; }
  // How the statement's LIKE folds text when it runs; the statement's text
  // stays as it is.
  void SetLikeFold(LikeFold fold) { likeFold_ = fold; }
  LikeFold GetLikeFold() const { return likeFold_; }
  // The formats its date fields show their values in.
  void SetDateFormats(DateFormats formats) { dateFormats_ = std::move(formats); }
  const DateFormats& GetDateFormats() const { return dateFormats_; }

  // Declared fields. Without declarations the fields come from the returned columns.
  void DeclareFields(std::vector<FieldDef> defs);
  const std::vector<FieldDef>& DeclaredFields() const { return declared_; }

  // Opening fetches the whole result. A query whose opening failed stays closed
  // and the error (the engine's own text) goes to the caller.
  void Open();
  void Close();
  bool Active() const { return active_; }
  // Runs the statement for its effect (no rows kept).
  void ExecSQL();

  const std::vector<Field>& Fields() const { return fields_; }
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  Field* FindField(std::string_view name);  // case-insensitive; nullptr if none
  const Field* FindField(std::string_view name) const;
  Field& FieldByName(std::string_view name);  // throws "<query>: Field '<name>' not found"
  const Field& FieldByName(std::string_view name) const;

  const std::vector<ColumnInfo>& Columns() const { return columns_; }
  // 0-based, returned columns; null outside the rows.
  ValueView CellView(int row, int column) const;
  Value CellValue(int row, int column) const { return CellView(row, column).ToValue(); }

  // Cursor.
  int RecordCount() const { return active_ ? rowCount_ : 0; }
  int RecNo() const;  // 1-based current row; 0 when closed or empty
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  bool IsEmpty() const { return RecordCount() == 0; }
  void First();
  void Last();
  void Next();
  void Prior();
  void MoveBy(int distance);
  void MoveTo(int recNo);  // 1-based, clamped into the rows
  int CurrentRow() const { return cur_; }  // 0-based; -1 when closed or empty

  // Puts the rows in a new order: row i becomes the row that was at order[i]
  // (every row named once, else std::invalid_argument and nothing changes).
  // Values stay where they are; calculated fields are filled again for the new
  // positions, the cursor stays on its record, bound controls hear Reordering and Reordered and
  // the after-scroll handler runs. Bookmarks taken before are positions and
  // then name other records.
  void ReorderRows(const std::vector<int>& order);
  // The order of the last ReorderRows: row i came from LastOrder()[i].
  const std::vector<int>& LastOrder() const { return lastOrder_; }

  Bookmark GetBookmark() const { return cur_; }
  void GotoBookmark(Bookmark b);
  void FreeBookmark(Bookmark) {}
  bool BookmarkValid(Bookmark b) const { return active_ && b >= 0 && b < rowCount_; }

  // Suspension of bound controls, nested.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ > 0; }

  // Callbacks.
  std::function<void(Query&)> AfterOpen;
  std::function<void(Query&)> AfterScroll;
  // Called once per row after opening; CalcPosition() is that row's 1-based position.
  std::function<void(Query&)> OnCalcFields;
  int CalcPosition() const { return calcRow_ + 1; }

  // Bound controls (grids, memos, detail links), told what happened (QueryEvent).
  using Observer = std::function<void(Query&, QueryEvent)>;
  int AddObserver(Observer o);
  void RemoveObserver(int id);

  // Bytes held by the fetched rows and calculated values.
  size_t MemoryUsed() const;

 private:
  friend class Field;
  void Notify(QueryEvent e);
  void Scrolled();
  void ParseParams();
  // The steps of Open(), in order (QueryOpen.cpp).
  void PrepareStatement(sqlite3* db);
  void BindParams();
  void DescribeColumns(sqlite3* db);
  void FetchRows();
  void ReleaseStatement();
  void TypeExpressionColumns();
  void AbandonOpening();
  void BuildFields();
  void FillCalcFields();
  void ResetRows(bool keepBlocks);

  std::string name_;
  Connection* connection_;
  int tag_ = 0;
  std::string sql_;
  bool prepared_ = false;
  LikeFold likeFold_ = LikeFold::Case;
  DateFormats dateFormats_;
  sqlite3_stmt* stmt_ = nullptr;  // kept between openings when prepared
  std::vector<std::pair<std::string, Value>> params_;
  std::vector<FieldDef> declared_;
  std::vector<Field> fields_;
  std::vector<ColumnInfo> columns_;
  RowStore rows_;            // the fetched rows, one cell per returned column
  RowStore calcRows_;        // the calculated fields' values, one cell per calculated field
  std::vector<Value> calcStaging_;  // the values of the row being calculated
  std::vector<int> calcIndex_;  // field index -> calc slot (-1 when not calculated)
  int calcCount_ = 0;
  int rowCount_ = 0;
  int cur_ = -1;
  int calcRow_ = -1;
  bool active_ = false;
  bool eof_ = true;
  bool bof_ = true;
  int disableCount_ = 0;
  bool heldReplace_ = false;  // opened or closed while controls were suspended
  std::vector<int> lastOrder_;
  std::vector<std::pair<int, Observer>> observers_;
  int nextObserver_ = 1;
  mutable size_t lastFound_ = 0;  // FindField: the field asked for last, tried first
};

// The calculated row number: the row's position, a negative position stored as 1.
inline int ClampRecNo(int position) { return position < 0 ? 1 : position; }

// A query's component name up to its first underscore ("Company" for Company_Q).
std::string QueryBaseName(const Query& q);

// Puts a query back on the row that was current when it was made, on every path.
class BookmarkGuard {
 public:
  explicit BookmarkGuard(Query& q) : q_(q), bm_(q.GetBookmark()) {}
  ~BookmarkGuard() {
    try {
      if (q_.BookmarkValid(bm_)) q_.GotoBookmark(bm_);
    } catch (...) {
    }
    q_.FreeBookmark(bm_);
  }
  BookmarkGuard(const BookmarkGuard&) = delete;
  BookmarkGuard& operator=(const BookmarkGuard&) = delete;
 private:
  Query& q_;
  Bookmark bm_;
};

// Walks a query safely: bound controls suspended and the row restored on every
// path; the controls follow again after the query is back on its row.
class WalkGuard {
 public:
  explicit WalkGuard(Query& q) : disabled_(q), back_(q) {}
  WalkGuard(const WalkGuard&) = delete;
  WalkGuard& operator=(const WalkGuard&) = delete;
 private:
  struct Suspended {
    explicit Suspended(Query& q) : q(q) { q.DisableControls(); }
    ~Suspended() { q.EnableControls(); }
    Query& q;
  };
  Suspended disabled_;  // made first, undone last
  BookmarkGuard back_;
};

}  // namespace orbisk
