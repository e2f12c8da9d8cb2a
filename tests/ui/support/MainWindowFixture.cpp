#include "tests/ui/support/MainWindowFixture.h"

#include <QTest>

#include "app/uiShell.h"
#include "browse/uiWindowKit.h"

MainWindowFixture::MainWindowFixture(bool withDirectory) {
  if (withDirectory) orbisk::testing::WriteSmallDirectory(folder.Path());
  dm.DataModuleCreate(folder.Path());
  frm = std::make_unique<TMain_Frm>();
  frm->BindDataModule(&dm);
  catDlg = std::make_unique<TComanyCat_Dlg>(dm, frm.get());
  ComanyCat_Dlg = catDlg.get();
  companyDlg = std::make_unique<TCompany_Dlg>(dm, frm.get());
  Company_Dlg = companyDlg.get();
  contactDlg = std::make_unique<TContact_Dlg>(dm, frm.get());
  Contact_Dlg = contactDlg.get();
  ModalSeam() = [this](QDialog& d) {
    auto* title = d.findChild<QLabel*>(QStringLiteral("Title_Pnl"));
    shown.append(title ? title->text() : d.windowTitle());
    return static_cast<int>(QDialog::Rejected);
  };
  SetUrlOpener([this](const QUrl& url) { opened.append(url); });
  SetMessageShower([this](QWidget*, const QString& text) { messages.append(text); });
  frm->show();
  if (!QTest::qWaitForWindowExposed(frm.get())) qWarning("main window not exposed");
}

MainWindowFixture::~MainWindowFixture() {
  SetUrlOpener({});
  SetMessageShower({});
  ModalSeam() = nullptr;
  ComanyCat_Dlg = nullptr;
  Company_Dlg = nullptr;
  Contact_Dlg = nullptr;
  contactDlg.reset();
  companyDlg.reset();
  catDlg.reset();
  frm.reset();
}
