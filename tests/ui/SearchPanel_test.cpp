// The search panel as a search reads it, and the windows as the program
// composes them.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <memory>

#include "app/uiComposition.h"
#include "search/dlgCat.h"
#include "search/frmMap.h"
#include "search/frmSearchPanel.h"
#include "tests/ui/support/MainWindowFixture.h"
#include "ui/uiDBGrid.h"

using orbisk::CompareOp;
using orbisk::OrderByChoice;
using orbisk::SearchPanel;

class SearchPanelTest : public QObject {
  Q_OBJECT
 private slots:
  void defaultsAreTheCoresDefaults();
  void everyOperatorItemMeansTheOperatorItShows();
  void everyLimitItemMeansItsNumber();
  void everySortItemMeansItsChoice();
  void categoryAndMapChoicesFillTheirRows();
  void buttonsAskTheWindow();
  void tabVisitsEveryControlOnce();
  void compositionWiresAndUnwinds();
  void detailsLeaveTheExtraTabsAlone();
};

void SearchPanelTest::defaultsAreTheCoresDefaults() {
  QWidget host;
  TSearchPanel_Frm panel(&host);
  const SearchPanel shown = panel.CurrentPanel();
  QVERIFY(shown.Top == std::optional<int>(100));
  QVERIFY(shown.OrderBy == OrderByChoice::None);
  QVERIFY(shown.PostCode_Op == CompareOp::Equal && shown.TelAreaCode_Op == CompareOp::Equal);
  QVERIFY(shown.NumberOfEmployees_Op == CompareOp::Greater && shown.YearEstablished_Op == CompareOp::Greater);
  // Every row ticked with its default value builds the same statement from the
  // panel as from the core's own defaults (what the command line starts with).
  for (QCheckBox* tick : {panel.Location_Chk, panel.PostalCode_Chk, panel.CompanyName_Chk, panel.PSL_Chk,
                          panel.TelAreaCode_Chk, panel.NumberofEmployees_Chk, panel.YearEstablished_Chk})
    tick->setChecked(true);
  SearchPanel core;
  core.Location_Chk = core.PostalCode_Chk = core.CompanyName_Chk = core.PSL_Chk = core.TelAreaCode_Chk = true;
  core.NumberofEmployees_Chk = core.YearEstablished_Chk = true;
  QCOMPARE(orbisk::BuildCompanySQL(panel.CurrentPanel()), orbisk::BuildCompanySQL(core));
  QCOMPARE(orbisk::BuildContactSQL(panel.CurrentPanel()), orbisk::BuildContactSQL(core));
}

void SearchPanelTest::everyOperatorItemMeansTheOperatorItShows() {
  QWidget host;
  TSearchPanel_Frm panel(&host);
  const std::pair<QComboBox*, std::function<CompareOp(const SearchPanel&)>> lists[] = {
      {panel.C_TelAreaCode_Cbo, [](const SearchPanel& p) { return p.TelAreaCode_Op; }},
      {panel.C_PostCode_Cbo, [](const SearchPanel& p) { return p.PostCode_Op; }},
      {panel.C_NumberOfEmployees_Cbo, [](const SearchPanel& p) { return p.NumberOfEmployees_Op; }},
      {panel.C_YearEstablished_Cbo, [](const SearchPanel& p) { return p.YearEstablished_Op; }}};
  for (const auto& [list, read] : lists) {
    QCOMPARE(list->count(), 6);
    for (int i = 0; i < list->count(); ++i) {
      list->setCurrentIndex(i);
      QCOMPARE(QString::fromLatin1(orbisk::CompareOpText(read(panel.CurrentPanel()))), list->itemText(i));
    }
  }
  // What the statement holds is what the user sees in the list.
  panel.PostalCode_Chk->setChecked(true);
  panel.PostCode_Edt->setText(QStringLiteral("R3C"));
  panel.C_PostCode_Cbo->setCurrentIndex(panel.C_PostCode_Cbo->findText(QStringLiteral("<>")));
  QCOMPARE(orbisk::BuildConditions(panel.CurrentPanel()), std::string(" 1=1  and Location_Address_Postal <>'R3C'"));
}

void SearchPanelTest::everyLimitItemMeansItsNumber() {
  QWidget host;
  TSearchPanel_Frm panel(&host);
  QCOMPARE(panel.Top_Cbo->count(), 20);
  for (int i = 0; i < panel.Top_Cbo->count(); ++i) {
    panel.Top_Cbo->setCurrentIndex(i);
    const QString text = panel.Top_Cbo->itemText(i);
    panel.Top_Chk->setChecked(true);
    // " top " and the item's text exactly; "All" limits nothing.
    const std::string expected = i == 0 ? std::string() : " top " + text.toStdString() + " ";
    QCOMPARE(orbisk::BuildTopClause(panel.CurrentPanel()), expected);
    panel.Top_Chk->setChecked(false);
    QVERIFY(!panel.CurrentPanel().Top.has_value());
  }
}

void SearchPanelTest::everySortItemMeansItsChoice() {
  QWidget host;
  TSearchPanel_Frm panel(&host);
  const char* columns[] = {"", "Company_Name", "Telephone", "Email", "Number_of_Employees", "Year_Established"};
  QCOMPARE(panel.OrderBy_Cbo->count(), 6);
  for (int i = 0; i < 6; ++i) {
    panel.OrderBy_Cbo->setCurrentIndex(i);
    const std::string expected = i == 0 ? std::string() : std::string(" Order By ") + columns[i] + " , Company_ID";
    QCOMPARE(orbisk::BuildCompanyOrderBy(panel.CurrentPanel()), expected);
  }
  // A list without a choice sorts by nothing.
  panel.OrderBy_Cbo->setCurrentIndex(-1);
  QVERIFY(panel.CurrentPanel().OrderBy == OrderByChoice::None);
  QCOMPARE(orbisk::BuildCompanyOrderBy(panel.CurrentPanel()), std::string());
}

void SearchPanelTest::categoryAndMapChoicesFillTheirRows() {
  QWidget host;
  TSearchPanel_Frm panel(&host);
  const QString condition = QStringLiteral(" Company_ID in (select Company_ID from Company_SubCat where  MainCat_Code='Agri')");
  panel.SetCategory({QStringLiteral("<b>Agriculture</b>"), QStringLiteral("<b>Agriculture</b>"), condition, true});
  const CategoryTarget back = panel.Category();
  QCOMPARE(back.text, QStringLiteral("<b>Agriculture</b>"));
  QCOMPARE(back.condition, condition);
  QVERIFY(back.ticked);
  // A name from the directory is shown as written, never as markup.
  QVERIFY(panel.Category_Edt->toolTip().contains(QStringLiteral("&lt;b&gt;Agriculture&lt;/b&gt;")));
  QCOMPARE(panel.CurrentPanel().CategoryCondition, condition.toStdString());
  // Unticked, the condition is kept but not used.
  panel.SetCategory({back.text, back.hint, condition, false});
  QCOMPARE(orbisk::BuildConditions(panel.CurrentPanel()), std::string(" 1=1 "));

  panel.ApplyMapChoice({MapChoice::Kind::TelAreaCode, QStringLiteral("999")});
  QCOMPARE(panel.TelAreaCode_Cbo->currentText(), QStringLiteral("204"));
  QVERIFY(!panel.TelAreaCode_Chk->isChecked());
  panel.ApplyMapChoice({MapChoice::Kind::TelAreaCode, QStringLiteral("416")});
  QCOMPARE(panel.TelAreaCode_Cbo->currentText(), QStringLiteral("416"));
  QVERIFY(panel.TelAreaCode_Chk->isChecked());
  panel.ApplyMapChoice({MapChoice::Kind::None, QStringLiteral("Ontario")});
  QVERIFY(!panel.Location_Chk->isChecked());
  panel.ApplyMapChoice({MapChoice::Kind::Location, QStringLiteral("Ontario")});
  QVERIFY(panel.Location_Chk->isChecked());
  QCOMPARE(panel.CurrentPanel().Location, std::string("Ontario"));
}

void SearchPanelTest::buttonsAskTheWindow() {
  QWidget host;
  TSearchPanel_Frm panel(&host);
  QSignalSpy category(&panel, &TSearchPanel_Frm::categoryRequested);
  QSignalSpy map(&panel, &TSearchPanel_Frm::mapRequested);
  panel.SelectCat_Btn->click();
  QCOMPARE(category.count(), 1);
  QCOMPARE(map.count(), 0);
  panel.Map_Btn->click();
  QCOMPARE(map.count(), 1);
  QCOMPARE(category.count(), 1);
}

void SearchPanelTest::tabVisitsEveryControlOnce() {
  QWidget host;
  TSearchPanel_Frm panel(&host);
  const QList<QWidget*> chain = panel.TabChain();
  for (QWidget* w : chain) QCOMPARE(chain.count(w), 1);
  // Every control the Tab key can reach is in the chain; the read-only
  // operator boxes take no focus and are not.
  for (QWidget* w : panel.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    const bool tabbable = (w->focusPolicy() & Qt::TabFocus) != 0;
    QVERIFY2(tabbable == chain.contains(w), qPrintable(w->metaObject()->className() + QLatin1Char(' ') +
                                                        w->accessibleName()));
  }
}

void SearchPanelTest::compositionWiresAndUnwinds() {
  orbisk::testing::TempFolder folder;
  const std::string file = folder.Path() + "elsewhere.mdb";
  {
    const std::unique_ptr<TOrbiskWindows> w = ComposeWindows(folder.Path(), file);
    QCOMPARE(w->Main_Frm->ProgramFolder, QString::fromStdString(folder.Path()));
    QVERIFY(w->DM->ADOConnection.DataSource().find("elsewhere.mdb") != std::string::npos);
    QVERIFY(!w->DM->ADOConnection.Connected());  // start-up opens nothing
    QCOMPARE(w->Main_Frm->Company_DBGrid->query(), &w->DM->Company_Q);
    QCOMPARE(w->Main_Frm->Contact_DBGrid->query(), &w->DM->Contact_Q);
    QCOMPARE(::ComanyCat_Dlg, w->ComanyCat_Dlg.get());
    QCOMPARE(::Company_Dlg, w->Company_Dlg.get());
    QCOMPARE(::Contact_Dlg, w->Contact_Dlg.get());
    QCOMPARE(::ExportType_Dlg, w->ExportType_Dlg.get());
    for (QWidget* d : std::initializer_list<QWidget*>{w->ComanyCat_Dlg.get(), w->Company_Dlg.get(),
                                                      w->Contact_Dlg.get(), w->ExportType_Dlg.get()}) {
      QCOMPARE(d->parentWidget(), w->Main_Frm.get());
      QVERIFY(!d->isVisible());
    }
    QVERIFY(!w->Main_Frm->isVisible());
  }
  QVERIFY(!::ComanyCat_Dlg && !::Company_Dlg && !::Contact_Dlg && !::ExportType_Dlg);
}

void SearchPanelTest::detailsLeaveTheExtraTabsAlone() {
  MainWindowFixture f;
  f.frm->QueryCompany_A->trigger();
  QVERIFY(f.dm.Company_Q.RecordCount() > 0);
  std::vector<std::unique_ptr<QSignalSpy>> extra;
  for (const char* name : {"Actively_Pursuing", "Export_Experience", "Market_Interests"}) {
    auto* grid = f.companyDlg->findChild<TDBGrid*>(QLatin1String(name));
    QVERIFY2(grid, name);
    extra.push_back(std::make_unique<QSignalSpy>(grid->model(), &QAbstractItemModel::modelReset));
  }
  QSignalSpy contacts(f.companyDlg->Contact_DBGrid->model(), &QAbstractItemModel::modelReset);
  f.frm->OpenCompanyDetails();
  f.frm->OpenCompanyDetails();
  QCOMPARE(f.shown.size(), 2);
  QVERIFY(contacts.count() > 0);  // the details did come in
  for (const auto& spy : extra) QCOMPARE(spy->count(), 0);
  // Still there, still hidden, still empty.
  int shownTabs = 0;
  for (int i = 0; i < f.companyDlg->CompanyInfo_PC->count(); ++i) shownTabs += f.companyDlg->CompanyInfo_PC->isTabVisible(i);
  QCOMPARE(shownTabs, 4);
  QCOMPARE(f.companyDlg->CompanyInfo_PC->count(), 7);
}

QTEST_MAIN(SearchPanelTest)
#include "SearchPanel_test.moc"
