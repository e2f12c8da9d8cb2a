// The interface in French: every window is built once in English and once
// under fr_CA.UTF-8, and every text a person can see (captions, titles,
// hints, tab and column titles, list items, menu entries, accessible names,
// the details labels, the status bar and the messages) must differ from its
// English source, apart from a few names that are the same in both
// languages. The program runs under the user's locale as it would start.
#include <locale.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QButtonGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMap>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "ui/uiLanguage.h"
#include "ui/uiShell.h"
#include "ui/uiDBGrid.h"
#include "ui/uiLocalText.h"
#include "ui/uiWindowKit.h"
#include "export/ExportTypes.h"
#include "search/frmMap.h"
#include "tests/ui/support/MainWindowFixture.h"

namespace {

// Texts that are the same in both languages: names, operators, numbers,
// format names.
bool SameInBothLanguages(const QString& text) {
  static const QSet<QString> names = {
      QStringLiteral("Orbisk"),        QStringLiteral("Orbisk 1.02"),   QStringLiteral("www.orbisk.ca"),
      QStringLiteral("LIKE"),          QStringLiteral("OK"),            QStringLiteral("&OK"),
      QStringLiteral("Version  1.0"),  QStringLiteral("Access(*.mdb)"), QStringLiteral("Excel(*.xls)"),
      QStringLiteral("CSV(*.csv)"),    QStringLiteral("XML(*.xml)"),    QStringLiteral("HTML(*.htm)"),
      QStringLiteral("...")};
  if (names.contains(text)) return true;
  // Operators, numbers, addresses and the like: nothing of a word in them.
  static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
  if (!word.match(text).hasMatch()) return true;
  return text.startsWith(QStringLiteral("http")) || text.contains(QLatin1Char('@'));
}

// Every text of a window and its children, each under a key naming where it
// is, so the English and the French window can be laid side by side.
using Texts = QMap<QString, QString>;

QString KeyOf(const QObject* o, const QObject* top) {
  QStringList path;
  for (; o && o != top->parent(); o = o->parent()) {
    const QObject* parent = o->parent();
    const int index = parent ? static_cast<int>(parent->children().indexOf(const_cast<QObject*>(o))) : 0;
    path.prepend(QString::fromLatin1(o->metaObject()->className()) + QLatin1Char('#') + QString::number(index));
  }
  return path.join(QLatin1Char('/'));
}

void Put(Texts& out, const QString& key, const QString& text) {
  if (!text.trimmed().isEmpty()) out.insert(key, text);
}

// The location list holds province names, which are search values matched
// against the directory: they stay as the directory writes them.
TMain_Frm* g_main = nullptr;
bool IsDirectoryData(const QWidget* w) { return g_main && w == g_main->QueryCondition_Grp->Location_Cbo; }

// Directory data and the system's own words: the title panels of the details
// and contact windows name the company or person, the About window the
// system and its memory.
bool ShowsData(const QWidget* w) {
  static const QSet<QString> names = {QStringLiteral("WindowsVersion_Lab"), QStringLiteral("TotalMem_Lab"),
                                      QStringLiteral("AvailabeMem_Lab")};
  if (names.contains(w->objectName())) return true;
  const QWidget* window = w->window();
  return w->objectName() == QLatin1String("Title_Pnl") &&
         (window->objectName() == QLatin1String("Company_Dlg") || window->objectName() == QLatin1String("Contact_Dlg"));
}

// Qt's own file dialog is translated by Qt's translations, under its own rules.
bool InsideQtDialog(const QWidget* w) {
  for (; w; w = w->parentWidget())
    if (qobject_cast<const QFileDialog*>(w)) return true;
  return false;
}

void Collect(Texts& out, QWidget* top) {
  QList<QWidget*> all = top->findChildren<QWidget*>();
  all.prepend(top);
  for (QWidget* w : all) {
    if (ShowsData(w) || InsideQtDialog(w)) continue;
    const QString k = KeyOf(w, top);
    if (w->isWindow()) Put(out, k + QStringLiteral(":title"), w->windowTitle());
    Put(out, k + QStringLiteral(":tip"), w->toolTip());
    Put(out, k + QStringLiteral(":name"), w->accessibleName());
    Put(out, k + QStringLiteral(":description"), w->accessibleDescription());
    if (auto* l = qobject_cast<QLabel*>(w)) Put(out, k + QStringLiteral(":text"), l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) Put(out, k + QStringLiteral(":text"), b->text());
    if (auto* g = qobject_cast<QGroupBox*>(w)) Put(out, k + QStringLiteral(":text"), g->title());
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
      Put(out, k + QStringLiteral(":placeholder"), e->placeholderText());
      if (e->isReadOnly() && !qobject_cast<QComboBox*>(w->parentWidget())) Put(out, k + QStringLiteral(":text"), e->text());
    }
    if (auto* c = qobject_cast<QComboBox*>(w); c && !IsDirectoryData(c))
      for (int i = 0; i < c->count(); ++i) Put(out, k + QStringLiteral(":item") + QString::number(i), c->itemText(i));
    if (auto* t = qobject_cast<QTabWidget*>(w))
      for (int i = 0; i < t->count(); ++i)
        if (t->isTabVisible(i)) Put(out, k + QStringLiteral(":tab") + QString::number(i), t->tabText(i));
    if (auto* v = qobject_cast<QAbstractItemView*>(w); v && v->model() && qobject_cast<QHeaderView*>(w) == nullptr)
      for (int c = 0; c < v->model()->columnCount(); ++c)
        Put(out, k + QStringLiteral(":column") + QString::number(c),
            v->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
    for (QAction* a : w->actions()) Put(out, k + QStringLiteral(":action:") + a->objectName(), a->text());
  }
}

// The labels of a details text: what stands before " : " on each line.
void CollectLabels(Texts& out, const QString& key, const QString& memo) {
  int n = 0;
  for (const QString& line : memo.split(QLatin1Char('\n'))) {
    const int at = line.indexOf(QStringLiteral(" :"));
    if (at > 0) Put(out, key + QStringLiteral(":label") + QString::number(n++), line.left(at));
  }
}

// One language's look at the whole program: the windows, a search with its
// status text, the details and contact windows, the grid's context menu, and
// every message the user can be shown.
struct Scene {
  Texts texts;
  QStringList messages;
  QString mnemonics;  // the Alt letters of the main window
};

QChar Mnemonic(const QString& caption) {
  const int at = caption.indexOf(QLatin1Char('&'));
  return at >= 0 && at + 1 < caption.size() ? caption[at + 1].toUpper() : QChar();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Answers the export dialog with a type and a file name, then OK.
void AnswerExport(MainWindowFixture& f, int type, const QString& file) {
  ModalSeam() = [&f, type, file](QDialog& d) -> int {
    auto* dlg = qobject_cast<TExportType_Dlg*>(&d);
    if (!dlg) return QDialog::Rejected;
    dlg->ExportType_Buttons->button(type)->setChecked(true);
    dlg->OutputFile_Edt->setText(file);
    dlg->OpenAfterSave_Chk->setChecked(false);
    return QDialog::Accepted;
  };
}

Scene Look(const QString& language) {
  if (!InstallTranslations(language)) qFatal("the %s translation cannot be loaded", qPrintable(language));
  Scene s;
  {
    MainWindowFixture f;
    TMain_Frm& w = *f.frm;
    g_main = &w;
    for (QAbstractButton* b : w.Query_Pnl->findChildren<QAbstractButton*>()) s.mnemonics += Mnemonic(b->text());
    for (QLabel* l : w.Query_Pnl->findChildren<QLabel*>()) s.mnemonics += Mnemonic(l->text());

    // Windows as they open; an export before any search is refused.
    Collect(s.texts, &w);
    AnswerExport(f, orbisk::etCsv, QString::fromStdString(f.folder.Path()) + QStringLiteral("early.csv"));
    w.Export_AExecute();
    // The company search's rows and status.
    QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
    Put(s.texts, QStringLiteral("status:count"), w.StatusText().section(QLatin1Char(':'), 0, 0));
    ClickCell(w.Company_DBGrid, 0, 1);
    Put(s.texts, QStringLiteral("status:current"), w.StatusText().section(QLatin1Char(':'), 0, 0));
    std::unique_ptr<QMenu> menu = w.Company_DBGrid->ContextMenuAt(CellCentre(w.Company_DBGrid, 0, ColumnOf(w.Company_DBGrid, "Email")));
    for (QAction* a : menu->actions()) Put(s.texts, QStringLiteral("menu:company:") + a->objectName(), a->text());
    menu = w.Company_DBGrid->ContextMenuAt(CellCentre(w.Company_DBGrid, 0, ColumnOf(w.Company_DBGrid, "Website_URL")));
    for (QAction* a : menu->actions()) Put(s.texts, QStringLiteral("menu:company:") + a->objectName(), a->text());

    // The details window with its pages filled, then the contact window.
    ModalSeam() = [&s](QDialog& d) {
      Collect(s.texts, &d);
      for (auto* memo : d.findChildren<QPlainTextEdit*>())
        CollectLabels(s.texts, d.objectName() + QLatin1Char('/') + memo->objectName(), memo->toPlainText());
      return static_cast<int>(QDialog::Rejected);
    };
    w.OpenCompanyDetails();
    QTest::mouseClick(w.QueryContact_Btn, Qt::LeftButton);
    w.OpenContactWindow();
    menu = w.Contact_DBGrid->ContextMenuAt(CellCentre(w.Contact_DBGrid, 0, 1));
    for (QAction* a : menu->actions()) Put(s.texts, QStringLiteral("menu:contact:") + a->objectName(), a->text());

    // The picker, the export dialog, the map and the About window.
    f.dm.MainCat_Q.Open();
    f.dm.LeafCat_Q.Open();
    Collect(s.texts, f.catDlg);
    Collect(s.texts, f.exportDlg);
    TMap_Frm* map = ShowMapWindow(&w, w.ProgramFolder);
    Collect(s.texts, map);
    Put(s.texts, QStringLiteral("map:location"), TMap_Frm::ChoiceHint({MapChoice::Kind::Location, QStringLiteral("Ontario")}));
    Put(s.texts, QStringLiteral("map:code"), TMap_Frm::ChoiceHint({MapChoice::Kind::TelAreaCode, QStringLiteral("416")}));
    map->close();
    ModalSeam() = [&s](QDialog& d) {
      Collect(s.texts, &d);
      return static_cast<int>(QDialog::Rejected);
    };
    w.About_AExecute();

    // Messages: the number checks.
    w.QueryCondition_Grp->NumberofEmployees_Chk->setChecked(true);
    w.QueryCondition_Grp->NumberofEmployees_Edt->setText(QStringLiteral("many"));
    QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
    w.QueryCondition_Grp->NumberofEmployees_Chk->setChecked(false);
    w.QueryCondition_Grp->YearEstablished_Chk->setChecked(true);
    w.QueryCondition_Grp->YearEstablished_Edt->setText(QStringLiteral("old"));
    QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);
    w.QueryCondition_Grp->YearEstablished_Chk->setChecked(false);
    QTest::mouseClick(w.QueryCompany_Btn, Qt::LeftButton);

    // The export's guards, a writer's failure, the template's and success.
    const QString out = QString::fromStdString(f.folder.Path());
    for (const auto& [type, file] : std::vector<std::pair<int, QString>>{
             {orbisk::etCsv, out + QStringLiteral("folder/")},
             {orbisk::etCsv, out + QStringLiteral("Database")},
             {orbisk::etCsv, out + QStringLiteral("Database/corpdir.mdb")},
             {orbisk::etCsv, QStringLiteral("/dev/null")},
             {orbisk::etXml, out + QStringLiteral("missing/list.xml")},
             {orbisk::etCsv, out + QStringLiteral("list.csv")}}) {
      AnswerExport(f, type, file);
      w.Export_AExecute();
    }
    std::filesystem::remove(f.folder.Path() + "Database/Company_Template.htm");
    AnswerExport(f, orbisk::etHtml, out + QStringLiteral("page.htm"));
    w.Export_AExecute();
    WriteFile(f.folder.Path() + "Database/Company_Template.htm", "<html><!--#DetailBegin 1-->no end</html>");
    w.Export_AExecute();
    s.messages = f.messages;
    g_main = nullptr;
  }
  // The directory missing, not a database, or a damaged Access file.
  std::ifstream access(ORBISK_TEST_DATA "/access/directory-200.mdb", std::ios::binary);
  std::string damaged(8192, '\0');
  access.read(damaged.data(), 4096);  // the header page of a real file, then nothing
  for (const std::string& content : {std::string(), std::string("not a directory at all"), damaged}) {
    MainWindowFixture f(false);
    if (!content.empty()) WriteFile(f.folder.Path() + "Database/corpdir.mdb", content);
    QTest::mouseClick(f.frm->QueryCompany_Btn, Qt::LeftButton);
    s.messages += f.messages;
  }
  return s;
}

}  // namespace

class FrenchTest : public QObject {
  Q_OBJECT
 private slots:
  void languageFollowsTheUsersLanguages();
  void everyVisibleTextIsTranslated();
  void messagesAreTranslatedLineByLine();
  void altLettersStayDistinct();
  void englishStaysAsItWas();

 private:
  void LookOnce();
  Scene en_, fr_;
  bool looked_ = false;
};

void FrenchTest::LookOnce() {
  if (looked_) return;
  looked_ = true;
  en_ = Look(QStringLiteral("en"));
  fr_ = Look(QStringLiteral("fr"));
  InstallTranslations(QStringLiteral("en"));
}

void FrenchTest::languageFollowsTheUsersLanguages() {
  // This program runs under fr_CA.UTF-8, as the user's session sets it, and
  // the windows below are built in the language the program would choose.
  QCOMPARE(PreferredInterfaceLanguage(), InterfaceLanguage::French);
}

void FrenchTest::everyVisibleTextIsTranslated() {
  LookOnce();
  QStringList same, missing;
  int compared = 0;
  for (auto it = en_.texts.cbegin(); it != en_.texts.cend(); ++it) {
    if (!fr_.texts.contains(it.key())) {
      missing << it.key() + QStringLiteral(" = ") + it.value();
      continue;
    }
    ++compared;
    if (fr_.texts.value(it.key()) == it.value() && !SameInBothLanguages(it.value()))
      same << it.key() + QStringLiteral(" = ") + it.value();
  }
  QVERIFY2(same.isEmpty(), qPrintable(QStringLiteral("left in English:\n") + same.join(QLatin1Char('\n'))));
  QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not shown in French:\n") + missing.join(QLatin1Char('\n'))));
  // Every window was seen: the main window, its grids and menus, the details
  // labels, the picker, the export dialog, the map and the About window.
  QVERIFY2(compared > 250, qPrintable(QString::number(compared)));
  for (const char* piece : {"Company_Dlg/Company_Memo:label", "Contact_Dlg/Contact_Memo:label", "menu:company:SendEmail",
                            "menu:company:OpenWebPage", "menu:contact:Details", "status:current", "map:code"}) {
    bool seen = false;
    for (const QString& k : en_.texts.keys()) seen = seen || k.startsWith(QLatin1String(piece));
    QVERIFY2(seen, piece);
  }
}

void FrenchTest::messagesAreTranslatedLineByLine() {
  LookOnce();
  QCOMPARE(fr_.messages.size(), en_.messages.size());
  QVERIFY2(en_.messages.size() >= 14, qPrintable(en_.messages.join(QLatin1Char(10))));
  for (int i = 0; i < en_.messages.size(); ++i) {
    const QStringList en = en_.messages[i].split(QLatin1Char('\n'));
    const QStringList fr = fr_.messages[i].split(QLatin1Char('\n'));
    QCOMPARE(fr.size(), en.size());
    for (int l = 0; l < en.size(); ++l)
      QVERIFY2(fr[l] != en[l], qPrintable(QStringLiteral("left in English: ") + en[l]));
  }
  // The values in them stay as they are: the file named in the message.
  const QString notFound = fr_.messages.filter(QStringLiteral("Fichier «")).value(0);
  QVERIFY2(notFound.contains(QStringLiteral("corpdir.mdb")), qPrintable(fr_.messages.join(QLatin1Char('\n'))));
  QVERIFY(fr_.messages.contains(QStringLiteral("Exportation réussie!")));
  QVERIFY(en_.messages.contains(QStringLiteral("Exported Successfully!")));
}

void FrenchTest::altLettersStayDistinct() {
  LookOnce();
  for (const Scene* s : {&en_, &fr_}) {
    QString seen;
    for (QChar c : s->mnemonics) {
      if (c.isNull()) continue;
      QVERIFY2(!seen.contains(c), qPrintable(s->mnemonics + QStringLiteral(": ") + c));
      seen += c;
    }
    QVERIFY(seen.size() >= 17);
  }
}

void FrenchTest::englishStaysAsItWas() {
  LookOnce();
  // Without French in the user's languages the texts are the sources.
  QCOMPARE(en_.texts.value(QStringLiteral("status:count")), QStringLiteral("Records Count"));
  QVERIFY(en_.texts.values().contains(QStringLiteral("Only Show &Top")));
  QVERIFY(en_.messages.contains(QStringLiteral("\"Number of Employees\" needs a whole number.")));
  QVERIFY(fr_.texts.values().contains(QStringLiteral("&Limiter à")));
}

// The user's session: French first. The locale is made when the system lacks
// it, in a folder of the test's own when the system's may not be written.
static void UseFrenchLocale() {
  const char* name = "fr_CA.UTF-8";
  if (!newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0))) {
    if (std::system("localedef -i fr_CA -f UTF-8 fr_CA.UTF-8 >/dev/null 2>&1") != 0 ||
        !newlocale(LC_ALL_MASK, name, static_cast<locale_t>(0))) {
      static const std::string folder = std::filesystem::temp_directory_path().string() + "/orbisk-locale";
      std::filesystem::create_directories(folder);
      const std::string cmd = "localedef -i fr_CA -f UTF-8 " + folder + "/fr_CA.UTF-8 >/dev/null 2>&1";
      if (std::system(cmd.c_str()) == 0) setenv("LOCPATH", folder.c_str(), 1);
    }
  }
  unsetenv("LANGUAGE");
  setenv("LC_ALL", name, 1);
  setenv("LANG", name, 1);
}

int main(int argc, char** argv) {
  UseFrenchLocale();
  QApplication app(argc, argv);
  FrenchTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "French_test.moc"
