// The main window's construction: banner, search panel, command column,
// result pages and actions.
#include "app/frmMain.h"

#include "OrbiskVersion.h"

#include <QAction>
#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "browse/ShellTarget.h"
#include "ui/uiApplicationEvents.h"
#include "ui/uiSchemeColours.h"
#include "ui/uiLook.h"
#include "ui/uiShell.h"
#include "data/ProgramFiles.h"

// The pictures are compiled into the static window library; a static library's
// resources register only when asked to.
static void InitResources() { Q_INIT_RESOURCE(orbisk); }

namespace {

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
  auto* quit = new QAction(this);
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  quit->setShortcutContext(Qt::WindowShortcut);
  connect(quit, &QAction::triggered, this, &QWidget::close);
  addAction(quit);
  new TApplicationEvents(this);
  fit_ = std::make_unique<TWindowFit>(*this, *Query_Pnl);
  FormCreate();
}

TMain_Frm::~TMain_Frm() = default;

void TMain_Frm::FormCreate() {
  ProgramFolder = QString::fromStdString(orbisk::ProgramFolder());
  setWindowTitle(QStringLiteral("Orbisk " ORBISK_VERSION));
  QueryContact_Btn->setEnabled(true);
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

  QueryCondition_Grp = new TSearchPanel_Frm(Query_Pnl);
  connect(QueryCondition_Grp, &TSearchPanel_Frm::categoryRequested, SelectCat_A, &QAction::trigger);
  connect(QueryCondition_Grp, &TSearchPanel_Frm::mapRequested, ShowMap_A, &QAction::trigger);
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
  QList<QWidget*> order = {QueryVisible_Btn};
  order += QueryCondition_Grp->TabChain();
  order += {QueryCompany_Btn, QueryContact_Btn, Export_Btn, About_Btn, Mailto_Lab, GotoWeb_Lab, Result_PC};
  for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void TMain_Frm::SetAccessibleNames() {
  QueryVisible_Btn->setAccessibleName(tr("Hide/Show Search Panel"));
  Logo_Img->setAccessibleName(tr("Product Home Page"));
  Mailto_Lab->setAccessibleName(tr("I want more..."));
  Mailto_Lab->setAccessibleDescription(tr("Want more special business directories? "));
  GotoWeb_Lab->setAccessibleName(tr("Business Database Provider"));
  Result_PC->setAccessibleName(tr("Result Pages"));
}

void TMain_Frm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!shownOnce_) {
    shownOnce_ = true;
    FormShow();
  }
}

void TMain_Frm::FormShow() { fit_->Place(); }

bool TMain_Frm::event(QEvent* e) {
  const bool handled = QMainWindow::event(e);
  if (fit_) fit_->WindowEvent(e);  // events come during construction too
  return handled;
}

void TMain_Frm::QueryVisible_AExecute() {
  const bool visible = Query_Pnl->isHidden();
  Query_Pnl->setVisible(visible);
  Cat_Splitter->setHandleWidth(visible ? 3 : 0);
  if (QueryVisible_Btn->icon().isNull()) QueryVisible_Btn->setArrowType(visible ? Qt::UpArrow : Qt::DownArrow);
}

void TMain_Frm::GoToWeb_AExecute() { ShellOpen(QString::fromLatin1(orbisk::kHomePage)); }
