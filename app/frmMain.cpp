// The main window's construction: banner, search panel, command column,
// result pages, actions and the application-wide key and wheel handling.
#include "app/frmMain.h"

#include "OrbiskVersion.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <cmath>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "browse/ShellTarget.h"
#include "ui/uiSchemeColours.h"
#include "ui/uiLook.h"
#include "ui/uiShell.h"
#include "data/ProgramFiles.h"

// The pictures are compiled into the static window library; a static library's
// resources register only when asked to.
static void InitResources() { Q_INIT_RESOURCE(orbisk); }

TMain_Frm* Main_Frm = nullptr;
orbisk::TDM* DM = nullptr;

namespace {

// The window's designed client width: roomy value boxes where the screen allows.
constexpr int kDesignedWidth = 1132;
// The client height the window asks for where the screen allows it.
constexpr int kLeastComfortableHeight = 760;
// What a Wayland compositor may keep of the screen for its title bar and
// panels, which it does not tell.
constexpr int kWaylandAllowance = 96;

const QStringList kOperators = {"=", ">", ">=", "<", "<=", "<>"};

QComboBox* DropDownList(QWidget* parent, const QStringList& items, const QString& current) {
  auto* c = new QComboBox(parent);
  c->addItems(items);
  c->setCurrentText(current);
  return c;
}

QLineEdit* OperatorBox(QWidget* parent, const QString& op) {
  auto* e = new QLineEdit(op, parent);
  e->setReadOnly(true);
  e->setFocusPolicy(Qt::NoFocus);
  e->setAlignment(Qt::AlignCenter);
  return e;
}

QFont TitleFont() {
  QFont f = VerdanaPixels(30);
  f.setBold(true);
  f.setItalic(true);
  return f;
}

void MakeLink(TClickLabel* label, const QString& hint) {
  QFont f = label->font();
  f.setUnderline(true);
  label->setFont(f);
  ApplyLinkColour(label, false);
  label->setCursor(Qt::PointingHandCursor);
  label->setToolTip(hint);
  label->setFocusPolicy(Qt::TabFocus);
}

}  // namespace


TMain_Frm::TMain_Frm(QWidget* parent) : QMainWindow(parent) {
  InitResources();
  InstallAccessibleFactories();
  setFont(VerdanaPixels(15));
  CreateActions();
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  CreateBanner();
  layout->addWidget(Title_Pnl);
  CreateSearchPanel();
  CreateResultPages();
  Cat_Splitter = new QSplitter(Qt::Vertical, central);
  Cat_Splitter->setObjectName(QStringLiteral("Cat_Splitter"));
  Cat_Splitter->addWidget(Query_Pnl);
  Cat_Splitter->addWidget(Result_PC);
  Cat_Splitter->setStretchFactor(0, 0);
  Cat_Splitter->setStretchFactor(1, 1);
  Cat_Splitter->setCollapsible(0, false);
  Cat_Splitter->setCollapsible(1, false);
  Cat_Splitter->setHandleWidth(3);
  Cat_Splitter->setStyleSheet(QStringLiteral("QSplitter#Cat_Splitter::handle { background: rgb(128,128,255); }"));
  layout->addWidget(Cat_Splitter, 1);
  setCentralWidget(central);

  StatusBar = statusBar();
  StatusBar->setSizeGripEnabled(true);
  StatusText_Lab = new QLabel(StatusBar);
  StatusText_Lab->setObjectName(QStringLiteral("StatusText_Lab"));
  StatusText_Lab->setTextFormat(Qt::PlainText);  // it shows names from the directory
  StatusBar->addWidget(StatusText_Lab, 1);
  SetStatusText(tr("Ready"));

  SetTabOrder();
  SetAccessibleNames();
  ConnectAutoTicks();
  auto* quit = new QAction(this);
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  quit->setShortcutContext(Qt::WindowShortcut);
  connect(quit, &QAction::triggered, this, &QWidget::close);
  addAction(quit);
  qApp->installEventFilter(this);
  FormCreate();
}

TMain_Frm::~TMain_Frm() {
  qApp->removeEventFilter(this);
  // The controls outlive this object's own part while the widget base deletes
  // them; what they signal then (a closing list's choice) must not reach
  // handlers of a window that is no longer whole.
  for (QWidget* control : findChildren<QWidget*>()) control->blockSignals(true);
  if (Main_Frm == this) Main_Frm = nullptr;
}

void TMain_Frm::FormCreate() {
  ProgramFolder = QString::fromStdString(orbisk::ProgramFolder());
  setWindowTitle(QStringLiteral("Orbisk " ORBISK_VERSION));
  QueryContact_Btn->setEnabled(true);
  CategoryCondition.clear();
  // The banner paints its own colour, not the themed background.
  Title_Pnl->setAutoFillBackground(true);
}

void TMain_Frm::CreateActions() {
  auto make = [this](const QString& caption, void (TMain_Frm::*handler)()) {
    auto* a = new QAction(caption, this);
    connect(a, &QAction::triggered, this, [this, handler] { RunGuarded(this, [this, handler] { (this->*handler)(); }); });
    return a;
  };
  SelectCat_A = make(QStringLiteral("..."), &TMain_Frm::SelectCat_AExecute);
  SelectCat_A->setToolTip(tr("Choose Category"));
  QueryCompany_A = make(tr("Query Company"), &TMain_Frm::QueryCompany_AExecute);
  QueryContact_A = make(tr("Query Contact"), &TMain_Frm::QueryContact_AExecute);
  ExportExcel_A = make(tr("Export to Excel"), &TMain_Frm::ExportExcel_AExecute);
  ExportExcel_A->setEnabled(false);
  GoToWeb_A = make(QString(), &TMain_Frm::GoToWeb_AExecute);
  QueryVisible_A = make(QString(), &TMain_Frm::QueryVisible_AExecute);
  QueryVisible_A->setToolTip(tr("Hide/Show Search Panel"));
  ShowMap_A = make(QStringLiteral("..."), &TMain_Frm::ShowMap_AExecute);
  About_A = make(tr("About..."), &TMain_Frm::About_AExecute);
  Export_A = make(tr("&Export"), &TMain_Frm::Export_AExecute);
}

void TMain_Frm::CreateBanner() {
  Title_Pnl = new QFrame(this);
  Title_Pnl->setObjectName(QStringLiteral("Title_Pnl"));
  QPalette p = Title_Pnl->palette();
  p.setColor(QPalette::Window, kBannerCream);
  p.setColor(QPalette::WindowText, kBrandGreen);
  Title_Pnl->setPalette(p);
  Title_Pnl->setFrameShape(QFrame::NoFrame);
  auto* row = new QHBoxLayout(Title_Pnl);
  const int margin = 8;
  // The same margin on both sides: the toggle button mirrors the logo.
  row->setContentsMargins(margin, 0, margin, 0);

  Logo_Img = new TClickLabel(Title_Pnl);
  Logo_Img->setCursor(Qt::PointingHandCursor);
  Logo_Img->setToolTip(tr("Product Home Page"));
  if (QFile::exists(QStringLiteral(":/images/logo.png"))) {
    QPixmap logo(QStringLiteral(":/images/logo.png"));
    // No taller than the caption's line, so the banner takes no more height than its caption.
    const int most = QFontMetrics(TitleFont()).height();
    Logo_Img->setPixmap(logo.height() > most ? logo.scaledToHeight(most, Qt::SmoothTransformation) : logo);
  }
  connect(Logo_Img, &TClickLabel::clicked, this, [this] { RunGuarded(this, OpenProductsPage); });
  row->addWidget(Logo_Img, 0, Qt::AlignVCenter);

  Title_Lab = new QLabel(QStringLiteral("Orbisk"), Title_Pnl);
  Title_Lab->setFont(TitleFont());
  Title_Lab->setAlignment(Qt::AlignCenter);
  row->addWidget(Title_Lab, 1);

  QueryVisible_Btn = new QToolButton(Title_Pnl);
  QueryVisible_Btn->setAutoRaise(true);
  if (QFile::exists(QStringLiteral(":/images/query_visible.png")))
    QueryVisible_Btn->setIcon(QIcon(QStringLiteral(":/images/query_visible.png")));
  else
    QueryVisible_Btn->setArrowType(Qt::UpArrow);
  QueryVisible_Btn->setCursor(Qt::PointingHandCursor);
  QueryVisible_Btn->setToolTip(tr("Hide/Show Search Panel"));
  QueryVisible_Btn->setFocusPolicy(Qt::TabFocus);
  connect(QueryVisible_Btn, &QToolButton::clicked, QueryVisible_A, &QAction::trigger);
  row->addWidget(QueryVisible_Btn, 0, Qt::AlignVCenter);
}

void TMain_Frm::CreateSearchPanel() {
  Query_Pnl = new QWidget(this);
  Query_Pnl->setObjectName(QStringLiteral("Query_Pnl"));
  auto* panelRow = new QHBoxLayout(Query_Pnl);
  const int gap = 10;
  // The space right of the command column equals the gap left of it.
  panelRow->setContentsMargins(6, 2, gap, 1);
  panelRow->setSpacing(gap);

  QueryCondition_Grp = new QGroupBox(tr("Search Condition"), Query_Pnl);
  auto* g = new QGridLayout(QueryCondition_Grp);
  // Compact rows: the panel and eight result rows fit a 768-line laptop screen at 125 %.
  g->setContentsMargins(4, 2, 4, 2);
  g->setHorizontalSpacing(6);
  g->setVerticalSpacing(2);
  QWidget* box = QueryCondition_Grp;
  auto check = [box](const QString& caption) { return new QCheckBox(caption, box); };
  auto edit = [box] { return new QLineEdit(box); };

  int r = 0;
  Top_Chk = check(tr("Only Show &Top"));
  Top_Chk->setChecked(true);
  Top_Cbo = DropDownList(box,
                         {tr("All"), "1", "5", "10", "20", "50", "80", "100", "200", "400", "800", "1000", "1500", "2000",
                          "4000", "6000", "8000", "10000", "20000", "40000"},
                         QStringLiteral("100"));
  g->addWidget(Top_Chk, r, 0);
  g->addWidget(Top_Cbo, r, 2);
  g->addWidget(new QLabel(tr("Records"), box), r, 3);
  // The row holds no other condition: the tick box costs the panel no height.
  // Its letter is one no other control of the window uses, and the proper
  // name keeps it in every language.
  IgnoreAccents_Chk = check(tr("Ignore accents (&Quebec = Québec)"));
  IgnoreAccents_Chk->setObjectName(QStringLiteral("IgnoreAccents_Chk"));
  IgnoreAccents_Chk->setToolTip(
      tr("Location, Company Name, Product/Service and the category filter find letters with or without accents: "
         "Montreal finds Montréal"));
  g->addWidget(IgnoreAccents_Chk, r, 4, 1, 4);

  ++r;
  Category_Chk = check(tr("Cate&gory"));
  C_Cat_Edt = OperatorBox(box, QStringLiteral("="));
  Category_Edt = edit();
  Category_Edt->setReadOnly(true);
  SelectCat_Btn = new QPushButton(QStringLiteral("..."), box);
  SelectCat_Btn->setFixedWidth(SelectCat_Btn->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
  connect(SelectCat_Btn, &QPushButton::clicked, SelectCat_A, &QAction::trigger);
  g->addWidget(Category_Chk, r, 0);
  g->addWidget(C_Cat_Edt, r, 1);
  g->addWidget(Category_Edt, r, 2, 1, 5);
  g->addWidget(SelectCat_Btn, r, 7);

  ++r;
  Location_Chk = check(tr("&Location"));
  C_Location_Edt = OperatorBox(box, QStringLiteral("LIKE"));
  Location_Cbo = new QComboBox(box);
  Location_Cbo->setEditable(true);
  Location_Cbo->setInsertPolicy(QComboBox::NoInsert);
  Location_Cbo->addItems({"Alberta", "British Columbia", "Manitoba", "New Brunswick", "Newfoundland and Labrador",
                          "Northwest Territories", "Nova Scotia", "Ontario", "Prince Edward Island", "Quebec",
                          "Saskatchewan", "Yukon Territory"});
  // The box flows with the window; its list still shows every name whole.
  Location_Cbo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  Location_Cbo->setMinimumContentsLength(10);
  Location_Cbo->setCurrentIndex(-1);
  Location_Cbo->setEditText(QString());
  g->addWidget(Location_Chk, r, 0);
  g->addWidget(C_Location_Edt, r, 1);
  g->addWidget(Location_Cbo, r, 2, 1, 2);

  ++r;
  TelAreaCode_Chk = check(tr("Tel Area Co&de"));
  C_TelAreaCode_Cbo = DropDownList(box, kOperators, QStringLiteral("="));
  TelAreaCode_Cbo = DropDownList(box,
                                 {"204", "250", "289", "306", "403", "416", "418", "450", "506", "514", "519", "604",
                                  "613", "647", "705", "709", "778", "780", "807", "819", "867", "902", "905"},
                                 QStringLiteral("204"));
  Map_Btn = new QPushButton(tr("Map..."), box);
  Map_Btn->setToolTip(tr("Canada Map"));
  Map_Btn->setFixedWidth(Map_Btn->fontMetrics().horizontalAdvance(Map_Btn->text()) + 16);
  connect(Map_Btn, &QPushButton::clicked, ShowMap_A, &QAction::trigger);
  PostalCode_Chk = check(tr("&Postal Code"));
  C_PostCode_Cbo = DropDownList(box, kOperators, QStringLiteral("="));
  PostCode_Edt = edit();
  g->addWidget(TelAreaCode_Chk, r, 0);
  g->addWidget(C_TelAreaCode_Cbo, r, 1);
  g->addWidget(TelAreaCode_Cbo, r, 2);
  g->addWidget(Map_Btn, r, 3);
  g->addWidget(PostalCode_Chk, r, 4);
  g->addWidget(C_PostCode_Cbo, r, 5);
  g->addWidget(PostCode_Edt, r, 6, 1, 2);

  ++r;
  CompanyName_Chk = check(tr("Company &Name"));
  C_CompanName_Edt = OperatorBox(box, QStringLiteral("LIKE"));
  CompanyName_Edt = edit();
  g->addWidget(CompanyName_Chk, r, 0);
  g->addWidget(C_CompanName_Edt, r, 1);
  g->addWidget(CompanyName_Edt, r, 2, 1, 3);
  g->addWidget(new QLabel(tr("(Key word or Initial)"), box), r, 5, 1, 3);

  ++r;
  PSL_Chk = check(tr("P&roduct/Service"));
  C_PSL_Edt = OperatorBox(box, QStringLiteral("LIKE"));
  PSL_Edt = edit();
  g->addWidget(PSL_Chk, r, 0);
  g->addWidget(C_PSL_Edt, r, 1);
  g->addWidget(PSL_Edt, r, 2, 1, 3);
  g->addWidget(new QLabel(tr("(Key word)"), box), r, 5, 1, 3);

  ++r;
  NumberofEmployees_Chk = check(tr("Number of E&mployees"));
  C_NumberOfEmployees_Cbo = DropDownList(box, kOperators, QStringLiteral(">"));
  NumberofEmployees_Edt = edit();
  YearEstablished_Chk = check(tr("&Year Established"));
  C_YearEstablished_Cbo = DropDownList(box, kOperators, QStringLiteral(">"));
  YearEstablished_Edt = edit();
  g->addWidget(NumberofEmployees_Chk, r, 0);
  g->addWidget(C_NumberOfEmployees_Cbo, r, 1);
  g->addWidget(NumberofEmployees_Edt, r, 2, 1, 2);
  g->addWidget(YearEstablished_Chk, r, 4);
  g->addWidget(C_YearEstablished_Cbo, r, 5);
  g->addWidget(YearEstablished_Edt, r, 6, 1, 2);

  ++r;
  WithURL_Chk = check(tr("With Website &URL"));
  auto* orderLab = new QLabel(tr("&Order By"), box);
  OrderBy_Cbo = DropDownList(
      box, {tr("None"), tr("Company Name"), tr("Telephone"), tr("Email"), tr("Number of Employees"), tr("Year Established")},
      tr("None"));
  orderLab->setObjectName(QStringLiteral("OrderBy_Lab"));
  orderLab->setBuddy(OrderBy_Cbo);
  // "Order By" stands over its list, right of the last two tick boxes.
  g->addWidget(WithURL_Chk, r, 0, 1, 3);
  g->addWidget(orderLab, r, 5, 1, 3, Qt::AlignLeft | Qt::AlignBottom);

  ++r;
  WithEmail_Chk = check(tr("&With Company Email"));
  WithContactEmail_Chk = check(tr("With Contact Ema&il"));
  WithContactEmail_Chk->setToolTip(tr("Only for Contact Query"));
  g->addWidget(WithEmail_Chk, r, 0, 1, 3);
  g->addWidget(WithContactEmail_Chk, r, 4);
  g->addWidget(OrderBy_Cbo, r, 5, 1, 3);

  // The operator column and the labels keep their size; the value boxes take
  // whatever width the window has beyond its least.
  const int opWidth = std::max(C_Location_Edt->fontMetrics().horizontalAdvance(QStringLiteral("LIKE")) + 16,
                               C_PostCode_Cbo->sizeHint().width());
  for (QWidget* w : std::initializer_list<QWidget*>{C_Cat_Edt, C_Location_Edt, C_TelAreaCode_Cbo, C_PostCode_Cbo,
                                                     C_CompanName_Edt, C_PSL_Edt, C_NumberOfEmployees_Cbo,
                                                     C_YearEstablished_Cbo})
    w->setFixedWidth(opWidth);
  const int rowHeight = box->fontMetrics().height() + 4;
  for (QWidget* w : box->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QPushButton*>(w) ||
        qobject_cast<QCheckBox*>(w))
      w->setFixedHeight(rowHeight);
  g->setColumnStretch(2, 1);
  g->setColumnStretch(6, 1);
  g->setColumnMinimumWidth(2, 90);
  g->setColumnMinimumWidth(6, 80);

  panelRow->addWidget(QueryCondition_Grp, 0, Qt::AlignTop);
  CreateCommandColumn(Query_Pnl);
}

void TMain_Frm::CreateCommandColumn(QWidget* parent) {
  auto* column = new QVBoxLayout;
  column->setSpacing(6);
  column->setContentsMargins(0, 8, 0, 0);
  auto button = [&](const QString& caption, QAction* action) {
    auto* b = new QPushButton(caption, parent);
    b->setMinimumWidth(b->fontMetrics().horizontalAdvance(QString(tr("&Search Company")).remove(QLatin1Char('&'))) + 16);
    b->setMinimumHeight(b->sizeHint().height() + 2);
    connect(b, &QPushButton::clicked, action, &QAction::trigger);
    connect(action, &QAction::enabledChanged, b, &QPushButton::setEnabled);
    column->addWidget(b);
    return b;
  };
  QueryCompany_Btn = button(tr("&Search Company"), QueryCompany_A);
  QueryCompany_Btn->setCursor(Qt::PointingHandCursor);
  QueryContact_Btn = button(tr("Search &Contact"), QueryContact_A);
  QueryContact_Btn->setCursor(Qt::PointingHandCursor);
  column->addSpacing(10);
  Export_Btn = button(tr("&Export..."), Export_A);
  About_Btn = button(tr("&About..."), About_A);
  column->addStretch(1);

  Mailto_Lab = new TClickLabel(tr("I want more..."), parent);
  MakeLink(Mailto_Lab, tr("Want more special business directories? "));
  connect(Mailto_Lab, &TClickLabel::clicked, this, [this] { RunGuarded(this, OpenProductsPage); });
  GotoWeb_Lab = new TClickLabel(QStringLiteral("www.orbisk.ca"), parent);
  MakeLink(GotoWeb_Lab, tr("Business Database Provider"));
  connect(GotoWeb_Lab, &TClickLabel::clicked, GoToWeb_A, &QAction::trigger);
  column->addWidget(Mailto_Lab, 0, Qt::AlignHCenter);
  column->addWidget(GotoWeb_Lab, 0, Qt::AlignHCenter);
  column->addSpacing(4);
  static_cast<QHBoxLayout*>(parent->layout())->addLayout(column);
}

void TMain_Frm::CreateResultPages() {
  Result_PC = new QTabWidget(this);
  Result_PC->setObjectName(QStringLiteral("Result_PC"));
  Result_PC->setDocumentMode(false);
  Result_PC->setAttribute(Qt::WA_Hover);
  CompanyList_TS = new QWidget(Result_PC);
  auto* companyLayout = new QVBoxLayout(CompanyList_TS);
  companyLayout->setContentsMargins(0, 0, 0, 0);
  ContactList_TS = new QWidget(Result_PC);
  auto* contactLayout = new QVBoxLayout(ContactList_TS);
  contactLayout->setContentsMargins(0, 0, 0, 0);
  Contact_Pnl = new QWidget(ContactList_TS);
  auto* pnlLayout = new QVBoxLayout(Contact_Pnl);
  pnlLayout->setContentsMargins(0, 0, 0, 0);
  contactLayout->addWidget(Contact_Pnl);
  Result_PC->addTab(CompanyList_TS, tr("Company List"));
  Result_PC->addTab(ContactList_TS, tr("Contact List"));
  Result_PC->setCurrentWidget(CompanyList_TS);
}

void TMain_Frm::SetTabOrder() {
  // The banner's toggle comes first, as it stands above the panel.
  const QList<QWidget*> order = {
      QueryVisible_Btn, Top_Chk,         Top_Cbo,         IgnoreAccents_Chk, Category_Chk,       Category_Edt,           SelectCat_Btn,
      Location_Chk,    Location_Cbo,    TelAreaCode_Chk,    C_TelAreaCode_Cbo,      TelAreaCode_Cbo,
      Map_Btn,         PostalCode_Chk,  C_PostCode_Cbo,     PostCode_Edt,           CompanyName_Chk,
      CompanyName_Edt, PSL_Chk,         PSL_Edt,            NumberofEmployees_Chk,  C_NumberOfEmployees_Cbo,
      NumberofEmployees_Edt, YearEstablished_Chk, C_YearEstablished_Cbo, YearEstablished_Edt, WithURL_Chk,
      OrderBy_Cbo,     WithEmail_Chk,   WithContactEmail_Chk, QueryCompany_Btn,     QueryContact_Btn,
      Export_Btn,      About_Btn,       Mailto_Lab,         GotoWeb_Lab,            Result_PC};
  for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void TMain_Frm::SetAccessibleNames() {
  // A row's tick box says that the condition is used; its boxes carry the caption.
  Top_Chk->setAccessibleName(tr("Use Only Show Top"));
  Top_Cbo->setAccessibleName(tr("Only Show Top"));
  Category_Chk->setAccessibleName(tr("Use Category"));
  C_Cat_Edt->setAccessibleName(tr("Category operator"));
  Category_Edt->setAccessibleName(tr("Category"));
  SelectCat_Btn->setAccessibleName(tr("Choose Category"));
  SelectCat_Btn->setToolTip(tr("Choose Category"));
  Location_Chk->setAccessibleName(tr("Use Location"));
  C_Location_Edt->setAccessibleName(tr("Location operator"));
  Location_Cbo->setAccessibleName(tr("Location"));
  Location_Cbo->lineEdit()->setAccessibleName(tr("Location"));
  TelAreaCode_Chk->setAccessibleName(tr("Use Tel Area Code"));
  C_TelAreaCode_Cbo->setAccessibleName(tr("Tel Area Code operator"));
  TelAreaCode_Cbo->setAccessibleName(tr("Tel Area Code"));
  Map_Btn->setAccessibleName(tr("Canada Map"));
  PostalCode_Chk->setAccessibleName(tr("Use Postal Code"));
  C_PostCode_Cbo->setAccessibleName(tr("Postal Code operator"));
  PostCode_Edt->setAccessibleName(tr("Postal Code"));
  CompanyName_Chk->setAccessibleName(tr("Use Company Name"));
  C_CompanName_Edt->setAccessibleName(tr("Company Name operator"));
  CompanyName_Edt->setAccessibleName(tr("Company Name"));
  PSL_Chk->setAccessibleName(tr("Use Product/Service"));
  C_PSL_Edt->setAccessibleName(tr("Product/Service operator"));
  PSL_Edt->setAccessibleName(tr("Product/Service"));
  NumberofEmployees_Chk->setAccessibleName(tr("Use Number of Employees"));
  C_NumberOfEmployees_Cbo->setAccessibleName(tr("Number of Employees operator"));
  NumberofEmployees_Edt->setAccessibleName(tr("Number of Employees"));
  YearEstablished_Chk->setAccessibleName(tr("Use Year Established"));
  C_YearEstablished_Cbo->setAccessibleName(tr("Year Established operator"));
  YearEstablished_Edt->setAccessibleName(tr("Year Established"));
  OrderBy_Cbo->setAccessibleName(tr("Order By"));
  WithContactEmail_Chk->setAccessibleDescription(tr("Only for Contact Query"));
  QueryVisible_Btn->setAccessibleName(tr("Hide/Show Search Panel"));
  Logo_Img->setAccessibleName(tr("Product Home Page"));
  Mailto_Lab->setAccessibleName(tr("I want more..."));
  Mailto_Lab->setAccessibleDescription(tr("Want more special business directories? "));
  GotoWeb_Lab->setAccessibleName(tr("Business Database Provider"));
  Result_PC->setAccessibleName(tr("Result Pages"));
}

void TMain_Frm::ConnectAutoTicks() {
  // Only the user's own edits tick a row: textEdited and activated never fire
  // for what the program sets (the defaults, a category from the picker).
  // The wheel steps a focused list through its arrow keys, which the list
  // reports as a choice: that never ticks a row.
  auto tickOnEdit = [this](QLineEdit* edit, QCheckBox* tick) {
    connect(edit, &QLineEdit::textEdited, tick, [this, tick] {
      if (!wheelStepping_) tick->setChecked(true);
    });
  };
  auto tickOnChoice = [this](QComboBox* box, QCheckBox* tick) {
    connect(box, &QComboBox::activated, tick, [this, tick] {
      if (!wheelStepping_) tick->setChecked(true);
    });
  };
  tickOnEdit(PostCode_Edt, PostalCode_Chk);
  tickOnEdit(CompanyName_Edt, CompanyName_Chk);
  tickOnEdit(PSL_Edt, PSL_Chk);
  tickOnEdit(NumberofEmployees_Edt, NumberofEmployees_Chk);
  tickOnEdit(YearEstablished_Edt, YearEstablished_Chk);
  tickOnEdit(Location_Cbo->lineEdit(), Location_Chk);
  tickOnChoice(Location_Cbo, Location_Chk);
  tickOnChoice(TelAreaCode_Cbo, TelAreaCode_Chk);
  tickOnChoice(C_TelAreaCode_Cbo, TelAreaCode_Chk);
  tickOnChoice(C_PostCode_Cbo, PostalCode_Chk);
  tickOnChoice(C_NumberOfEmployees_Cbo, NumberofEmployees_Chk);
  tickOnChoice(C_YearEstablished_Cbo, YearEstablished_Chk);
}

void TMain_Frm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!shownOnce_) {
    shownOnce_ = true;
    FormShow();
  }
}

namespace {

QRect AvailableArea(const QWidget* w) {
  const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  if (!screen) return QRect(0, 0, 1280, 900);
  QRect area = screen->availableGeometry();
  // At a fractional scale the area's edges are rounded to whole pixels, possibly outwards.
  const qreal ratio = screen->devicePixelRatio();
  if (ratio != std::floor(ratio)) area.adjust(0, 1, 0, -1);
  return area;
}

QMargins FrameOf(const QWidget* w) {
  const QRect outer = w->frameGeometry(), inner = w->geometry();
  return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                  outer.bottom() - inner.bottom());
}

}  // namespace

QRect TMain_Frm::FittedGeometry(const QRect& available, const QMargins& frame) const {
  const QSize room = available.size().shrunkBy(frame);
  const QSize least = minimumSizeHint();
  // The natural width keeps the space right of the command column equal to
  // the gap left of it; a narrower screen gets the window at its full width.
  const int natural = std::max({kDesignedWidth, sizeHint().width(), Query_Pnl->sizeHint().width()});
  const int w = std::max(least.width(), std::min(natural, room.width()));
  const int h =
      std::max(least.height(), std::min(std::max(sizeHint().height(), kLeastComfortableHeight), room.height()));
  const int left = available.left() + (available.width() - (w + frame.left() + frame.right())) / 2;
  const int top = available.top() + std::max(0, (available.height() - (h + frame.top() + frame.bottom())) / 2);
  return QRect(left + frame.left(), top + frame.top(), w, h);
}

void TMain_Frm::FormShow() {
  // Until the window manager has framed the window its frame is a guess: a
  // title bar and thin borders. Once the real frame is known the window is
  // fitted again to it (see event()).
  fittedFrame_ = FrameOf(this);
  if (fittedFrame_.isNull()) fittedFrame_ = QMargins(2, 24, 2, 4);
  const QRect area = AvailableArea(this);
  const QRect fitted = FittedGeometry(area, fittedFrame_);
  if (!CompositorPlacesWindows()) {
    setGeometry(fitted);
    return;
  }
  // Under Wayland the compositor places the window and keeps its panels to
  // itself: the screen's area includes them, and the title bar is not known
  // yet. Where the window would need most of the screen's height, it asks the
  // compositor for the whole free area instead (maximized), title bar included.
  resize(fitted.size());
  const int wanted = std::max(sizeHint().height(), kLeastComfortableHeight);
  if (wanted + kWaylandAllowance > area.height()) {
    frameFitted_ = true;
    setWindowState(windowState() | Qt::WindowMaximized);
  }
}

bool TMain_Frm::event(QEvent* e) {
  const bool handled = QMainWindow::event(e);
  if (shownOnce_ && !frameFitted_ && (e->type() == QEvent::Move || e->type() == QEvent::Resize ||
                                      e->type() == QEvent::WindowActivate)) {
    const QMargins frame = FrameOf(this);
    if (!frame.isNull()) {
      frameFitted_ = true;
      if (frame != fittedFrame_) {
        fittedFrame_ = frame;
        setGeometry(FittedGeometry(AvailableArea(this), frame));
      }
    }
  }
  return handled;
}

void TMain_Frm::QueryVisible_AExecute() {
  const bool visible = Query_Pnl->isHidden();
  Query_Pnl->setVisible(visible);
  Cat_Splitter->setHandleWidth(visible ? 3 : 0);
  if (QueryVisible_Btn->icon().isNull()) QueryVisible_Btn->setArrowType(visible ? Qt::UpArrow : Qt::DownArrow);
}

void TMain_Frm::GoToWeb_AExecute() { ShellOpen(QString::fromLatin1(orbisk::kHomePage)); }

bool TMain_Frm::eventFilter(QObject* watched, QEvent* event) {
  return ApplicationEventsMessage(watched, event) || QMainWindow::eventFilter(watched, event);
}

QWidget* TMain_Frm::WheelReceiver(QWidget* under) {
  // The grids, lists and memos step under the mouse wherever the focus is
  // (an opened list's items too); they hold no search condition.
  for (QWidget* w = under; w; w = w->isWindow() ? nullptr : w->parentWidget())
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) return area;
  // Anything else only when it, or the control it belongs to, has the focus.
  QWidget* focused = QApplication::focusWidget();
  if (!focused) return nullptr;
  for (QWidget* w = under; w; w = w->isWindow() ? nullptr : w->parentWidget())
    if (w == focused || w->focusProxy() == focused || focused->focusProxy() == w) return focused;
  return nullptr;
}

bool TMain_Frm::ApplicationEventsMessage(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel) {
    // Each wheel turn becomes an arrow key: one row per notch in the grids and
    // lists under the mouse, one item or line in the control that has the
    // focus. A control without the focus changes nothing, so no search
    // condition changes where the user is not looking. A purely sideways
    // scroll passes untouched, so wide grids scroll across.
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target) return false;  // the window's own copy, handed on to the widget
    auto* wheel = static_cast<QWheelEvent*>(event);
    const QPoint angle = wheel->angleDelta();
    if (angle.y() == 0 && angle.x() != 0) return false;
    const bool bookkeeping = angle.isNull() && wheel->phase() != Qt::NoScrollPhase;
    QWidget* receiver = WheelReceiver(target);
    if (!bookkeeping && receiver) {
      QKeyEvent press(QEvent::KeyPress, angle.y() > 0 ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
      const bool wasStepping = wheelStepping_;
      wheelStepping_ = true;
      QCoreApplication::sendEvent(receiver, &press);
      wheelStepping_ = wasStepping;
    }
    return true;
  }
  if (event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    // Seen once, at the control that has the focus, whatever modifiers are held.
    if (key->key() == Qt::Key_F1 && !key->isAutoRepeat() && widget && widget->window() == this &&
        (widget == QApplication::focusWidget() || (!QApplication::focusWidget() && widget == this)))
      RunGuarded(this, OpenHelpPage);
  }
  return false;
}
