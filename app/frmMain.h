#pragma once
// The main window: title banner, search panel, command column, the two result
// pages and the status bar. The search panel answers what a search reads from
// it; the searches' SQL comes from search/SearchBuilders; this window runs the
// queries and shows their results.
#include <QLabel>
#include <QMainWindow>
#include <memory>

#include "app/uiWindowFit.h"
#include "search/frmSearchPanel.h"
#include "ui/uiWindowKit.h"

class QAction;
class QFrame;
class QProgressDialog;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QToolButton;
class TDBGrid;

namespace orbisk {
class Query;
class TDM;
}  // namespace orbisk


class TMain_Frm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMain_Frm(QWidget* parent = nullptr);
  ~TMain_Frm() override;

  // Binds the result grids to the data module; called once it exists.
  void BindDataModule(orbisk::TDM* dm);

  QString ProgramFolder;

  // Status bar texts of the result grids.
  void ShowCurrentRecord(orbisk::Query& q);
  void ShowRecordCount(orbisk::Query& q);
  void SetStatusText(const QString& text);

  QString StatusText() const;
  // How the window fits the screen it opens on.
  const TWindowFit& WindowFit() const { return *fit_; }

  // Action handlers.
  void QueryCompany_AExecute();
  void QueryContact_AExecute();
  void QueryVisible_AExecute();
  void GoToWeb_AExecute();
  // Filled in by the dialogs' windows (category picker, map, About, export).
  void SelectCat_AExecute();
  void ShowMap_AExecute();
  void About_AExecute();
  void Export_AExecute();
  void ExportExcel_AExecute();
  void OpenCompanyDetails();
  void OpenContactWindow();

  // Grid handlers.
  void Company_DBGridCellClick();
  void Contact_DBGridCellClick();
  void Company_DBGridDblClick();
  void Contact_DBGridDblClick();

  // Banner.
  QFrame* Title_Pnl = nullptr;
  QLabel* Title_Lab = nullptr;
  TClickLabel* Logo_Img = nullptr;
  QToolButton* QueryVisible_Btn = nullptr;

  // Search panel.
  QWidget* Query_Pnl = nullptr;
  TSearchPanel_Frm* QueryCondition_Grp = nullptr;  // "Search Condition": the conditions' rows

  // Command column.
  QPushButton* QueryCompany_Btn = nullptr;
  QPushButton* QueryContact_Btn = nullptr;
  QPushButton* Export_Btn = nullptr;
  QPushButton* About_Btn = nullptr;
  TClickLabel* Mailto_Lab = nullptr;
  TClickLabel* GotoWeb_Lab = nullptr;

  // Result pages.
  QSplitter* Cat_Splitter = nullptr;
  QTabWidget* Result_PC = nullptr;
  QWidget* CompanyList_TS = nullptr;
  QWidget* ContactList_TS = nullptr;
  QWidget* Contact_Pnl = nullptr;
  TDBGrid* Company_DBGrid = nullptr;
  TDBGrid* Contact_DBGrid = nullptr;
  QStatusBar* StatusBar = nullptr;

  // Actions.
  QAction* SelectCat_A = nullptr;
  QAction* QueryCompany_A = nullptr;
  QAction* QueryContact_A = nullptr;
  QAction* ExportExcel_A = nullptr;
  QAction* GoToWeb_A = nullptr;
  QAction* QueryVisible_A = nullptr;
  QAction* ShowMap_A = nullptr;
  QAction* About_A = nullptr;
  QAction* Export_A = nullptr;

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  void FormCreate();
  void FormShow();
  void CreateBanner();
  void CreateSearchPanel();
  void CreateCommandColumn(QWidget* parent);
  void CreateResultPages();
  void CreateActions();
  void SetTabOrder();
  // Names a screen reader reads for the window's own controls.
  void SetAccessibleNames();
  // The body both searches share: statement, reopen, status, page, with
  // every suspension undone whatever happens.
  void RunSearch(orbisk::Query& q, TDBGrid* grid, QWidget* page, bool contact);
  // Opens the directory (loading an Access file, with a progress dialog the
  // user can cancel: LoadCancelled then propagates and nothing has changed).
  void LoadDirectory();
  bool ShowLoadProgress(long long done, long long total);
  // A search running longer than a second shows the same dialog, whose
  // Cancel stops the statement (the search then ends quietly).
  bool ShowSearchProgress(double seconds);

  orbisk::TDM* dm_ = nullptr;
  QLabel* StatusText_Lab = nullptr;
  QProgressDialog* loadProgress_ = nullptr;
  bool searching_ = false;
  bool shownOnce_ = false;
  std::unique_ptr<TWindowFit> fit_;
};
