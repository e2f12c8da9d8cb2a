// "Ignore accents" in the search panel: clear at start, its own Alt+letter,
// the searches and the category filter that follow it, and the statements
// that stay as they are.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ui/uiDBGrid.h"
#include "data/Connection.h"
#include "data/Query.h"
#include "tests/ui/support/MainWindowFixture.h"

namespace {

// Rows with accents written every way, added to the small directory before
// the window first opens it.
void AddAccentedCompanies(const std::string& folder) {
  orbisk::Connection c;
  c.OpenWritable(folder + "Database/corpdir.mdb");
  orbisk::testing::Exec(c.Handle(),
                        "INSERT INTO Company_Info (Company_ID, Company_Name, Location_Address) VALUES"
                        " (11, 'Librairie du Centre', '2 Rue Peel, MONTRÉAL, Quebec'),"
                        " (12, 'Montreal Steel', '40 Wellington St, Montreal, Quebec'),"
                        " (13, 'École Polytechnique', '2500 Chemin de Polytechnique, Montréal, Quebec'),"
                        " (14, 'Côte Bakery', '5 Chemin de la Côte, Laval, Quebec'),"
                        " (15, 'Øster Design', '1 Bay St, Toronto, Ontario')");
  orbisk::testing::Exec(c.Handle(),
                        "INSERT INTO All_Leaf_SubCat (SubCat_Code, SubCat_Text, IsValid, SubCat_Type, SubCat_Level,"
                        " MainCat_Code, MainCat_Text, Cat1_Code, Cat1_Text) VALUES"
                        " ('2_3', 'Écoles agricoles', 'Y', 'L', 1, 'Agri', 'Agriculture', '2_3', 'Écoles agricoles')");
}

QStringList Names(TDBGrid* grid) {
  QStringList out;
  for (int r = 0; r < grid->model()->rowCount(); ++r) out << grid->model()->index(r, 1).data().toString();
  out.sort();
  return out;
}

QChar Mnemonic(const QString& caption) {
  const int at = caption.indexOf(QLatin1Char('&'));
  return at >= 0 && at + 1 < caption.size() ? caption[at + 1].toUpper() : QChar();
}

}  // namespace

class AccentsTest : public QObject {
  Q_OBJECT
 private slots:
  void clearAtStartWithALetterOfItsOwn();
  void searchesFindLettersWithAndWithoutAccents();
  void clearBoxGivesTodaysRows();
  void pickerFilterFollowsTheBox();
};

void AccentsTest::clearAtStartWithALetterOfItsOwn() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  QVERIFY(!w.QueryCondition_Grp->IgnoreAccents_Chk->isChecked());
  QVERIFY(w.QueryCondition_Grp->IgnoreAccents_Chk->text().startsWith(QStringLiteral("Ignore accents")));
  QVERIFY(w.QueryCondition_Grp->isAncestorOf(w.QueryCondition_Grp->IgnoreAccents_Chk));
  // No other button of the window shares its letter.
  const QChar letter = Mnemonic(w.QueryCondition_Grp->IgnoreAccents_Chk->text());
  QVERIFY(letter.isLetter());
  for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
    if (b != w.QueryCondition_Grp->IgnoreAccents_Chk) QVERIFY2(Mnemonic(b->text()) != letter, qPrintable(b->text()));
  for (QLabel* l : w.findChildren<QLabel*>())
    if (l->buddy()) QVERIFY2(Mnemonic(l->text()) != letter, qPrintable(l->text()));
  // Alt+letter ticks it, and again clears it.
  w.activateWindow();
  QApplication::setActiveWindow(&w);
  QVERIFY(QTest::qWaitForWindowActive(&w));
  QTest::keyClick(&w, letter.toLower().toLatin1(), Qt::AltModifier);
  QTRY_VERIFY(w.QueryCondition_Grp->IgnoreAccents_Chk->isChecked());
  QVERIFY(w.QueryCondition_Grp->IgnoreAccents_Chk->hasFocus());
  QTest::keyClick(&w, letter.toLower().toLatin1(), Qt::AltModifier);
  QTRY_VERIFY(!w.QueryCondition_Grp->IgnoreAccents_Chk->isChecked());
}

void AccentsTest::searchesFindLettersWithAndWithoutAccents() {
  MainWindowFixture f;
  AddAccentedCompanies(f.folder.Path());
  TMain_Frm& w = *f.frm;
  w.QueryCondition_Grp->Top_Chk->setChecked(false);
  w.QueryCondition_Grp->IgnoreAccents_Chk->setChecked(true);
  struct Case {
    QCheckBox* tick;
    QLineEdit* edit;
    const char* typed;
    QStringList found;
  };
  const QString sgq = QStringLiteral("Société Générale Québec");
  const Case cases[] = {
      {w.QueryCondition_Grp->Location_Chk, w.QueryCondition_Grp->Location_Cbo->lineEdit(), "Montreal",
       {QStringLiteral("Librairie du Centre"), QStringLiteral("Montreal Steel"), sgq,
        QStringLiteral("École Polytechnique")}},
      {w.QueryCondition_Grp->Location_Chk, w.QueryCondition_Grp->Location_Cbo->lineEdit(), "montréal",
       {QStringLiteral("Librairie du Centre"), QStringLiteral("Montreal Steel"), sgq,
        QStringLiteral("École Polytechnique")}},
      {w.QueryCondition_Grp->CompanyName_Chk, w.QueryCondition_Grp->CompanyName_Edt, "ecole", {QStringLiteral("École Polytechnique")}},
      {w.QueryCondition_Grp->CompanyName_Chk, w.QueryCondition_Grp->CompanyName_Edt, "Cote", {QStringLiteral("Côte Bakery")}},
      {w.QueryCondition_Grp->CompanyName_Chk, w.QueryCondition_Grp->CompanyName_Edt, "e", {QStringLiteral("École Polytechnique"), QStringLiteral("ÉTOILE Bakery")}},
      {w.QueryCondition_Grp->CompanyName_Chk, w.QueryCondition_Grp->CompanyName_Edt, "oster", {}},
      {w.QueryCondition_Grp->CompanyName_Chk, w.QueryCondition_Grp->CompanyName_Edt, "øster", {QStringLiteral("Øster Design")}},
      {w.QueryCondition_Grp->PSL_Chk, w.QueryCondition_Grp->PSL_Edt, "LOGICIÉL", {sgq}},
  };
  for (const Case& c : cases) {
    for (QCheckBox* t : {w.QueryCondition_Grp->Location_Chk, w.QueryCondition_Grp->CompanyName_Chk, w.QueryCondition_Grp->PSL_Chk}) t->setChecked(false);
    c.tick->setChecked(true);
    c.edit->setText(QString::fromUtf8(c.typed));
    w.QueryCompany_A->trigger();
    QStringList want = c.found;
    want.sort();
    QCOMPARE(Names(w.Company_DBGrid), want);
  }
  // The contact search takes the same fold: the contacts of Montréal's company.
  for (QCheckBox* t : {w.QueryCondition_Grp->CompanyName_Chk, w.QueryCondition_Grp->PSL_Chk}) t->setChecked(false);
  w.QueryCondition_Grp->Location_Chk->setChecked(true);
  w.QueryCondition_Grp->Location_Cbo->setEditText(QStringLiteral("montreal"));
  w.QueryContact_A->trigger();
  QCOMPARE(w.Contact_DBGrid->model()->rowCount(), 1);
  QVERIFY(f.messages.isEmpty());
}

void AccentsTest::clearBoxGivesTodaysRows() {
  MainWindowFixture f;
  AddAccentedCompanies(f.folder.Path());
  TMain_Frm& w = *f.frm;
  w.QueryCondition_Grp->Top_Chk->setChecked(false);
  w.QueryCondition_Grp->Location_Chk->setChecked(true);
  w.QueryCondition_Grp->Location_Cbo->setEditText(QStringLiteral("Montréal"));
  w.QueryCondition_Grp->CompanyName_Chk->setChecked(true);
  w.QueryCondition_Grp->CompanyName_Edt->setText(QStringLiteral("e"));
  // What the engine answers to the same statement without any fold of ours.
  const std::string statement = orbisk::BuildCompanySQL(w.QueryCondition_Grp->CurrentPanel());
  orbisk::Query direct("Direct_Q", &f.dm.ADOConnection);
  direct.SetSQL(statement);
  w.QueryCompany_A->trigger();
  direct.Open();
  QStringList today;
  for (direct.First(); !direct.Eof(); direct.Next())
    today << QString::fromStdString(direct.FieldByName("Company_Name").AsString());
  today.sort();
  QCOMPARE(Names(w.Company_DBGrid), today);
  QVERIFY(today.isEmpty());  // "e" is no É while the box is clear
  QCOMPARE(f.dm.Company_Q.SQL(), statement);

  // Ticked: more rows, the very same statement.
  w.QueryCondition_Grp->IgnoreAccents_Chk->setChecked(true);
  QCOMPARE(orbisk::BuildCompanySQL(w.QueryCondition_Grp->CurrentPanel()), statement);
  w.QueryCompany_A->trigger();
  QCOMPARE(Names(w.Company_DBGrid), QStringList{QStringLiteral("École Polytechnique")});
  QCOMPARE(f.dm.Company_Q.SQL(), statement);
  // Cleared again: today's rows once more, for the search after it.
  w.QueryCondition_Grp->IgnoreAccents_Chk->setChecked(false);
  w.QueryCondition_Grp->CompanyName_Chk->setChecked(false);
  w.QueryCompany_A->trigger();
  QCOMPARE(Names(w.Company_DBGrid), (QStringList{QStringLiteral("Librairie du Centre"),
                                                 QStringLiteral("Société Générale Québec"),
                                                 QStringLiteral("École Polytechnique")}));
}

void AccentsTest::pickerFilterFollowsTheBox() {
  MainWindowFixture f;
  AddAccentedCompanies(f.folder.Path());
  TMain_Frm& w = *f.frm;
  TComanyCat_Dlg& dlg = *f.catDlg;
  f.dm.MainCat_Q.Open();
  f.dm.LeafCat_Q.Open();
  f.dm.OpenLeafCategories("Agri");
  QStringList seen;
  ModalSeam() = [&](QDialog&) {
    const orbisk::Field& name = f.dm.LeafCat_Q.FieldByName("SubCat_Text");
    QStringList shown;
    for (int i = 0; i < dlg.SubCat_DBGrid->model()->rowCount(); ++i)
      if (!dlg.SubCat_DBGrid->isRowHidden(i)) shown << QString::fromStdString(name.TextAt(i));
    seen << shown.join(QLatin1Char('|'));
    return static_cast<int>(QDialog::Rejected);
  };
  dlg.SubCatFilter_Edt->setText(QStringLiteral("ECOLE"));
  w.SelectCat_A->trigger();
  w.QueryCondition_Grp->IgnoreAccents_Chk->setChecked(true);
  w.SelectCat_A->trigger();
  w.QueryCondition_Grp->IgnoreAccents_Chk->setChecked(false);
  w.SelectCat_A->trigger();
  QCOMPARE(seen, (QStringList{QString(), QStringLiteral("Écoles agricoles"), QString()}));
  QVERIFY(f.messages.isEmpty());
}

QTEST_MAIN(AccentsTest)
#include "Accents_test.moc"
