// The export actions of the main window: the export dialog and the workbook
// shown in the desktop's spreadsheet program.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTabWidget>
#include <memory>

#include "app/frmMain.h"
#include "ui/uiShell.h"
#include "ui/uiDBGrid.h"
#include "ui/uiWindowKit.h"
#include "data/uDM.h"
#include "export/ExportDispatch.h"
#include "export/dlgSelectExportType.h"

using orbisk::Query;

namespace {

// A progress dialog for long exports: application-modal, with Cancel, shown
// only when the export takes a while. The writers report rows written; after
// Cancel the answer is to stop, and the writer ends with ExportCancelled.
class ExportProgressDialog {
 public:
  ExportProgressDialog(QWidget* parent, int total) : total_(total) {
    if (total_ < 2000) return;  // short exports finish before anyone would look
    dialog_ = std::make_unique<QProgressDialog>(QCoreApplication::translate("TMain_Frm", "Exporting..."), QCoreApplication::translate("TMain_Frm", "Cancel"), 0, total_,
                                                parent);
    dialog_->setObjectName(QStringLiteral("ExportProgress_Dlg"));
    dialog_->setWindowTitle(QApplication::applicationName());
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setMinimumDuration(ProgressShowDelay(200));
    dialog_->setAutoClose(false);
  }
  // Closed before any message box, so no progress stays behind it.
  void Close() { dialog_.reset(); }
  orbisk::Progress Callback() {
    return [this](const orbisk::ProgressStep& step) {
      if (!dialog_) return true;
      const long long rows = step.done;
      if (!dialog_->wasCanceled()) {
        dialog_->setLabelText(QCoreApplication::translate("TMain_Frm", "Exported %1 of %2 rows...").arg(rows).arg(total_));
        dialog_->setValue(static_cast<int>(std::min<long long>(rows, total_)));
      }
      return !dialog_->wasCanceled();
    };
  }

 private:
  int total_;
  std::unique_ptr<QProgressDialog> dialog_;
};

orbisk::ExcelUi WindowExcelUi(QWidget* parent, ExportProgressDialog& progress) {
  orbisk::ExcelUi ui;
  ui.askFileName = [parent]() -> std::string {
    QFileDialog chooser(parent);
    chooser.setAcceptMode(QFileDialog::AcceptSave);
    chooser.setNameFilter(QtFileFilter(QString::fromUtf8(orbisk::kExcelFileFilter) + QStringLiteral(";*.xlsx")));
    chooser.setDefaultSuffix(QStringLiteral("xlsx"));  // the workbook is an Office Open XML file
    if (ExecModal(chooser) != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return {};
    if (QWidget* w = QApplication::activeWindow()) w->repaint();
    return chooser.selectedFiles().first().toStdString();
  };
  ui.notice = [parent, &progress](const std::string& caption, const std::string& text) {
    progress.Close();
    ShowNotice(parent, QString::fromStdString(caption), QString::fromStdString(text));
  };
  ui.openFile = [](const std::string& path) { ShellOpenWrittenFile(QString::fromStdString(path)); };
  return ui;
}

}  // namespace

void TMain_Frm::Export_AExecute() {
  RunGuarded(this, [this] {
    if (!dm_ || !ExportType_Dlg) return;
    const bool company = Result_PC->currentWidget() == CompanyList_TS;
    Query& source = company ? dm_->Company_Q : dm_->Contact_Q;
    TDBGrid* grid = company ? Company_DBGrid : Contact_DBGrid;
    // Taken before the dialog opens: the column selected in the grid, the template.
    orbisk::ExportRequest request;
    request.columnField = grid->SelectedField();
    request.templateFile = orbisk::TemplateFileFor(source, ProgramFolder.toStdString());
    if (ExecModal(*ExportType_Dlg) != QDialog::Accepted) return;
    if (!source.Active()) {
      // OK on a page without a result: nothing is written, and the user is told so.
      ShowMessage(this, tr("There is no list to export yet: run a search first."));
      return;
    }
    request.type = ExportType_Dlg->SelectedExportType();
    request.fileName = ExportType_Dlg->OutputFileName().toStdString();

    QApplication::processEvents();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Only the cursor set here is taken back; one set by someone else stays theirs.
    struct RestoreCursor {
      ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restore;
    ExportProgressDialog progress(this, source.RecordCount());
    orbisk::ExportOutcome outcome;
    try {
      // The lists do not follow the export's walk, its move to the first row
      // included: they keep their selection and where they were scrolled.
      orbisk::WalkGuard unseen(source);
      outcome = orbisk::RunExport(source, request, WindowExcelUi(this, progress), progress.Callback());
    } catch (const orbisk::ExportCancelled&) {
      return;  // stopped by the user: no file, no message
    }
    progress.Close();
    QApplication::processEvents();
    if (!outcome.done) return;  // the workbook writer has said why
    // Rows an Access table refused are always told, even when the file opens next.
    if (!ExportType_Dlg->OpenAfterSave() || outcome.rowsRefused > 0)
      ShowMessage(this, outcome.rowsRefused > 0
                            ? tr("Exported %1 rows; %2 rows could not be written.")
                                  .arg(outcome.rowsWritten)
                                  .arg(outcome.rowsRefused)
                            : tr("Exported Successfully!"));
    // The file as written: a name with blanks or without a folder is not a web address.
    if (ExportType_Dlg->OpenAfterSave()) ShellOpenWrittenFile(QString::fromStdString(outcome.fileName));
  });
}

void TMain_Frm::ExportExcel_AExecute() {
  RunGuarded(this, [this] {
    if (!dm_) return;
    Query& source = Result_PC->currentWidget() == CompanyList_TS ? dm_->Company_Q : dm_->Contact_Q;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestoreCursor {
      ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restore;
    ExportProgressDialog progress(this, source.RecordCount());
    const orbisk::ExcelOptions options{.lowTag = 0, .highTag = 100, .show = true, .progress = progress.Callback()};
    orbisk::ExportToExcel(source, std::string(), options, WindowExcelUi(this, progress));
  });
}
