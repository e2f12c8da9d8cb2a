#include <QApplication>
#include <memory>

#include "app/frmMain.h"
#include "browse/dlgCompany.h"
#include "browse/dlgContact.h"
#include "data/uDM.h"
#include "export/db2excel.h"
#include "export/dlgSelectExportType.h"
#include "search/dlgCat.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Orbisk"));

  // Workbooks shown in the spreadsheet program by earlier runs, once surely closed.
  orbisk::RemoveStaleExcelFolders();

  // Created in this order and kept until the program ends. Start-up opens no
  // database: the connection opens with the first query.
  std::unique_ptr<orbisk::TDM> dm;  // outlives the windows whose grids watch its queries
  TMain_Frm mainFrm;
  Main_Frm = &mainFrm;
  dm = std::make_unique<orbisk::TDM>();
  DM = dm.get();
  DM->DataModuleCreate(Main_Frm->ProgramFolder.toStdString());
  Main_Frm->BindDataModule(DM);
  TComanyCat_Dlg comanyCatDlg(*DM, Main_Frm);
  ComanyCat_Dlg = &comanyCatDlg;
  TCompany_Dlg companyDlg(*DM, Main_Frm);
  Company_Dlg = &companyDlg;
  TContact_Dlg contactDlg(*DM, Main_Frm);
  Contact_Dlg = &contactDlg;
  TExportType_Dlg exportTypeDlg(Main_Frm);
  ExportType_Dlg = &exportTypeDlg;

  Main_Frm->show();
  const int rc = app.exec();
  Main_Frm = nullptr;
  ComanyCat_Dlg = nullptr;
  Company_Dlg = nullptr;
  Contact_Dlg = nullptr;
  ExportType_Dlg = nullptr;
  DM = nullptr;
  return rc;
}
