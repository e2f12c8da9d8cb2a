#pragma once
// The map window: a picture of the provinces with their telephone area codes,
// shown beside the search panel. A click on a province or an area-code label
// hands that choice to the search panel; the regions come from map_regions.png
// and map_regions.txt beside the picture (made with it by tools/make_map.sh),
// and count only for the picture they were made for. The picture shows at its
// own size; map@2x.jpg beside it, when there is one, serves dense screens.
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
  // The picture drawn at a device pixel ratio: map@2x.jpg above 100 % when there is one.
  const QImage& PictureFor(qreal ratio) const { return ratio > 1.0 && !picture2x_.isNull() ? picture2x_ : picture_; }
  // Whether clicks choose anything: only on the picture the regions were made for.
  bool TakesClicks() const { return !regions_.isNull(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* e) override;

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void FormCreate(const QString& programFolder);
  // Takes the regions when they were made for the picture with these stamps
  // (size and checksum of map.jpg, and of map@2x.jpg when one is used).
  void LoadRegions(const QString& programFolder, const QString& stamp, const QString& stamp2x);
  void ShowPicture();              // at the screen's own pixel density
  QImage picture_;
  QImage picture2x_;               // map@2x.jpg, for screens scaled above 100 %; may be null
  QImage regions_;                 // one colour per region, at any size; scaled to the picture
  QHash<QRgb, MapChoice> choices_;  // region colour -> choice
};

// Creates the map window at the first call (loading map.jpg beside the program
// once) and keeps it; every call shows it and brings it to the front.
TMap_Frm* ShowMapWindow(QWidget* owner, const QString& programFolder);
