#include "ui/uiQueryModel.h"

#include <QApplication>
#include <QBrush>
#include <numeric>

#include "data/QuerySort.h"
#include "ui/uiWindowKit.h"

using orbisk::Query;
using orbisk::QueryEvent;

TQueryModel::TQueryModel(Query* query, std::vector<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), query_(query), columns_(std::move(columns)) {
  setFont(QApplication::font());
  bindFields();
  shownRow_ = query_->CurrentRow();
  observer_ = query_->AddObserver([this](Query&, QueryEvent e) { heard(e); });
}

TQueryModel::~TQueryModel() { query_->RemoveObserver(observer_); }

void TQueryModel::heard(QueryEvent e) {
  switch (e) {
    case QueryEvent::Opened:
    case QueryEvent::Closed: replaceRows(); return;
    case QueryEvent::Reordering:
      // Views put what they hold (selection, current cell) into persistent
      // indexes here; they are moved with their rows once the order is known.
      emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
      moving_ = persistentIndexList();
      return;
    case QueryEvent::Reordered: rowsReordered(); return;
    case QueryEvent::WalkBegan: walking_ = true; return;
    case QueryEvent::WalkEnded: walking_ = false; break;
    case QueryEvent::Scrolled:
      if (walking_) return;
      break;
  }
  // The cursor moved, or came back from a walk (usually to where it was).
  const int row = query_->CurrentRow();
  if (row != shownRow_) {
    const int before = shownRow_;
    shownRow_ = row;
    if (before >= 0 && before < rowCount()) emit headerDataChanged(Qt::Vertical, before, before);
    if (row >= 0) emit headerDataChanged(Qt::Vertical, row, row);
  }
  emit cursorMoved(row);
}

void TQueryModel::replaceRows() {
  beginResetModel();
  bindFields();
  shownRow_ = query_->CurrentRow();
  walking_ = query_->ControlsDisabled();
  forgetSort();
  moving_.clear();
  endResetModel();
  emit rowsReplaced();
  if (query_->Active()) emit cursorMoved(query_->CurrentRow());
}

void TQueryModel::rowsReordered() {
  const std::vector<int>& order = query_->LastOrder();
  std::vector<int> placeOf(order.size());
  for (size_t i = 0; i < order.size(); ++i) placeOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
  QModelIndexList to;
  to.reserve(moving_.size());
  for (const QModelIndex& i : moving_) {
    const size_t row = static_cast<size_t>(i.row());
    to.append(row < placeOf.size() ? index(placeOf[row], i.column()) : QModelIndex());
  }
  changePersistentIndexList(moving_, to);
  moving_.clear();
  // Each row keeps its place in the search's own order.
  if (searchRank_.size() == order.size()) {
    std::vector<int> rank(order.size());
    for (size_t i = 0; i < order.size(); ++i) rank[i] = searchRank_[static_cast<size_t>(order[i])];
    searchRank_ = std::move(rank);
  } else {
    searchRank_ = order;  // the rows were in the search's order until now
  }
  // The RecNo column numbers the new positions; the indicator follows its record.
  shownRow_ = query_->CurrentRow();
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  emit cursorMoved(shownRow_);
}

void TQueryModel::sort(int column, Qt::SortOrder order) {
  if (!query_->Active() || column >= columnCount()) return;
  const int n = query_->RecordCount();
  if (static_cast<int>(searchRank_.size()) != n) {
    searchRank_.resize(static_cast<size_t>(n));
    std::iota(searchRank_.begin(), searchRank_.end(), 0);
  }
  const orbisk::Field* field = column < 0 ? nullptr : query_->FindField(columns_[static_cast<size_t>(column)].field);
  std::vector<int> rows;
  if (!field || columns_[static_cast<size_t>(column)].field == "RecNo") {
    // Back to the search's own order: the row ranked i goes to place i.
    rows.assign(static_cast<size_t>(n), 0);
    for (int r = 0; r < n; ++r) rows[static_cast<size_t>(searchRank_[static_cast<size_t>(r)])] = r;
    sortColumn_ = -1;
    sortOrder_ = Qt::AscendingOrder;
  } else {
    rows = orbisk::SortedRowOrder(*query_, *field, order == Qt::DescendingOrder, searchRank_);
    sortColumn_ = column;
    sortOrder_ = order;
  }
  query_->ReorderRows(rows);  // the current record stays current
}

void TQueryModel::forgetSort() {
  sortColumn_ = -1;
  sortOrder_ = Qt::AscendingOrder;
  searchRank_.clear();
}

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
  if (!index.isValid() || !query_->Active() || index.row() >= query_->RecordCount()) return {};
  const GridColumn& col = columns_[static_cast<size_t>(index.column())];
  const bool link = col.link != orbisk::CellLink::None;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
      const orbisk::Field* f = fields_[static_cast<size_t>(index.column())];
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
    case Qt::FontRole: return link ? linkFont_ : font_;
    case Qt::ForegroundRole: {
      const TextColours* row = RowColours(index.row());
      if (link) {
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
    if (role == Qt::DisplayRole) return section == shownRow_ ? QStringLiteral("\u25B6") : QString();
    return {};
  }
  if (section < 0 || section >= static_cast<int>(columns_.size())) return {};
  const GridColumn& col = columns_[static_cast<size_t>(section)];
  if (role == Qt::DisplayRole) return col.title.isEmpty() ? QString::fromStdString(col.field) : col.title;
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignHCenter | Qt::AlignVCenter);
  if (role == Qt::FontRole) return font_;
  return {};
}
