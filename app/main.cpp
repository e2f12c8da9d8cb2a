#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/ProgramArguments.h"
#include "app/frmMain.h"
#include "ui/uiLanguage.h"
#include "ui/uiLocalText.h"
#include "ui/uiLook.h"
#include "browse/dlgCompany.h"
#include "browse/dlgContact.h"
#include "data/ProgramFiles.h"
#include "data/uDM.h"
#include "export/db2excel.h"
#include "export/dlgSelectExportType.h"
#include "search/dlgCat.h"

namespace {

// --help and --version answer on the terminal, before any window or display.
// Anything else is read again once Qt has taken its own options.
bool AnswerWithoutWindow(const orbisk::ProgramArguments& a) {
  if (a.action == orbisk::ProgramArguments::Action::Help) std::fputs(orbisk::ProgramHelpText().c_str(), stdout);
  if (a.action == orbisk::ProgramArguments::Action::Version) std::fputs(orbisk::ProgramVersionText().c_str(), stdout);
  return a.action == orbisk::ProgramArguments::Action::Help || a.action == orbisk::ProgramArguments::Action::Version;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (AnswerWithoutWindow(orbisk::ParseProgramArguments(std::vector<std::string>(argv + 1, argv + argc)))) return 0;
  QApplication app(argc, argv);
  std::vector<std::string> rest;
  for (const QString& a : QCoreApplication::arguments().mid(1)) rest.push_back(a.toStdString());
  const orbisk::ProgramArguments args = orbisk::ParseProgramArguments(rest);
  if (args.action == orbisk::ProgramArguments::Action::Usage) {
    std::fprintf(stderr, "orbisk: %s\nTry 'orbisk --help'.\n", args.error.c_str());
    return 2;
  }
  QApplication::setApplicationName(QStringLiteral("Orbisk"));
  InstallFontSubstitutes();
  // Every window takes its texts when it is made: the language comes first.
  const bool french = PreferredInterfaceLanguage() == InterfaceLanguage::French;
  if (!InstallTranslations(french ? QStringLiteral("fr") : QStringLiteral("en")))
    std::fputs("orbisk: the French translation cannot be loaded; the windows stay in English.\n", stderr);

  // Workbooks shown in the spreadsheet program by earlier runs, once surely closed.
  orbisk::RemoveStaleExcelFolders();

  // Created in this order and kept until the program ends. Start-up opens no
  // database: the connection opens with the first query.
  std::unique_ptr<orbisk::TDM> dm;  // outlives the windows whose grids watch its queries
  TMain_Frm mainFrm;
  Main_Frm = &mainFrm;
  dm = std::make_unique<orbisk::TDM>();
  DM = dm.get();
  // A file given is used as named (made absolute here, so the tool tip shows
  // where it is); else the user's own directory, else the one beside the program.
  const std::string directory = args.file.empty()
                                    ? orbisk::DefaultDirectoryFile(Main_Frm->ProgramFolder.toStdString())
                                    : std::filesystem::absolute(args.file).string();
  DM->DataModuleCreate(Main_Frm->ProgramFolder.toStdString(), directory);
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
