#pragma once
// The main window: title banner, search panel, command column, the two result
// pages and the status bar. The searches' SQL comes from search/SearchBuilders;
// this window only reads its controls into a SearchPanel and runs the queries.
#include "ui/uiWindowKit.h"
#include <QLabel>
#include <QMainWindow>
#include <string>

#include "search/SearchBuilders.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLineEdit;
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
  orbisk::TDM* DataModule() const { return dm_; }

  QString ProgramFolder;
  QString CategoryCondition;

  // Status bar texts of the result grids.
  void ShowCurrentRecord(orbisk::Query& q);
  void ShowRecordCount(orbisk::Query& q);
  void SetStatusText(const QString& text);

  // Where the window goes on a screen whose free area is `available`, the
  // window manager adding `frame` around it: centred, as wide as its natural
  // width or the screen, as high as the screen allows (at most 760 rows of
  // pixels unless the window needs more), never below its least size.
  QRect FittedGeometry(const QRect& available, const QMargins& frame) const;
  QString StatusText() const;

  // The search panel as it stands, and the statements built from it.
  orbisk::SearchPanel CurrentPanel() const;
  std::string BuildConditions() const { return orbisk::BuildConditions(CurrentPanel()); }
  std::string BuildTopClause() const { return orbisk::BuildTopClause(CurrentPanel()); }
  std::string BuildCompanyOrderBy() const { return orbisk::BuildCompanyOrderBy(CurrentPanel()); }
  std::string BuildContactOrderBy() const { return orbisk::BuildContactOrderBy(CurrentPanel()); }
  std::string BuildCompanySQL() const { return orbisk::BuildCompanySQL(CurrentPanel()); }
  std::string BuildContactSQL() const { return orbisk::BuildContactSQL(CurrentPanel()); }

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
  QGroupBox* QueryCondition_Grp = nullptr;
  QCheckBox* Top_Chk = nullptr;
  QComboBox* Top_Cbo = nullptr;
  QCheckBox* Category_Chk = nullptr;
  QLineEdit* C_Cat_Edt = nullptr;
  QLineEdit* Category_Edt = nullptr;
  QPushButton* SelectCat_Btn = nullptr;
  QCheckBox* Location_Chk = nullptr;
  QLineEdit* C_Location_Edt = nullptr;
  QComboBox* Location_Cbo = nullptr;
  QCheckBox* TelAreaCode_Chk = nullptr;
  QComboBox* C_TelAreaCode_Cbo = nullptr;
  QComboBox* TelAreaCode_Cbo = nullptr;
  QPushButton* Map_Btn = nullptr;
  QCheckBox* PostalCode_Chk = nullptr;
  QComboBox* C_PostCode_Cbo = nullptr;
  QLineEdit* PostCode_Edt = nullptr;
  QCheckBox* CompanyName_Chk = nullptr;
  QLineEdit* C_CompanName_Edt = nullptr;
  QLineEdit* CompanyName_Edt = nullptr;
  QCheckBox* PSL_Chk = nullptr;
  QLineEdit* C_PSL_Edt = nullptr;
  QLineEdit* PSL_Edt = nullptr;
  QCheckBox* NumberofEmployees_Chk = nullptr;
  QComboBox* C_NumberOfEmployees_Cbo = nullptr;
  QLineEdit* NumberofEmployees_Edt = nullptr;
  QCheckBox* YearEstablished_Chk = nullptr;
  QComboBox* C_YearEstablished_Cbo = nullptr;
  QLineEdit* YearEstablished_Edt = nullptr;
  QCheckBox* WithURL_Chk = nullptr;
  QCheckBox* WithEmail_Chk = nullptr;
  QCheckBox* WithContactEmail_Chk = nullptr;
  QComboBox* OrderBy_Cbo = nullptr;
  QCheckBox* IgnoreAccents_Chk = nullptr;

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
  bool eventFilter(QObject* watched, QEvent* event) override;
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
  // Names a screen reader reads for every control: the row captions, never the values.
  void SetAccessibleNames();
  void ConnectAutoTicks();
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
  bool ApplicationEventsMessage(QObject* watched, QEvent* event);
  // Who takes the arrow key a wheel turn over `under` becomes; nullptr: nobody.
  static QWidget* WheelReceiver(QWidget* under);
  bool wheelStepping_ = false;  // an arrow key made from a wheel turn is being handled

  orbisk::TDM* dm_ = nullptr;
  QLabel* StatusText_Lab = nullptr;
  QProgressDialog* loadProgress_ = nullptr;
  bool searching_ = false;
  bool shownOnce_ = false;
  bool frameFitted_ = false;
  QMargins fittedFrame_;
};

extern TMain_Frm* Main_Frm;
extern orbisk::TDM* DM;
