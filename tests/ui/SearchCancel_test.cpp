// A search that runs long shows the load progress dialog: its Cancel ends the
// search quietly, and a search past its time limit ends with a clear message.
#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>

#include <sqlite3.h>

#include "ui/uiShell.h"
#include "ui/uiDBGrid.h"
#include "tests/ui/support/MainWindowFixture.h"

namespace {

// Presses Cancel of the named progress dialog as soon as it shows; counts the presses.
class CancelWhenShown : public QObject {
 public:
  explicit CancelWhenShown(QWidget* owner, const QString& dialogName) : owner_(owner), name_(dialogName) {
    timer_.setInterval(20);
    connect(&timer_, &QTimer::timeout, this, [this] {
      auto* dialog = owner_->findChild<QProgressDialog*>(name_);
      if (!dialog || !dialog->isVisible()) return;
      auto* cancel = dialog->findChild<QPushButton*>();
      if (!cancel) return;
      QTest::mouseClick(cancel, Qt::LeftButton);
      ++presses;
      timer_.stop();
    });
    timer_.start();
  }
  int presses = 0;

 private:
  QWidget* owner_;
  QString name_;
  QTimer timer_;
};

// The fixture's directory, its companies made a search that never finds a row.
void MakeCompaniesEndless(const std::string& folder) {
  sqlite3* db = nullptr;
  sqlite3_open((folder + "Database/corpdir.mdb").c_str(), &db);
  orbisk::testing::Exec(db,
                        "ALTER TABLE Company_Info RENAME TO Sound_Info;"
                        "CREATE VIEW Company_Info AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n)"
                        " SELECT s.* FROM n, Sound_Info s WHERE n.i < 0;");
  sqlite3_close(db);
}

}  // namespace

class SearchCancelTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { SetProgressShowDelay(0); }
  void cleanupTestCase() { SetProgressShowDelay(-1); }
  void cancelEndsALongSearchQuietly();
  void aSearchPastItsTimeSaysSo();
};

void SearchCancelTest::cancelEndsALongSearchQuietly() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  MakeCompaniesEndless(f.folder.Path());
  const auto t0 = std::chrono::steady_clock::now();
  {
    CancelWhenShown cancel(&w, QStringLiteral("LoadProgress_Dlg"));
    w.QueryCompany_A->trigger();
    QCOMPARE(cancel.presses, 1);
  }
  QCOMPARE(f.messages.join(QLatin1Char('|')), QString());
  QVERIFY(std::chrono::steady_clock::now() - t0 < std::chrono::seconds(10));
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QVERIFY(!f.dm.Company_Q.ControlsDisabled());
  QVERIFY(w.findChild<QProgressDialog*>(QStringLiteral("LoadProgress_Dlg")) == nullptr);
  // The connection goes on: a sound statement runs on it.
  f.dm.MainCat_Q.Close();
  f.dm.MainCat_Q.Open();
  QCOMPARE(f.dm.MainCat_Q.RecordCount(), 2);
}

void SearchCancelTest::aSearchPastItsTimeSaysSo() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  MakeCompaniesEndless(f.folder.Path());
  orbisk::EngineBounds bounds = f.dm.ADOConnection.Bounds();
  bounds.statementSeconds = 1;
  f.dm.ADOConnection.SetBounds(bounds);
  w.QueryCompany_A->trigger();
  QCOMPARE(f.messages, QStringList{QStringLiteral("The search took longer than 1 seconds.")});
  QVERIFY(w.findChild<QProgressDialog*>(QStringLiteral("LoadProgress_Dlg")) == nullptr);
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

QTEST_MAIN(SearchCancelTest)
#include "SearchCancel_test.moc"
