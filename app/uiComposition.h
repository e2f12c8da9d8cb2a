#pragma once
// The program's windows and its data module, made and wired once: the main
// window, the data module, the category picker, the company details and
// contact windows and the export dialog, each kept until the end.
#include <memory>
#include <string>

class TMain_Frm;
class TComanyCat_Dlg;
class TCompany_Dlg;
class TContact_Dlg;
class TExportType_Dlg;

namespace orbisk {
class TDM;
}  // namespace orbisk

struct TOrbiskWindows {
  TOrbiskWindows();
  // The dialogs and the main window go before the data module whose queries
  // their grids watch; the dialogs can no longer be reached from then on.
  ~TOrbiskWindows();
  TOrbiskWindows(const TOrbiskWindows&) = delete;
  TOrbiskWindows& operator=(const TOrbiskWindows&) = delete;

  std::unique_ptr<orbisk::TDM> DM;
  std::unique_ptr<TMain_Frm> Main_Frm;
  std::unique_ptr<TComanyCat_Dlg> ComanyCat_Dlg;
  std::unique_ptr<TCompany_Dlg> Company_Dlg;
  std::unique_ptr<TContact_Dlg> Contact_Dlg;
  std::unique_ptr<TExportType_Dlg> ExportType_Dlg;
};

// Makes the windows in the order the program starts them: the main window
// first, then the data module for `directoryFile` (nothing is opened yet), the
// grids bound to it, then the dialogs. `programFolder` (with its trailing
// slash) is where the program's own files are found. Nothing is shown.
std::unique_ptr<TOrbiskWindows> ComposeWindows(const std::string& programFolder, const std::string& directoryFile);
