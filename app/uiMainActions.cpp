// The main window's work: binding the grids, the two searches, the status
// texts and the grids' clicks.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLayout>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTabWidget>
#include <stdexcept>

#include "app/frmMain.h"
#include "ui/uiShell.h"
#include "browse/ResultColumns.h"
#include "browse/ShellTarget.h"
#include "ui/uiDBGrid.h"
#include "ui/uiLocalText.h"
#include "about/HelpAbout.h"
#include "browse/dlgCompany.h"
#include "browse/dlgContact.h"
#include "data/uDM.h"
#include "search/dlgCat.h"
#include "search/frmMap.h"

using orbisk::Query;

namespace {

std::vector<GridColumn> GridColumns(const std::vector<orbisk::ResultColumn>& columns) {
  std::vector<GridColumn> out;
  for (const orbisk::ResultColumn& c : columns) {
    GridColumn g;
    g.field = c.field;
    g.title = LocalText("ResultColumns", c.title);
    g.alignment = c.centred ? Qt::AlignHCenter : Qt::AlignLeft;
    g.link = c.link;
    g.linkColor = QColor(51, 51, 255);
    g.widthChars = c.widthChars;
    out.push_back(std::move(g));
  }
  return out;
}

QString FieldText(const Query& q, const char* name) {
  const orbisk::Field* f = q.FindField(name);
  return f ? QString::fromStdString(f->AsString()) : QString();
}

// What the current cell of a grid opens: empty when it is no link or holds nothing.
QString CellTarget(const Query& q, const TDBGrid& grid) {
  const std::string field = grid.SelectedField();
  return QString::fromStdString(orbisk::ShellTargetForCell(grid.SelectedLink(), FieldText(q, field.c_str()).toStdString()));
}

// Everything a search suspends, undone in reverse order on every path.
class SearchSuspension {
 public:
  SearchSuspension(Query& q, TDBGrid* grid, bool controlsFirst) : q_(q), grid_(grid) {
    if (controlsFirst) q_.DisableControls();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!controlsFirst) q_.DisableControls();
    grid_->setColumnResizing(false);
  }
  ~SearchSuspension() {
    grid_->setColumnResizing(true);
    q_.EnableControls();
    QApplication::restoreOverrideCursor();
  }
  SearchSuspension(const SearchSuspension&) = delete;
  SearchSuspension& operator=(const SearchSuspension&) = delete;

 private:
  Query& q_;
  TDBGrid* grid_;
};

}  // namespace

void TMain_Frm::BindDataModule(orbisk::TDM* dm) {
  if (dm_) throw std::logic_error("The data module is already bound.");
  dm_ = dm;
  dm_->ShowCurrentRecord = [this](Query& q) { ShowCurrentRecord(q); };
  StatusBar->setToolTip(PlainToolTip(tr("Directory: ") + QString::fromStdString(dm_->ADOConnection.DataSource())));
  dm_->ADOConnection.SetProgress(
      [this](const orbisk::ProgressStep& step) { return ShowLoadProgress(step.done, step.total); });
  dm_->ADOConnection.SetStatementProgress([this](double seconds) { return ShowSearchProgress(seconds); });

  Company_DBGrid = new TDBGrid(&dm_->Company_Q, GridColumns(orbisk::CompanyResultColumns()), CompanyList_TS);
  Company_DBGrid->setObjectName(QStringLiteral("Company_DBGrid"));
  Company_DBGrid->setAccessibleName(tr("Company List"));
  CompanyList_TS->layout()->addWidget(Company_DBGrid);
  Contact_DBGrid = new TDBGrid(&dm_->Contact_Q, GridColumns(orbisk::ContactResultColumns()), Contact_Pnl);
  Contact_DBGrid->setObjectName(QStringLiteral("Contact_DBGrid"));
  Contact_DBGrid->setAccessibleName(tr("Contact List"));
  Contact_Pnl->layout()->addWidget(Contact_DBGrid);
  Contact_DBGrid->setColumnResizing(false);  // until its first search
  for (TDBGrid* grid : {Company_DBGrid, Contact_DBGrid}) {
    grid->queryModel()->setStriped(true);
    // Rows as low as the text allows with a little air: more of them show on a laptop screen.
    grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(font()).height() + 4);
    grid->queryModel()->setFont(font());
  }
  connect(Company_DBGrid, &TDBGrid::dataCellClicked, this,
          [this] { RunGuarded(this, [this] { Company_DBGridCellClick(); }); });
  connect(Contact_DBGrid, &TDBGrid::dataCellClicked, this,
          [this] { RunGuarded(this, [this] { Contact_DBGridCellClick(); }); });
  connect(Company_DBGrid, &TDBGrid::gridDoubleClicked, this,
          [this] { RunGuarded(this, [this] { Company_DBGridDblClick(); }); });
  connect(Contact_DBGrid, &TDBGrid::gridDoubleClicked, this,
          [this] { RunGuarded(this, [this] { Contact_DBGridDblClick(); }); });
  Company_DBGrid->setDetailsCaption(tr("Company &details"));
  Contact_DBGrid->setDetailsCaption(tr("C&ontact"));
  connect(Company_DBGrid, &TDBGrid::detailsRequested, this, &TMain_Frm::OpenCompanyDetails);
  connect(Contact_DBGrid, &TDBGrid::detailsRequested, this, &TMain_Frm::OpenContactWindow);
  for (TDBGrid* grid : {Company_DBGrid, Contact_DBGrid}) {
    connect(grid, &TDBGrid::linkRequested, this, [](const QString& target) { ShellOpen(target); });
    connect(grid, &TDBGrid::exportRequested, Export_A, &QAction::trigger);
  }
  setTabOrder(Result_PC, Company_DBGrid);
}

void TMain_Frm::QueryCompany_AExecute() {
  RunSearch(dm_->Company_Q, Company_DBGrid, CompanyList_TS, false);
}

void TMain_Frm::QueryContact_AExecute() {
  RunSearch(dm_->Contact_Q, Contact_DBGrid, ContactList_TS, true);
}

void TMain_Frm::RunSearch(Query& q, TDBGrid* grid, QWidget* page, bool contact) {
  if (!dm_) throw std::logic_error("The data module is not ready.");
  const orbisk::SearchPanel panel = QueryCondition_Grp->CurrentPanel();
  // A row that cannot be compared stops the search before any statement runs.
  // As with a search the engine refuses, that page's list goes: its rows
  // belong to conditions no longer on the panel.
  const std::string problem = orbisk::ValidatePanel(panel);
  if (!problem.empty()) {
    {
      SearchSuspension suspended(q, grid, contact);
      q.Close();
    }
    ShowMessage(this, LocalText(orbisk::kMessageContext, problem));
    return;
  }
  {
    SearchSuspension suspended(q, grid, contact);
    // Loaded before the query closes: a load the user cancels leaves the grid as it was.
    LoadDirectory();
    q.Close();
    grid->ForgetSort();  // a new search comes in its own Order By
    q.SetSQL(contact ? orbisk::BuildContactSQL(panel) : orbisk::BuildCompanySQL(panel));
    q.SetLikeFold(orbisk::LikeFoldOf(panel));
    struct Searching {
      TMain_Frm* w;
      explicit Searching(TMain_Frm* frm) : w(frm) { w->searching_ = true; }
      ~Searching() {
        w->searching_ = false;
        delete w->loadProgress_;
        w->loadProgress_ = nullptr;
      }
    } searching(this);
    q.Open();
    ShowRecordCount(q);
    Result_PC->setCurrentWidget(page);
  }
  ExportExcel_A->setEnabled(true);
}

void TMain_Frm::LoadDirectory() {
  // The progress dialog goes when the load ends, however it ends.
  struct CloseProgress {
    TMain_Frm* w;
    ~CloseProgress() {
      delete w->loadProgress_;
      w->loadProgress_ = nullptr;
    }
  } close{this};
  dm_->ADOConnection.EnsureOpen();
}

bool TMain_Frm::ShowLoadProgress(long long done, long long total) {
  // A large Access directory takes a while to load at the first search.
  if (!loadProgress_) {
    if (done >= total) return true;
    loadProgress_ = new QProgressDialog(tr("Loading the directory..."), tr("Cancel"), 0, 1000,
                                        this);
    loadProgress_->setObjectName(QStringLiteral("LoadProgress_Dlg"));
    loadProgress_->setWindowTitle(QApplication::applicationName());
    loadProgress_->setWindowModality(Qt::ApplicationModal);
    loadProgress_->setMinimumDuration(ProgressShowDelay(500));
    loadProgress_->setAutoClose(false);
  }
  if (!loadProgress_->wasCanceled()) {
    const int value = total > 0 ? static_cast<int>(std::min<long long>(1000, done * 1000 / total)) : 0;
    loadProgress_->setValue(value);
  }
  return !loadProgress_->wasCanceled();  // false stops the load
}

bool TMain_Frm::ShowSearchProgress(double seconds) {
  if (!searching_ || seconds * 1000 < ProgressShowDelay(1000)) return true;
  if (!loadProgress_) {
    loadProgress_ = new QProgressDialog(tr("Searching the directory..."), tr("Cancel"), 0, 0, this);
    loadProgress_->setObjectName(QStringLiteral("LoadProgress_Dlg"));
    loadProgress_->setWindowTitle(QApplication::applicationName());
    loadProgress_->setWindowModality(Qt::ApplicationModal);
    loadProgress_->setMinimumDuration(0);
    loadProgress_->setAutoClose(false);
    loadProgress_->show();
  }
  // The dialog is modal: only its Cancel takes input while the statement runs.
  QCoreApplication::processEvents();
  return !loadProgress_->wasCanceled();  // false stops the statement
}

void TMain_Frm::SetStatusText(const QString& text) {
  if (text == StatusText_Lab->text()) return;
  StatusText_Lab->setText(text);
  // A screen reader hears the new text: the label's name is its text.
  if (QAccessible::isActive()) {
    QAccessibleEvent changed(StatusText_Lab, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    QAccessibleValueChangeEvent value(StatusText_Lab, text);
    QAccessible::updateAccessibility(&value);
  }
}
QString TMain_Frm::StatusText() const { return StatusText_Lab->text(); }

void TMain_Frm::ShowCurrentRecord(Query& q) {
  if (!q.Active() || q.IsEmpty()) return;
  SetStatusText(tr("Current Record: ") + QString::number(q.RecNo()) + QLatin1Char('/') +
                QString::number(q.RecordCount()) + QStringLiteral("  ") + FieldText(q, "Company_Name") +
                QStringLiteral(" @ ") + FieldText(q, "Location_Address"));
}

void TMain_Frm::ShowRecordCount(Query& q) {
  if (!q.Active()) return;
  SetStatusText(tr("Records Count: ") + QString::number(q.RecordCount()));
}

void TMain_Frm::Company_DBGridCellClick() { ShowCurrentRecord(dm_->Company_Q); }
void TMain_Frm::Contact_DBGridCellClick() { ShowCurrentRecord(dm_->Contact_Q); }

void TMain_Frm::Company_DBGridDblClick() {
  Query& q = dm_->Company_Q;
  if (!q.Active() || q.Eof()) return;
  const QString target = CellTarget(q, *Company_DBGrid);
  if (!target.isEmpty()) {
    ShellOpen(target);
    return;
  }
  OpenCompanyDetails();
}

void TMain_Frm::Contact_DBGridDblClick() {
  Query& q = dm_->Contact_Q;
  if (!q.Active() || q.Eof()) return;
  // A link cell opens its link or, when empty, nothing.
  if (Contact_DBGrid->SelectedLink() != orbisk::CellLink::None) {
    const QString target = CellTarget(q, *Contact_DBGrid);
    if (!target.isEmpty()) ShellOpen(target);
    return;
  }
  OpenContactWindow();
}

// --- The other windows.

void TMain_Frm::SelectCat_AExecute() {
  RunGuarded(this, [this] {
    if (!ComanyCat_Dlg || !dm_) return;
    LoadDirectory();
    CategoryTarget target = QueryCondition_Grp->Category();
    ComanyCat_Dlg->SetFilterFold(orbisk::LikeFoldOf(QueryCondition_Grp->CurrentPanel()));
    if (!RunCategoryPicker(*ComanyCat_Dlg, *dm_, target)) return;
    QueryCondition_Grp->SetCategory(target);
  });
}

void TMain_Frm::ShowMap_AExecute() {
  RunGuarded(this, [this] {
    TMap_Frm* map = ShowMapWindow(this, ProgramFolder);
    // A click on the map fills its row of the search panel and ticks it.
    map->OnChoose = [this](const MapChoice& c) { QueryCondition_Grp->ApplyMapChoice(c); };
  });
}

void TMain_Frm::About_AExecute() {
  RunGuarded(this, [this] { ShowAboutWindow(this); });
}

void TMain_Frm::OpenCompanyDetails() {
  RunGuarded(this, [] {
    if (Company_Dlg) Company_Dlg->OpenCompanyDetails();
  });
}

void TMain_Frm::OpenContactWindow() {
  RunGuarded(this, [] {
    if (Contact_Dlg) Contact_Dlg->OpenContactWindow();
  });
}

