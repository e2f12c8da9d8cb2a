#include "app/uiWindowFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "ui/uiWindowKit.h"

namespace {

// The window's designed client width: roomy value boxes where the screen allows.
constexpr int kDesignedWidth = 1132;
// The client height the window asks for where the screen allows it.
constexpr int kLeastComfortableHeight = 760;
// What a Wayland compositor may keep of the screen for its title bar and
// panels, which it does not tell.
constexpr int kWaylandAllowance = 96;

QRect AvailableArea(const QWidget* w) {
  const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  if (!screen) return QRect(0, 0, 1280, 900);
  QRect area = screen->availableGeometry();
  // At a fractional scale the area's edges are rounded to whole pixels, possibly outwards.
  const qreal ratio = screen->devicePixelRatio();
  if (ratio != std::floor(ratio)) area.adjust(0, 1, 0, -1);
  return area;
}

QMargins FrameOf(const QWidget* w) {
  const QRect outer = w->frameGeometry(), inner = w->geometry();
  return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                  outer.bottom() - inner.bottom());
}

}  // namespace

TWindowFit::TWindowFit(QWidget& window, const QWidget& panel) : window_(window), panel_(panel) {}

QRect TWindowFit::FittedGeometry(const QRect& available, const QMargins& frame) const {
  const QSize room = available.size().shrunkBy(frame);
  const QSize least = window_.minimumSizeHint();
  const QSize hint = window_.sizeHint();
  // The natural width keeps the space right of the command column equal to
  // the gap left of it; a narrower screen gets the window at its full width.
  const int natural = std::max({kDesignedWidth, hint.width(), panel_.sizeHint().width()});
  const int w = std::max(least.width(), std::min(natural, room.width()));
  const int h = std::max(least.height(), std::min(std::max(hint.height(), kLeastComfortableHeight), room.height()));
  const int left = available.left() + (available.width() - (w + frame.left() + frame.right())) / 2;
  const int top = available.top() + std::max(0, (available.height() - (h + frame.top() + frame.bottom())) / 2);
  return QRect(left + frame.left(), top + frame.top(), w, h);
}

void TWindowFit::Place() {
  placed_ = true;
  // Until the window manager has framed the window its frame is a guess: a
  // title bar and thin borders. Once the real frame is known the window is
  // fitted again to it (see WindowEvent).
  fittedFrame_ = FrameOf(&window_);
  if (fittedFrame_.isNull()) fittedFrame_ = QMargins(2, 24, 2, 4);
  const QRect area = AvailableArea(&window_);
  const QRect fitted = FittedGeometry(area, fittedFrame_);
  if (!CompositorPlacesWindows()) {
    window_.setGeometry(fitted);
    return;
  }
  // Under Wayland the compositor places the window and keeps its panels to
  // itself: the screen's area includes them, and the title bar is not known
  // yet. Where the window would need most of the screen's height, it asks the
  // compositor for the whole free area instead (maximized), title bar included.
  window_.resize(fitted.size());
  const int wanted = std::max(window_.sizeHint().height(), kLeastComfortableHeight);
  if (wanted + kWaylandAllowance > area.height()) {
    frameFitted_ = true;
    window_.setWindowState(window_.windowState() | Qt::WindowMaximized);
  }
}

void TWindowFit::WindowEvent(const QEvent* e) {
  if (!placed_ || frameFitted_) return;
  if (e->type() != QEvent::Move && e->type() != QEvent::Resize && e->type() != QEvent::WindowActivate) return;
  const QMargins frame = FrameOf(&window_);
  if (frame.isNull()) return;
  frameFitted_ = true;
  if (frame != fittedFrame_) {
    fittedFrame_ = frame;
    window_.setGeometry(FittedGeometry(AvailableArea(&window_), frame));
  }
}
