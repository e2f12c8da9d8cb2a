#pragma once
// The About window.
#include "ui/uiWindowKit.h"
#include <QDialog>
#include <QLabel>

class QPushButton;
class QFrame;

// A memory figure as the About window shows it: the first ".00" that is a
// whole decimal part removed and " KB" appended ("262,144.00" -> "262,144 KB").
QString AboutMemoryText(const QString& figure);

// A label that reports clicks (the picture and the two links).

class TAbout_Frm : public QDialog {
  Q_OBJECT
 public:
  explicit TAbout_Frm(QWidget* parent = nullptr);

  void URL_LabClick();
  void Support_LabClick();

  TClickLabel* Image;
  QLabel* SoftName_Lab;
  QLabel* Version_Lab;
  TClickLabel* URL_Lab;
  TClickLabel* Support_Lab;
  QFrame* Bevel;
  QLabel* WindowsVersion_Lab;
  QLabel* TotalMem_Lab;
  QLabel* AvailabeMem_Lab;
  QPushButton* OK_Btn;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void FormCreate();
  void FormShow();
};

// Creates the About window, shows it modally and destroys it: every opening
// reads the system figures afresh. It is transient for `owner` (the main
// window), so a compositor that places windows itself puts it over its owner.
void ShowAboutWindow(QWidget* owner = nullptr);
