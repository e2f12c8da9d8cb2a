#pragma once
// The company details window: every field of one company, its description,
// its contacts and its products and services, on tabs.
#include <QDialog>
#include <vector>

#include "ui/uiDBGrid.h"
#include "data/uDM.h"

class QLabel;
class QPlainTextEdit;
class QTabWidget;

class TCompany_Dlg : public QDialog {
  Q_OBJECT
 public:
  explicit TCompany_Dlg(orbisk::TDM& dm, QWidget* parent = nullptr);
  ~TCompany_Dlg() override;

  // Reloads the window for the current row of Company_Q and shows it modally.
  // A failure while reloading still shows the window; the error is raised
  // again once it has closed.
  void OpenCompanyDetails();

  void Contact_DBGridDblClick();

  QLabel* Title_Pnl;
  QTabWidget* CompanyInfo_PC;
  QWidget* Details_TS;
  QWidget* Description_TS;
  QWidget* Contact_TS;
  QWidget* PSL_TS;
  QPlainTextEdit* Company_Memo;
  QPlainTextEdit* Company_Description_DBMemo;
  TDBGrid* Contact_DBGrid;
  TDBGrid* PSL_DBGrid;

 private:
  void FormCreate();
  void ShowDescription();
  orbisk::TDM& dm_;
  int descriptionLink_ = 0;
  orbisk::Query unfed_{"Unfed_Q"};  // the extra tabs' grids: never opened
  std::vector<TDBGrid*> unfedGrids_;
};

// The one instance, created at start-up and kept until the program ends.
extern TCompany_Dlg* Company_Dlg;
