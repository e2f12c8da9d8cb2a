#pragma once
// Small pieces the details, contact, category, map and About windows share:
// the modal showing (replaceable in tests), centring,
// the info-background look and the green title panel.
#include <QColor>
#include <QLabel>
#include <QString>
#include <functional>

class QDialog;
class QLabel;
class QWidget;

// Shows a dialog modally and returns its result. Tests replace the runner
// through ModalSeam() to look at a window while it is "shown".
int ExecModal(QDialog& dialog);
std::function<int(QDialog&)>& ModalSeam();

// Whether the window system places windows itself (Wayland), so moving one does nothing.
bool CompositorPlacesWindows();
// Places a window in the middle of its screen (outer size, halves rounded down).
void CentreOnScreen(QWidget* window);
// The tooltip ("info") background for a text box, grid or window.
QColor InfoBackground();
void SetInfoBackground(QWidget* w);
// A tool tip that shows `text` exactly as stored: tool tips guess rich text, so
// a text that looks like markup is handed over escaped, in a paragraph that
// keeps its blanks.
QString PlainToolTip(const QString& text);

// The borderless top panel with the green Verdana caption.
QLabel* MakeTitlePanel(const QString& caption, QWidget* parent);

// What screen readers are told of link labels and of named combo boxes.
void InstallAccessibleFactories();

// A label that reports a left click (link labels, the logo, the About picture).
class TClickLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TClickLabel(QWidget* parent = nullptr);
  explicit TClickLabel(const QString& text, QWidget* parent = nullptr);
 signals:
  // A left click, Space or Enter while it has the focus, or a screen reader's press.
  void clicked();
 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
};
