// Every dialog and the map are transient for the main window, so a compositor
// that places windows itself (Wayland) puts them over it.
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include "about/HelpAbout.h"
#include "ui/uiDBGrid.h"
#include "ui/uiWindowKit.h"
#include "search/frmMap.h"
#include "tests/ui/support/MainWindowFixture.h"

class TransientTest : public QObject {
  Q_OBJECT
 private slots:
  void dialogsAndMapAreTransientForTheMainWindow();
};

void TransientTest::dialogsAndMapAreTransientForTheMainWindow() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  QStringList parents;
  ModalSeam() = [&](QDialog& d) {
    d.show();
    QWindow* parent = d.windowHandle() ? d.windowHandle()->transientParent() : nullptr;
    parents << d.windowTitle() + QLatin1Char('=') +
                   (parent == w.windowHandle() ? QStringLiteral("main") : QStringLiteral("none"));
    d.hide();
    return static_cast<int>(QDialog::Rejected);
  };
  w.About_A->trigger();
  w.Export_A->trigger();
  w.SelectCat_A->trigger();
  w.QueryCompany_A->trigger();
  w.OpenCompanyDetails();
  w.QueryContact_A->trigger();
  w.OpenContactWindow();
  QCOMPARE(parents, QStringList({QStringLiteral("About Orbisk =main"), QStringLiteral("Select Export Type=main"),
                                 QStringLiteral("Company Category =main"), QStringLiteral("Company Information=main"),
                                 QStringLiteral("Contact=main")}));
  w.ShowMap_A->trigger();
  auto* map = w.findChild<TMap_Frm*>();
  QVERIFY(map);
  QTRY_VERIFY(map->isVisible());
  QCOMPARE(map->windowHandle()->transientParent(), w.windowHandle());
  map->close();
}

QTEST_MAIN(TransientTest)
#include "Transient_test.moc"
