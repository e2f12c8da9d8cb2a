#include "ui/uiLanguage.h"

#include <QLocale>

#include "browse/ShellTarget.h"

InterfaceLanguage PreferredInterfaceLanguage(const QStringList& uiLanguages) {
  for (const QString& name : uiLanguages) {
    // Qt names languages the BCP 47 way ("fr-CA"); the environment's own
    // spelling ("fr_CA.UTF-8") is read alike.
    const QString tag = name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
    if (tag.isEmpty()) continue;
    const QLocale::Language language = QLocale(tag).language();
    if (language == QLocale::French) return InterfaceLanguage::French;
    if (language == QLocale::English) return InterfaceLanguage::English;
  }
  return InterfaceLanguage::English;
}

InterfaceLanguage PreferredInterfaceLanguage() { return PreferredInterfaceLanguage(QLocale::system().uiLanguages()); }

const char* HelpPageFor(InterfaceLanguage language) {
  return language == InterfaceLanguage::French ? orbisk::kHelpPageFrench : orbisk::kHelpPage;
}
