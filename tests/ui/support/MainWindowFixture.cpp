#include "tests/ui/support/MainWindowFixture.h"

#include <QTest>

#include "app/uiShell.h"

MainWindowFixture::MainWindowFixture(bool withDirectory) {
  if (withDirectory) orbisk::testing::WriteSmallDirectory(folder.Path());
  dm.DataModuleCreate(folder.Path());
  frm = std::make_unique<TMain_Frm>();
  frm->BindDataModule(&dm);
  SetUrlOpener([this](const QUrl& url) { opened.append(url); });
  SetMessageShower([this](QWidget*, const QString& text) { messages.append(text); });
  frm->show();
  if (!QTest::qWaitForWindowExposed(frm.get())) qWarning("main window not exposed");
}

MainWindowFixture::~MainWindowFixture() {
  SetUrlOpener({});
  SetMessageShower({});
  frm.reset();
}
