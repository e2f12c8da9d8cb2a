#pragma once
// The contact window: every field of one contact row as text.
#include <QDialog>

#include "data/uDM.h"

class QLabel;
class QPlainTextEdit;

class TContact_Dlg : public QDialog {
  Q_OBJECT
 public:
  explicit TContact_Dlg(orbisk::TDM& dm, QWidget* parent = nullptr);

  // Fills the window from the current row of Contact_Q and shows it modally.
  void OpenContactWindow();

  QLabel* Title_Pnl;
  QPlainTextEdit* Contact_Memo;

 private:
  orbisk::TDM& dm_;
};

// The memo text of a FillFieldMemo line list (memo values keep their line breaks).
QString MemoText(const std::vector<std::string>& lines);

// The one instance, created at start-up and kept until the program ends.
extern TContact_Dlg* Contact_Dlg;
