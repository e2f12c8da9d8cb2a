#include "ui/uiLocalText.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <vector>

#include "data/DirectoryImport.h"

namespace {

struct Installed {
  QString language = QStringLiteral("en");
  std::vector<std::unique_ptr<QTranslator>> translators;
};

Installed& Current() {
  static Installed installed;
  return installed;
}

}  // namespace

bool InstallTranslations(const QString& language) {
  Installed& now = Current();
  for (auto& t : now.translators) QCoreApplication::removeTranslator(t.get());
  now.translators.clear();
  now.language = QStringLiteral("en");
  if (language != QLatin1String("fr")) return true;
  auto own = std::make_unique<QTranslator>();
  if (!own->load(QStringLiteral(":/i18n/orbisk_fr.qm"))) return false;
  QCoreApplication::installTranslator(own.get());
  now.translators.push_back(std::move(own));
  // Qt's own texts: the buttons of message boxes and file dialogs. Without
  // them (the package missing) those few stay in English.
  auto qt = std::make_unique<QTranslator>();
  if (qt->load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(qt.get());
    now.translators.push_back(std::move(qt));
  }
  now.language = language;
  return true;
}

QString InstalledLanguage() { return Current().language; }

QString LocalText(const char* context, const std::string& text) {
  return QCoreApplication::translate(context, text.c_str());
}

QString LocalText(const orbisk::Message& m) {
  // A verbatim line may still be one of the fixed texts (the importer's own).
  if (m.text == std::string(orbisk::kVerbatim) && m.args.size() == 1)
    return QCoreApplication::translate(orbisk::kMessageContext, m.args[0].c_str());
  const QString text = QCoreApplication::translate(orbisk::kMessageContext, m.text);
  // The places are filled at once, as the core fills them, so a value that
  // holds "%2" stays as it is.
  return QString::fromStdString(orbisk::FillPlaces(text.toStdString(), m.args));
}

QString LocalText(const std::exception& e) {
  if (const auto* failure = dynamic_cast<const orbisk::Failure*>(&e)) {
    QStringList lines;
    for (const orbisk::Message& m : failure->Lines()) lines << LocalText(m);
    return lines.join(QLatin1Char('\n'));
  }
  if (const auto* import = dynamic_cast<const orbisk::ImportFailed*>(&e)) return LocalText(import->message);
  return LocalText(orbisk::kMessageContext, e.what());
}

namespace {

// The labels the details window (field names, blanks for underscores) and the
// contact window (field names as they are) show.
[[maybe_unused]] const char* const kFieldLabels[] = {
    QT_TRANSLATE_NOOP("FieldLabel", "RecNo"),
    QT_TRANSLATE_NOOP("FieldLabel", "Company ID"),
    QT_TRANSLATE_NOOP("FieldLabel", "Company Name"),
    QT_TRANSLATE_NOOP("FieldLabel", "Mailing Address"),
    QT_TRANSLATE_NOOP("FieldLabel", "Mailing Address Postal"),
    QT_TRANSLATE_NOOP("FieldLabel", "Location Address"),
    QT_TRANSLATE_NOOP("FieldLabel", "Location Address Postal"),
    QT_TRANSLATE_NOOP("FieldLabel", "Legal Name"),
    QT_TRANSLATE_NOOP("FieldLabel", "Telephone"),
    QT_TRANSLATE_NOOP("FieldLabel", "Toll Free Phone"),
    QT_TRANSLATE_NOOP("FieldLabel", "Fax"),
    QT_TRANSLATE_NOOP("FieldLabel", "Email"),
    QT_TRANSLATE_NOOP("FieldLabel", "Website URL"),
    QT_TRANSLATE_NOOP("FieldLabel", "Market Alliances"),
    QT_TRANSLATE_NOOP("FieldLabel", "Market Strategic Alliances"),
    QT_TRANSLATE_NOOP("FieldLabel", "Company Description"),
    QT_TRANSLATE_NOOP("FieldLabel", "Country of Ownership"),
    QT_TRANSLATE_NOOP("FieldLabel", "Exporting"),
    QT_TRANSLATE_NOOP("FieldLabel", "EDI Ready"),
    QT_TRANSLATE_NOOP("FieldLabel", "Primary Industry NAICS"),
    QT_TRANSLATE_NOOP("FieldLabel", "NAICS Description"),
    QT_TRANSLATE_NOOP("FieldLabel", "Primary Business Activity"),
    QT_TRANSLATE_NOOP("FieldLabel", "Quality Certification"),
    QT_TRANSLATE_NOOP("FieldLabel", "Total Sales Unit"),
    QT_TRANSLATE_NOOP("FieldLabel", "Total Sales"),
    QT_TRANSLATE_NOOP("FieldLabel", "Export Sales Unit"),
    QT_TRANSLATE_NOOP("FieldLabel", "Export Sales"),
    QT_TRANSLATE_NOOP("FieldLabel", "Total Plant Size"),
    QT_TRANSLATE_NOOP("FieldLabel", "Distribution of Employees"),
    QT_TRANSLATE_NOOP("FieldLabel", "Key Major Clients"),
    QT_TRANSLATE_NOOP("FieldLabel", "TelAreaCode"),
    QT_TRANSLATE_NOOP("FieldLabel", "Year Established"),
    QT_TRANSLATE_NOOP("FieldLabel", "Number of Employees"),
    QT_TRANSLATE_NOOP("FieldLabel", "Profile ID"),
    QT_TRANSLATE_NOOP("FieldLabel", "Company_ID"),
    QT_TRANSLATE_NOOP("FieldLabel", "Company_Name"),
    QT_TRANSLATE_NOOP("FieldLabel", "Location_Address"),
    QT_TRANSLATE_NOOP("FieldLabel", "Record_ID"),
    QT_TRANSLATE_NOOP("FieldLabel", "Name"),
    QT_TRANSLATE_NOOP("FieldLabel", "Title"),
    QT_TRANSLATE_NOOP("FieldLabel", "Area"),
};

// Fixed texts the importer writes as its reason (it runs without Qt).
[[maybe_unused]] const char* const kImporterTexts[] = {
    QT_TRANSLATE_NOOP("Message", "It is not an Access database, or its first page is damaged."),
    QT_TRANSLATE_NOOP("Message", "Its list of tables cannot be read."),
    QT_TRANSLATE_NOOP("Message", "The imported copy cannot be written."),
};

}  // namespace

std::string LocalFieldLabel(const std::string& label) {
  return QCoreApplication::translate("FieldLabel", label.c_str()).toStdString();
}
