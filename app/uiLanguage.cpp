#include "app/uiLanguage.h"

#include <QLocale>

QString PreferredInterfaceLanguage(const QStringList& uiLanguages) {
  for (const QString& entry : uiLanguages) {
    // "fr", "fr-CA", "fr_CA.UTF-8": the language is what comes before - or _.
    const QString language = entry.section(QLatin1Char('-'), 0, 0).section(QLatin1Char('_'), 0, 0).toLower();
    if (language == QLatin1String("fr")) return QStringLiteral("fr");
    if (language == QLatin1String("en")) return QStringLiteral("en");
  }
  return QStringLiteral("en");
}

QString PreferredInterfaceLanguage() { return PreferredInterfaceLanguage(QLocale::system().uiLanguages()); }
