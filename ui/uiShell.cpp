#include "ui/uiShell.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMessageBox>
#include <exception>
#include <new>
#include <filesystem>

#include "browse/ShellTarget.h"
#include "ui/uiLanguage.h"
#include "ui/uiLocalText.h"
#include "data/Connection.h"
#include "data/ProgramFiles.h"
#include "data/Progress.h"

namespace {

UrlOpener& Opener() {
  static UrlOpener opener;
  return opener;
}

MessageShower& Shower() {
  static MessageShower shower;
  return shower;
}

void HandOver(const orbisk::ShellTarget& t) {
  QUrl url;
  switch (t.kind) {
    case orbisk::ShellTarget::Kind::None: return;
    case orbisk::ShellTarget::Kind::Url: url = QUrl(QString::fromStdString(t.text), QUrl::TolerantMode); break;
    case orbisk::ShellTarget::Kind::File: url = QUrl::fromLocalFile(QString::fromStdString(t.text)); break;
  }
  if (!url.isValid()) return;
  if (Opener())
    Opener()(url);
  else
    QDesktopServices::openUrl(url);  // the desktop's result is not reported
}

void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text) {
  if (Shower()) {
    Shower()(parent, text);
    return;
  }
  QMessageBox box(icon, caption, text, QMessageBox::Ok, parent ? parent : QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);  // errors quote file names and directory values
  box.exec();
}

void ShowError(QWidget* parent, const QString& text) {
  ShowBox(parent, QMessageBox::Critical, QApplication::applicationName(), text);
}

}  // namespace

void SetUrlOpener(UrlOpener opener) { Opener() = std::move(opener); }
void SetMessageShower(MessageShower shower) { Shower() = std::move(shower); }

void ShellOpen(const QString& target) {
  HandOver(orbisk::ShellOpenTarget(target.toStdString()));
}

void ShellOpenWrittenFile(const QString& fileName) {
  std::error_code ec;
  const std::filesystem::path here = std::filesystem::current_path(ec);
  HandOver(orbisk::WrittenFileTarget(fileName.toStdString(), here.string()));
}

void OpenHelpPage() {
  // The page in the interface's language; the English one when that is missing.
  // Opened whatever its mode bits: the program builds this path itself.
  const std::string folder = orbisk::ProgramFolder();
  orbisk::ShellTarget target = orbisk::HelpPageTarget(folder, HelpPageFor(PreferredInterfaceLanguage()));
  if (!QFileInfo(QString::fromStdString(target.text)).isFile())
    target = orbisk::HelpPageTarget(folder);
  HandOver(target);
}

void OpenHomePage() { ShellOpen(QString::fromLatin1(orbisk::kHomePage)); }
void OpenSupportMail() { ShellOpen(QStringLiteral("mailto:") + QString::fromLatin1(orbisk::kSupportMail)); }
void OpenProductsPage() { ShellOpen(QString::fromLatin1(orbisk::kProductsPage)); }

void ShowMessage(QWidget* parent, const QString& text) {
  ShowBox(parent, QMessageBox::NoIcon, QApplication::applicationName(), text);
}

void ShowNotice(QWidget* parent, const QString& caption, const QString& text) {
  ShowBox(parent, QMessageBox::Information, caption, text);
}

namespace {
int& ProgressDelayOverride() {
  static int delay = -1;
  return delay;
}
}  // namespace

int ProgressShowDelay(int usual) { return ProgressDelayOverride() >= 0 ? ProgressDelayOverride() : usual; }
void SetProgressShowDelay(int milliseconds) { ProgressDelayOverride() = milliseconds; }

void RunGuarded(QWidget* parent, const std::function<void()>& work) {
  try {
    work();
  } catch (const orbisk::LoadCancelled&) {
    // The user stopped loading the directory: nothing to report.
  } catch (const orbisk::Cancelled&) {
    // The user stopped the work (an export): nothing was written, nothing to report.
  } catch (const std::bad_alloc&) {
    ShowError(parent, QCoreApplication::translate(
        "Message", "Not enough memory to finish this work. Close other programs or search for fewer rows."));
  } catch (const std::exception& e) {
    ShowError(parent, LocalText(e));
  } catch (...) {
    ShowError(parent, QCoreApplication::translate("Message", "Unknown error."));
  }
}
