// Names from the directory and file names are shown exactly as stored, never
// read as markup: the status text, the title panels, the grids' and the
// category's tool tips, the picker's selection and the message boxes.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <filesystem>

#include "ui/uiShell.h"
#include "ui/uiDBGrid.h"
#include "ui/uiWindowKit.h"
#include "tests/ui/support/MainWindowFixture.h"

namespace {

const QString kCompany = QStringLiteral("<b>Tom</b> &lt; Jerry <img src=logo.png> Trading & Sons Limited");
const QString kContact = QStringLiteral("<i>Ann</i> &amp; <img src=x>");
const QString kCategory = QStringLiteral("<u>Crafts</u> &lt;<img src='y'>");

// What a label or tool tip puts on the screen for a text: markup is read as
// markup where the text is rich (or guessed to be), else the text shows as it is.
QString Shown(const QString& text, Qt::TextFormat format = Qt::AutoText) {
  const bool rich = format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
  if (!rich) return text;
  QTextDocument doc;
  doc.setHtml(text);
  return doc.toPlainText();
}

QString ShownLabel(const QLabel* l) { return Shown(l->text(), l->textFormat()); }

std::string MarkupDirectory(const std::string& folder) {
  orbisk::Connection c;
  c.OpenWritable(folder + "Database/corpdir.mdb");
  auto quoted = [](QString s) { return "'" + s.replace(QLatin1Char('\''), QStringLiteral("''")).toStdString() + "'"; };
  orbisk::testing::Exec(c.Handle(), "UPDATE Company_Info SET Company_Name = " + quoted(kCompany) +
                                        " WHERE Company_ID = 1");
  orbisk::testing::Exec(c.Handle(), "UPDATE Company_Contact SET Name = " + quoted(kContact) + " WHERE Record_ID = 1");
  orbisk::testing::Exec(c.Handle(), "UPDATE Main_Category SET Cat_Name = " + quoted(kCategory) +
                                        " WHERE Cat_Code = 'Abor'");
  return folder + "Database/corpdir.mdb";
}

}  // namespace

class PlainTextTest : public QObject {
  Q_OBJECT
 private slots:
  void directoryTextShowsAsStored();
  void categoryShowsAsStored();
  void messageBoxShowsFileNameAsStored();
  void directoryFileNameShowsAsStored();
};

void PlainTextTest::directoryTextShowsAsStored() {
  MainWindowFixture f(true, MarkupDirectory);
  TMain_Frm& w = *f.frm;
  w.QueryCompany_A->trigger();
  TDBGrid* grid = w.Company_DBGrid;
  const int name = ColumnOf(grid, "Company_Name");
  ClickCell(grid, 0, name);
  auto* status = w.findChild<QLabel*>(QStringLiteral("StatusText_Lab"));
  QVERIFY(status);
  QVERIFY(status->text().contains(kCompany));
  QCOMPARE(ShownLabel(status), status->text());
  // The grid's tool tip over the long name.
  QCOMPARE(Shown(grid->model()->index(0, name).data(Qt::ToolTipRole).toString()), kCompany);
  // The details window's title panel, as it is while the window shows.
  QString title;
  ModalSeam() = [&title](QDialog& d) {
    title = ShownLabel(d.findChild<QLabel*>(QStringLiteral("Title_Pnl")));
    return static_cast<int>(QDialog::Rejected);
  };
  w.OpenCompanyDetails();
  QCOMPARE(title, kCompany);
  // The contact window's title panel, and the status text of the contact grid.
  w.QueryContact_A->trigger();
  ClickCell(w.Contact_DBGrid, 0, ColumnOf(w.Contact_DBGrid, "Name"));
  QCOMPARE(ShownLabel(status), status->text());
  QVERIFY(status->text().contains(kCompany));
  w.OpenContactWindow();
  QCOMPARE(title, kContact);
}

void PlainTextTest::categoryShowsAsStored() {
  MainWindowFixture f(true, MarkupDirectory);
  TMain_Frm& w = *f.frm;
  QString selection;
  ModalSeam() = [&](QDialog& d) {
    auto& dlg = static_cast<TComanyCat_Dlg&>(d);
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg)) qWarning("the picker was not exposed");
    ClickCell(dlg.MainCat_DBGrid, 0, 1);
    selection = ShownLabel(dlg.Selection_Lab) + QLatin1Char('|') + Shown(dlg.Selection_Lab->toolTip());
    dlg.hide();
    return static_cast<int>(QDialog::Accepted);
  };
  w.SelectCat_A->trigger();
  QVERIFY(f.messages.isEmpty());
  QCOMPARE(selection, QStringLiteral("Selected: ") + kCategory + QLatin1Char('|') + kCategory);
  QCOMPARE(w.QueryCondition_Grp->Category_Edt->text(), kCategory);
  QCOMPARE(Shown(w.QueryCondition_Grp->Category_Edt->toolTip()), kCategory);
}

void PlainTextTest::messageBoxShowsFileNameAsStored() {
  // A missing directory whose name looks like markup, reported in a real message box.
  MainWindowFixture f(false, [](const std::string& folder) { return folder + "<b>gone</b>&lt;<img src=z>.mdb"; });
  SetMessageShower({});
  QString shown;
  QTimer::singleShot(0, this, [&shown] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    shown = Shown(box->text(), box->textFormat());
    box->accept();
  });
  f.frm->QueryCompany_A->trigger();
  QVERIFY2(shown.contains(QStringLiteral("<b>gone</b>&lt;<img src=z>.mdb")), qPrintable(shown));
}

void PlainTextTest::directoryFileNameShowsAsStored() {
  MainWindowFixture f(true, [](const std::string& folder) {
    const std::string odd = folder + "<b>Tom&lt;<img src=x>.mdb";
    std::filesystem::copy_file(folder + "Database/corpdir.mdb", odd);
    return odd;
  });
  QVERIFY(Shown(f.frm->StatusBar->toolTip()).endsWith(QStringLiteral("<b>Tom&lt;<img src=x>.mdb")));
  QVERIFY(Shown(f.frm->StatusBar->toolTip()).startsWith(QStringLiteral("Directory: /")));
}

QTEST_MAIN(PlainTextTest)
#include "PlainText_test.moc"
