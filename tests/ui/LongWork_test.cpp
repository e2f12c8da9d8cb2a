// Long work the user can stop: loading a large Access directory and a long
// export, each cancelled from its progress dialog.
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ui/uiShell.h"
#include "ui/uiDBGrid.h"
#include "ui/uiWindowKit.h"
#include "export/ExportTypes.h"
#include "tests/ui/support/MainWindowFixture.h"

namespace fs = std::filesystem;

namespace {

// A generated Access directory large enough for its load to show the progress.
void GenerateAccessDirectory(const std::string& path, int companies) {
  const std::string command = std::string(ORBISK_BUILD_DIR "/tools/orbisk-gensample --companies ") +
                              std::to_string(companies) + " --seed 5 --format access --output '" + path +
                              "' > /dev/null";
  QCOMPARE(std::system(command.c_str()), 0);
}

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

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

class LongWorkTest : public QObject {
  Q_OBJECT
 private slots:
  // The dialogs show at once, so Cancel can be pressed however fast the machine.
  void initTestCase() { SetProgressShowDelay(0); }
  void cleanupTestCase() { SetProgressShowDelay(-1); }
  void cancelledLoadKeepsTheGrid();
  void cancelledExportLeavesTheOldFile();
};

void LongWorkTest::cancelledLoadKeepsTheGrid() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 5"));
  // The next search loads a large directory afresh.
  f.dm.ADOConnection.Close();
  GenerateAccessDirectory(f.folder.Path() + "Database/corpdir.mdb", 20000);
  {
    CancelWhenShown cancel(&w, QStringLiteral("LoadProgress_Dlg"));
    w.QueryCompany_A->trigger();
    QCOMPARE(cancel.presses, 1);
  }
  // Quietly over: no message, the grid and the status as they were.
  QCOMPARE(f.messages, QStringList());
  QVERIFY(!f.dm.ADOConnection.Connected());
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 5"));
  QCOMPARE(w.Company_DBGrid->model()->rowCount(), 5);
  QVERIFY(f.dm.Company_Q.Active());
  QVERIFY(!f.dm.Company_Q.ControlsDisabled());
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QVERIFY(w.findChild<QProgressDialog*>(QStringLiteral("LoadProgress_Dlg")) == nullptr);
  // The category picker's load is stopped as quietly.
  {
    CancelWhenShown cancel(&w, QStringLiteral("LoadProgress_Dlg"));
    w.SelectCat_A->trigger();
    QCOMPARE(cancel.presses, 1);
  }
  QCOMPARE(f.messages, QStringList());
  QVERIFY(f.shown.isEmpty());  // the picker did not open
  // A search left alone loads the whole directory.
  w.QueryCompany_A->trigger();
  QCOMPARE(f.messages, QStringList());
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: 100"));
}

void LongWorkTest::cancelledExportLeavesTheOldFile() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  GenerateAccessDirectory(f.folder.Path() + "Database/corpdir.mdb", 20000);
  w.QueryCondition_Grp->Top_Cbo->setCurrentText(QStringLiteral("All"));
  w.QueryContact_A->trigger();  // the contact page is in front: its rows are exported
  QCOMPARE(w.StatusText(), QStringLiteral("Records Count: %1").arg(f.dm.Contact_Q.RecordCount()));
  QVERIFY(f.dm.Contact_Q.RecordCount() > 40000);
  f.dm.Contact_Q.MoveTo(7);
  const std::string target = f.folder.Path() + "contacts.xlsx";
  { std::ofstream(target) << "the old workbook"; }
  f.exportDlg->ExportType_Buttons->button(orbisk::etExcel)->setChecked(true);
  f.exportDlg->OutputFile_Edt->setText(QString::fromStdString(target));
  ModalSeam() = [&f](QDialog& d) { return &d == f.exportDlg ? int(QDialog::Accepted) : int(QDialog::Rejected); };
  const auto before = std::distance(fs::directory_iterator(f.folder.Path()), fs::directory_iterator());
  {
    CancelWhenShown cancel(&w, QStringLiteral("ExportProgress_Dlg"));
    w.Export_A->trigger();
    QCOMPARE(cancel.presses, 1);
  }
  QCOMPARE(f.messages, QStringList());  // no success message, no error
  QVERIFY(f.opened.isEmpty());
  QCOMPARE(ReadAll(target), std::string("the old workbook"));
  QCOMPARE(std::distance(fs::directory_iterator(f.folder.Path()), fs::directory_iterator()), before);
  QCOMPARE(f.dm.Contact_Q.RecNo(), 7);
  QVERIFY(QApplication::overrideCursor() == nullptr);

  // Cancelled where no file was: none is left.
  fs::remove(target);
  {
    CancelWhenShown cancel(&w, QStringLiteral("ExportProgress_Dlg"));
    w.Export_A->trigger();
    QCOMPARE(cancel.presses, 1);
  }
  QVERIFY(!fs::exists(target));
  QCOMPARE(f.messages, QStringList());
}

QTEST_MAIN(LongWorkTest)
#include "LongWork_test.moc"
