#pragma once
// The interface in the user's language: loading the translations, and the
// core's own texts (messages, column titles, field labels) as the windows show
// them. Under English every text is the core's English, unchanged.
#include <QString>
#include <exception>
#include <string>

#include "data/Message.h"

// Installs the program's French translations and Qt's own (the standard
// dialogs' buttons) for `language`; "en" installs none and removes any
// installed before. Returns false when a French translation cannot be loaded.
bool InstallTranslations(const QString& language);
// The language whose translations are installed now ("en" when none).
QString InstalledLanguage();

// A message of the core in the user's language.
QString LocalText(const orbisk::Message& m);
// What a failure says: a Failure line by line, an import failure's reason,
// any other exception's text looked up as a fixed message (engine and system
// texts come back as they are).
QString LocalText(const std::exception& e);
// A label of the details and contact windows ("Company Name" or
// "Company_Name") in the user's language.
std::string LocalFieldLabel(const std::string& label);
// A fixed text of the core, translated in `context` (the text itself when
// there is no translation).
QString LocalText(const char* context, const std::string& text);
