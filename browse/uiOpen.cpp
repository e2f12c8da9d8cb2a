#include "browse/uiOpen.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

ShellOpener& ShellOpenSeam() {
  static ShellOpener opener;
  return opener;
}

// Weak, so that the full shell helper of the main window takes over once both
// are linked into the program.
__attribute__((weak)) void ShellOpen(const QString& target, const QString& params) {
  if (ShellOpenSeam()) {
    ShellOpenSeam()(target, params);
    return;
  }
  QUrl url;
  if (QFileInfo::exists(target))
    url = QUrl::fromLocalFile(target);
  else if (target.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
    url = QUrl(QStringLiteral("http://") + target);
  else
    url = QUrl(target);
  QDesktopServices::openUrl(url);
}
