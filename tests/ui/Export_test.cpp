// The export dialog and the export of the main window's result lists, driven
// through the real window after a search: every type's file, the dialog's
// settings, the row the grid comes back to and what the user is told.
#include <sqlite3.h>

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QProgressDialog>
#include <QTest>
#include <QToolButton>
#include <QXmlStreamReader>
#include <functional>

#include "ui/uiShell.h"
#include "ui/uiDBGrid.h"
#include "data/uDM.h"
#include "export/ExportTypes.h"
#include "export/dlgSelectExportType.h"
#include "tests/ui/support/MainWindowFixture.h"

using namespace orbisk;

namespace {

const QString kSuccess = QStringLiteral("Exported Successfully!");

using Fill = std::function<void(TExportType_Dlg&)>;

// Answers the export dialog as a user would: it is shown, `fill` works its
// controls, then OK (or Cancel) is clicked. A disabled OK leaves the dialog
// open, which then counts as closing it. Other windows close at once.
void AnswerExport(MainWindowFixture& f, Fill fill, bool ok = true) {
  ModalSeam() = [&f, fill, ok](QDialog& d) -> int {
    f.shown.append(d.windowTitle());
    auto* dlg = qobject_cast<TExportType_Dlg*>(&d);
    if (!dlg) return QDialog::Rejected;
    d.setResult(QDialog::Rejected);
    d.show();
    if (fill) fill(*dlg);
    QTest::mouseClick(ok ? dlg->OK_Btn : dlg->Cancel_Btn, Qt::LeftButton);
    const int result = d.result();
    d.hide();
    return result;
  };
}

// Radio buttons and check boxes take clicks on their indicator and text only.
void ClickIndicator(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); }

void TypeInto(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

Fill Choose(int type, const QString& path, bool openAfterSaving = false) {
  return [=](TExportType_Dlg& d) {
    ClickIndicator(d.ExportType_Buttons->button(type));
    TypeInto(d.OutputFile_Edt, path);
    if (d.OpenAfterSave_Chk->isChecked() != openAfterSaving) ClickIndicator(d.OpenAfterSave_Chk);
  };
}

void Export(MainWindowFixture& f, Fill fill, bool ok = true) {
  AnswerExport(f, std::move(fill), ok);
  QTest::mouseClick(f.frm->Export_Btn, Qt::LeftButton);
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Lines(const QString& path) {
  QStringList lines = QString::fromUtf8(ReadAll(path)).split(QStringLiteral("\r\n"));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

QString Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(60000) || p.exitCode() != 0) {
    qWarning("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
    return {};
  }
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The rows of an Access table as mdbtools reads them: a header line, then one line a row.
QStringList AccessTable(const QString& file, const QString& table) {
  return Run(QStringLiteral("mdb-export"), {file, table}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Every part of a workbook (a zip of XML parts), one after the other.
QString WorkbookText(const QString& file) {
  const QString python = QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                            : QStringLiteral("python3");
  return Run(python, {QStringLiteral("-c"), QStringLiteral("import sys, zipfile\n"
                                                           "z = zipfile.ZipFile(sys.argv[1])\n"
                                                           "for n in z.namelist(): print(n); print(z.read(n).decode())"),
                      file});
}

int XmlRows(const QString& file) {
  QXmlStreamReader xml(ReadAll(file));
  int rows = 0;
  while (!xml.atEnd())
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.qualifiedName() == QLatin1String("z:row")) ++rows;
  return xml.hasError() ? -1 : rows;
}

QStringList ColumnValues(TDBGrid* grid, int column) {
  QStringList values;
  for (int r = 0; r < grid->model()->rowCount(); ++r) values << grid->model()->index(r, column).data().toString();
  return values;
}

QString Out(MainWindowFixture& f, const char* name) { return QString::fromStdString(f.folder.Path()) + name; }

// The grid and its query are on the given row, and nothing is left of the export's cursor.
#define VERIFY_ON_ROW(grid, at)                                     \
  do {                                                              \
    QCOMPARE((grid)->currentIndex().row(), at);                     \
    QCOMPARE((grid)->query()->RecNo(), (at) + 1);                   \
    QVERIFY(QApplication::overrideCursor() == nullptr);             \
  } while (0)

}  // namespace

class ExportTest : public QObject {
  Q_OBJECT
 private slots:
  void dialogAsCreated();
  void enterAndEscapeKeepDialogOpen();
  void chooserFollowsTheType();
  void okNeedsMoreThanBlanks();
  void everyTypeWritesItsFile();
  void openAfterSavingHandsOverTheFileAsTyped();
  void settingsStayBetweenOpenings();
  void keyboardStartsOnTheSelectedType();
  void cancelOrNoResultWritesNothing();
  void failedExportKeepsTheRow();
  void contactPageExportsContacts();
  void refusedAccessRowsAreTold();
  void progressClosedBeforeTheMessage();
  void missingTemplateIsReported();
  void excelShownInSpreadsheetProgram();
  void exportTakesBackOnlyItsOwnCursor();
};

void ExportTest::dialogAsCreated() {
  TExportType_Dlg dlg;
  QCOMPARE(dlg.windowTitle(), QStringLiteral("Select Export Type"));
  QCOMPARE(dlg.font().family(), QStringLiteral("Verdana"));
  QCOMPARE(dlg.ExportType_Grp->title(), QStringLiteral("Export Type"));
  const QStringList items{"Access(*.mdb)", "Excel(*.xls)", "CSV(*.csv)", "XML(*.xml)", "HTML(*.htm)",
                          "Current Column(*.txt)"};
  for (int t = 0; t < items.size(); ++t) QCOMPARE(dlg.ExportType_Buttons->button(t)->text(), items[t]);
  QCOMPARE(dlg.SelectedExportType(), int(etHtml));
  QCOMPARE(dlg.OutputFileName(), QString());
  QVERIFY(!dlg.OpenAfterSave());
  QCOMPARE(dlg.Label1->text(), QStringLiteral("Output File Name"));
  QCOMPARE(dlg.OpenAfterSave_Chk->text(), QStringLiteral("Open it after saving"));
  QCOMPARE(dlg.OK_Btn->text(), QStringLiteral("&OK"));
  QCOMPARE(dlg.Cancel_Btn->text(), QStringLiteral("&Cancel"));
  QVERIFY(!dlg.OK_Btn->isEnabled());
  QVERIFY(dlg.Cancel_Btn->isEnabled());
  QCOMPARE(dlg.OpenDialog->acceptMode(), QFileDialog::AcceptOpen);
  QCOMPARE(dlg.OpenDialog->fileMode(), QFileDialog::AnyFile);

  // Shown: the margin right of Cancel is the edit's distance from the left
  // border, the margin below it the radio group's distance from the top;
  // again after the user has resized the dialog.
  for (int showing = 0; showing < 2; ++showing) {
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    const QRect cancel = dlg.Cancel_Btn->geometry();
    QVERIFY(dlg.OutputFile_Edt->x() > 0);
    QCOMPARE(dlg.width() - 1 - cancel.right(), dlg.OutputFile_Edt->x());
    QCOMPARE(dlg.height() - 1 - cancel.bottom(), dlg.ExportType_Grp->y());
    QCOMPARE(dlg.size(), dlg.sizeHint());
    // Layout: check box on the label's line to its right, chooser button right
    // of the edit, OK left of Cancel on the bottom line.
    QCOMPARE(dlg.OpenAfterSave_Chk->geometry().center().y(), dlg.Label1->geometry().center().y());
    QVERIFY(dlg.OpenAfterSave_Chk->x() > dlg.Label1->geometry().right());
    QVERIFY(dlg.OuputFileOpen_Btn->x() > dlg.OutputFile_Edt->geometry().right());
    QVERIFY(dlg.OK_Btn->geometry().right() < cancel.left());
    QCOMPARE(dlg.OK_Btn->y(), cancel.y());
    QVERIFY(cancel.top() > dlg.OutputFile_Edt->geometry().bottom());
    dlg.hide();
    dlg.resize(dlg.width() + 200, dlg.height() + 150);
  }
}

void ExportTest::enterAndEscapeKeepDialogOpen() {
  TExportType_Dlg dlg;
  QVERIFY(!dlg.OK_Btn->isDefault() && !dlg.OK_Btn->autoDefault());
  QVERIFY(!dlg.Cancel_Btn->isDefault() && !dlg.Cancel_Btn->autoDefault());
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  dlg.setResult(-1);
  TypeInto(dlg.OutputFile_Edt, QStringLiteral("/tmp/list.csv"));
  QVERIFY(dlg.OK_Btn->isEnabled());
  for (QWidget* target : {static_cast<QWidget*>(&dlg), static_cast<QWidget*>(dlg.OutputFile_Edt),
                          static_cast<QWidget*>(dlg.OK_Btn), static_cast<QWidget*>(dlg.Cancel_Btn),
                          static_cast<QWidget*>(dlg.ExportType_Buttons->button(etCsv))}) {
    target->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
      QTest::keyClick(target, key);
      QVERIFY2(dlg.isVisible(), qPrintable(target->objectName() + QString::number(key, 16)));
    }
  }
  QCOMPARE(dlg.result(), -1);
  QTest::mouseClick(dlg.Cancel_Btn, Qt::LeftButton);
  QVERIFY(!dlg.isVisible());
  QCOMPARE(dlg.result(), int(QDialog::Rejected));
}

void ExportTest::chooserFollowsTheType() {
  testing::TempFolder dir;
  const QString folder = QString::fromStdString(dir.Path());
  TExportType_Dlg dlg;
  QCOMPARE(dlg.OpenDialog->nameFilters(), QStringList({"HTML(*.htm) (*.htm)", "Any File (*.*)"}));
  QVERIFY(dlg.OpenDialog->testOption(QFileDialog::HideNameFilterDetails));
  ClickIndicator(dlg.ExportType_Buttons->button(etCsv));
  QCOMPARE(dlg.SelectedExportType(), int(etCsv));
  QCOMPARE(dlg.OpenDialog->nameFilters(), QStringList({"CSV (*.csv) (*.csv)", "Any File (*.*)"}));
  ClickIndicator(dlg.ExportType_Buttons->button(etExcel));
  QCOMPARE(dlg.OpenDialog->nameFilters(), QStringList({"Excel(*.xls) (*.xls *.xlsx)", "Any File (*.*)"}));

  // The chooser as the user answers it: a name typed without an extension
  // gets the type's; one with an extension keeps it.
  QString typed;
  ModalSeam() = [&typed, &folder](QDialog& d) -> int {
    auto* chooser = qobject_cast<QFileDialog*>(&d);
    if (!chooser || typed.isEmpty()) return QDialog::Rejected;
    chooser->setDirectory(folder);
    chooser->selectFile(typed);
    return QDialog::Accepted;
  };
  typed = QStringLiteral("book");
  QTest::mouseClick(dlg.OuputFileOpen_Btn, Qt::LeftButton);
  QCOMPARE(dlg.OutputFileName(), folder + "book.xlsx");
  QVERIFY(dlg.OK_Btn->isEnabled());
  // A type change never rewrites the path.
  ClickIndicator(dlg.ExportType_Buttons->button(etCsv));
  QCOMPARE(dlg.OutputFileName(), folder + "book.xlsx");
  typed = QStringLiteral("names");
  QTest::mouseClick(dlg.OuputFileOpen_Btn, Qt::LeftButton);
  QCOMPARE(dlg.OutputFileName(), folder + "names.csv");
  typed = QStringLiteral("page.htm");
  QTest::mouseClick(dlg.OuputFileOpen_Btn, Qt::LeftButton);
  QCOMPARE(dlg.OutputFileName(), folder + "page.htm");
  // Cancelled: the edit keeps its text.
  typed.clear();
  QTest::mouseClick(dlg.OuputFileOpen_Btn, Qt::LeftButton);
  QCOMPARE(dlg.OutputFileName(), folder + "page.htm");
  ModalSeam() = nullptr;
}

void ExportTest::okNeedsMoreThanBlanks() {
  TExportType_Dlg dlg;
  const QList<QPair<QString, bool>> cases{{"", false},         {"   ", false},       {"\t \x01", false},
                                          {" x ", true},        {"\tlist.csv", true}, {"/tmp/a b.csv", true}};
  for (const auto& [text, enabled] : cases) {
    dlg.OutputFile_Edt->setText(text);
    QVERIFY2(dlg.OK_Btn->isEnabled() == enabled, qPrintable(text));
    QCOMPARE(dlg.OutputFileName(), text);  // never trimmed
  }
  TypeInto(dlg.OutputFile_Edt, QStringLiteral("  "));
  QVERIFY(!dlg.OK_Btn->isEnabled());
}

void ExportTest::everyTypeWritesItsFile() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  TDBGrid* grid = w.Company_DBGrid;
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  QCOMPARE(grid->model()->rowCount(), 5);
  const int nameColumn = ColumnOf(grid, "Company_Name");
  ClickCell(grid, 2, nameColumn);
  VERIFY_ON_ROW(grid, 2);
  const QStringList names = ColumnValues(grid, nameColumn);

  const char* files[] = {"list.mdb", "list.xlsx", "list.csv", "list.xml", "list.htm", "names.txt"};
  for (int type = 0; type < kExportTypeCount; ++type) {
    const QString file = Out(f, files[type]);
    Export(f, Choose(type, file));
    QCOMPARE(f.messages, QStringList{kSuccess});
    f.messages.clear();
    VERIFY_ON_ROW(grid, 2);
    QCOMPARE(grid->currentIndex().column(), nameColumn);  // the selected column stays too
    QVERIFY2(QFile::exists(file), files[type]);
  }
  QVERIFY(f.opened.isEmpty());

  const QStringList access = AccessTable(Out(f, "list.mdb"), QStringLiteral("Company"));
  QCOMPARE(access.size(), 6);
  QVERIFY(access[0].contains(QLatin1String("Company_Name")));
  for (const QString& name : names) QVERIFY2(access.filter(name).size() == 1, qPrintable(name));

  QVERIFY(ReadAll(Out(f, "list.xlsx")).startsWith("PK\x03\x04"));
  const QString workbook = WorkbookText(Out(f, "list.xlsx"));
  QVERIFY(workbook.contains(QLatin1String("<sheet name=\"Company\"")));
  QVERIFY(workbook.contains(QStringLiteral("Société Générale Québec")));
  QVERIFY(workbook.contains(QLatin1String("Bank of the North")));

  const QStringList csv = Lines(Out(f, "list.csv"));
  QCOMPARE(csv.size(), 6);
  QVERIFY(csv[0].contains(QLatin1String("Company_Name")));
  for (int r = 0; r < names.size(); ++r) QVERIFY2(csv[r + 1].contains(names[r]), qPrintable(csv[r + 1]));

  QCOMPARE(XmlRows(Out(f, "list.xml")), 5);

  const QString page = QString::fromUtf8(ReadAll(Out(f, "list.htm")));
  QVERIFY(page.contains(QLatin1String("<title>Company List</title>")));
  QVERIFY(page.contains(QLatin1String("O&#39;Brien Tools")) || page.contains(QLatin1String("O&#039;Brien Tools")));
  QVERIFY(page.contains(names[0]));

  QCOMPARE(Lines(Out(f, "names.txt")), names);  // the column selected in the grid
}

void ExportTest::openAfterSavingHandsOverTheFileAsTyped() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  const QString before = QDir::currentPath();
  const QString folder = QString::fromStdString(f.folder.Path());
  QVERIFY(QDir::setCurrent(folder));
  // Blanks around the name are part of it, and a name without a folder lies
  // in the current one; "www." starts a file name here, not a web address.
  // A workbook named without an extension is saved and opened as .xlsx.
  Export(f, Choose(etCsv, QStringLiteral(" www.list.csv "), true));
  Export(f, Choose(etColumn, folder + "names.txt", true));
  Export(f, Choose(etExcel, folder + "book", true));
  QDir::setCurrent(before);
  QVERIFY(f.messages.isEmpty());
  QVERIFY(QFile::exists(folder + " www.list.csv "));
  QCOMPARE(f.opened, QList<QUrl>({QUrl::fromLocalFile(folder + " www.list.csv "),
                                  QUrl::fromLocalFile(folder + "names.txt"),
                                  QUrl::fromLocalFile(folder + "book.xlsx")}));
  QVERIFY(ReadAll(folder + "book.xlsx").startsWith("PK"));
}

void ExportTest::settingsStayBetweenOpenings() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  const QString page = Out(f, "list.htm");
  Export(f, Choose(etHtml, page, true));
  QCOMPARE(f.opened.size(), 1);

  int type = -1;
  QString path;
  bool openAfter = false;
  Export(
      f,
      [&](TExportType_Dlg& d) {
        type = d.SelectedExportType();
        path = d.OutputFile_Edt->text();
        openAfter = d.OpenAfterSave_Chk->isChecked();
        ClickIndicator(d.OpenAfterSave_Chk);
      },
      false);
  QCOMPARE(type, int(etHtml));
  QCOMPARE(path, page);
  QVERIFY(openAfter);
  QCOMPARE(f.opened.size(), 1);  // cancelled: nothing opened or shown
  QVERIFY(f.messages.isEmpty());

  // Only the type changes: the CSV goes into the .htm file the path still names.
  Export(f, [&](TExportType_Dlg& d) {
    openAfter = d.OpenAfterSave_Chk->isChecked();  // unticked at the cancelled opening
    ClickIndicator(d.ExportType_Buttons->button(etCsv));
  });
  QVERIFY(!openAfter);
  QCOMPARE(f.messages, QStringList{kSuccess});
  const QStringList csv = Lines(page);
  QCOMPARE(csv.size(), 6);
  QVERIFY2(csv[0].startsWith(QLatin1String("Company_ID,")), qPrintable(csv[0]));
  QCOMPARE(ExportType_Dlg->OutputFileName(), page);
  QCOMPARE(ExportType_Dlg->SelectedExportType(), int(etCsv));
}

void ExportTest::keyboardStartsOnTheSelectedType() {
  MainWindowFixture f;
  f.frm->QueryCompany_A->trigger();
  QList<QWidget*> focused;
  QList<int> typeAfterSpace;
  auto look = [&](TExportType_Dlg& d) {
    // The dialog's own keyboard focus, the one it has once it is active.
    QWidget* at = d.focusWidget();
    focused.append(at);
    if (at && at->window() == &d) QTest::keyClick(at, Qt::Key_Space);
    typeAfterSpace.append(d.SelectedExportType());
  };
  // As created (HTML), then after choosing CSV in the dialog.
  Export(f, look, false);
  Export(f, [&](TExportType_Dlg& d) { ClickIndicator(d.ExportType_Buttons->button(etCsv)); }, false);
  Export(f, look, false);
  TExportType_Dlg& d = *f.exportDlg;
  QCOMPARE(focused, (QList<QWidget*>{d.ExportType_Buttons->button(etHtml), d.ExportType_Buttons->button(etCsv)}));
  QCOMPARE(typeAfterSpace, (QList<int>{etHtml, etCsv}));
}

void ExportTest::cancelOrNoResultWritesNothing() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  const QString file = Out(f, "list.csv");
  Export(f, Choose(etCsv, file, true));  // no search yet: the query is closed
  QCOMPARE(f.shown, QStringList{"Select Export Type"});
  QVERIFY(!QFile::exists(file));
  // OK without a list says why nothing was written, and opens nothing.
  QCOMPARE(f.messages, QStringList{"There is no list to export yet: run a search first."});
  QVERIFY(f.opened.isEmpty());
  QVERIFY(QApplication::overrideCursor() == nullptr);
  // The contact page has no list either after a company search.
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  w.Result_PC->setCurrentWidget(w.ContactList_TS);
  f.messages.clear();
  Export(f, Choose(etCsv, file, false));
  QCOMPARE(f.messages, QStringList{"There is no list to export yet: run a search first."});
  QVERIFY(!QFile::exists(file));
  w.Result_PC->setCurrentWidget(w.CompanyList_TS);
  f.messages.clear();

  Export(f, Choose(etCsv, file, false), false);
  QVERIFY(!QFile::exists(file));
  QVERIFY(f.messages.isEmpty() && f.opened.isEmpty());
  Export(f, Choose(etCsv, QStringLiteral("   ")));  // OK stays disabled
  QVERIFY(f.messages.isEmpty());
  QCOMPARE(f.shown.size(), 4);
}

void ExportTest::failedExportKeepsTheRow() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  TDBGrid* grid = w.Company_DBGrid;
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  ClickCell(grid, 3, 1);
  // A folder that does not exist; an existing file that is no Access database.
  QFile notAccess(Out(f, "notes.mdb"));
  QVERIFY(notAccess.open(QIODevice::WriteOnly));
  notAccess.write("just text, not a database");
  notAccess.close();
  const QList<QPair<int, QString>> failing{{etCsv, Out(f, "missing/list.csv")},
                                           {etXml, Out(f, "missing/list.xml")},
                                           {etExcel, Out(f, "missing/list.xlsx")},
                                           {etColumn, Out(f, "missing/names.txt")},
                                           {etAccess, Out(f, "notes.mdb")}};
  for (const auto& [type, file] : failing) {
    Export(f, Choose(type, file, true));
    QCOMPARE(f.messages.size(), 1);
    QVERIFY2(!f.messages[0].isEmpty() && f.messages[0] != kSuccess, qPrintable(f.messages[0]));
    f.messages.clear();
    VERIFY_ON_ROW(grid, 3);
  }
  QVERIFY(f.opened.isEmpty());
  QVERIFY(!QDir(Out(f, "missing")).exists());
  QCOMPARE(ReadAll(Out(f, "notes.mdb")), QByteArray("just text, not a database"));
}

void ExportTest::contactPageExportsContacts() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  TDBGrid* grid = w.Contact_DBGrid;
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  QTest::mouseClick(w.QueryContact_Btn, Qt::LeftButton);
  QCOMPARE(w.Result_PC->currentWidget(), w.ContactList_TS);
  QCOMPARE(grid->model()->rowCount(), 4);
  const int nameColumn = ColumnOf(grid, "Name");
  ClickCell(grid, 1, nameColumn);
  ClickCell(w.Company_DBGrid, 4, 1);  // the other page's grid plays no part

  Export(f, Choose(etAccess, Out(f, "contacts.mdb")));
  Export(f, Choose(etExcel, Out(f, "contacts.xlsx")));
  Export(f, Choose(etHtml, Out(f, "contacts.htm")));
  Export(f, Choose(etColumn, Out(f, "names.txt")));
  QCOMPARE(f.messages, QStringList(4, kSuccess));
  VERIFY_ON_ROW(grid, 1);

  const QString tables = Run(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), Out(f, "contacts.mdb")});
  QCOMPARE(tables.split(QLatin1Char('\n'), Qt::SkipEmptyParts), QStringList{"Contact"});
  QCOMPARE(AccessTable(Out(f, "contacts.mdb"), QStringLiteral("Contact")).size(), 5);
  QVERIFY(WorkbookText(Out(f, "contacts.xlsx")).contains(QLatin1String("<sheet name=\"Contact\"")));
  const QString page = QString::fromUtf8(ReadAll(Out(f, "contacts.htm")));
  QVERIFY(page.contains(QLatin1String("<title>Contact List</title>")));
  QVERIFY(page.contains(QStringLiteral("Émile Tremblay")));
  QCOMPARE(Lines(Out(f, "names.txt")), ColumnValues(grid, nameColumn));
  QCOMPARE(Lines(Out(f, "names.txt")).value(0), QStringLiteral("Ann Smith"));
}

void ExportTest::refusedAccessRowsAreTold() {
  MainWindowFixture f;
  // A directory may hold a name longer than its column declares; the Access
  // table, made from the declared size, cannot take that row.
  sqlite3* db = nullptr;
  QCOMPARE(sqlite3_open((f.folder.Path() + "Database/corpdir.mdb").c_str(), &db), SQLITE_OK);
  const std::string longName(100, 'N');
  const std::string insert = "INSERT INTO Company_Info (Company_ID, Company_Name) VALUES (6, '" + longName + "')";
  QCOMPARE(sqlite3_exec(db, insert.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);

  TMain_Frm& w = *f.frm;
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  QCOMPARE(w.Company_DBGrid->model()->rowCount(), 6);
  ClickCell(w.Company_DBGrid, 5, 1);
  // Told even when the file is to be opened: the table lacks rows.
  Export(f, Choose(etAccess, Out(f, "list.mdb"), true));
  QCOMPARE(f.messages, QStringList{"Exported 5 rows; 1 rows could not be written."});
  QCOMPARE(f.opened, QList<QUrl>{QUrl::fromLocalFile(Out(f, "list.mdb"))});
  VERIFY_ON_ROW(w.Company_DBGrid, 5);
  const QStringList rows = AccessTable(Out(f, "list.mdb"), QStringLiteral("Company"));
  QCOMPARE(rows.size(), 6);
  QVERIFY(rows.filter(QString::fromStdString(longName)).isEmpty());
}

void ExportTest::progressClosedBeforeTheMessage() {
  MainWindowFixture f;
  // Enough companies for the export to show its progress.
  sqlite3* db = nullptr;
  QCOMPARE(sqlite3_open((f.folder.Path() + "Database/corpdir.mdb").c_str(), &db), SQLITE_OK);
  const char* insert =
      "WITH RECURSIVE n(i) AS (SELECT 100 UNION ALL SELECT i + 1 FROM n WHERE i < 2600)"
      " INSERT INTO Company_Info (Company_ID, Company_Name) SELECT i, 'Company ' || i FROM n";
  QCOMPARE(sqlite3_exec(db, insert, nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  TMain_Frm& w = *f.frm;
  if (w.QueryCondition_Grp->Top_Chk->isChecked()) ClickIndicator(w.QueryCondition_Grp->Top_Chk);
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  QVERIFY(w.Company_DBGrid->model()->rowCount() > 2500);
  QList<int> progressAtMessage;
  SetMessageShower([&](QWidget*, const QString& text) {
    f.messages.append(text);
    progressAtMessage.append(static_cast<int>(w.findChildren<QProgressDialog*>().size()));
  });
  Export(f, Choose(etCsv, Out(f, "many.csv")));
  QCOMPARE(f.messages, QStringList{kSuccess});
  QCOMPARE(progressAtMessage, QList<int>{0});
  QCOMPARE(Lines(Out(f, "many.csv")).size(), w.Company_DBGrid->model()->rowCount() + 1);
}

void ExportTest::missingTemplateIsReported() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  const QString templ = QString::fromStdString(f.folder.Path()) + "Database/Company_Template.htm";
  QVERIFY(QFile::remove(templ));
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  ClickCell(w.Company_DBGrid, 1, 1);
  Export(f, Choose(etHtml, Out(f, "list.htm"), true));
  QCOMPARE(f.messages.size(), 1);
  QVERIFY2(f.messages[0].startsWith(QLatin1String("Template file not found: ")), qPrintable(f.messages[0]));
  QCOMPARE(f.messages[0].mid(25).toLower(), templ.toLower());
  QVERIFY(!QFile::exists(Out(f, "list.htm")));
  QVERIFY(f.opened.isEmpty());
  VERIFY_ON_ROW(w.Company_DBGrid, 1);

  // The contact page has its own template, still there.
  QTest::mouseClick(w.QueryContact_Btn, Qt::LeftButton);
  f.messages.clear();
  Export(f, Choose(etHtml, Out(f, "contacts.htm"), false));
  QCOMPARE(f.messages, QStringList{kSuccess});
}

void ExportTest::excelShownInSpreadsheetProgram() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  QTest::mouseClick(w.QueryContact_Btn, Qt::LeftButton);
  ClickCell(w.Contact_DBGrid, 2, 1);
  w.ExportExcel_A->trigger();
  QCOMPARE(f.opened.size(), 1);
  QVERIFY(f.shown.isEmpty() && f.messages.isEmpty());  // no dialog, no message
  const QString file = f.opened[0].toLocalFile();
  QVERIFY2(file.endsWith(QLatin1String(".xlsx")) && QFile::exists(file), qPrintable(file));
  const QString workbook = WorkbookText(file);
  QVERIFY(workbook.contains(QLatin1String("<sheet name=\"Contact\"")));
  QVERIFY2(workbook.contains(QStringLiteral("Zoé Roy")), qPrintable(workbook.right(3000)));
  QVERIFY(!workbook.contains(QLatin1String("Record_ID")));
  VERIFY_ON_ROW(w.Contact_DBGrid, 2);
  const QDir folder = QFileInfo(file).dir();
  if (folder.dirName().startsWith(QLatin1String("orbisk-excel-"))) QDir(folder).removeRecursively();
}

void ExportTest::exportTakesBackOnlyItsOwnCursor() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
  // A busy cursor set by someone else before the export (a caller still at work).
  QApplication::setOverrideCursor(Qt::BusyCursor);
  Export(f, Choose(etCsv, Out(f, "list.csv")));
  QCOMPARE(f.messages, QStringList{kSuccess});
  QVERIFY(QApplication::overrideCursor() != nullptr);
  QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BusyCursor);  // still the caller's
  QApplication::restoreOverrideCursor();
  QVERIFY(QApplication::overrideCursor() == nullptr);
  // A failing export takes back its own cursor too, and only that one.
  QApplication::setOverrideCursor(Qt::BusyCursor);
  Export(f, Choose(etCsv, Out(f, "missing/list.csv")));
  QCOMPARE(f.messages.size(), 2);
  QVERIFY(QApplication::overrideCursor() != nullptr);
  QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
  QApplication::restoreOverrideCursor();
  QVERIFY(QApplication::overrideCursor() == nullptr);
  // Excel shown in the spreadsheet program behaves alike.
  QApplication::setOverrideCursor(Qt::BusyCursor);
  w.ExportExcel_A->trigger();
  QVERIFY(QApplication::overrideCursor() != nullptr);
  QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
  QApplication::restoreOverrideCursor();
  for (const QUrl& u : f.opened) {
    const QDir folder = QFileInfo(u.toLocalFile()).dir();
    if (folder.dirName().startsWith(QLatin1String("orbisk-excel-"))) QDir(folder).removeRecursively();
  }
}

QTEST_MAIN(ExportTest)
#include "Export_test.moc"
