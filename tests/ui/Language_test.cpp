// The interface language: the first of the user's languages that is French
// or English decides, and F1 opens the help page in that language. Run once
// as every window test runs and once more with French preferred
// (ORBISK_EXPECT_LANGUAGE=fr says which run this is).
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>

#include "ui/uiLanguage.h"
#include "tests/ui/support/MainWindowFixture.h"

class LanguageTest : public QObject {
  Q_OBJECT
 private slots:
  void firstFrenchOrEnglishEntryDecides_data();
  void firstFrenchOrEnglishEntryDecides();
  void systemLanguagesOfThisRun();
  void helpKeyOpensThePageOfTheLanguage();
};

void LanguageTest::firstFrenchOrEnglishEntryDecides_data() {
  QTest::addColumn<QStringList>("languages");
  QTest::addColumn<bool>("french");
  QTest::newRow("French of Canada") << QStringList{"fr-CA"} << true;
  QTest::newRow("French of France, then English") << QStringList{"fr-FR", "en-US"} << true;
  QTest::newRow("English first") << QStringList{"en-CA", "fr-CA"} << false;
  QTest::newRow("others before French") << QStringList{"de-DE", "es", "fr"} << true;
  QTest::newRow("others before English") << QStringList{"zh-CN", "en", "fr"} << false;
  QTest::newRow("only others") << QStringList{"de-DE", "ja"} << false;
  QTest::newRow("nothing") << QStringList{} << false;
  QTest::newRow("the C locale") << QStringList{"C"} << false;
  QTest::newRow("environment spelling") << QStringList{"fr_CA.UTF-8"} << true;
  QTest::newRow("with a modifier") << QStringList{"fr_BE@euro"} << true;
  QTest::newRow("empty entries skipped") << QStringList{"", ".UTF-8", "fr"} << true;
}

void LanguageTest::firstFrenchOrEnglishEntryDecides() {
  QFETCH(QStringList, languages);
  QFETCH(bool, french);
  QCOMPARE(PreferredInterfaceLanguage(languages) == InterfaceLanguage::French, french);
}

void LanguageTest::systemLanguagesOfThisRun() {
  const bool frenchRun = qEnvironmentVariable("ORBISK_EXPECT_LANGUAGE") == QLatin1String("fr");
  QCOMPARE(PreferredInterfaceLanguage() == InterfaceLanguage::French, frenchRun);
  QCOMPARE(PreferredInterfaceLanguage(), PreferredInterfaceLanguage(QLocale::system().uiLanguages()));
}

void LanguageTest::helpKeyOpensThePageOfTheLanguage() {
  MainWindowFixture f;
  TMain_Frm& w = *f.frm;
  w.QueryCondition_Grp->CompanyName_Edt->setFocus();
  QTRY_VERIFY(w.QueryCondition_Grp->CompanyName_Edt->hasFocus());
  QTest::keyRelease(w.QueryCondition_Grp->CompanyName_Edt, Qt::Key_F1);
  QCOMPARE(f.opened.size(), 1);
  const QString page = f.opened[0].toLocalFile();
  const bool french = PreferredInterfaceLanguage() == InterfaceLanguage::French;
  QVERIFY2(page.endsWith(QString::fromLatin1(HelpPageFor(french ? InterfaceLanguage::French : InterfaceLanguage::English))),
           qPrintable(page));
  QVERIFY2(QFileInfo(page).isFile(), qPrintable(page));
  QCOMPARE(page.endsWith(QStringLiteral("Help/orbisk_help_fr.htm")), french);
}

QTEST_MAIN(LanguageTest)
#include "Language_test.moc"
