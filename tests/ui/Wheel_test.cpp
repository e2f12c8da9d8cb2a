// The wheel over the search panel: a control without the focus changes nothing,
// the focused one steps as its arrow keys do, and no row is ticked by the wheel.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QWheelEvent>

#include "ui/uiDBGrid.h"
#include "tests/ui/support/MainWindowFixture.h"

namespace {

// One notch, delivered where the platform delivers it: to the innermost widget
// under the pointer (the text part of an editable combo box).
void Wheel(QWidget* control, int angle) {
  const QPoint centre = control->rect().center();
  QWidget* under = control->childAt(centre);
  QWidget* target = under ? under : control;
  const QPointF at = target->mapFrom(control, centre);
  QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &e);
}

QString ValueOf(QWidget* w) {
  if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText() + QLatin1Char('#') + QString::number(c->currentIndex());
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* b = qobject_cast<QCheckBox*>(w)) return b->isChecked() ? QStringLiteral("ticked") : QStringLiteral("clear");
  return {};
}

struct PanelControl {
  const char* name;
  QWidget* control;
  QCheckBox* tick;  // the row's tick box; nullptr where the control has none of its own
};

std::vector<PanelControl> ValueControls(TMain_Frm& w) {
  return {{"Only Show Top", w.QueryCondition_Grp->Top_Cbo, nullptr},
          {"Category", w.QueryCondition_Grp->Category_Edt, w.QueryCondition_Grp->Category_Chk},
          {"Location", w.QueryCondition_Grp->Location_Cbo, w.QueryCondition_Grp->Location_Chk},
          {"Tel Area Code operator", w.QueryCondition_Grp->C_TelAreaCode_Cbo, w.QueryCondition_Grp->TelAreaCode_Chk},
          {"Tel Area Code", w.QueryCondition_Grp->TelAreaCode_Cbo, w.QueryCondition_Grp->TelAreaCode_Chk},
          {"Postal Code operator", w.QueryCondition_Grp->C_PostCode_Cbo, w.QueryCondition_Grp->PostalCode_Chk},
          {"Postal Code", w.QueryCondition_Grp->PostCode_Edt, w.QueryCondition_Grp->PostalCode_Chk},
          {"Company Name", w.QueryCondition_Grp->CompanyName_Edt, w.QueryCondition_Grp->CompanyName_Chk},
          {"Product/Service", w.QueryCondition_Grp->PSL_Edt, w.QueryCondition_Grp->PSL_Chk},
          {"Number of Employees operator", w.QueryCondition_Grp->C_NumberOfEmployees_Cbo, w.QueryCondition_Grp->NumberofEmployees_Chk},
          {"Number of Employees", w.QueryCondition_Grp->NumberofEmployees_Edt, w.QueryCondition_Grp->NumberofEmployees_Chk},
          {"Year Established operator", w.QueryCondition_Grp->C_YearEstablished_Cbo, w.QueryCondition_Grp->YearEstablished_Chk},
          {"Year Established", w.QueryCondition_Grp->YearEstablished_Edt, w.QueryCondition_Grp->YearEstablished_Chk},
          {"Order By", w.QueryCondition_Grp->OrderBy_Cbo, nullptr},
          {"Only Show Top tick", w.QueryCondition_Grp->Top_Chk, nullptr},
          {"Location tick", w.QueryCondition_Grp->Location_Chk, nullptr},
          {"With Website URL", w.QueryCondition_Grp->WithURL_Chk, nullptr},
          {"With Contact Email", w.QueryCondition_Grp->WithContactEmail_Chk, nullptr}};
}

// Every value and tick of the panel at once, to see that nothing else moved either.
QStringList PanelState(TMain_Frm& w) {
  QStringList state;
  for (const PanelControl& c : ValueControls(w)) state << ValueOf(c.control);
  return state;
}

}  // namespace

class WheelTest : public QObject {
  Q_OBJECT
 private slots:
  void unfocusedControlsIgnoreTheWheel();
  void focusedControlStepsWithoutTicking();
  void gridUnderThePointerStillSteps();
  void typingAndOpenedListsStillTick();
};

void WheelTest::unfocusedControlsIgnoreTheWheel() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  for (const PanelControl& c : ValueControls(w)) {
    for (QWidget* elsewhere : {static_cast<QWidget*>(w.Company_DBGrid), static_cast<QWidget*>(w.QueryCondition_Grp->CompanyName_Edt)}) {
      if (elsewhere == c.control) continue;
      elsewhere->setFocus();
      QTRY_VERIFY(elsewhere->hasFocus());
      const QStringList before = PanelState(w);
      const int row = f.dm.Company_Q.RecNo();
      for (int angle : {-120, 120, -120, -120}) Wheel(c.control, angle);
      QVERIFY2(PanelState(w) == before, c.name);
      QVERIFY2(elsewhere->hasFocus(), c.name);
      QCOMPARE(f.dm.Company_Q.RecNo(), row);  // nor does the focused grid move
    }
  }
}

void WheelTest::focusedControlStepsWithoutTicking() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCondition_Grp->PostCode_Edt->setText(QStringLiteral("K1A"));
  for (const PanelControl& c : ValueControls(w)) {
    if (!c.control->isEnabled() || c.control->focusPolicy() == Qt::NoFocus) continue;
    c.control->setFocus();
    QTRY_VERIFY2(c.control->hasFocus(), c.name);
    const bool ticked = c.tick && c.tick->isChecked();
    const QString value = ValueOf(c.control);
    Wheel(c.control, -120);
    Wheel(c.control, -120);
    if (auto* box = qobject_cast<QComboBox*>(c.control)) {
      // Two notches down: two items further, as two presses of Down.
      QVERIFY2(ValueOf(box) != value, c.name);
      Wheel(box, 120);
      Wheel(box, 120);
      QCOMPARE(ValueOf(box), value.endsWith(QStringLiteral("#-1")) ? ValueOf(box) : value);
    } else {
      QCOMPARE(ValueOf(c.control), value);  // a text box's caret moves, its text stays
    }
    if (c.tick) QVERIFY2(c.tick->isChecked() == ticked, c.name);
  }
}

void WheelTest::gridUnderThePointerStillSteps() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  w.QueryCondition_Grp->TelAreaCode_Cbo->setFocus();
  QTRY_VERIFY(w.QueryCondition_Grp->TelAreaCode_Cbo->hasFocus());
  const QStringList before = PanelState(w);
  QCOMPARE(f.dm.Company_Q.RecNo(), 1);
  Wheel(w.Company_DBGrid->viewport(), -120);
  Wheel(w.Company_DBGrid->viewport(), -120);
  QCOMPARE(f.dm.Company_Q.RecNo(), 3);
  Wheel(w.Company_DBGrid->viewport(), 120);
  QCOMPARE(f.dm.Company_Q.RecNo(), 2);
  QCOMPARE(PanelState(w), before);
  QVERIFY(w.QueryCondition_Grp->TelAreaCode_Cbo->hasFocus());
}

void WheelTest::typingAndOpenedListsStillTick() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  // A choice from the opened list ticks the row; the wheel over that open list does not.
  w.QueryCondition_Grp->C_YearEstablished_Cbo->setFocus();
  w.QueryCondition_Grp->C_YearEstablished_Cbo->showPopup();
  QAbstractItemView* list = w.QueryCondition_Grp->C_YearEstablished_Cbo->view();
  QTRY_VERIFY(list->isVisible());
  Wheel(list->viewport(), -120);
  QVERIFY(!w.QueryCondition_Grp->YearEstablished_Chk->isChecked());
  QTest::keyClick(list, Qt::Key_Return);
  QTRY_VERIFY(!list->isVisible());
  QVERIFY(w.QueryCondition_Grp->YearEstablished_Chk->isChecked());
  QCOMPARE(w.QueryCondition_Grp->C_YearEstablished_Cbo->currentText(), QStringLiteral(">="));
  // Typing ticks, in a text box and in the editable province box.
  w.QueryCondition_Grp->CompanyName_Edt->setFocus();
  QTest::keyClicks(w.QueryCondition_Grp->CompanyName_Edt, QStringLiteral("Maple"));
  QVERIFY(w.QueryCondition_Grp->CompanyName_Chk->isChecked());
  w.QueryCondition_Grp->Location_Cbo->setFocus();
  QTest::keyClicks(w.QueryCondition_Grp->Location_Cbo->lineEdit(), QStringLiteral("Ont"));
  QVERIFY(w.QueryCondition_Grp->Location_Chk->isChecked());
}

QTEST_MAIN(WheelTest)
#include "Wheel_test.moc"
