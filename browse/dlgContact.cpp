#include "browse/dlgContact.h"

TContact_Dlg* Contact_Dlg = nullptr;

#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "browse/FillFieldMemo.h"
#include "ui/uiLocalText.h"
#include "ui/uiWindowKit.h"
#include "ui/uiLook.h"

QString MemoText(const std::vector<std::string>& lines) {
  QStringList out;
  for (const auto& l : lines) out << QString::fromStdString(l);
  QString text = out.join(QLatin1Char('\n'));
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return text;
}

TContact_Dlg::TContact_Dlg(orbisk::TDM& dm, QWidget* parent) : QDialog(parent), dm_(dm) {
  setObjectName(QStringLiteral("Contact_Dlg"));
  setWindowTitle(tr("Contact"));
  setFont(VerdanaFont());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  Title_Pnl = MakeTitlePanel(tr("Contact"), this);
  layout->addWidget(Title_Pnl);
  Contact_Memo = new QPlainTextEdit(this);
  Contact_Memo->setObjectName(QStringLiteral("Contact_Memo"));
  Contact_Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  Contact_Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Contact_Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SetInfoBackground(Contact_Memo);
  Contact_Memo->setAccessibleName(tr("Contact Details"));
  layout->addWidget(Contact_Memo);
  resize(480, 420);
}

void TContact_Dlg::OpenContactWindow() {
  orbisk::Query& q = dm_.Contact_Q;
  const orbisk::Field* name = q.Active() ? q.FindField("Name") : nullptr;
  Title_Pnl->setText(name ? QString::fromStdString(name->AsString()) : QString());
  std::vector<std::string> lines;
  orbisk::FillFieldMemo(q, lines, 0, false, LocalFieldLabel);
  Contact_Memo->setPlainText(MemoText(lines));
  CentreOnScreen(this);
  ExecModal(*this);
}
