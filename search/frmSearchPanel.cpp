// The search panel's rows, their defaults, sizes, names and automatic ticks.
#include "search/frmSearchPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <initializer_list>

#include "search/dlgCat.h"
#include "search/frmMap.h"
#include "ui/uiApplicationEvents.h"
#include "ui/uiWindowKit.h"

using orbisk::CompareOp;
using orbisk::OrderByChoice;

namespace {

// An operator list: each item shows its operator and carries it.
QComboBox* OperatorList(QWidget* parent, CompareOp current) {
  auto* c = new QComboBox(parent);
  for (CompareOp op : orbisk::kCompareOps)
    c->addItem(QString::fromLatin1(orbisk::CompareOpText(op)), static_cast<int>(op));
  c->setCurrentIndex(c->findData(static_cast<int>(current)));
  return c;
}

CompareOp OperatorOf(const QComboBox* list) { return static_cast<CompareOp>(list->currentData().toInt()); }

QLineEdit* OperatorBox(QWidget* parent, const QString& op) {
  auto* e = new QLineEdit(op, parent);
  e->setReadOnly(true);
  e->setFocusPolicy(Qt::NoFocus);
  e->setAlignment(Qt::AlignCenter);
  return e;
}

std::string Text(const QString& s) { return s.toStdString(); }

}  // namespace

TSearchPanel_Frm::TSearchPanel_Frm(QWidget* parent) : QGroupBox(tr("Search Condition"), parent) {
  CreateRows();
  FixSizes();
  SetAccessibleNames();
  ConnectAutoTicks();
}

void TSearchPanel_Frm::CreateRows() {
  auto* g = new QGridLayout(this);
  // Compact rows: the panel and eight result rows fit a 768-line laptop screen at 125 %.
  g->setContentsMargins(4, 2, 4, 2);
  g->setHorizontalSpacing(6);
  g->setVerticalSpacing(2);
  auto check = [this](const QString& caption) { return new QCheckBox(caption, this); };
  auto edit = [this] { return new QLineEdit(this); };

  int r = 0;
  Top_Chk = check(tr("Only Show &Top"));
  Top_Chk->setChecked(true);
  // "All" carries no limit; every other item its number.
  Top_Cbo = new QComboBox(this);
  Top_Cbo->addItem(tr("All"));
  for (int n : {1, 5, 10, 20, 50, 80, 100, 200, 400, 800, 1000, 1500, 2000, 4000, 6000, 8000, 10000, 20000, 40000})
    Top_Cbo->addItem(QString::number(n), n);
  Top_Cbo->setCurrentIndex(Top_Cbo->findData(100));
  g->addWidget(Top_Chk, r, 0);
  g->addWidget(Top_Cbo, r, 2);
  g->addWidget(new QLabel(tr("Records"), this), r, 3);
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
  C_Cat_Edt = OperatorBox(this, QStringLiteral("="));
  Category_Edt = edit();
  Category_Edt->setReadOnly(true);
  SelectCat_Btn = new QPushButton(QStringLiteral("..."), this);
  SelectCat_Btn->setFixedWidth(SelectCat_Btn->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
  connect(SelectCat_Btn, &QPushButton::clicked, this, &TSearchPanel_Frm::categoryRequested);
  g->addWidget(Category_Chk, r, 0);
  g->addWidget(C_Cat_Edt, r, 1);
  g->addWidget(Category_Edt, r, 2, 1, 5);
  g->addWidget(SelectCat_Btn, r, 7);

  ++r;
  Location_Chk = check(tr("&Location"));
  C_Location_Edt = OperatorBox(this, QStringLiteral("LIKE"));
  Location_Cbo = new QComboBox(this);
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
  C_TelAreaCode_Cbo = OperatorList(this, CompareOp::Equal);
  TelAreaCode_Cbo = new QComboBox(this);
  TelAreaCode_Cbo->addItems({"204", "250", "289", "306", "403", "416", "418", "450", "506", "514", "519", "604",
                             "613", "647", "705", "709", "778", "780", "807", "819", "867", "902", "905"});
  TelAreaCode_Cbo->setCurrentText(QStringLiteral("204"));
  Map_Btn = new QPushButton(tr("Map..."), this);
  Map_Btn->setToolTip(tr("Canada Map"));
  Map_Btn->setFixedWidth(Map_Btn->fontMetrics().horizontalAdvance(Map_Btn->text()) + 16);
  connect(Map_Btn, &QPushButton::clicked, this, &TSearchPanel_Frm::mapRequested);
  PostalCode_Chk = check(tr("&Postal Code"));
  C_PostCode_Cbo = OperatorList(this, CompareOp::Equal);
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
  C_CompanName_Edt = OperatorBox(this, QStringLiteral("LIKE"));
  CompanyName_Edt = edit();
  g->addWidget(CompanyName_Chk, r, 0);
  g->addWidget(C_CompanName_Edt, r, 1);
  g->addWidget(CompanyName_Edt, r, 2, 1, 3);
  g->addWidget(new QLabel(tr("(Key word or Initial)"), this), r, 5, 1, 3);

  ++r;
  PSL_Chk = check(tr("P&roduct/Service"));
  C_PSL_Edt = OperatorBox(this, QStringLiteral("LIKE"));
  PSL_Edt = edit();
  g->addWidget(PSL_Chk, r, 0);
  g->addWidget(C_PSL_Edt, r, 1);
  g->addWidget(PSL_Edt, r, 2, 1, 3);
  g->addWidget(new QLabel(tr("(Key word)"), this), r, 5, 1, 3);

  ++r;
  NumberofEmployees_Chk = check(tr("Number of E&mployees"));
  C_NumberOfEmployees_Cbo = OperatorList(this, CompareOp::Greater);
  NumberofEmployees_Edt = edit();
  YearEstablished_Chk = check(tr("&Year Established"));
  C_YearEstablished_Cbo = OperatorList(this, CompareOp::Greater);
  YearEstablished_Edt = edit();
  g->addWidget(NumberofEmployees_Chk, r, 0);
  g->addWidget(C_NumberOfEmployees_Cbo, r, 1);
  g->addWidget(NumberofEmployees_Edt, r, 2, 1, 2);
  g->addWidget(YearEstablished_Chk, r, 4);
  g->addWidget(C_YearEstablished_Cbo, r, 5);
  g->addWidget(YearEstablished_Edt, r, 6, 1, 2);

  ++r;
  WithURL_Chk = check(tr("With Website &URL"));
  auto* orderLab = new QLabel(tr("&Order By"), this);
  OrderBy_Cbo = new QComboBox(this);
  const std::pair<QString, OrderByChoice> orders[] = {{tr("None"), OrderByChoice::None},
                                                      {tr("Company Name"), OrderByChoice::CompanyName},
                                                      {tr("Telephone"), OrderByChoice::Telephone},
                                                      {tr("Email"), OrderByChoice::Email},
                                                      {tr("Number of Employees"), OrderByChoice::NumberOfEmployees},
                                                      {tr("Year Established"), OrderByChoice::YearEstablished}};
  for (const auto& [caption, choice] : orders) OrderBy_Cbo->addItem(caption, static_cast<int>(choice));
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
}

void TSearchPanel_Frm::FixSizes() {
  // The operator column and the labels keep their size; the value boxes take
  // whatever width the window has beyond its least.
  const int opWidth = std::max(C_Location_Edt->fontMetrics().horizontalAdvance(QStringLiteral("LIKE")) + 16,
                               C_PostCode_Cbo->sizeHint().width());
  for (QWidget* w : std::initializer_list<QWidget*>{C_Cat_Edt, C_Location_Edt, C_TelAreaCode_Cbo, C_PostCode_Cbo,
                                                     C_CompanName_Edt, C_PSL_Edt, C_NumberOfEmployees_Cbo,
                                                     C_YearEstablished_Cbo})
    w->setFixedWidth(opWidth);
  const int rowHeight = fontMetrics().height() + 4;
  for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QPushButton*>(w) ||
        qobject_cast<QCheckBox*>(w))
      w->setFixedHeight(rowHeight);
  auto* g = static_cast<QGridLayout*>(layout());
  g->setColumnStretch(2, 1);
  g->setColumnStretch(6, 1);
  g->setColumnMinimumWidth(2, 90);
  g->setColumnMinimumWidth(6, 80);
}

QList<QWidget*> TSearchPanel_Frm::TabChain() const {
  return {Top_Chk,         Top_Cbo,         IgnoreAccents_Chk,     Category_Chk,         Category_Edt,
          SelectCat_Btn,   Location_Chk,    Location_Cbo,          TelAreaCode_Chk,      C_TelAreaCode_Cbo,
          TelAreaCode_Cbo, Map_Btn,         PostalCode_Chk,        C_PostCode_Cbo,       PostCode_Edt,
          CompanyName_Chk, CompanyName_Edt, PSL_Chk,               PSL_Edt,              NumberofEmployees_Chk,
          C_NumberOfEmployees_Cbo, NumberofEmployees_Edt, YearEstablished_Chk, C_YearEstablished_Cbo,
          YearEstablished_Edt, WithURL_Chk, OrderBy_Cbo,           WithEmail_Chk,        WithContactEmail_Chk};
}

void TSearchPanel_Frm::SetAccessibleNames() {
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
}

void TSearchPanel_Frm::ConnectAutoTicks() {
  // Only the user's own edits tick a row: textEdited and activated never fire
  // for what the program sets (the defaults, a category from the picker).
  // The wheel steps a focused list through its arrow keys, which the list
  // reports as a choice: that never ticks a row.
  auto tickOnEdit = [](QLineEdit* edit, QCheckBox* tick) {
    connect(edit, &QLineEdit::textEdited, tick, [tick] {
      if (!TApplicationEvents::WheelStepping()) tick->setChecked(true);
    });
  };
  auto tickOnChoice = [](QComboBox* box, QCheckBox* tick) {
    connect(box, &QComboBox::activated, tick, [tick] {
      if (!TApplicationEvents::WheelStepping()) tick->setChecked(true);
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

orbisk::SearchPanel TSearchPanel_Frm::CurrentPanel() const {
  orbisk::SearchPanel p;
  // Unticked, or "All" (which carries no number): no limit.
  const QVariant limit = Top_Cbo->currentData();
  p.Top = Top_Chk->isChecked() && limit.isValid() ? std::optional<int>(limit.toInt()) : std::nullopt;
  p.Category_Chk = Category_Chk->isChecked();
  p.CategoryCondition = Text(CategoryCondition);
  p.Location_Chk = Location_Chk->isChecked();
  p.Location = Text(Location_Cbo->currentText());
  p.PostalCode_Chk = PostalCode_Chk->isChecked();
  p.PostCode_Op = OperatorOf(C_PostCode_Cbo);
  p.PostCode = Text(PostCode_Edt->text());
  p.CompanyName_Chk = CompanyName_Chk->isChecked();
  p.CompanyName = Text(CompanyName_Edt->text());
  p.PSL_Chk = PSL_Chk->isChecked();
  p.PSL = Text(PSL_Edt->text());
  p.TelAreaCode_Chk = TelAreaCode_Chk->isChecked();
  p.TelAreaCode_Op = OperatorOf(C_TelAreaCode_Cbo);
  p.TelAreaCode = Text(TelAreaCode_Cbo->currentText());
  p.NumberofEmployees_Chk = NumberofEmployees_Chk->isChecked();
  p.NumberOfEmployees_Op = OperatorOf(C_NumberOfEmployees_Cbo);
  p.NumberofEmployees = Text(NumberofEmployees_Edt->text());
  p.YearEstablished_Chk = YearEstablished_Chk->isChecked();
  p.YearEstablished_Op = OperatorOf(C_YearEstablished_Cbo);
  p.YearEstablished = Text(YearEstablished_Edt->text());
  p.WithURL_Chk = WithURL_Chk->isChecked();
  p.WithEmail_Chk = WithEmail_Chk->isChecked();
  p.WithContactEmail_Chk = WithContactEmail_Chk->isChecked();
  // A list without a choice sorts by nothing.
  const QVariant order = OrderBy_Cbo->currentData();
  p.OrderBy = order.isValid() ? static_cast<OrderByChoice>(order.toInt()) : OrderByChoice::None;
  p.IgnoreAccents_Chk = IgnoreAccents_Chk->isChecked();
  return p;
}

CategoryTarget TSearchPanel_Frm::Category() const {
  return {Category_Edt->text(), Category_Edt->toolTip(), CategoryCondition, Category_Chk->isChecked()};
}

void TSearchPanel_Frm::SetCategory(const CategoryTarget& chosen) {
  Category_Edt->setText(chosen.text);
  Category_Edt->setCursorPosition(0);  // a long path shows its main category
  Category_Edt->setToolTip(PlainToolTip(chosen.hint));
  CategoryCondition = chosen.condition;
  Category_Chk->setChecked(chosen.ticked);
}

void TSearchPanel_Frm::ApplyMapChoice(const MapChoice& choice) {
  if (choice.kind == MapChoice::Kind::Location) {
    Location_Cbo->setCurrentText(choice.value);
    Location_Chk->setChecked(true);
  } else if (choice.kind == MapChoice::Kind::TelAreaCode) {
    const int at = TelAreaCode_Cbo->findText(choice.value);
    if (at < 0) return;
    TelAreaCode_Cbo->setCurrentIndex(at);
    TelAreaCode_Chk->setChecked(true);
  }
}
