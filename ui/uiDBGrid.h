#pragma once
// A read-only grid bound to a query, the way the result lists and the detail
// lists show their rows: a model that reads the fetched rows in place (no copy),
// a current cell that follows the query's cursor both ways, alternating row
// colours and link-looking columns.
#include <QTableView>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/uiQueryModel.h"

class QMenu;

class TDBGrid : public QTableView {
  Q_OBJECT
 public:
  TDBGrid(orbisk::Query* query, std::vector<GridColumn> columns, QWidget* parent = nullptr);

  TQueryModel* queryModel() const { return model_; }
  orbisk::Query* query() const { return model_->query(); }
  // The field of the selected (current) column; empty when there is none.
  std::string SelectedField() const;
  // The link kind of the selected column (None when there is none).
  orbisk::CellLink SelectedLink() const;
  // Column resizing by the user (the result grids switch it off while a search runs).
  void setColumnResizing(bool on);
  bool columnResizing() const { return resizing_; }
  // Fits the columns to the result, except those the user has widened or narrowed.
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

  // Sorting by a click on a column title: the model reorders the query's rows
  // in place. The first click on a column sorts ascending, the next descending;
  // the RecNo column (or a new search) gives back the search's own order.
  void SortByColumn(int column);
  int SortColumn() const { return model_->sortColumn(); }  // -1: the search's own order
  bool SortDescending() const { return model_->sortOrder() == Qt::DescendingOrder; }
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
  void rowsReplaced();
  bool titleMouse(QMouseEvent* e);
  bool indicatorMouse(QMouseEvent* e);
  void showSortIndicator();
  TQueryModel* model_;
  bool syncing_ = false;
  int selectedColumn_ = 0;  // the column of the current cell, kept while the model resets
  bool resizing_ = true;
  QString detailsCaption_;
  bool exportOffered_ = true;
  int pressedTitle_ = -1;  // the title a left press started on
  int rowAnchor_ = -1;     // the row a press on the indicator column started on
  bool dragging_ = false;
  bool fitting_ = false;
  std::vector<int> widthsBeforeReset_;
  std::map<std::string, int> userWidths_;  // widths the user gave, by field
};
