#include "ui/uiApplicationEvents.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>

#include "ui/uiShell.h"

namespace {
bool wheelStepping = false;
}  // namespace

TApplicationEvents::TApplicationEvents(QWidget* window) : QObject(window), window_(window) {
  qApp->installEventFilter(this);
}

TApplicationEvents::~TApplicationEvents() { qApp->removeEventFilter(this); }

bool TApplicationEvents::WheelStepping() { return wheelStepping; }

bool TApplicationEvents::eventFilter(QObject* watched, QEvent* event) {
  return ApplicationEventsMessage(watched, event) || QObject::eventFilter(watched, event);
}

QWidget* TApplicationEvents::WheelReceiver(QWidget* under) {
  // The grids, lists and memos step under the mouse wherever the focus is
  // (an opened list's items too); they hold no search condition.
  for (QWidget* w = under; w; w = w->isWindow() ? nullptr : w->parentWidget())
    if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) return area;
  // Anything else only when it, or the control it belongs to, has the focus.
  QWidget* focused = QApplication::focusWidget();
  if (!focused) return nullptr;
  for (QWidget* w = under; w; w = w->isWindow() ? nullptr : w->parentWidget())
    if (w == focused || w->focusProxy() == focused || focused->focusProxy() == w) return focused;
  return nullptr;
}

bool TApplicationEvents::ApplicationEventsMessage(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel) {
    // Each wheel turn becomes an arrow key: one row per notch in the grids and
    // lists under the mouse, one item or line in the control that has the
    // focus. A control without the focus changes nothing, so no search
    // condition changes where the user is not looking. A purely sideways
    // scroll passes untouched, so wide grids scroll across.
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target) return false;  // the window's own copy, handed on to the widget
    auto* wheel = static_cast<QWheelEvent*>(event);
    const QPoint angle = wheel->angleDelta();
    if (angle.y() == 0 && angle.x() != 0) return false;
    const bool bookkeeping = angle.isNull() && wheel->phase() != Qt::NoScrollPhase;
    QWidget* receiver = WheelReceiver(target);
    if (!bookkeeping && receiver) {
      QKeyEvent press(QEvent::KeyPress, angle.y() > 0 ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
      const bool wasStepping = wheelStepping;
      wheelStepping = true;
      QCoreApplication::sendEvent(receiver, &press);
      wheelStepping = wasStepping;
    }
    return true;
  }
  if (event->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    // Seen once, at the control that has the focus, whatever modifiers are held.
    if (key->key() == Qt::Key_F1 && !key->isAutoRepeat() && widget && widget->window() == window_ &&
        (widget == QApplication::focusWidget() || (!QApplication::focusWidget() && widget == window_)))
      RunGuarded(window_, OpenHelpPage);
  }
  return false;
}
