#include "ui/uiLook.h"

#include <QString>

void InstallFontSubstitutes() {
  QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
}

QFont VerdanaFont() { return QFont(QStringLiteral("Verdana")); }

QFont VerdanaPixels(int pixels) {
  QFont f = VerdanaFont();
  f.setPixelSize(pixels);
  return f;
}

QFont VerdanaPoints(int points) {
  QFont f = VerdanaFont();
  f.setPointSize(points);
  return f;
}
