#include "browse/uiWindowKit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QTextDocument>

#include "browse/uiSchemeColours.h"

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

QColor InfoBackground() { return CurrentSchemeColours().info.background; }

void SetInfoBackground(QWidget* w) { ApplyInfoColours(w); }

QString PlainToolTip(const QString& text) {
  if (!Qt::mightBeRichText(text)) return text;
  return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QLabel* MakeTitlePanel(const QString& caption, QWidget* parent) {
  auto* panel = new QLabel(caption, parent);
  panel->setObjectName(QStringLiteral("Title_Pnl"));
  QFont f(QStringLiteral("Verdana"));
  f.setPointSize(12);
  panel->setFont(f);
  QPalette p = panel->palette();
  p.setColor(QPalette::WindowText, CurrentSchemeColours().brand);
  panel->setPalette(p);
  // Its caption comes from the directory: shown as stored, never as markup.
  panel->setTextFormat(Qt::PlainText);
  panel->setAlignment(Qt::AlignCenter);
  panel->setFrameShape(QFrame::NoFrame);
  panel->setMinimumHeight(QFontMetrics(f).height() + 16);
  return panel;
}

void TClickLabel::mouseReleaseEvent(QMouseEvent* e) {
  QLabel::mouseReleaseEvent(e);
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
}

void TClickLabel::keyPressEvent(QKeyEvent* e) {
  // A link reached with Tab opens with Space or Enter, as a button does.
  if (e->modifiers() == Qt::NoModifier &&
      (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
    emit clicked();
    return;
  }
  QLabel::keyPressEvent(e);
}

void TClickLabel::paintEvent(QPaintEvent* e) {
  QLabel::paintEvent(e);
  if (!hasFocus()) return;
  QPainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}
