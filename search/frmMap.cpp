#include "search/frmMap.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>

#include "browse/uiWindowKit.h"
#include "data/ProgramFiles.h"

namespace {
constexpr QSize kDesignedClientSize(500, 393);
}

TMap_Frm::TMap_Frm(const QString& programFolder, QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
  setObjectName(QStringLiteral("Map_Frm"));
  setWindowTitle(QStringLiteral("Canada Map"));
  Map_Img = new QLabel(this);
  Map_Img->setObjectName(QStringLiteral("Map_Img"));
  Map_Img->move(0, 0);
  FormCreate(programFolder);
}

void TMap_Frm::FormCreate(const QString& programFolder) {
  QSize client = kDesignedClientSize;
  // A missing or broken picture is not reported: the window stays empty at its designed size.
  const std::string path = orbisk::ResolveIgnoringCase((programFolder + QStringLiteral("map.jpg")).toStdString());
  QImageReader reader(QString::fromStdString(path), "jpg");
  const QImage picture = reader.read();
  if (!picture.isNull()) {
    Map_Img->setPixmap(QPixmap::fromImage(picture));
    client = picture.size();
  }
  Map_Img->resize(picture.isNull() ? QSize(0, 0) : client);
  setFixedSize(client);
  CentreOnScreen(this);
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
