#pragma once
// The real main window over a small directory in a temporary program folder,
// with the desktop opener and the message boxes replaced by recorders.
#include <QStringList>
#include <QUrl>
#include <memory>

#include "app/frmMain.h"
#include "browse/dlgCompany.h"
#include "browse/dlgContact.h"
#include "search/dlgCat.h"
#include "data/uDM.h"
#include "tests/core/TestDirectory.h"

class MainWindowFixture {
 public:
  // withDirectory false: the program folder has no Database/corpdir.mdb.
  explicit MainWindowFixture(bool withDirectory = true);
  ~MainWindowFixture();

  orbisk::testing::TempFolder folder;
  orbisk::TDM dm;  // declared before the window: it outlives the grids
  std::unique_ptr<TMain_Frm> frm;
  std::unique_ptr<TComanyCat_Dlg> catDlg;
  std::unique_ptr<TCompany_Dlg> companyDlg;
  std::unique_ptr<TContact_Dlg> contactDlg;
  QList<QUrl> opened;
  QStringList messages;
  QStringList shown;  // titles of the modal windows shown (they close at once)
};
