#pragma once
// A table model over a query's fetched rows: it reads them in place (no copy)
// and tells the views what the query did, so that they keep what the user
// arranged: a new order is a layout change that carries the selection and the
// current cell with their rows, a walk of the rows is not seen at all, and only
// a result opening or closing resets the model.
#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <string>
#include <vector>

#include "browse/ShellTarget.h"
#include "data/Query.h"
#include "ui/uiSchemeColours.h"

struct GridColumn {
  std::string field;        // the query field shown
  QString title;            // empty: the field name
  Qt::Alignment alignment = Qt::AlignLeft;
  orbisk::CellLink link = orbisk::CellLink::None;  // linked cells are underlined, in linkColor
  QColor linkColor = QColor(51, 51, 255);
  int widthChars = 0;       // 0: from the field's display width, capped
  bool fullTextTip = false; // every non-empty cell's tool tip is its whole text (else long texts only)
};

class TQueryModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  TQueryModel(orbisk::Query* query, std::vector<GridColumn> columns, QObject* parent = nullptr);
  ~TQueryModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  // Reorders the query's rows by a column: the RecNo column (or -1) gives back
  // the search's own order. Rows with equal values keep the search's order.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
  int sortColumn() const { return sortColumn_; }  // -1: the search's own order
  Qt::SortOrder sortOrder() const { return sortOrder_; }
  // Rows about to come anew: no sort, and their order is the search's own.
  void forgetSort();

  orbisk::Query* query() const { return query_; }
  const GridColumn& column(int i) const { return columns_[static_cast<size_t>(i)]; }
  const std::vector<GridColumn>& columns() const { return columns_; }
  // Striped rows: odd row numbers white, even ones in the tooltip colour.
  void setStriped(bool on) { striped_ = on; }
  // Rows in the info background (the detail lists).
  void setInfoBackground(bool on) { background_ = on; }
  void setFont(const QFont& f);
  const QFont& font() const { return font_; }

 signals:
  void cursorMoved(int row);  // the query's current row changed (0-based)
  void rowsReplaced();        // the query opened afresh or closed

 private:
  void heard(orbisk::QueryEvent e);
  void bindFields();
  void replaceRows();
  void rowsReordered();
  // The colours of a row: striped, info or (nullptr) the grid's own.
  const TextColours* RowColours(int row) const;

  orbisk::Query* query_;
  std::vector<GridColumn> columns_;
  std::vector<const orbisk::Field*> fields_;
  int observer_ = 0;
  bool striped_ = false;
  bool background_ = false;
  QFont font_;
  QFont linkFont_;
  int shownRow_ = -1;   // the row the indicator marks; it stays put while the rows are walked
  bool walking_ = false;
  QModelIndexList moving_;  // persistent indexes held while the rows take a new order
  int sortColumn_ = -1;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  std::vector<int> searchRank_;  // per current row: its place in the search's own order
};
