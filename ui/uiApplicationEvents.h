#pragma once
// What the application does with every event before any window sees it: a
// wheel turn becomes an arrow key for the control it is meant for, and F1
// released in the main window opens the help page.
#include <QObject>

class QWidget;

class TApplicationEvents : public QObject {
 public:
  // Watches the whole application from now on, for the life of `window`.
  explicit TApplicationEvents(QWidget* window);
  ~TApplicationEvents() override;

  // True while an arrow key made from a wheel turn is being handled: what
  // the key changes is not the user's choice.
  static bool WheelStepping();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool ApplicationEventsMessage(QObject* watched, QEvent* event);
  // Who takes the arrow key a wheel turn over `under` becomes; nullptr: nobody.
  static QWidget* WheelReceiver(QWidget* under);
  QWidget* window_;
};
