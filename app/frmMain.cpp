#include "app/frmMain.h"

#include <QStatusBar>

#include "data/ProgramFiles.h"

TMain_Frm::TMain_Frm(QWidget* parent) : QMainWindow(parent) {
  StatusBar = statusBar();
  StatusBar->showMessage(QStringLiteral("Ready"));
  FormCreate();
}

void TMain_Frm::FormCreate() {
  ProgramFolder = QString::fromStdString(orbisk::ProgramFolder());
  setWindowTitle(QStringLiteral("Orbisk 1.02"));
  CategoryCondition.clear();
}
