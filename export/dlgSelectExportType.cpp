#include "export/dlgSelectExportType.h"

TExportType_Dlg* ExportType_Dlg = nullptr;

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/uiLocalText.h"
#include "ui/uiWindowKit.h"
#include "ui/uiLook.h"
#include "export/ExportTypes.h"
#include "strutil/TextUtil.h"

QString QtFileFilter(const QString& windowsFilter) {
  const QStringList parts = windowsFilter.split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

TExportType_Dlg::TExportType_Dlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(tr("Select Export Type"));
  setFont(VerdanaFont());

  ExportType_Grp = new QGroupBox(tr("Export Type"), this);
  ExportType_Buttons = new QButtonGroup(this);
  auto* radios = new QGridLayout(ExportType_Grp);
  for (int t = 0; t < orbisk::kExportTypeCount; ++t) {
    auto* r = new QRadioButton(LocalText("ExportTypes", orbisk::ExportTypeInfoOf(t).radioItem), ExportType_Grp);
    ExportType_Buttons->addButton(r, t);
    r->installEventFilter(this);
    radios->addWidget(r, t % 3, t / 3);
  }
  ExportType_Buttons->button(orbisk::etHtml)->setChecked(true);

  Label1 = new QLabel(tr("Output File Name"), this);
  OpenAfterSave_Chk = new QCheckBox(tr("Open it after saving"), this);
  OutputFile_Edt = new QLineEdit(this);
  OutputFile_Edt->setMinimumWidth(360);
  OuputFileOpen_Btn = new QToolButton(this);
  OuputFileOpen_Btn->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
  OuputFileOpen_Btn->setToolTip(tr("Choose the output file"));
  OuputFileOpen_Btn->setAccessibleName(tr("Choose the output file"));
  OutputFile_Edt->setAccessibleName(tr("Output File Name"));
  Label1->setBuddy(OutputFile_Edt);
  OK_Btn = new QPushButton(tr("&OK"), this);
  Cancel_Btn = new QPushButton(tr("&Cancel"), this);
  // Neither button is the default or the cancel button: Enter and Escape do
  // not close the dialog.
  for (QPushButton* b : {OK_Btn, Cancel_Btn}) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
  OpenDialog = new QFileDialog(this);
  OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
  OpenDialog->setFileMode(QFileDialog::AnyFile);  // the file need not exist
  // The list shows each type's description alone, "Excel(*.xls)", as the radio
  // items do; the patterns behind it still filter.
  OpenDialog->setOption(QFileDialog::HideNameFilterDetails);
  OpenDialog->setWindowTitle(tr("Output File Name"));

  auto* nameLine = new QHBoxLayout;
  nameLine->addWidget(Label1);
  nameLine->addStretch();
  nameLine->addWidget(OpenAfterSave_Chk);
  auto* fileLine = new QHBoxLayout;
  fileLine->addWidget(OutputFile_Edt, 1);
  fileLine->addWidget(OuputFileOpen_Btn);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OK_Btn);
  buttons->addWidget(Cancel_Btn);
  auto* layout = new QVBoxLayout(this);
  // Equal margins all round: right of Cancel as left of the edit, below the
  // buttons as above the radio group.
  layout->setContentsMargins(12, 12, 12, 12);
  layout->addWidget(ExportType_Grp);
  layout->addLayout(nameLine);
  layout->addLayout(fileLine);
  layout->addSpacing(6);
  layout->addLayout(buttons);

  // Toggled rather than clicked: arrow keys and code change the type too.
  connect(ExportType_Buttons, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on) ExportType_GrpClick();
  });
  connect(OutputFile_Edt, &QLineEdit::textChanged, this, [this] { OutputFile_EdtChange(); });
  connect(OuputFileOpen_Btn, &QToolButton::clicked, this, [this] { OuputFileOpen_BtnClick(); });
  connect(OK_Btn, &QPushButton::clicked, this, &QDialog::accept);
  connect(Cancel_Btn, &QPushButton::clicked, this, &QDialog::reject);
  FormCreate();
}

void TExportType_Dlg::FormCreate() { ExportType_GrpClick(); }

int TExportType_Dlg::SelectedExportType() const { return ExportType_Buttons->checkedId(); }
bool TExportType_Dlg::OpenAfterSave() const { return OpenAfterSave_Chk->isChecked(); }
QString TExportType_Dlg::OutputFileName() const { return OutputFile_Edt->text(); }

void TExportType_Dlg::ExportType_GrpClick() {
  const int type = SelectedExportType();
  const orbisk::ExportTypeInfo& info = orbisk::ExportTypeInfoOf(type);
  OpenDialog->setNameFilter(QtFileFilter(LocalText("ExportTypes", info.description) + QLatin1Char('|') +
                                         QString::fromLatin1(info.pattern) + QLatin1Char('|') +
                                         LocalText("ExportTypes", orbisk::kAnyFile) + QStringLiteral("|*.*")));
  OpenDialog->setDefaultSuffix(QString::fromLatin1(orbisk::ExportTypeInfoOf(type).extension));
  // The typed path stays as it is: a type change never rewrites the file name.
  OutputFile_EdtChange();
}

void TExportType_Dlg::OutputFile_EdtChange() {
  const std::string text = OutputFile_Edt->text().toStdString();
  OK_Btn->setEnabled(!orbisk::TrimBlanks(text).empty());
}

void TExportType_Dlg::OuputFileOpen_BtnClick() {
  if (ExecModal(*OpenDialog) != QDialog::Accepted) return;
  const QStringList files = OpenDialog->selectedFiles();
  if (!files.isEmpty()) OutputFile_Edt->setText(files.first());
}

bool TExportType_Dlg::eventFilter(QObject* watched, QEvent* event) {
  // The arrow keys step through the types in their order, wrapping round, as
  // in any radio group; the items' two columns do not steer them.
  if (event->type() == QEvent::KeyPress) {
    auto* button = qobject_cast<QAbstractButton*>(watched);
    const int id = button ? ExportType_Buttons->id(button) : -1;
    const auto* key = static_cast<QKeyEvent*>(event);
    int step = 0;
    if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Right) step = 1;
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Left) step = -1;
    if (id >= 0 && step != 0 && key->modifiers() == Qt::NoModifier) {
      QAbstractButton* next =
          ExportType_Buttons->button((id + step + orbisk::kExportTypeCount) % orbisk::kExportTypeCount);
      next->setFocus(Qt::TabFocusReason);
      next->setChecked(true);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TExportType_Dlg::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    e->ignore();
    return;
  }
  QDialog::keyPressEvent(e);
}

void TExportType_Dlg::showEvent(QShowEvent* e) {
  // The keyboard starts on the selected type: a Space typed first keeps it.
  if (QAbstractButton* selected = ExportType_Buttons->checkedButton()) selected->setFocus(Qt::OtherFocusReason);
  QDialog::showEvent(e);
  adjustSize();
  CentreOnScreen(this);
}
