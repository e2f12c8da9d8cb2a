#pragma once
// The export dialog: the type, the output file and whether to open it after
// saving. Created once at start-up, so its settings stay while the program runs.
#include <QDialog>
#include <QString>

class QButtonGroup;
class QCheckBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// "Access(*.mdb)|*.mdb|Any File|*.*" as Qt's file dialogs want it.
QString QtFileFilter(const QString& windowsFilter);

class TExportType_Dlg : public QDialog {
  Q_OBJECT
 public:
  explicit TExportType_Dlg(QWidget* parent = nullptr);

  int SelectedExportType() const;
  bool OpenAfterSave() const;
  QString OutputFileName() const;  // exactly as typed

  QGroupBox* ExportType_Grp;
  QButtonGroup* ExportType_Buttons;
  QLabel* Label1;
  QCheckBox* OpenAfterSave_Chk;
  QLineEdit* OutputFile_Edt;
  QToolButton* OuputFileOpen_Btn;
  QPushButton* OK_Btn;
  QPushButton* Cancel_Btn;
  QFileDialog* OpenDialog;

  void ExportType_GrpClick();
  void OutputFile_EdtChange();
  void OuputFileOpen_BtnClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  void FormCreate();
};

extern TExportType_Dlg* ExportType_Dlg;
