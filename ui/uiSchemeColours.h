#pragma once
// The colours every window draws its texts in, decided from the desktop's
// palette. Under a light scheme they are the program's own designed colours
// (white and info-background rows, the link blues); under any other scheme each
// text takes a colour that reads on its background with a contrast of at least
// 4.5:1, taking the scheme's own Base, AlternateBase, ToolTipBase, Text and Link
// where the designed colours would fall short.
#include <QColor>
#include <QPalette>

#include "ui/uiLook.h"

// Contrast of two colours as WCAG measures it: 1.0 (the same) to 21.0 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);
// The least contrast every text keeps against its background.
constexpr double kLeastContrast = 4.5;

// `wanted` when it reads on `background`; otherwise the same hue made lighter
// or darker, whichever way gives more room, just far enough to read.
QColor ReadableOn(const QColor& wanted, const QColor& background);

struct TextColours {
  QColor background;
  QColor text;
  QColor link;
};

struct SchemeColours {
  TextColours oddRow;      // rows 1, 3, 5 ... of the result grids
  TextColours evenRow;     // rows 2, 4, 6 ...
  TextColours info;        // memos, detail grids and the About window (its links in pure blue)
  TextColours window;      // the panels: link labels and title panels on the window background
  TextColours current;     // the current cell of a grid without the focus
  TextColours selection;   // the current cell and selected cells of a focused grid
  QColor brand;            // the green of the details' and contact's title panels, on `window`
  QColor brandOnInfo;      // the About window's product name, on `info`
};

// Decides every colour from a palette (its active group).
SchemeColours SchemeColoursFor(const QPalette& palette);
// The colours for the application's palette, kept until the palette changes.
const SchemeColours& CurrentSchemeColours();


class QWidget;
// Gives a text box, grid or window the info background and a text colour that reads on it.
void ApplyInfoColours(QWidget* w);
// Gives a label the link colour for its background (`info`: the About window's).
void ApplyLinkColour(QWidget* label, bool onInfo);
