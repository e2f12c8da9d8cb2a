#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/ProgramArguments.h"
#include "app/frmMain.h"
#include "app/uiComposition.h"
#include "data/ProgramFiles.h"
#include "export/db2excel.h"
#include "ui/uiLanguage.h"
#include "ui/uiLocalText.h"
#include "ui/uiLook.h"

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

  // A file given is used as named (made absolute here, so the tool tip shows
  // where it is); else the user's own directory, else the one beside the program.
  const std::string folder = orbisk::ProgramFolder();
  const std::string directory = args.file.empty() ? orbisk::DefaultDirectoryFile(folder)
                                                  : std::filesystem::absolute(args.file).string();
  // Kept until the program ends. Start-up opens no database: the connection
  // opens with the first query.
  const std::unique_ptr<TOrbiskWindows> windows = ComposeWindows(folder, directory);
  windows->Main_Frm->show();
  return app.exec();
}
