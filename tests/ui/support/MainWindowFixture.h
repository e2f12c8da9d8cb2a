#pragma once
// The real main window over a small directory in a temporary program folder,
// with the desktop opener and the message boxes replaced by recorders.
#include <QStringList>
#include <QUrl>
#include <memory>

#include "app/frmMain.h"
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
  QList<QUrl> opened;
  QStringList messages;
};
