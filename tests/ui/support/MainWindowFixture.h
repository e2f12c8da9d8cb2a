#pragma once
// The real main window over a small directory in a temporary program folder
// (which also holds the HTML export templates), with the desktop opener and
// the message boxes replaced by recorders.
#include <QPoint>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <string>

#include "app/frmMain.h"
#include "app/uiComposition.h"
#include "search/frmSearchPanel.h"
#include "browse/dlgCompany.h"
#include "browse/dlgContact.h"
#include "search/dlgCat.h"
#include "data/uDM.h"
#include "export/dlgSelectExportType.h"
#include "tests/core/TestDirectory.h"

class MainWindowFixture {
 public:
  // withDirectory false: the program folder has no Database/corpdir.mdb.
  // chooseFile: the directory file the program is started with, from the
  // program folder (as the command line and the user's data folder give it).
  explicit MainWindowFixture(bool withDirectory = true,
                             std::function<std::string(const std::string& folder)> chooseFile = {});
  ~MainWindowFixture();

  orbisk::testing::TempFolder folder;

 private:
  // The program's own composition, over the folder made ready first.
  static std::unique_ptr<TOrbiskWindows> Compose(const orbisk::testing::TempFolder& folder, bool withDirectory,
                                                 const std::function<std::string(const std::string&)>& chooseFile);
  std::unique_ptr<TOrbiskWindows> windows_;

 public:
  orbisk::TDM& dm;
  TMain_Frm* frm;
  TComanyCat_Dlg* catDlg;
  TCompany_Dlg* companyDlg;
  TContact_Dlg* contactDlg;
  TExportType_Dlg* exportDlg;
  QList<QUrl> opened;
  QStringList messages;
  QStringList shown;  // titles of the modal windows shown (they close at once)
};

class TDBGrid;
class TMap_Frm;

// Where a grid cell lies in the grid's viewport (scrolled into view first).
QPoint CellCentre(TDBGrid* grid, int row, int column);
// The grid column showing a field; -1 when none does.
int ColumnOf(TDBGrid* grid, const char* field);
// A left click on a cell, as the user makes it current.
void ClickCell(TDBGrid* grid, int row, int column);
// A point of the shown map well inside the region that chooses `what`
// ("Location|Ontario"), found in the region files the program ships.
QPoint PointOf(TMap_Frm& map, const QString& what);
