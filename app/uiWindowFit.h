#pragma once
// The main window on the screen it opens on: centred, as wide as its natural
// width or the screen, as high as the screen allows, fitted again once the
// window manager's real frame is known.
#include <QMargins>
#include <QRect>

class QEvent;
class QWidget;

class TWindowFit {
 public:
  // `panel`: the widget whose natural width the window keeps where it can.
  TWindowFit(QWidget& window, const QWidget& panel);

  // Where the window goes on a screen whose free area is `available`, the
  // window manager adding `frame` around it: centred, as wide as its natural
  // width or the screen, as high as the screen allows (at most 760 rows of
  // pixels unless the window needs more), never below its least size.
  QRect FittedGeometry(const QRect& available, const QMargins& frame) const;

  // Places the window at its first showing.
  void Place();
  // Called after the window has handled `e`: the first move, resize or
  // activation with a known frame fits the window again to that frame.
  void WindowEvent(const QEvent* e);

 private:
  QWidget& window_;
  const QWidget& panel_;
  bool placed_ = false;
  bool frameFitted_ = false;
  QMargins fittedFrame_;
};
