#include "app/uiComposition.h"

#include "app/frmMain.h"
#include "browse/dlgCompany.h"
#include "browse/dlgContact.h"
#include "data/uDM.h"
#include "export/dlgSelectExportType.h"
#include "search/dlgCat.h"

TOrbiskWindows::TOrbiskWindows() = default;

TOrbiskWindows::~TOrbiskWindows() {
  ::ComanyCat_Dlg = nullptr;
  ::Company_Dlg = nullptr;
  ::Contact_Dlg = nullptr;
  ::ExportType_Dlg = nullptr;
  ExportType_Dlg.reset();
  Contact_Dlg.reset();
  Company_Dlg.reset();
  ComanyCat_Dlg.reset();
  Main_Frm.reset();
  DM.reset();
}

std::unique_ptr<TOrbiskWindows> ComposeWindows(const std::string& programFolder, const std::string& directoryFile) {
  auto w = std::make_unique<TOrbiskWindows>();
  w->Main_Frm = std::make_unique<TMain_Frm>();
  w->Main_Frm->ProgramFolder = QString::fromStdString(programFolder);
  w->DM = std::make_unique<orbisk::TDM>();
  w->DM->DataModuleCreate(programFolder, directoryFile);
  w->Main_Frm->BindDataModule(w->DM.get());
  TMain_Frm* owner = w->Main_Frm.get();
  w->ComanyCat_Dlg = std::make_unique<TComanyCat_Dlg>(*w->DM, owner);
  ::ComanyCat_Dlg = w->ComanyCat_Dlg.get();
  w->Company_Dlg = std::make_unique<TCompany_Dlg>(*w->DM, owner);
  ::Company_Dlg = w->Company_Dlg.get();
  w->Contact_Dlg = std::make_unique<TContact_Dlg>(*w->DM, owner);
  ::Contact_Dlg = w->Contact_Dlg.get();
  w->ExportType_Dlg = std::make_unique<TExportType_Dlg>(owner);
  ::ExportType_Dlg = w->ExportType_Dlg.get();
  return w;
}
