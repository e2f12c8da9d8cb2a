#include "search/frmMap.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTextStream>
#include <QToolTip>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "browse/uiWindowKit.h"
#include "data/ProgramFiles.h"

namespace {
// Designed at 120 dots per inch; the screen's own scaling does the rest.
constexpr QSize kDesignedClientSize(500 * 96 / 120, 393 * 96 / 120);
// Room the window manager's frame and title bar take around the client area.
constexpr QSize kFrameAllowance(16, 48);

QString ProgramFile(const QString& folder, const char* name) {
  return QString::fromStdString(orbisk::ResolveIgnoringCase((folder + QLatin1String(name)).toStdString()));
}

// A picture of about n x 96 dots per inch is drawn for screens at n x 100 %:
// it shows at 1/n of its pixels, and stays sharp where the screen has them.
int DensityFactor(const QImage& picture) {
  const double dpi = picture.dotsPerMeterX() * 0.0254;
  return std::clamp(static_cast<int>(std::lround(dpi / 96.0)), 1, 4);
}
}  // namespace

TMap_Frm::TMap_Frm(const QString& programFolder, QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
  setObjectName(QStringLiteral("Map_Frm"));
  setWindowTitle(tr("Canada Map"));
  Map_Img = new QLabel(this);
  Map_Img->setObjectName(QStringLiteral("Map_Img"));
  Map_Img->move(0, 0);
  Map_Img->setScaledContents(false);
  Map_Img->setMouseTracking(true);
  Map_Img->installEventFilter(this);
  FormCreate(programFolder);
}

void TMap_Frm::FormCreate(const QString& programFolder) {
  QSize client = kDesignedClientSize;
  // A missing or broken picture is not reported: the window stays empty at its designed size.
  QImageReader reader(ProgramFile(programFolder, "map.jpg"), "jpg");
  const QImage picture = reader.read();
  if (!picture.isNull()) {
    client = picture.size() / DensityFactor(picture);
    // Never larger than the screen's free area with the frame around it.
    if (const QScreen* s = screen()) {
      const QSize room = s->availableGeometry().size() - kFrameAllowance;
      if (client.width() > room.width() || client.height() > room.height())
        client = client.scaled(room, Qt::KeepAspectRatio);
    }
    picture_ = picture;
    LoadRegions(programFolder);
  }
  Map_Img->resize(picture.isNull() ? QSize(0, 0) : client);
  ShowPicture();
  setFixedSize(client);
  CentreOnScreen(this);
}

void TMap_Frm::ShowPicture() {
  if (picture_.isNull()) return;
  const qreal ratio = devicePixelRatioF();
  if (!Map_Img->pixmap().isNull() && Map_Img->pixmap().devicePixelRatio() == ratio) return;
  QPixmap shown = QPixmap::fromImage(picture_.scaled((QSizeF(Map_Img->size()) * ratio).toSize(),
                                                     Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  shown.setDevicePixelRatio(ratio);
  Map_Img->setPixmap(shown);
}

void TMap_Frm::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  // Moved to a screen of another scale, the picture is drawn again for it.
  if (QWindow* w = windowHandle(); w && !property("followsScreen").toBool()) {
    setProperty("followsScreen", true);
    connect(w, &QWindow::screenChanged, this, [this] { ShowPicture(); });
  }
  ShowPicture();
}

void TMap_Frm::LoadRegions(const QString& programFolder) {
  // Without both files (or with damaged ones) the map is a picture only.
  QImage regions(ProgramFile(programFolder, "map_regions.png"));
  QFile key(ProgramFile(programFolder, "map_regions.txt"));
  if (regions.isNull() || !key.open(QIODevice::ReadOnly | QIODevice::Text) || key.size() > 65536) return;
  QTextStream in(&key);
  while (!in.atEnd()) {
    const QString line = in.readLine();
    if (line.startsWith(QLatin1Char('#'))) continue;
    const QStringList parts = line.split(QLatin1Char('\t'));
    const QStringList rgb = parts.value(0).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList what = parts.value(1).split(QLatin1Char('|'));
    if (parts.size() != 2 || rgb.size() != 3 || what.size() != 2 || what[1].trimmed().isEmpty()) continue;
    MapChoice c;
    if (what[0] == QLatin1String("Location")) c.kind = MapChoice::Kind::Location;
    else if (what[0] == QLatin1String("TelAreaCode")) c.kind = MapChoice::Kind::TelAreaCode;
    else continue;
    c.value = what[1].trimmed();
    choices_.insert(qRgb(rgb[0].toInt(), rgb[1].toInt(), rgb[2].toInt()), c);
  }
  regions_ = regions.convertToFormat(QImage::Format_RGB32);
}

MapChoice TMap_Frm::ChoiceAt(QPoint p) const {
  const QSize shown = Map_Img->size();
  if (regions_.isNull() || shown.isEmpty() || !QRect(QPoint(0, 0), shown).contains(p)) return {};
  // The regions scale with the picture, whatever size each has.
  const int x = std::min(regions_.width() - 1, p.x() * regions_.width() / shown.width());
  const int y = std::min(regions_.height() - 1, p.y() * regions_.height() / shown.height());
  return choices_.value(regions_.pixel(x, y) | 0xff000000u);
}

QString TMap_Frm::ChoiceHint(const MapChoice& c) {
  switch (c.kind) {
    case MapChoice::Kind::Location: return tr("Puts \"%1\" into Location").arg(c.value);
    case MapChoice::Kind::TelAreaCode: return tr("Puts \"%1\" into Tel Area Code").arg(c.value);
    case MapChoice::Kind::None: break;
  }
  return {};
}

bool TMap_Frm::eventFilter(QObject* watched, QEvent* event) {
  if (watched != Map_Img) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::MouseMove) {
    auto* e = static_cast<QMouseEvent*>(event);
    const MapChoice c = ChoiceAt(e->position().toPoint());
    Map_Img->setCursor(c.kind == MapChoice::Kind::None ? Qt::ArrowCursor : Qt::PointingHandCursor);
    const QString hint = ChoiceHint(c);
    if (hint != Map_Img->toolTip()) {
      Map_Img->setToolTip(hint);
      if (hint.isEmpty()) QToolTip::hideText();
      else QToolTip::showText(e->globalPosition().toPoint(), hint, Map_Img);
    }
  } else if (event->type() == QEvent::MouseButtonRelease) {
    auto* e = static_cast<QMouseEvent*>(event);
    const MapChoice c = ChoiceAt(e->position().toPoint());
    if (e->button() == Qt::LeftButton && c.kind != MapChoice::Kind::None && OnChoose) OnChoose(c);
  }
  return QWidget::eventFilter(watched, event);
}

void TMap_Frm::keyPressEvent(QKeyEvent* e) {
  // Escape closes (hides) the map, as it closes any dialog.
  if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(e);
}

TMap_Frm* ShowMapWindow(QWidget* owner, const QString& programFolder) {
  static QPointer<TMap_Frm> map;
  if (!map) {
    map = new TMap_Frm(programFolder, owner);
    // Without an owner the window lives until the application ends.
    if (!owner) QObject::connect(qApp, &QCoreApplication::aboutToQuit, map, &QObject::deleteLater);
  }
  map->show();
  map->raise();
  map->activateWindow();
  return map;
}
