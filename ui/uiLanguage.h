#pragma once
// The language of the interface, decided once from the user's interface
// languages (LANGUAGE, LC_ALL, LC_MESSAGES, LANG as Qt reads them): the first
// of them that is French or English decides; anything else means English.
// The translations and the help page both follow it.
#include <QStringList>

enum class InterfaceLanguage { English, French };

// The rule itself, over a list in the user's order of preference.
InterfaceLanguage PreferredInterfaceLanguage(const QStringList& uiLanguages);
// The rule over QLocale::system().uiLanguages().
InterfaceLanguage PreferredInterfaceLanguage();

// The help page for a language, relative to the program folder.
const char* HelpPageFor(InterfaceLanguage language);
