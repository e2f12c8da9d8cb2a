// The window titles as the X server holds them (_NET_WM_NAME), which is what
// a window manager shows: exactly the captions, nothing appended. Runs on the
// xcb platform under Xvfb (tests/titles.cmake starts it).
#include <xcb/xcb.h>

#include <QApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <memory>

#include "about/HelpAbout.h"
#include "search/frmMap.h"
#include "tests/ui/support/MainWindowFixture.h"

namespace {

xcb_connection_t* Connection() {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(const char* name) {
  xcb_connection_t* c = Connection();
  auto cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(name)), name);
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(xcb_intern_atom_reply(c, cookie, nullptr), free);
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

QByteArray Property(xcb_window_t window, const char* name) {
  xcb_connection_t* c = Connection();
  auto cookie = xcb_get_property(c, 0, window, Atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
  std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(xcb_get_property_reply(c, cookie, nullptr), free);
  if (!reply) return {};
  return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                    xcb_get_property_value_length(reply.get()));
}

QString WmName(QWidget* w) {
  QTest::qWait(50);
  return QString::fromUtf8(Property(static_cast<xcb_window_t>(w->winId()), "_NET_WM_NAME"));
}

// The top-level window of another process, found by its _NET_WM_PID.
QString WmNameOfProcess(qint64 pid) {
  xcb_connection_t* c = Connection();
  xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  std::unique_ptr<xcb_query_tree_reply_t, decltype(&free)> tree(
      xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr), free);
  if (!tree) return {};
  xcb_window_t* children = xcb_query_tree_children(tree.get());
  for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
    QByteArray p = Property(children[i], "_NET_WM_PID");
    QByteArray name = Property(children[i], "_NET_WM_NAME");
    if (p.size() == 4 && *reinterpret_cast<const quint32*>(p.constData()) == pid && !name.isEmpty())
      return QString::fromUtf8(name);
  }
  return {};
}

}  // namespace

class TitlesTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"), "needs the xcb platform");
    QVERIFY(Connection());
    // As the program names itself.
    QApplication::setApplicationName(QStringLiteral("Orbisk"));
  }

  void programMainWindow() {
    QProcess orbisk;
    orbisk.setProgram(QStringLiteral(ORBISK_BUILD_DIR "/bin/orbisk"));
    orbisk.start();
    QVERIFY(orbisk.waitForStarted());
    auto stop = qScopeGuard([&] {
      orbisk.terminate();
      if (!orbisk.waitForFinished(5000)) orbisk.kill();
      orbisk.waitForFinished(5000);
    });
    // Wait for the window to appear, then for its final title.
    QTRY_VERIFY_WITH_TIMEOUT(!WmNameOfProcess(orbisk.processId()).isEmpty(), 20000);
    QCOMPARE(WmNameOfProcess(orbisk.processId()), QStringLiteral("Orbisk 1.02"));
  }

  void everyWindowShowsItsCaption() {
    MainWindowFixture f;
    QCOMPARE(WmName(f.frm), QStringLiteral("Orbisk 1.02"));
    const std::pair<QWidget*, const char*> windows[] = {
        {f.catDlg, "Company Category "},
        {f.companyDlg, "Company Information"},
        {f.contactDlg, "Contact"},
        {f.exportDlg, "Select Export Type"},
    };
    for (const auto& [window, caption] : windows) {
      window->show();
      QVERIFY(QTest::qWaitForWindowExposed(window));
      QCOMPARE(WmName(window), QString::fromUtf8(caption));
      window->hide();
    }
    TAbout_Frm about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QCOMPARE(WmName(&about), QStringLiteral("About Orbisk "));
    TMap_Frm map(f.frm->ProgramFolder);
    map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&map));
    QCOMPARE(WmName(&map), QStringLiteral("Canada Map"));
  }
};

QTEST_MAIN(TitlesTest)
#include "Titles_x11.moc"
