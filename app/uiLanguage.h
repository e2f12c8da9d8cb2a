#pragma once
// The language of the interface: French when the user's interface languages
// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) prefer French, English otherwise.
#include <QString>
#include <QStringList>

// "fr" or "en": the first French or English entry of the user's interface
// languages decides; without either, English.
QString PreferredInterfaceLanguage();
// The same rule over a given list of languages ("fr-CA", "en_US", "de").
QString PreferredInterfaceLanguage(const QStringList& uiLanguages);
