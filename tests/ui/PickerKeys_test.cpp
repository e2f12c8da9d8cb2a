// The category picker driven from the keyboard alone: arrows move, Space and
// Enter choose the highlighted row as a click does, Enter on the chosen row
// accepts, Enter in the filter goes on to the list.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ui/uiDBGrid.h"
#include "tests/ui/support/MainWindowFixture.h"

namespace {

struct OpenPicker {
  explicit OpenPicker(MainWindowFixture& f) : dlg(*f.catDlg), dm(f.dm) {
    dm.MainCat_Q.Open();
    dm.LeafCat_Q.Open();
    dlg.setResult(-1);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  }
  ~OpenPicker() { dlg.hide(); }
  void Focus(QWidget* w) {
    w->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(w->hasFocus());
  }
  TComanyCat_Dlg& dlg;
  orbisk::TDM& dm;
};

}  // namespace

class PickerKeysTest : public QObject {
  Q_OBJECT
 private slots:
  void arrowsOnlyMove();
  void spaceAndEnterChooseAMainCategory();
  void enterChoosesThenAcceptsASubCategory();
  void filterEnterGoesToTheList();
};

void PickerKeysTest::arrowsOnlyMove() {
  MainWindowFixture f;
  OpenPicker p(f);
  p.Focus(p.dlg.MainCat_DBGrid);
  QTest::keyClick(p.dlg.MainCat_DBGrid, Qt::Key_Down);
  QTest::keyClick(p.dlg.MainCat_DBGrid, Qt::Key_Up);
  QTest::keyClick(p.dlg.MainCat_DBGrid, Qt::Key_Down);
  QCOMPARE(p.dm.MainCat_Q.RecNo(), 2);
  QCOMPARE(p.dlg.SelText, std::string());
  QCOMPARE(p.dlg.SelCondition, std::string());
  // The leaf list still shows the categories it was opened with.
  QCOMPARE(p.dm.LeafCat_Q.FieldByName("MainCat_Code").AsString(), std::string("Abor"));
  QVERIFY(p.dlg.isVisible());
}

void PickerKeysTest::spaceAndEnterChooseAMainCategory() {
  MainWindowFixture f;
  OpenPicker p(f);
  p.Focus(p.dlg.MainCat_DBGrid);
  QTest::keyClick(p.dlg.MainCat_DBGrid, Qt::Key_Down);
  QTest::keyClick(p.dlg.MainCat_DBGrid, Qt::Key_Space);
  // As a click: the row is chosen and its sub-categories come into the right list.
  QCOMPARE(p.dlg.SelText, std::string("Agriculture"));
  QCOMPARE(p.dlg.SelCondition, std::string(" MainCat_Code='Agri'"));
  QCOMPARE(p.dm.LeafCat_Q.FieldByName("MainCat_Code").AsString(), std::string("Agri"));
  QVERIFY(p.dlg.Selection_Lab->text().endsWith(QStringLiteral("Agriculture")));
  QVERIFY(p.dlg.isVisible());
  // Space again on the chosen row keeps the dialog open.
  QTest::keyClick(p.dlg.MainCat_DBGrid, Qt::Key_Space);
  QVERIFY(p.dlg.isVisible());
  // Enter on another row chooses it without closing.
  QTest::keyClick(p.dlg.MainCat_DBGrid, Qt::Key_Up);
  QTest::keyClick(p.dlg.MainCat_DBGrid, Qt::Key_Return);
  QCOMPARE(p.dlg.SelText, std::string("Aboriginal Businesses"));
  QVERIFY(p.dlg.isVisible());
  // Enter on the chosen row accepts, as OK does.
  QTest::keyClick(p.dlg.MainCat_DBGrid, Qt::Key_Enter, Qt::KeypadModifier);
  QVERIFY(!p.dlg.isVisible());
  QCOMPARE(p.dlg.result(), static_cast<int>(QDialog::Accepted));
  QCOMPARE(p.dlg.SelCondition, std::string(" MainCat_Code='Abor'"));
}

void PickerKeysTest::enterChoosesThenAcceptsASubCategory() {
  MainWindowFixture f;
  OpenPicker p(f);
  p.Focus(p.dlg.MainCat_DBGrid);
  QTest::keyClick(p.dlg.MainCat_DBGrid, Qt::Key_Down);
  QTest::keyClick(p.dlg.MainCat_DBGrid, Qt::Key_Space);
  p.Focus(p.dlg.SubCat_DBGrid);
  p.dlg.SubCat_DBGrid->setCurrentIndex(p.dlg.SubCat_DBGrid->model()->index(0, 1));
  QTest::keyClick(p.dlg.SubCat_DBGrid, Qt::Key_Down);
  const std::string text = p.dm.LeafCat_Q.FieldByName("SubCat_Text").AsString();
  const std::string code = p.dm.LeafCat_Q.FieldByName("SubCat_Code").AsString();
  QCOMPARE(p.dlg.SelText, std::string("Agriculture"));  // moving alone chose nothing
  QTest::keyClick(p.dlg.SubCat_DBGrid, Qt::Key_Return);
  QCOMPARE(p.dlg.SelText, "Agriculture/" + text);
  QCOMPARE(p.dlg.SelCondition, " SubCat_Code='" + code + "'");
  QVERIFY(p.dlg.isVisible());
  QTest::keyClick(p.dlg.SubCat_DBGrid, Qt::Key_Return);
  QVERIFY(!p.dlg.isVisible());
  QCOMPARE(p.dlg.result(), static_cast<int>(QDialog::Accepted));
}

void PickerKeysTest::filterEnterGoesToTheList() {
  MainWindowFixture f;
  OpenPicker p(f);
  p.Focus(p.dlg.MainCat_DBGrid);
  QTest::keyClick(p.dlg.MainCat_DBGrid, Qt::Key_Down);
  QTest::keyClick(p.dlg.MainCat_DBGrid, Qt::Key_Space);
  p.Focus(p.dlg.SubCatFilter_Edt);
  QTest::keyClicks(p.dlg.SubCatFilter_Edt, QStringLiteral("dairy"));
  QTest::keyClick(p.dlg.SubCatFilter_Edt, Qt::Key_Return);
  QVERIFY(p.dlg.isVisible());
  QVERIFY(p.dlg.SubCat_DBGrid->hasFocus());
  // The highlight lands on the one row the filter shows; Enter then chooses it.
  QCOMPARE(p.dm.LeafCat_Q.FieldByName("SubCat_Text").AsString(), std::string("Dairy"));
  QTest::keyClick(p.dlg.SubCat_DBGrid, Qt::Key_Return);
  QCOMPARE(p.dlg.SelText, std::string("Agriculture/Dairy"));
  QVERIFY(p.dlg.isVisible());
}

QTEST_MAIN(PickerKeysTest)
#include "PickerKeys_test.moc"
