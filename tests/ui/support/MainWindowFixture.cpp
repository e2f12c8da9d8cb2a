#include "tests/ui/support/MainWindowFixture.h"

#include <QTest>
#include <filesystem>

#include "app/uiShell.h"
#include "browse/uiDBGrid.h"
#include "browse/uiWindowKit.h"

MainWindowFixture::MainWindowFixture(bool withDirectory) {
  if (withDirectory) orbisk::testing::WriteSmallDirectory(folder.Path());
  // The templates the program ships beside itself, in the folder's own database folder.
  std::filesystem::create_directories(folder.Path() + "Database");
  for (const char* name : {"Company_Template.htm", "Contact_Template.htm"})
    std::filesystem::copy_file(std::string(ORBISK_BUILD_DIR "/bin/Database/") + name,
                               folder.Path() + "Database/" + name);
  dm.DataModuleCreate(folder.Path());
  frm = std::make_unique<TMain_Frm>();
  frm->ProgramFolder = QString::fromStdString(folder.Path());
  frm->BindDataModule(&dm);
  catDlg = std::make_unique<TComanyCat_Dlg>(dm, frm.get());
  ComanyCat_Dlg = catDlg.get();
  companyDlg = std::make_unique<TCompany_Dlg>(dm, frm.get());
  Company_Dlg = companyDlg.get();
  contactDlg = std::make_unique<TContact_Dlg>(dm, frm.get());
  Contact_Dlg = contactDlg.get();
  exportDlg = std::make_unique<TExportType_Dlg>(frm.get());
  ExportType_Dlg = exportDlg.get();
  ModalSeam() = [this](QDialog& d) {
    auto* title = d.findChild<QLabel*>(QStringLiteral("Title_Pnl"));
    shown.append(title ? title->text() : d.windowTitle());
    return static_cast<int>(QDialog::Rejected);
  };
  SetUrlOpener([this](const QUrl& url) { opened.append(url); });
  SetMessageShower([this](QWidget*, const QString& text) { messages.append(text); });
  frm->show();
  if (!QTest::qWaitForWindowExposed(frm.get())) qWarning("main window not exposed");
}

MainWindowFixture::~MainWindowFixture() {
  SetUrlOpener({});
  SetMessageShower({});
  ModalSeam() = nullptr;
  ComanyCat_Dlg = nullptr;
  Company_Dlg = nullptr;
  Contact_Dlg = nullptr;
  ExportType_Dlg = nullptr;
  exportDlg.reset();
  contactDlg.reset();
  companyDlg.reset();
  catDlg.reset();
  frm.reset();
}

QPoint CellCentre(TDBGrid* grid, int row, int column) {
  grid->scrollTo(grid->model()->index(row, column));
  return grid->visualRect(grid->model()->index(row, column)).center();
}

int ColumnOf(TDBGrid* grid, const char* field) {
  for (int c = 0; c < grid->model()->columnCount(); ++c)
    if (grid->queryModel()->column(c).field == field) return c;
  return -1;
}

void ClickCell(TDBGrid* grid, int row, int column) {
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, CellCentre(grid, row, column));
}
