#include "ui/uiDBGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <set>

#include "browse/GridText.h"
#include "ui/uiWindowKit.h"
#include "ui/uiSchemeColours.h"
#include "data/QuerySort.h"
#include <QStyle>
#include <QStyledItemDelegate>
#include <numeric>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>

using orbisk::Query;
using orbisk::QueryEvent;

TQueryModel::TQueryModel(Query* query, std::vector<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), query_(query), columns_(std::move(columns)) {
  setFont(QApplication::font());
  bindFields();
  observer_ = query_->AddObserver([this](Query&, QueryEvent e) {
    if (e == QueryEvent::Scrolled) {
      emit cursorMoved(query_->CurrentRow());
      return;
    }
    beginResetModel();
    bindFields();
    endResetModel();
    if (e == QueryEvent::Opened || e == QueryEvent::Closed) emit rowsReplaced();
    if (e != QueryEvent::Closed) emit cursorMoved(query_->CurrentRow());
  });
}

TQueryModel::~TQueryModel() { query_->RemoveObserver(observer_); }

void TQueryModel::setFont(const QFont& f) {
  font_ = f;
  linkFont_ = f;
  linkFont_.setUnderline(true);
}

void TQueryModel::bindFields() {
  fields_.assign(columns_.size(), nullptr);
  if (!query_->Active()) return;
  for (size_t i = 0; i < columns_.size(); ++i) fields_[i] = query_->FindField(columns_[i].field);
}

int TQueryModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !query_->Active() ? 0 : query_->RecordCount();
}

int TQueryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant TQueryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !query_->Active()) return {};
  const GridColumn& col = columns_[index.column()];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
      const orbisk::Field* f = fields_[index.column()];
      if (!f) return {};
      // Stored texts go straight from the fetched rows into the cell's text.
      const orbisk::ValueView v = f->ViewAt(index.row());
      QString text;
      if (v.kind() == orbisk::ValueKind::Text && f->ShowsTextAsStored())
        text = QString::fromUtf8(v.Bytes().data(), static_cast<qsizetype>(v.Bytes().size()));
      else
        text = QString::fromStdString(f->TextOf(v));
      if (role == Qt::ToolTipRole) {
        if (text.isEmpty() || (text.size() < 40 && !col.fullTextTip)) return {};
        return PlainToolTip(text);
      }
      return text;
    }
    case Qt::TextAlignmentRole: return QVariant::fromValue(col.alignment | Qt::AlignVCenter);
    case Qt::FontRole: return col.link ? linkFont_ : font_;
    case Qt::ForegroundRole: {
      const TextColours* row = RowColours(index.row());
      if (col.link) {
        // The column's designed blue where it reads on the row, else the scheme's link colour.
        const QColor background = row ? row->background : CurrentSchemeColours().current.background;
        if (ContrastRatio(col.linkColor, background) >= kLeastContrast) return QBrush(col.linkColor);
        return QBrush(row ? row->link : CurrentSchemeColours().current.link);
      }
      if (row) return QBrush(row->text);
      return {};
    }
    case Qt::BackgroundRole:
      if (const TextColours* row = RowColours(index.row())) return QBrush(row->background);
      return {};
    default: return {};
  }
}

const TextColours* TQueryModel::RowColours(int row) const {
  const SchemeColours& s = CurrentSchemeColours();
  // Odd row numbers (1, 3, 5 ...) white, even ones in the info background.
  if (striped_) return (row + 1) % 2 == 0 ? &s.evenRow : &s.oddRow;
  if (background_) return &s.info;
  return nullptr;
}

QVariant TQueryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Vertical) {
    if (role == Qt::DisplayRole) return section == query_->CurrentRow() ? QStringLiteral("\u25B6") : QString();
    return {};
  }
  if (section < 0 || section >= static_cast<int>(columns_.size())) return {};
  const GridColumn& col = columns_[section];
  if (role == Qt::DisplayRole)
    return col.title.isEmpty() ? QString::fromStdString(col.field) : col.title;
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
  if (role == Qt::FontRole) return font_;
  return {};
}

// ---------------------------------------------------------------------------

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
  // The indicator column marks the current row; clicking it moves nothing,
  // and a double click there acts on the current cell as one on a cell does.
  disconnect(verticalHeader(), SIGNAL(sectionPressed(int)), this, SLOT(selectRow(int)));
  disconnect(verticalHeader(), SIGNAL(sectionEntered(int)), this, SLOT(_q_selectRow(int)));
  connect(verticalHeader(), &QHeaderView::sectionDoubleClicked, this, [this] { emit gridDoubleClicked(); });
  connect(model_, &TQueryModel::cursorMoved, this, &TDBGrid::followCursor);
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { fitColumns(); });
  connect(model_, &TQueryModel::rowsReplaced, this, &TDBGrid::ForgetSort);
  // Title clicks are taken here, before the header would select the column
  // (and move the current row to the top of the view).
  horizontalHeader()->viewport()->installEventFilter(this);
  fitColumns();
}

std::string TDBGrid::SelectedField() const {
  int c = currentIndex().isValid() ? currentIndex().column() : selectedColumn_;
  if (c < 0 || c >= model_->columnCount()) return {};
  return model_->column(c).field;
}

void TDBGrid::setColumnResizing(bool on) {
  resizing_ = on;
  horizontalHeader()->setSectionResizeMode(on ? QHeaderView::Interactive : QHeaderView::Fixed);
}

void TDBGrid::fitColumns() {
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
    setColumnWidth(c, w);
  }
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
  if (at.isValid() && model_->column(at.column()).link) {
    const std::string& field = model_->column(at.column()).field;
    const QString text = model_->data(at, Qt::DisplayRole).toString();
    if (field == "Email" && !text.isEmpty())
      add(tr("Send &e-mail"), "SendEmail", true,
          [this, text] { emit linkRequested(QStringLiteral("mailto:") + text); });
    else if (field == "Website_URL" && !text.isEmpty())
      add(tr("Open &web page"), "OpenWebPage", true, [this, text] { emit linkRequested(text); });
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
  sortColumn_ = -1;
  descending_ = false;
  searchRank_.clear();
  showSortIndicator();
}

bool TDBGrid::eventFilter(QObject* watched, QEvent* event) {
  QHeaderView* h = horizontalHeader();
  if (watched != h->viewport()) return QTableView::eventFilter(watched, event);
  const auto type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
    return QTableView::eventFilter(watched, event);
  auto* e = static_cast<QMouseEvent*>(event);
  const int x = e->position().toPoint().x();
  const int column = h->logicalIndexAt(x);
  if (type == QEvent::MouseButtonPress) {
    // Near a section's edge the press resizes the column, as the header does it.
    const int grip = h->style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, h);
    const int left = h->sectionViewportPosition(column), right = left + h->sectionSize(column);
    const bool onEdge = column < 0 || x - left < grip || right - x <= grip;
    if (e->button() != Qt::LeftButton || (onEdge && columnResizing())) {
      pressedTitle_ = -1;
      return QTableView::eventFilter(watched, event);
    }
    pressedTitle_ = column;
    return true;
  }
  if (type == QEvent::MouseButtonDblClick) {
    // The second press of a double click: its first click already sorted.
    pressedTitle_ = -1;
    return e->button() == Qt::LeftButton || QTableView::eventFilter(watched, event);
  }
  // Release: a click when it ends on the title it started on.
  if (pressedTitle_ < 0) return QTableView::eventFilter(watched, event);
  const bool click = e->button() == Qt::LeftButton && column == pressedTitle_;
  pressedTitle_ = -1;
  if (click) titleClicked(column);
  return true;
}

void TDBGrid::titleClicked(int column) { SortByColumn(column); }

void TDBGrid::showSortIndicator() {
  horizontalHeader()->setSortIndicatorShown(sortColumn_ >= 0);
  if (sortColumn_ >= 0)
    horizontalHeader()->setSortIndicator(sortColumn_, descending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TDBGrid::SortByColumn(int column) {
  Query* q = model_->query();
  if (!q->Active() || column < 0 || column >= model_->columnCount()) return;
  const int n = q->RecordCount();
  if (static_cast<int>(searchRank_.size()) != n) {
    searchRank_.resize(static_cast<size_t>(n));
    std::iota(searchRank_.begin(), searchRank_.end(), 0);
  }
  const orbisk::Field* field = q->FindField(model_->column(column).field);
  std::vector<int> order;
  if (model_->column(column).field == "RecNo" || !field) {
    // Back to the search's own order: the row ranked i goes to place i.
    order.assign(static_cast<size_t>(n), 0);
    for (int r = 0; r < n; ++r) order[static_cast<size_t>(searchRank_[r])] = r;
    sortColumn_ = -1;
    descending_ = false;
  } else {
    descending_ = column == sortColumn_ ? !descending_ : false;
    sortColumn_ = column;
    order = orbisk::SortedRowOrder(*q, *field, descending_, searchRank_);
  }
  std::vector<int> rank(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) rank[static_cast<size_t>(i)] = searchRank_[static_cast<size_t>(order[i])];
  q->ReorderRows(order);  // the current record stays current
  searchRank_ = std::move(rank);
  showSortIndicator();
  if (currentIndex().isValid()) scrollTo(currentIndex());
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
