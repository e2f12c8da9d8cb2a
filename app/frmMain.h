#pragma once
#include <QMainWindow>

class QStatusBar;

class TMain_Frm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMain_Frm(QWidget* parent = nullptr);
  QString ProgramFolder;
  QString CategoryCondition;
  QStatusBar* StatusBar;
 private:
  void FormCreate();
};
