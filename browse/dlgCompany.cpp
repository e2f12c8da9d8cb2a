#include "browse/dlgCompany.h"

TCompany_Dlg* Company_Dlg = nullptr;

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <exception>

#include "browse/FillFieldMemo.h"
#include "browse/ShellTarget.h"
#include "browse/dlgContact.h"
#include "ui/uiShell.h"
#include "ui/uiLocalText.h"
#include "ui/uiWindowKit.h"
#include "ui/uiLook.h"

using orbisk::Query;
using orbisk::QueryEvent;

namespace {

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setObjectName(QLatin1String(name));
  memo->setReadOnly(true);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SetInfoBackground(memo);
  return memo;
}

QWidget* AddPage(QTabWidget* pc, const QString& caption, const char* name, QWidget* content) {
  auto* page = new QWidget(pc);
  page->setObjectName(QLatin1String(name));
  auto* l = new QVBoxLayout(page);
  l->setContentsMargins(2, 2, 2, 2);
  content->setParent(page);
  l->addWidget(content);
  pc->addTab(page, caption);
  return page;
}

TDBGrid* MakeDetailGrid(Query* q, std::vector<GridColumn> columns, const char* name) {
  auto* grid = new TDBGrid(q, std::move(columns));
  grid->setObjectName(QLatin1String(name));
  grid->queryModel()->setInfoBackground(true);
  SetInfoBackground(grid);
  // The context menu opens mail and web links as the result lists do; there is no export here.
  grid->setExportOffered(false);
  QObject::connect(grid, &TDBGrid::linkRequested, grid, [](const QString& target) { ShellOpen(target); });
  return grid;
}

// The page control's designed extra tabs: one-column grids on fields no query
// of the data module feeds.
struct UnfedPage {
  const char* caption;
  const char* page;
  const char* field;
};
constexpr UnfedPage kUnfedPages[] = {
    {QT_TRANSLATE_NOOP("TCompany_Dlg", "Actively Pursuing"), "ActivelyPursuing_TS", "Actively_Pursuing"},
    {QT_TRANSLATE_NOOP("TCompany_Dlg", "Export Experience"), "ExportExperience_TS", "Export_Experience"},
    {QT_TRANSLATE_NOOP("TCompany_Dlg", "Market Interests"), "MarketInterests_TS", "Market_Interests"}};

}  // namespace

TCompany_Dlg::TCompany_Dlg(orbisk::TDM& dm, QWidget* parent) : QDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Company_Dlg"));
  setWindowTitle(tr("Company Information"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  Title_Pnl = MakeTitlePanel(tr("Company Information"), this);
  layout->addWidget(Title_Pnl);

  CompanyInfo_PC = new QTabWidget(this);
  CompanyInfo_PC->setObjectName(QStringLiteral("CompanyInfo_PC"));
  CompanyInfo_PC->setFont(VerdanaFont());
  layout->addWidget(CompanyInfo_PC);

  Company_Memo = MakeMemo(this, "Company_Memo");
  Details_TS = AddPage(CompanyInfo_PC, tr("Details"), "Details_TS", Company_Memo);
  Company_Description_DBMemo = MakeMemo(this, "Company_Description_DBMemo");
  Description_TS =
      AddPage(CompanyInfo_PC, tr("Description"), "Description_TS", Company_Description_DBMemo);

  // The detail tables declare wide columns; the grids use widths that fit the window.
  GridColumn email{"Email", tr("Email"), Qt::AlignLeft, orbisk::CellLink::Mail, kPureBlue, 22};
  Contact_DBGrid = MakeDetailGrid(&dm_.CompanyContact_Q,
                                  {{"Name", tr("Name"), Qt::AlignLeft, orbisk::CellLink::None, {}, 16},
                                   {"Title", tr("Title"), Qt::AlignLeft, orbisk::CellLink::None, {}, 14},
                                   {"Area", tr("Area"), Qt::AlignLeft, orbisk::CellLink::None, {}, 12},
                                   email,
                                   {"Telephone", tr("Telephone"), Qt::AlignLeft, orbisk::CellLink::None, {}, 14},
                                   {"Fax", tr("Fax"), Qt::AlignLeft, orbisk::CellLink::None, {}, 14}},
                                  "Contact_DBGrid");
  Contact_DBGrid->queryModel()->setFont(VerdanaFont());
  Contact_TS = AddPage(CompanyInfo_PC, tr("Contact"), "Contact_TS", Contact_DBGrid);
  connect(Contact_DBGrid, &TDBGrid::gridDoubleClicked, this, [this] { Contact_DBGridDblClick(); });

  PSL_DBGrid = MakeDetailGrid(&dm_.PSL_Q,
                              {{"Type", tr("Type"), Qt::AlignLeft, orbisk::CellLink::None, {}, 12},
                               {"Name", tr("Name"), Qt::AlignLeft, orbisk::CellLink::None, {}, 40},
                               {"IsExporting", tr("Exporting"), Qt::AlignLeft, orbisk::CellLink::None, {}, 9}},
                              "PSL_DBGrid");
  PSL_TS = AddPage(CompanyInfo_PC, tr("Product/Service"), "PSL_TS", PSL_DBGrid);

  for (const UnfedPage& p : kUnfedPages) {
    // No query of the data module has these fields: the grids watch one that
    // never opens, so a company's details cost them no work.
    auto* grid = MakeDetailGrid(&unfed_, {{p.field, tr(p.caption)}}, p.field);
    unfedGrids_.push_back(grid);
    grid->setAccessibleName(tr(p.caption));
    AddPage(CompanyInfo_PC, tr(p.caption), p.page, grid);
  }

  CompanyInfo_PC->setAccessibleName(tr("Company Information"));
  Company_Memo->setAccessibleName(tr("Details"));
  Company_Description_DBMemo->setAccessibleName(tr("Description"));
  Contact_DBGrid->setAccessibleName(tr("Contacts"));
  PSL_DBGrid->setAccessibleName(tr("Products and Services"));

  descriptionLink_ = dm_.OneCompany_Q.AddObserver([this](Query&, QueryEvent) { ShowDescription(); });
  resize(820, 480);
  FormCreate();
}

TCompany_Dlg::~TCompany_Dlg() {
  dm_.OneCompany_Q.RemoveObserver(descriptionLink_);
  // They watch unfed_, which goes before the window's children would.
  for (TDBGrid* grid : unfedGrids_) delete grid;
}

void TCompany_Dlg::FormCreate() {
  for (int i = 4; i < CompanyInfo_PC->count(); ++i) CompanyInfo_PC->setTabVisible(i, false);
}

void TCompany_Dlg::ShowDescription() {
  const Query& q = dm_.OneCompany_Q;
  const orbisk::Field* f = q.Active() && !q.IsEmpty() ? q.FindField("Company_Description") : nullptr;
  QString text = f ? QString::fromStdString(f->AsString()) : QString();
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  Company_Description_DBMemo->setPlainText(text);
}

void TCompany_Dlg::OpenCompanyDetails() {
  std::exception_ptr failure;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  Query& one = dm_.OneCompany_Q;
  one.DisableControls();
  try {
    one.Close();
    one.SetParam("Company_ID", orbisk::Value(dm_.Company_Q.FieldByName("Company_ID").AsInteger()));
    one.Open();
    std::vector<std::string> lines;
    orbisk::FillFieldMemo(one, lines, 0, true, LocalFieldLabel);
    Company_Memo->setPlainText(MemoText(lines));
    dm_.ReopenCompanyDetails();
  } catch (...) {
    failure = std::current_exception();
  }
  one.EnableControls();
  QApplication::restoreOverrideCursor();
  const orbisk::Field* name = dm_.Company_Q.Active() ? dm_.Company_Q.FindField("Company_Name") : nullptr;
  Title_Pnl->setText(name ? QString::fromStdString(name->AsString()) : QString());
  CentreOnScreen(this);
  ExecModal(*this);
  if (failure) std::rethrow_exception(failure);
}

void TCompany_Dlg::Contact_DBGridDblClick() {
  const Query& q = dm_.CompanyContact_Q;
  if (!q.Active() || q.Eof()) return;
  const orbisk::Field* field = q.FindField(Contact_DBGrid->SelectedField());
  const std::string target =
      orbisk::ShellTargetForCell(Contact_DBGrid->SelectedLink(), field ? field->AsString() : std::string());
  if (!target.empty()) ShellOpen(QString::fromStdString(target));
}
