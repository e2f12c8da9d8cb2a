#pragma once
// A read-only grid bound to a query, the way the result lists and the detail
// lists show their rows: a model that reads the fetched rows in place (no copy),
// a current cell that follows the query's cursor both ways, alternating row
// colours and link-looking columns.
#include <QAbstractTableModel>
#include <QColor>
#include <QTableView>
#include <memory>
#include <string>
#include <vector>

#include "ui/uiSchemeColours.h"
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
  // Rows in the info background (the detail lists).
  void setInfoBackground(bool on) { background_ = on; }
  void setFont(const QFont& f);
  const QFont& font() const { return font_; }

 signals:
  void cursorMoved(int row);  // the query's current row changed (0-based)
  void rowsReplaced();        // the query opened afresh or closed

 private:
  void bindFields();
  orbisk::Query* query_;
  std::vector<GridColumn> columns_;
  std::vector<const orbisk::Field*> fields_;
  int observer_ = 0;
  bool striped_ = false;
  bool background_ = false;
  // The colours of a row: striped, info or (nullptr) the grid's own.
  const TextColours* RowColours(int row) const;
  QFont font_;
  QFont linkFont_;
};

class QMenu;

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

  // The selected cells as tab-separated text: the rows and columns that hold a
  // selected cell, in grid order (cells between them not selected stay empty),
  // headed by the column titles when asked or when only whole rows are selected.
  QString SelectionText(bool withTitles) const;
  bool WholeRowsSelected() const;
  void CopySelection(bool withTitles) const;  // to the clipboard
  // The caption of the context menu's details entry ("Company details"); empty: none.
  void setDetailsCaption(const QString& caption) { detailsCaption_ = caption; }
  // Whether the context menu offers "Export..." (the result lists do; detail lists have no export).
  void setExportOffered(bool on) { exportOffered_ = on; }
  // The context menu for a point of the viewport, as a right click there shows it.
  std::unique_ptr<QMenu> ContextMenuAt(QPoint viewportPos);

  // Sorting by a click on a column title: the query's rows are reordered in
  // place. The first click on a column sorts ascending, the next descending;
  // the RecNo column (or a new search) gives back the search's own order.
  void SortByColumn(int column);
  int SortColumn() const { return sortColumn_; }  // -1: the search's own order
  bool SortDescending() const { return descending_; }
  // The rows come anew (a search reopens the query): back to no sort.
  void ForgetSort();

 signals:
  void dataCellClicked(int row, int column);  // a mouse click on a data cell
  void gridDoubleClicked();
  // The context menu's entries that need the window: details of the current row,
  // a link cell's address ("mailto:..." or the web address), the export.
  void detailsRequested();
  void linkRequested(const QString& target);
  void exportRequested();

 protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void followCursor(int row);
  void applySchemeColours();
  TQueryModel* model_;
  bool syncing_ = false;
  int selectedColumn_ = 0;  // the column of the current cell, kept while the model resets
  bool resizing_ = true;
  QString detailsCaption_;
  bool exportOffered_ = true;
  void titleClicked(int column);
  void showSortIndicator();
  int sortColumn_ = -1;
  bool descending_ = false;
  std::vector<int> searchRank_;  // per current row: its place in the search's own order
  int pressedTitle_ = -1;  // the title a left press started on
};
