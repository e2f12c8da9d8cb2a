#include "browse/uiWindowKit.h"

#include <QApplication>
#include <QMouseEvent>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

std::function<int(QDialog&)>& ModalSeam() {
  static std::function<int(QDialog&)> runner;
  return runner;
}

int ExecModal(QDialog& dialog) {
  if (ModalSeam()) return ModalSeam()(dialog);
  return dialog.exec();
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect s = screen->geometry();
  const QSize outer = window->frameGeometry().size();
  window->move(s.left() + (s.width() - outer.width()) / 2, s.top() + (s.height() - outer.height()) / 2);
}

QColor InfoBackground() { return QApplication::palette().color(QPalette::ToolTipBase); }

void SetInfoBackground(QWidget* w) {
  QPalette p = w->palette();
  p.setColor(QPalette::Base, InfoBackground());
  p.setColor(QPalette::Window, InfoBackground());
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

QLabel* MakeTitlePanel(const QString& caption, QWidget* parent) {
  auto* panel = new QLabel(caption, parent);
  panel->setObjectName(QStringLiteral("Title_Pnl"));
  QFont f(QStringLiteral("Verdana"));
  f.setPointSize(12);
  panel->setFont(f);
  QPalette p = panel->palette();
  p.setColor(QPalette::WindowText, QColor(74, 177, 5));
  panel->setPalette(p);
  panel->setAlignment(Qt::AlignCenter);
  panel->setFrameShape(QFrame::NoFrame);
  panel->setMinimumHeight(QFontMetrics(f).height() + 16);
  return panel;
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* e) {
  QLabel::mouseReleaseEvent(e);
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
}
