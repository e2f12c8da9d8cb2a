#pragma once
// The map window: a picture of the provinces with their telephone area codes,
// shown beside the search panel. It has no controls and selects nothing.
#include <QWidget>

class QLabel;

class TMap_Frm : public QWidget {
  Q_OBJECT
 public:
  TMap_Frm(const QString& programFolder, QWidget* owner = nullptr);

  QLabel* Map_Img;

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void FormCreate(const QString& programFolder);
};

// Creates the map window at the first call (loading map.jpg beside the program
// once) and keeps it; every call shows it and brings it to the front.
TMap_Frm* ShowMapWindow(QWidget* owner, const QString& programFolder);
