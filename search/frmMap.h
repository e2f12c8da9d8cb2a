#pragma once
// The map window: a picture of the provinces with their telephone area codes,
// shown beside the search panel. A click on a province or an area-code label
// hands that choice to the search panel; the regions come from map_regions.png
// and map_regions.txt beside the picture (made with it by tools/make_map.sh).
#include <QHash>
#include <QImage>
#include <QWidget>
#include <functional>

class QLabel;

// What a click on the map chooses: a Location text or a Tel Area Code.
struct MapChoice {
  enum class Kind { None, Location, TelAreaCode };
  Kind kind = Kind::None;
  QString value;
};

class TMap_Frm : public QWidget {
  Q_OBJECT
 public:
  TMap_Frm(const QString& programFolder, QWidget* owner = nullptr);

  QLabel* Map_Img;
  // Called with every choice the user clicks; set by the window that opened the map.
  std::function<void(const MapChoice&)> OnChoose;

  // The choice under a point of Map_Img (its own coordinates); None outside every region.
  MapChoice ChoiceAt(QPoint p) const;
  // How a choice is described under the pointer.
  static QString ChoiceHint(const MapChoice& c);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* e) override;

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void FormCreate(const QString& programFolder);
  void LoadRegions(const QString& programFolder);
  void ShowPicture();              // at the screen's own pixel density
  QImage picture_;
  QImage regions_;                 // one colour per region, at any size; scaled to the picture
  QHash<QRgb, MapChoice> choices_;  // region colour -> choice
};

// Creates the map window at the first call (loading map.jpg beside the program
// once) and keeps it; every call shows it and brings it to the front.
TMap_Frm* ShowMapWindow(QWidget* owner, const QString& programFolder);
