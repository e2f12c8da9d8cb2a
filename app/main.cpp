#include <QApplication>
#include <memory>

#include "app/frmMain.h"
#include "data/uDM.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Orbisk"));
  QApplication::setApplicationDisplayName(QStringLiteral("Orbisk"));

  // Created in this order and kept until the program ends. Start-up opens no
  // database: the connection opens with the first query.
  std::unique_ptr<orbisk::TDM> dm;  // outlives the window whose grids watch its queries
  TMain_Frm mainFrm;
  Main_Frm = &mainFrm;
  dm = std::make_unique<orbisk::TDM>();
  DM = dm.get();
  DM->DataModuleCreate(Main_Frm->ProgramFolder.toStdString());
  Main_Frm->BindDataModule(DM);
  // The category picker, the details and contact windows and the export
  // dialog are created here, in that order, once they exist.

  Main_Frm->show();
  const int rc = app.exec();
  Main_Frm = nullptr;
  DM = nullptr;
  return rc;
}
