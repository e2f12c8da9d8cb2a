#include "search/dlgCat.h"

TComanyCat_Dlg* ComanyCat_Dlg = nullptr;

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include "ui/uiShell.h"
#include "ui/uiLocalText.h"
#include "ui/uiWindowKit.h"
#include "data/SqlLike.h"
#include "search/CategoryCondition.h"

namespace {

std::string CurrentText(const orbisk::Query& q, const char* field) {
  if (!q.Active() || q.IsEmpty()) return {};
  const orbisk::Field* f = q.FindField(field);
  return f ? f->AsString() : std::string();
}

}  // namespace

TComanyCat_Dlg::TComanyCat_Dlg(orbisk::TDM& dm, QWidget* parent) : QDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("ComanyCat_Dlg"));
  setWindowTitle(tr("Company Category "));
  setSizeGripEnabled(true);

  MainCat_Lab = new QLabel(tr("Main Categary"), this);
  MainCat_DBGrid = new TDBGrid(&dm_.MainCat_Q,
                               {{"RecNo", tr("RecNo"), Qt::AlignHCenter, orbisk::CellLink::None, {}, 5},
                                {"Cat_Name", tr("Categary Name"), Qt::AlignLeft, orbisk::CellLink::None, {}, 26}},
                               this);
  MainCat_DBGrid->setObjectName(QStringLiteral("MainCat_DBGrid"));
  MainCat_DBGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  MainCat_DBGrid->setColumnResizing(false);

  SubCat_Lab = new QLabel(tr("Sub Categaries"), this);
  // The designed "SectorName" column (a field the leaf query never returns) is left out.
  std::vector<GridColumn> sub = {{"RecNo", tr("RecNo"), Qt::AlignHCenter, orbisk::CellLink::None, {}, 5},
                                 {"SubCat_Text", tr("Sub Categary Name"), Qt::AlignLeft, orbisk::CellLink::None, {}, 46, true},
                                 {"SubCat_Level", tr("Sub Level"), Qt::AlignHCenter, orbisk::CellLink::None, {}, 6},
                                 {"MainCat_Text", tr("MainCat")}};
  for (int i = 1; i <= 6; ++i)
    sub.push_back({"Cat" + std::to_string(i) + "_Text", tr("Cat%1").arg(i)});
  SubCat_DBGrid = new TDBGrid(&dm_.LeafCat_Q, std::move(sub), this);
  SubCat_DBGrid->setObjectName(QStringLiteral("SubCat_DBGrid"));
  SubCat_DBGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
  SubCat_DBGrid->setColumnResizing(true);
  SubCatFilter_Edt = new QLineEdit(this);
  SubCatFilter_Edt->setObjectName(QStringLiteral("SubCatFilter_Edt"));
  SubCatFilter_Edt->setPlaceholderText(tr("Filter sub-categories"));
  SubCatFilter_Edt->setClearButtonEnabled(true);
  SubCatFilter_Edt->setToolTip(tr("Shows the sub-categories whose name holds this text"));
  connect(SubCatFilter_Edt, &QLineEdit::textChanged, this, [this] { SubCatFilter_EdtChange(); });
  // A new main category brings new rows: the filter applies to them too.
  connect(SubCat_DBGrid->model(), &QAbstractItemModel::modelReset, this, [this] { SubCatFilter_EdtChange(); });

  OK_Btn = new QPushButton(tr("&OK"), this);
  OK_Btn->setObjectName(QStringLiteral("OK_Btn"));
  OK_Btn->setDefault(true);
  Cancel_Btn = new QPushButton(tr("Cancel"), this);
  Cancel_Btn->setObjectName(QStringLiteral("Cancel_Btn"));
  connect(OK_Btn, &QPushButton::clicked, this, &QDialog::accept);
  connect(Cancel_Btn, &QPushButton::clicked, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  grid->addWidget(MainCat_Lab, 0, 0);
  auto* subHead = new QHBoxLayout;
  subHead->addWidget(SubCat_Lab);
  subHead->addWidget(SubCatFilter_Edt, 1);
  grid->addLayout(subHead, 0, 1);
  grid->addWidget(MainCat_DBGrid, 1, 0);
  grid->addWidget(SubCat_DBGrid, 1, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(1, 1);
  Selection_Lab = new QLabel(this);
  Selection_Lab->setObjectName(QStringLiteral("Selection_Lab"));
  Selection_Lab->setTextFormat(Qt::PlainText);
  ShowSelection();
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Selection_Lab, 1);
  buttons->addWidget(OK_Btn);
  buttons->addWidget(Cancel_Btn);
  grid->addLayout(buttons, 2, 0, 1, 2);
  // The main list keeps its width; the leaf list takes what the dialog gains.
  int mainWidth = MainCat_DBGrid->verticalHeader()->width() + 2 * MainCat_DBGrid->frameWidth() +
                  MainCat_DBGrid->verticalScrollBar()->sizeHint().width() + 2;
  for (int c = 0; c < MainCat_DBGrid->model()->columnCount(); ++c) mainWidth += MainCat_DBGrid->columnWidth(c);
  MainCat_DBGrid->setFixedWidth(mainWidth);

  connect(MainCat_DBGrid, &TDBGrid::dataCellClicked, this, [this] { MainCat_DBGridCellClick(); });
  connect(SubCat_DBGrid, &TDBGrid::dataCellClicked, this, [this] { SubCat_DBGridCellClick(); });
  connect(MainCat_DBGrid, &TDBGrid::gridDoubleClicked, this, [this] { MainCat_DBGridDblClick(); });
  connect(SubCat_DBGrid, &TDBGrid::gridDoubleClicked, this, [this] { SubCat_DBGridDblClick(); });

  MainCat_DBGrid->setAccessibleName(tr("Main Categary"));
  SubCat_DBGrid->setAccessibleName(tr("Sub Categaries"));
  SubCatFilter_Edt->setAccessibleName(tr("Sub-category filter"));

  // The keyboard chooses too: Space and Enter in the lists, Enter in the filter.
  for (QObject* o : {static_cast<QObject*>(MainCat_DBGrid), static_cast<QObject*>(SubCat_DBGrid),
                     static_cast<QObject*>(SubCatFilter_Edt)})
    o->installEventFilter(this);

  resize(900, 480);
  CentreOnScreen(this);
}

bool TComanyCat_Dlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
  const bool space = key->key() == Qt::Key_Space;
  if ((!enter && !space) || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
    return QDialog::eventFilter(watched, event);
  if (watched == SubCatFilter_Edt) {
    if (!enter) return QDialog::eventFilter(watched, event);
    // Enter in the filter goes on to the list it filters, on its first row shown.
    SubCat_DBGrid->setFocus(Qt::TabFocusReason);
    const QModelIndex current = SubCat_DBGrid->currentIndex();
    if (!current.isValid() || SubCat_DBGrid->isRowHidden(current.row())) {
      for (int r = 0; r < SubCat_DBGrid->model()->rowCount(); ++r)
        if (!SubCat_DBGrid->isRowHidden(r)) {
          SubCat_DBGrid->setCurrentIndex(SubCat_DBGrid->model()->index(r, 1));
          break;
        }
    }
    return true;
  }
  if (watched == MainCat_DBGrid || watched == SubCat_DBGrid)
    return ListKey(static_cast<TDBGrid*>(watched), key->key());
  return QDialog::eventFilter(watched, event);
}

bool TComanyCat_Dlg::HighlightedIsSelected(TDBGrid* list) const {
  if (list == MainCat_DBGrid)
    return !SelCondition.empty() &&
           SelCondition == orbisk::MainCategorySelection(CurrentText(dm_.MainCat_Q, "Cat_Code"));
  return !SelCondition.empty() &&
         SelCondition == orbisk::SubCategorySelection(CurrentText(dm_.LeafCat_Q, "SubCat_Code"));
}

bool TComanyCat_Dlg::ListKey(TDBGrid* list, int key) {
  const orbisk::Query* q = list->query();
  const QModelIndex current = list->currentIndex();
  if (!q->Active() || q->IsEmpty() || !current.isValid() || list->isRowHidden(current.row())) {
    // No row to choose: Enter still answers as the default button would.
    if (key != Qt::Key_Space) OK_Btn->click();
    return true;
  }
  if (key != Qt::Key_Space && HighlightedIsSelected(list)) {
    OK_Btn->click();
    return true;
  }
  // The same work as a click on the row's cell.
  if (list == MainCat_DBGrid) MainCat_DBGridCellClick();
  else SubCat_DBGridCellClick();
  return true;
}

void TComanyCat_Dlg::showEvent(QShowEvent* e) {
  ShowSelection();
  QDialog::showEvent(e);
}

void TComanyCat_Dlg::ShowSelection() {
  const QString text = QString::fromStdString(SelText);
  Selection_Lab->setText(tr("Selected: ") + (text.isEmpty() ? tr("(none)") : text));
  Selection_Lab->setToolTip(PlainToolTip(text));
}

void TComanyCat_Dlg::UpdateSelection() {
  // The list the user clicked last holds the focus within the dialog.
  QWidget* focused = focusWidget();
  const orbisk::Query& main = dm_.MainCat_Q;
  const orbisk::Query& leaf = dm_.LeafCat_Q;
  if (focused == MainCat_DBGrid) {
    if (!main.Active() || main.IsEmpty()) return;
    SelCondition = orbisk::MainCategorySelection(CurrentText(main, "Cat_Code"));
    SelText = CurrentText(main, "Cat_Name");
  } else if (focused == SubCat_DBGrid) {
    if (!leaf.Active() || leaf.IsEmpty()) return;
    SelCondition = orbisk::SubCategorySelection(CurrentText(leaf, "SubCat_Code"));
    SelText = orbisk::SubCategoryText(CurrentText(main, "Cat_Name"), CurrentText(leaf, "SubCat_Text"));
  }
  ShowSelection();
}

void TComanyCat_Dlg::MainCat_DBGridCellClick() {
  try {
    dm_.OpenLeafCategories(CurrentText(dm_.MainCat_Q, "Cat_Code"));
  } catch (const std::exception& e) {
    ShowMessage(this, LocalText(e));
    return;
  }
  UpdateSelection();
}

void TComanyCat_Dlg::SubCat_DBGridCellClick() { UpdateSelection(); }

void TComanyCat_Dlg::SubCatFilter_EdtChange() {
  const orbisk::Query& leaf = dm_.LeafCat_Q;
  const orbisk::Field* name = leaf.Active() ? leaf.FindField("SubCat_Text") : nullptr;
  const orbisk::LikePattern pattern("%" + SubCatFilter_Edt->text().toStdString() + "%", filterFold_);
  const int rows = SubCat_DBGrid->model()->rowCount();
  for (int r = 0; r < rows; ++r)
    SubCat_DBGrid->setRowHidden(r, name && !pattern.Matches(name->TextAt(r)));
}

void TComanyCat_Dlg::SetFilterFold(orbisk::LikeFold fold) {
  if (fold == filterFold_) return;
  filterFold_ = fold;
  SubCatFilter_EdtChange();
}

bool RunCategoryPicker(TComanyCat_Dlg& dlg, orbisk::TDM& dm, CategoryTarget& target) {
  if (!dm.MainCat_Q.Active()) dm.MainCat_Q.Open();
  if (!dm.LeafCat_Q.Active()) dm.LeafCat_Q.Open();
  if (ExecModal(dlg) != QDialog::Accepted) return false;
  const QString text = QString::fromStdString(dlg.SelText);
  target.text = text;
  target.hint = text;
  if (!text.isEmpty()) {
    target.condition = QString::fromStdString(orbisk::CategoryConditionText(dlg.SelCondition));
    target.ticked = true;
  }
  return true;
}
