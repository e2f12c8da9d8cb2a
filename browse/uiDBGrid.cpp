#include "browse/uiDBGrid.h"

#include <QApplication>
#include <QHeaderView>
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
      QString text = QString::fromStdString(f->TextAt(index.row()));
      if (role == Qt::ToolTipRole && (text.isEmpty() || (text.size() < 40 && !col.fullTextTip))) return {};
      return text;
    }
    case Qt::TextAlignmentRole: return QVariant::fromValue(col.alignment | Qt::AlignVCenter);
    case Qt::FontRole: return col.link ? linkFont_ : font_;
    case Qt::ForegroundRole:
      if (col.link) return QBrush(col.linkColor);
      return {};
    case Qt::BackgroundRole:
      if (striped_) {
        int recNo = index.row() + 1;
        return recNo % 2 == 0 ? QApplication::palette().brush(QPalette::ToolTipBase) : QBrush(Qt::white);
      }
      if (background_.isValid()) return QBrush(background_);
      return {};
    default: return {};
  }
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

TDBGrid::TDBGrid(Query* query, std::vector<GridColumn> columns, QWidget* parent)
    : QTableView(parent), model_(new TQueryModel(query, std::move(columns), this)) {
  setModel(model_);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
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
  // Without the focus the current cell shows the plain window background.
  QPalette p = palette();
  p.setBrush(QPalette::Inactive, QPalette::Highlight, p.brush(QPalette::Active, QPalette::Base));
  p.setBrush(QPalette::Inactive, QPalette::HighlightedText, p.brush(QPalette::Active, QPalette::Text));
  setPalette(p);
  // The indicator column marks the current row; clicking it moves nothing,
  // and a double click there acts on the current cell as one on a cell does.
  disconnect(verticalHeader(), SIGNAL(sectionPressed(int)), this, SLOT(selectRow(int)));
  disconnect(verticalHeader(), SIGNAL(sectionEntered(int)), this, SLOT(_q_selectRow(int)));
  connect(verticalHeader(), &QHeaderView::sectionDoubleClicked, this, [this] { emit gridDoubleClicked(); });
  connect(model_, &TQueryModel::cursorMoved, this, &TDBGrid::followCursor);
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { fitColumns(); });
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

void TDBGrid::keyPressEvent(QKeyEvent* e) {
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
