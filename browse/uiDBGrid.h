#pragma once
// A read-only grid bound to a query, the way the result lists and the detail
// lists show their rows: a model that reads the fetched rows in place (no copy),
// a current cell that follows the query's cursor both ways, alternating row
// colours and link-looking columns.
#include <QAbstractTableModel>
#include <QColor>
#include <QTableView>
#include <string>
#include <vector>

#include "data/Query.h"

struct GridColumn {
  std::string field;        // the query field shown
  QString title;            // empty: the field name
  Qt::Alignment alignment = Qt::AlignLeft;
  bool link = false;        // underlined, in linkColor
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

  orbisk::Query* query() const { return query_; }
  const GridColumn& column(int i) const { return columns_[i]; }
  const std::vector<GridColumn>& columns() const { return columns_; }
  // Striped rows: odd row numbers white, even ones in the tooltip colour.
  void setStriped(bool on) { striped_ = on; }
  void setBackground(QColor c) { background_ = c; }
  void setFont(const QFont& f);

 signals:
  void cursorMoved(int row);  // the query's current row changed (0-based)

 private:
  void bindFields();
  orbisk::Query* query_;
  std::vector<GridColumn> columns_;
  std::vector<const orbisk::Field*> fields_;
  int observer_ = 0;
  bool striped_ = false;
  QColor background_;
  QFont font_;
  QFont linkFont_;
};

class TDBGrid : public QTableView {
  Q_OBJECT
 public:
  TDBGrid(orbisk::Query* query, std::vector<GridColumn> columns, QWidget* parent = nullptr);

  TQueryModel* queryModel() const { return model_; }
  orbisk::Query* query() const { return model_->query(); }
  // The field of the selected (current) column; empty when there is none.
  std::string SelectedField() const;
  // Column resizing by the user (the result grids switch it off while a search runs).
  void setColumnResizing(bool on);
  bool columnResizing() const { return resizing_; }
  void fitColumns();

 signals:
  void dataCellClicked(int row, int column);  // a mouse click on a data cell
  void gridDoubleClicked();

 protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  void followCursor(int row);
  TQueryModel* model_;
  bool syncing_ = false;
  int selectedColumn_ = 0;  // the column of the current cell, kept while the model resets
  bool resizing_ = true;
};
