#include <QApplication>

#include "app/frmMain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Orbisk"));
  TMain_Frm mainFrm;
  mainFrm.show();
  return app.exec();
}
