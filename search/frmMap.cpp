#include "search/frmMap.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFileInfo>
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

#include "ui/uiWindowKit.h"
#include "data/ProgramFiles.h"

namespace {
// Designed at 120 dots per inch; the screen's own scaling does the rest.
constexpr QSize kDesignedClientSize(500 * 96 / 120, 393 * 96 / 120);
// Room the window manager's frame and title bar take around the client area.
constexpr QSize kFrameAllowance(16, 48);

QString ProgramFile(const QString& folder, const char* name) {
  return QString::fromStdString(orbisk::ResolveIgnoringCase((folder + QLatin1String(name)).toStdString()));
}

// The bytes of a picture file: a regular file (never a FIFO or a device) of a
// sane size. Empty when there is none.
QByteArray ReadPictureFile(const QString& path) {
  constexpr qint64 kMaxPictureBytes = 64 * 1024 * 1024;
  const QFileInfo info(path);
  if (!info.isFile() || info.size() > kMaxPictureBytes) return {};
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.read(kMaxPictureBytes + 1).left(kMaxPictureBytes);
}

QImage DecodeJpeg(const QByteArray& bytes) {
  if (bytes.isEmpty()) return {};
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "jpg");
  return reader.read();
}

QString PictureStamp(const QSize& size, const QByteArray& bytes) {
  return QStringLiteral("%1x%2 sha256:%3")
      .arg(size.width())
      .arg(size.height())
      .arg(QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex()));
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
  const QByteArray bytes = ReadPictureFile(ProgramFile(programFolder, "map.jpg"));
  const QImage picture = DecodeJpeg(bytes);
  if (!picture.isNull()) {
    // The picture shows at its own size, whatever density its file claims.
    client = picture.size();
    // Never larger than the screen's free area with the frame around it.
    if (const QScreen* s = screen()) {
      const QSize room = s->availableGeometry().size() - kFrameAllowance;
      if (client.width() > room.width() || client.height() > room.height())
        client = client.scaled(room, Qt::KeepAspectRatio);
    }
    picture_ = picture;
    // Dense screens take map@2x.jpg beside it, when it has exactly twice the pixels.
    const QByteArray bytes2x = ReadPictureFile(ProgramFile(programFolder, "map@2x.jpg"));
    const QImage picture2x = DecodeJpeg(bytes2x);
    if (!picture2x.isNull() && picture2x.size() == picture.size() * 2) picture2x_ = picture2x;
    LoadRegions(programFolder, PictureStamp(picture.size(), bytes),
                picture2x_.isNull() ? QString() : PictureStamp(picture2x.size(), bytes2x));
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
  const QImage& source = PictureFor(ratio);
  const QSize pixels = (QSizeF(Map_Img->size()) * ratio).toSize();
  // At its own size a picture is shown pixel for pixel; only other sizes are scaled.
  QPixmap shown = QPixmap::fromImage(source.size() == pixels ? source
                                                             : source.scaled(pixels, Qt::IgnoreAspectRatio,
                                                                             Qt::SmoothTransformation));
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

void TMap_Frm::LoadRegions(const QString& programFolder, const QString& stamp, const QString& stamp2x) {
  // Without both files (or with damaged ones) the map is a picture only.
  QFile key(ProgramFile(programFolder, "map_regions.txt"));
  if (!QFileInfo(key.fileName()).isFile() || key.size() > 65536 || !key.open(QIODevice::ReadOnly | QIODevice::Text))
    return;
  QHash<QRgb, MapChoice> choices;
  QString madeFor, madeFor2x;
  QTextStream in(&key);
  while (!in.atEnd()) {
    const QString line = in.readLine();
    if (line.startsWith(QLatin1Char('#'))) continue;
    const QStringList parts = line.split(QLatin1Char('\t'));
    if (parts.size() != 2) continue;
    // The pictures the regions were drawn on: size and checksum of each file.
    if (parts[0] == QLatin1String("picture")) {
      madeFor = parts[1].trimmed();
      continue;
    }
    if (parts[0] == QLatin1String("picture@2x")) {
      madeFor2x = parts[1].trimmed();
      continue;
    }
    const QStringList rgb = parts.value(0).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList what = parts.value(1).split(QLatin1Char('|'));
    if (rgb.size() != 3 || what.size() != 2 || what[1].trimmed().isEmpty()) continue;
    MapChoice c;
    if (what[0] == QLatin1String("Location")) c.kind = MapChoice::Kind::Location;
    else if (what[0] == QLatin1String("TelAreaCode")) c.kind = MapChoice::Kind::TelAreaCode;
    else continue;
    c.value = what[1].trimmed();
    choices.insert(qRgb(rgb[0].toInt(), rgb[1].toInt(), rgb[2].toInt()), c);
  }
  // Regions belong to the picture they were made for: any other picture is a
  // picture only, and so is a dense-screen sibling that is not the one recorded.
  if (madeFor.isEmpty() || madeFor.compare(stamp, Qt::CaseInsensitive) != 0) return;
  if (!stamp2x.isEmpty() && madeFor2x.compare(stamp2x, Qt::CaseInsensitive) != 0) return;
  const QString regionsFile = ProgramFile(programFolder, "map_regions.png");
  if (!QFileInfo(regionsFile).isFile()) return;
  const QImage regions(regionsFile);
  if (regions.isNull()) return;
  choices_ = choices;
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
