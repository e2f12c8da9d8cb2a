#include "ui/uiWindowKit.h"
#include "ui/uiLook.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
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

#include "ui/uiSchemeColours.h"

std::function<int(QDialog&)>& ModalSeam() {
  static std::function<int(QDialog&)> runner;
  return runner;
}

int ExecModal(QDialog& dialog) {
  if (ModalSeam()) return ModalSeam()(dialog);
  return dialog.exec();
}

bool CompositorPlacesWindows() {
  // Wayland compositors place every window themselves: a program cannot.
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void CentreOnScreen(QWidget* window) {
  if (CompositorPlacesWindows()) return;  // transient windows go over their parent
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
  panel->setFont(VerdanaPoints(12));
  QPalette p = panel->palette();
  p.setColor(QPalette::WindowText, CurrentSchemeColours().brand);
  panel->setPalette(p);
  // Its caption comes from the directory: shown as stored, never as markup.
  panel->setTextFormat(Qt::PlainText);
  panel->setAlignment(Qt::AlignCenter);
  panel->setFrameShape(QFrame::NoFrame);
  panel->setMinimumHeight(QFontMetrics(panel->font()).height() + 16);
  return panel;
}

namespace {

// What a screen reader sees of a link label: a link it can press, named by its
// accessible name or its text, described by its hint.
class TClickLabelAccessible : public QAccessibleWidget {
 public:
  explicit TClickLabelAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Link) {}
  QString text(QAccessible::Text t) const override {
    const auto* label = static_cast<const QLabel*>(widget());
    if (t == QAccessible::Name) {
      const QString name = label->accessibleName();
      return name.isEmpty() ? label->text() : name;
    }
    if (t == QAccessible::Description) {
      const QString description = label->accessibleDescription();
      return description.isEmpty() ? label->toolTip() : description;
    }
    return QAccessibleWidget::text(t);
  }
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& action) override {
    // Queued: whatever the link opens runs after the reader's request is answered.
    if (action == pressAction())
      QMetaObject::invokeMethod(widget(), [label = static_cast<TClickLabel*>(widget())] { emit label->clicked(); },
                                Qt::QueuedConnection);
  }
  QStringList keyBindingsForAction(const QString& action) const override {
    return action == pressAction() ? QStringList{QStringLiteral("Space"), QStringLiteral("Return")} : QStringList();
  }
};

// A combo box named by its accessible name where it has one: the toolkit's own
// names every combo box on this platform by its current text, so a screen
// reader hears "=" or "100" instead of what the box is for. The current text
// stays the box's value; its list (and the text part of an editable box) are
// its children.
class TComboAccessible : public QAccessibleWidget {
 public:
  explicit TComboAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::ComboBox) {}
  QComboBox* combo() const { return static_cast<QComboBox*>(widget()); }
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && !combo()->accessibleName().isEmpty()) return combo()->accessibleName();
    if (t == QAccessible::Name || t == QAccessible::Value) return combo()->currentText();
    return QAccessibleWidget::text(t);
  }
  int childCount() const override { return combo()->isEditable() ? 2 : 1; }
  QAccessibleInterface* child(int index) const override {
    if (index == 0) return QAccessible::queryAccessibleInterface(combo()->view());
    if (index == 1 && combo()->isEditable()) return QAccessible::queryAccessibleInterface(combo()->lineEdit());
    return nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (!child) return -1;
    if (child->object() == combo()->view()) return 0;
    if (combo()->isEditable() && child->object() == combo()->lineEdit()) return 1;
    return -1;
  }
  QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }
  void doAction(const QString& action) override {
    if (action == showMenuAction() || action == pressAction())
      QMetaObject::invokeMethod(combo(), [box = combo()] { box->showPopup(); }, Qt::QueuedConnection);
  }
  QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

QAccessibleInterface* AccessibleFactory(const QString& key, QObject* object) {
  if (!object || !object->isWidgetType()) return nullptr;
  if (key == QLatin1String("TClickLabel")) return new TClickLabelAccessible(static_cast<QWidget*>(object));
  if (key == QLatin1String("QComboBox")) return new TComboAccessible(static_cast<QWidget*>(object));
  return nullptr;
}

}  // namespace

void InstallAccessibleFactories() {
  static const bool installed = [] {
    QAccessible::installFactory(AccessibleFactory);
    return true;
  }();
  (void)installed;
}

TClickLabel::TClickLabel(QWidget* parent) : QLabel(parent) {
  InstallAccessibleFactories();
  setTextFormat(Qt::PlainText);
}

TClickLabel::TClickLabel(const QString& text, QWidget* parent) : TClickLabel(parent) { setText(text); }

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
