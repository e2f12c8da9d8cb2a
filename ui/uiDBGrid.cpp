#include "ui/uiDBGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>
#include <QStyle>
#include <QStyledItemDelegate>
#include <set>

#include "browse/GridText.h"
#include "ui/uiSchemeColours.h"

using orbisk::Query;

namespace {
// Without the focus the current cell shows the column's normal background; a
// link cell keeps its link colour there instead of the plain text colour.
class LinkKeepingDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!(option->state & QStyle::State_Selected) || (option->state & QStyle::State_Active)) return;
    const QVariant link = index.data(Qt::ForegroundRole);
    if (link.canConvert<QBrush>())
      option->palette.setBrush(QPalette::Inactive, QPalette::HighlightedText, link.value<QBrush>());
  }
};
}  // namespace

TDBGrid::TDBGrid(Query* query, std::vector<GridColumn> columns, QWidget* parent)
    : QTableView(parent), model_(new TQueryModel(query, std::move(columns), this)) {
  setModel(model_);
  setItemDelegate(new LinkKeepingDelegate(this));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Ranges with Shift, single cells with Ctrl, whole rows through the indicator
  // column, everything with Ctrl+A.
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setTabKeyNavigation(true);
  setWordWrap(false);
  setShowGrid(true);
  setAlternatingRowColors(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  verticalHeader()->setFixedWidth(16);
  verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  applySchemeColours();
  connect(model_, &TQueryModel::cursorMoved, this, &TDBGrid::followCursor);
  // A reset gives every column the header's default width; the widths held
  // before it come back, and a new result fits the columns the user left alone.
  connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
    fitting_ = true;
    widthsBeforeReset_.clear();
    for (int c = 0; c < model_->columnCount(); ++c) widthsBeforeReset_.push_back(columnWidth(c));
  });
  connect(model_, &TQueryModel::rowsReplaced, this, &TDBGrid::rowsReplaced);
  connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
    if (!fitting_ && column >= 0 && column < model_->columnCount()) userWidths_[model_->column(column).field] = width;
  });
  // Title clicks and clicks on the indicator column are taken here, before the
  // headers would select a column (and move the current row to the top of the
  // view) or a row (and move the current cell).
  horizontalHeader()->viewport()->installEventFilter(this);
  verticalHeader()->viewport()->installEventFilter(this);
  fitColumns();
}

void TDBGrid::rowsReplaced() {
  for (int c = 0; c < model_->columnCount() && c < static_cast<int>(widthsBeforeReset_.size()); ++c)
    setColumnWidth(c, widthsBeforeReset_[static_cast<size_t>(c)]);
  if (model_->query()->Active()) fitColumns();
  fitting_ = false;
  showSortIndicator();
}

std::string TDBGrid::SelectedField() const {
  int c = currentIndex().isValid() ? currentIndex().column() : selectedColumn_;
  if (c < 0 || c >= model_->columnCount()) return {};
  return model_->column(c).field;
}

orbisk::CellLink TDBGrid::SelectedLink() const {
  const int c = currentIndex().isValid() ? currentIndex().column() : selectedColumn_;
  return c >= 0 && c < model_->columnCount() ? model_->column(c).link : orbisk::CellLink::None;
}

void TDBGrid::setColumnResizing(bool on) {
  resizing_ = on;
  horizontalHeader()->setSectionResizeMode(on ? QHeaderView::Interactive : QHeaderView::Fixed);
}

void TDBGrid::fitColumns() {
  const bool wasFitting = fitting_;
  fitting_ = true;
  const QFontMetrics fm(font());
  const int charW = fm.horizontalAdvance(QLatin1Char('0'));
  for (int c = 0; c < model_->columnCount(); ++c) {
    const GridColumn& col = model_->column(c);
    int chars = col.widthChars;
    if (chars <= 0) {
      const orbisk::Field* f = model_->query()->Active() ? model_->query()->FindField(col.field) : nullptr;
      chars = f ? f->DisplayWidth() : 12;
      chars = std::clamp(chars, 6, 40);
    }
    QString title = model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    int w = std::max(chars * charW, fm.horizontalAdvance(title) + 2 * charW) + 8;
    if (col.field == "RecNo") {
      // Wide enough for the largest record number of the result, in the cells' own font.
      const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
      const QString widest = QString::number(std::max(1, model_->query()->RecordCount()));
      w = std::max(w, QFontMetrics(model_->font()).horizontalAdvance(widest) + 2 * margin + charW + 1);
    }
    const auto user = userWidths_.find(col.field);
    setColumnWidth(c, user == userWidths_.end() ? w : user->second);
  }
  fitting_ = wasFitting;
}

void TDBGrid::followCursor(int row) {
  if (row < 0) return;
  // A reset of the model (controls enabled again after a walk, a reopen)
  // leaves no current cell; the selected column stays what the user chose.
  int column = currentIndex().isValid() ? currentIndex().column() : selectedColumn_;
  if (column < 0 || column >= model_->columnCount()) column = 0;
  QModelIndex idx = model_->index(row, column);
  if (idx == currentIndex()) {
    viewport()->update();
    return;
  }
  syncing_ = true;
  setCurrentIndex(idx);
  syncing_ = false;
  verticalHeader()->viewport()->update();
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  verticalHeader()->viewport()->update();
  if (current.isValid()) selectedColumn_ = current.column();
  if (syncing_ || !current.isValid()) return;
  Query* q = model_->query();
  if (q->Active() && current.row() != q->CurrentRow()) q->MoveTo(current.row() + 1);
}

bool TDBGrid::WholeRowsSelected() const {
  const QModelIndexList cells = selectionModel()->selectedIndexes();
  if (cells.isEmpty()) return false;
  std::set<int> rows;
  for (const QModelIndex& i : cells) rows.insert(i.row());
  for (int r : rows)
    if (!selectionModel()->isRowSelected(r, {})) return false;
  return true;
}

QString TDBGrid::SelectionText(bool withTitles) const {
  const QModelIndexList cells = selectionModel()->selectedIndexes();
  std::set<int> rows, columns;
  for (const QModelIndex& i : cells) {
    rows.insert(i.row());
    columns.insert(i.column());
  }
  if (rows.empty()) return {};
  std::vector<std::vector<std::string>> table;
  if (withTitles || WholeRowsSelected()) {
    std::vector<std::string> titles;
    for (int c : columns) titles.push_back(model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
    table.push_back(std::move(titles));
  }
  for (int r : rows) {
    std::vector<std::string> line;
    for (int c : columns) {
      const QModelIndex i = model_->index(r, c);
      line.push_back(selectionModel()->isSelected(i) ? model_->data(i, Qt::DisplayRole).toString().toStdString()
                                                     : std::string());
    }
    table.push_back(std::move(line));
  }
  return QString::fromStdString(orbisk::TabSeparatedText(table));
}

void TDBGrid::CopySelection(bool withTitles) const {
  const QString text = SelectionText(withTitles);
  if (!text.isEmpty() || !selectionModel()->selectedIndexes().isEmpty()) QApplication::clipboard()->setText(text);
}

std::unique_ptr<QMenu> TDBGrid::ContextMenuAt(QPoint viewportPos) {
  auto menu = std::make_unique<QMenu>(this);
  const QModelIndex at = indexAt(viewportPos);
  // A right click outside the selection makes that cell the selection, as in a spreadsheet.
  if (at.isValid() && !selectionModel()->isSelected(at)) {
    setCurrentIndex(at);
    selectionModel()->select(at, QItemSelectionModel::ClearAndSelect);
  } else if (at.isValid() && at != currentIndex()) {
    selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
  }
  const bool anything = !selectionModel()->selectedIndexes().isEmpty();
  Query* q = model_->query();
  const bool onRow = q->Active() && !q->IsEmpty();
  auto add = [&](const QString& text, const char* name, bool enabled, auto&& run) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    a->setEnabled(enabled);
    connect(a, &QAction::triggered, this, run);
    return a;
  };
  add(tr("&Copy"), "Copy", anything, [this] { CopySelection(false); })
      ->setShortcut(QKeySequence::Copy);
  add(tr("Copy with &titles"), "CopyWithTitles", anything, [this] { CopySelection(true); });
  menu->addSeparator();
  if (!detailsCaption_.isEmpty())
    add(detailsCaption_, "Details", onRow && at.isValid(), [this] { emit detailsRequested(); });
  if (at.isValid()) {
    const orbisk::CellLink link = model_->column(at.column()).link;
    const QString target = QString::fromStdString(
        orbisk::ShellTargetForCell(link, model_->data(at, Qt::DisplayRole).toString().toStdString()));
    if (!target.isEmpty() && link == orbisk::CellLink::Mail)
      add(tr("Send &e-mail"), "SendEmail", true, [this, target] { emit linkRequested(target); });
    else if (!target.isEmpty())
      add(tr("Open &web page"), "OpenWebPage", true, [this, target] { emit linkRequested(target); });
  }
  if (exportOffered_) {
    menu->addSeparator();
    add(tr("&Export..."), "Export", q->Active(), [this] { emit exportRequested(); });
  }
  return menu;
}

void TDBGrid::contextMenuEvent(QContextMenuEvent* e) {
  // A scroll area hears its viewport's context menu in viewport coordinates.
  std::unique_ptr<QMenu> menu = ContextMenuAt(e->pos());
  menu->exec(e->globalPos());
}

void TDBGrid::ForgetSort() {
  model_->forgetSort();
  showSortIndicator();
}

bool TDBGrid::eventFilter(QObject* watched, QEvent* event) {
  const auto type = event->type();
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick ||
      type == QEvent::MouseMove) {
    auto* e = static_cast<QMouseEvent*>(event);
    if (watched == horizontalHeader()->viewport() && type != QEvent::MouseMove && titleMouse(e)) return true;
    if (watched == verticalHeader()->viewport() && indicatorMouse(e)) return true;
  }
  return QTableView::eventFilter(watched, event);
}

bool TDBGrid::titleMouse(QMouseEvent* e) {
  QHeaderView* h = horizontalHeader();
  const int x = e->position().toPoint().x();
  const int column = h->logicalIndexAt(x);
  if (e->type() == QEvent::MouseButtonPress) {
    // Near a section's edge the press resizes the column, as the header does it.
    const int grip = h->style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, h);
    const int left = h->sectionViewportPosition(column), right = left + h->sectionSize(column);
    const bool onEdge = column < 0 || x - left < grip || right - x <= grip;
    if (e->button() != Qt::LeftButton || (onEdge && columnResizing())) {
      pressedTitle_ = -1;
      return false;
    }
    pressedTitle_ = column;
    return true;
  }
  if (e->type() == QEvent::MouseButtonDblClick) {
    // The second press of a double click: its first click already sorted.
    pressedTitle_ = -1;
    return e->button() == Qt::LeftButton;
  }
  // Release: a click when it ends on the title it started on.
  if (pressedTitle_ < 0) return false;
  const bool click = e->button() == Qt::LeftButton && column == pressedTitle_;
  pressedTitle_ = -1;
  if (click) SortByColumn(column);
  return true;
}

bool TDBGrid::indicatorMouse(QMouseEvent* e) {
  // A click on the indicator column selects that whole row (with Ctrl one more
  // row, with Shift every row from the last one clicked, dragging a run of
  // rows); the current cell stays where it is, so a double click there acts
  // on it as one on a cell does.
  // No press reaches the header itself, which would move the current cell.
  // Where a row is the selection (the category lists) a click selects nothing.
  const bool rowIsSelection = selectionBehavior() == QAbstractItemView::SelectRows;
  const int row = verticalHeader()->logicalIndexAt(e->position().toPoint().y());
  auto selectRows = [this](int from, int to, QItemSelectionModel::SelectionFlags how) {
    const int last = model_->columnCount() - 1;
    if (last < 0) return;
    const QItemSelection rows(model_->index(std::min(from, to), 0), model_->index(std::max(from, to), last));
    selectionModel()->select(rows, how | QItemSelectionModel::Rows);
  };
  switch (e->type()) {
    case QEvent::MouseButtonPress:
      if (e->button() != Qt::LeftButton || row < 0 || rowIsSelection) return true;
      if (e->modifiers() & Qt::ControlModifier) {
        selectRows(row, row, QItemSelectionModel::Toggle);
        rowAnchor_ = row;
      } else if ((e->modifiers() & Qt::ShiftModifier) && rowAnchor_ >= 0 && rowAnchor_ < model_->rowCount()) {
        selectRows(rowAnchor_, row, QItemSelectionModel::ClearAndSelect);
      } else {
        selectRows(row, row, QItemSelectionModel::ClearAndSelect);
        rowAnchor_ = row;
      }
      dragging_ = true;
      return true;
    case QEvent::MouseMove:
      if (!dragging_ || !(e->buttons() & Qt::LeftButton) || row < 0 || rowAnchor_ < 0) return false;
      if (!(e->modifiers() & Qt::ControlModifier)) selectRows(rowAnchor_, row, QItemSelectionModel::ClearAndSelect);
      return true;
    case QEvent::MouseButtonRelease:
      dragging_ = false;
      return true;
    case QEvent::MouseButtonDblClick:
      if (e->button() == Qt::LeftButton) emit gridDoubleClicked();
      return true;
    default: return false;
  }
}

void TDBGrid::showSortIndicator() {
  const int column = model_->sortColumn();
  horizontalHeader()->setSortIndicatorShown(column >= 0);
  if (column >= 0) horizontalHeader()->setSortIndicator(column, model_->sortOrder());
}

void TDBGrid::SortByColumn(int column) {
  if (!model_->query()->Active() || column < 0 || column >= model_->columnCount()) return;
  const bool again = column == model_->sortColumn() && model_->sortOrder() == Qt::AscendingOrder;
  model_->sort(column, again ? Qt::DescendingOrder : Qt::AscendingOrder);
  showSortIndicator();
}

void TDBGrid::keyPressEvent(QKeyEvent* e) {
  if (e == QKeySequence::Copy) {
    CopySelection(false);
    return;
  }
  Query* q = model_->query();
  // Down on the last row reaches the end of the data, as the cursor does.
  if (e->key() == Qt::Key_Down && q->Active() && q->RecordCount() > 0 && q->CurrentRow() == q->RecordCount() - 1) {
    q->Next();
    return;
  }
  QTableView::keyPressEvent(e);
}

void TDBGrid::mouseReleaseEvent(QMouseEvent* e) {
  QTableView::mouseReleaseEvent(e);
  QModelIndex idx = indexAt(e->position().toPoint());
  if (e->button() == Qt::LeftButton && idx.isValid()) emit dataCellClicked(idx.row(), idx.column());
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent* e) {
  // The double click acts on the current cell, wherever the second click landed.
  if (e->button() == Qt::LeftButton) emit gridDoubleClicked();
}

void TDBGrid::applySchemeColours() {
  // The selection in colours that read; without the focus the current cell
  // shows the plain window background.
  const SchemeColours& s = CurrentSchemeColours();
  QPalette p = QApplication::palette(this);
  p.setColor(QPalette::Active, QPalette::Highlight, s.selection.background);
  p.setColor(QPalette::Active, QPalette::HighlightedText, s.selection.text);
  p.setColor(QPalette::Inactive, QPalette::Highlight, s.current.background);
  p.setColor(QPalette::Inactive, QPalette::HighlightedText, s.current.text);
  setPalette(p);
}

void TDBGrid::changeEvent(QEvent* e) {
  // A new desktop scheme while the program runs: the grid takes its colours anew.
  if (e->type() == QEvent::ApplicationPaletteChange) applySchemeColours();
  QTableView::changeEvent(e);
}
