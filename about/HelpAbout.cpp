#include "about/HelpAbout.h"

#include "about/HelpTools.h"
#include "browse/ShellTarget.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/uiShell.h"
#include "ui/uiSchemeColours.h"
#include "ui/uiLook.h"
#include "ui/uiWindowKit.h"






QString AboutMemoryText(const QString& figure) {
  QString text = figure;
  // Only a ".00" that ends the number is its decimal part; where the point
  // groups thousands ("1.000.000,00") it is part of the figure and stays.
  for (qsizetype at = text.indexOf(QLatin1String(".00")); at >= 0; at = text.indexOf(QLatin1String(".00"), at + 1)) {
    const qsizetype after = at + 3;
    if (after >= text.size() || !text.at(after).isDigit()) {
      text.remove(at, 3);
      break;
    }
  }
  return text + QCoreApplication::translate("TAbout_Frm", " KB");
}


// The resources live in a static library; nothing else pulls them in.
static void InitAboutResources() {
  static bool done = false;
  if (!done) {
    Q_INIT_RESOURCE(orbisk);
    done = true;
  }
}

namespace {

QPixmap ProductPicture() {
  InitAboutResources();
  QPixmap picture(QStringLiteral(":/images/about.jpg"));
  if (!picture.isNull()) return picture;
  // Without the resource: a plain picture of the same size.
  picture = QPixmap(160, 300);
  picture.fill(kBrandGreen);
  QPainter p(&picture);
  p.setPen(Qt::white);
  QFont f = VerdanaPoints(18);
  f.setBold(true);
  p.setFont(f);
  p.drawText(picture.rect(), Qt::AlignCenter, QStringLiteral("Orbisk"));
  return picture;
}

TClickLabel* LinkLabel(const QString& text, const QString& hint, const char* name, QWidget* parent) {
  auto* l = new TClickLabel(text, parent);
  l->setObjectName(QLatin1String(name));
  QFont f = l->font();
  f.setUnderline(true);
  l->setFont(f);
  ApplyLinkColour(l, true);
  l->setCursor(Qt::PointingHandCursor);
  l->setToolTip(hint);
  return l;
}

QLabel* Named(QLabel* l, const char* name) {
  l->setObjectName(QLatin1String(name));
  return l;
}

}  // namespace

TAbout_Frm::TAbout_Frm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("About_Frm"));
  setWindowTitle(tr("About Orbisk "));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::CustomizeWindowHint);
  setFont(VerdanaFont());
  SetInfoBackground(this);

  Image = new TClickLabel(this);
  Image->setObjectName(QStringLiteral("Image"));
  Image->setPixmap(ProductPicture());
  Image->setFixedSize(Image->pixmap().size());
  Image->setCursor(Qt::PointingHandCursor);
  Image->setToolTip(QString::fromLatin1(orbisk::kHomePage));

  SoftName_Lab = Named(new QLabel(QStringLiteral("Orbisk"), this), "SoftName_Lab");
  QFont bold = font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 4);
  SoftName_Lab->setFont(bold);
  QPalette green = SoftName_Lab->palette();
  green.setColor(QPalette::WindowText, CurrentSchemeColours().brandOnInfo);
  SoftName_Lab->setPalette(green);
  Version_Lab = Named(new QLabel(tr("Version  1.0"), this), "Version_Lab");
  URL_Lab = LinkLabel(QString::fromLatin1(orbisk::kHomePage), tr("Home Page"), "URL_Lab", this);
  Support_Lab =
      LinkLabel(QString::fromLatin1(orbisk::kSupportMail), tr("Online Support"), "Support_Lab", this);
  Bevel = new QFrame(this);
  Bevel->setObjectName(QStringLiteral("Bevel"));
  Bevel->setFrameShape(QFrame::HLine);
  Bevel->setFrameShadow(QFrame::Sunken);
  WindowsVersion_Lab = Named(new QLabel(this), "WindowsVersion_Lab");
  WindowsVersion_Lab->setTextFormat(Qt::PlainText);
  WindowsVersion_Lab->setWordWrap(true);
  TotalMem_Lab = Named(new QLabel(this), "TotalMem_Lab");
  TotalMem_Lab->setTextFormat(Qt::PlainText);
  TotalMem_Lab->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  AvailabeMem_Lab = Named(new QLabel(this), "AvailabeMem_Lab");
  AvailabeMem_Lab->setTextFormat(Qt::PlainText);
  AvailabeMem_Lab->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  OK_Btn = new QPushButton(tr("OK"), this);
  OK_Btn->setObjectName(QStringLiteral("OK_Btn"));
  OK_Btn->setDefault(true);

  auto* info = new QVBoxLayout;
  info->setContentsMargins(12, 10, 12, 10);
  info->addWidget(SoftName_Lab);
  info->addWidget(Version_Lab);
  info->addSpacing(8);
  info->addWidget(URL_Lab);
  info->addWidget(Support_Lab);
  info->addSpacing(6);
  info->addWidget(Bevel);
  info->addWidget(WindowsVersion_Lab);
  auto* memory = new QGridLayout;
  memory->setHorizontalSpacing(12);
  memory->addWidget(new QLabel(tr("Memory Available to Windows:"), this), 0, 0);
  memory->addWidget(TotalMem_Lab, 0, 1);
  memory->addWidget(new QLabel(tr("Free Memory to Windows:"), this), 1, 0);
  memory->addWidget(AvailabeMem_Lab, 1, 1);
  info->addLayout(memory);
  info->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OK_Btn);
  info->addLayout(buttons);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Image, 0, Qt::AlignTop);
  layout->addLayout(info);

  Image->setAccessibleName(tr("Product Picture"));
  URL_Lab->setAccessibleName(tr("Home Page"));
  URL_Lab->setAccessibleDescription(URL_Lab->text());
  Support_Lab->setAccessibleName(tr("Online Support"));
  Support_Lab->setAccessibleDescription(Support_Lab->text());
  // The links are reached with Tab and open with Space or Enter.
  URL_Lab->setFocusPolicy(Qt::TabFocus);
  Support_Lab->setFocusPolicy(Qt::TabFocus);
  setTabOrder(URL_Lab, Support_Lab);
  setTabOrder(Support_Lab, OK_Btn);

  connect(Image, &TClickLabel::clicked, this, &TAbout_Frm::URL_LabClick);
  connect(URL_Lab, &TClickLabel::clicked, this, &TAbout_Frm::URL_LabClick);
  connect(Support_Lab, &TClickLabel::clicked, this, &TAbout_Frm::Support_LabClick);
  connect(OK_Btn, &QPushButton::clicked, this, &QDialog::accept);
  FormCreate();
}

void TAbout_Frm::FormCreate() {
  WindowsVersion_Lab->setText(QString::fromStdString(orbisk::SystemVersionText()));
  TotalMem_Lab->setText(AboutMemoryText(QString::fromStdString(orbisk::GetTotalMemoryText())));
  AvailabeMem_Lab->setText(AboutMemoryText(QString::fromStdString(orbisk::GetFreeMemoryText())));
}

void TAbout_Frm::FormShow() {
  // The picture spans the window from top to bottom; the border stays fixed.
  setFixedSize(sizeHint().width(), Image->pixmap().height());
}

void TAbout_Frm::showEvent(QShowEvent* e) {
  FormShow();
  CentreOnScreen(this);
  QDialog::showEvent(e);
}

void TAbout_Frm::URL_LabClick() { OpenHomePage(); }
void TAbout_Frm::Support_LabClick() { OpenSupportMail(); }

void ShowAboutWindow(QWidget* owner) {
  TAbout_Frm frm(owner);
  ExecModal(frm);
}
