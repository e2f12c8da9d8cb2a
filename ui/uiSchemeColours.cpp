#include "ui/uiSchemeColours.h"

#include <QApplication>
#include <QWidget>
#include <cmath>
#include <initializer_list>

namespace {

double Channel(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

double Luminance(const QColor& c) {
  const QColor rgb = c.toRgb();
  return 0.2126 * Channel(rgb.redF()) + 0.7152 * Channel(rgb.greenF()) + 0.0722 * Channel(rgb.blueF());
}

bool Reads(const QColor& text, const QColor& background) { return ContrastRatio(text, background) >= kLeastContrast; }

// Two row backgrounds a reader tells apart at a glance (white and the pale
// yellow of tool tips are; two greys a few steps apart are not).
bool Distinct(const QColor& a, const QColor& b) {
  const int dr = a.red() - b.red(), dg = a.green() - b.green(), db = a.blue() - b.blue();
  return dr * dr + dg * dg + db * db >= 20 * 20;
}

// A link in the designed colour where it reads, else in the scheme's link colour,
// made lighter or darker where even that falls short.
QColor LinkOn(const QColor& designed, const QPalette& p, const QColor& background) {
  if (Reads(designed, background)) return designed;
  return ReadableOn(p.color(QPalette::Active, QPalette::Link), background);
}

TextColours Pair(const QColor& background, const QColor& text, const QColor& link) {
  return TextColours{background, ReadableOn(text, background), link};
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& wanted, const QColor& background) {
  if (Reads(wanted, background)) return wanted;
  // Towards white or black, whichever reads better on the background: one of
  // them always reaches 4.58:1 at least, so the walk ends.
  const bool lighter = ContrastRatio(Qt::white, background) >= ContrastRatio(Qt::black, background);
  const QColor hsl = wanted.toHsl();
  const float hue = hsl.hslHueF(), saturation = hsl.hslSaturationF();
  const float start = hsl.lightnessF();
  for (int step = 1; step <= 100; ++step) {
    const float t = step / 100.0f;
    const float lightness = lighter ? start + (1.0f - start) * t : start * (1.0f - t);
    const QColor candidate = QColor::fromHslF(hue < 0 ? 0 : hue, saturation, lightness).toRgb();
    if (Reads(candidate, background)) return candidate;
  }
  return lighter ? QColor(Qt::white) : QColor(Qt::black);
}

SchemeColours SchemeColoursFor(const QPalette& palette) {
  auto colour = [&palette](QPalette::ColorRole role) { return palette.color(QPalette::Active, role); };
  const QColor text = colour(QPalette::Text);
  SchemeColours s;

  // Odd rows are white while the scheme's text reads on white; else the scheme's own base.
  const QColor odd = Reads(text, Qt::white) ? QColor(Qt::white) : colour(QPalette::Base);
  s.oddRow = Pair(odd, text, LinkOn(kGridLinkBlue, palette, odd));

  // Even rows in the tool-tip colour, else another of the scheme's backgrounds
  // on which its text reads, one that stands apart from the odd rows if any does.
  const std::initializer_list<QPalette::ColorRole> evenChoices = {QPalette::ToolTipBase, QPalette::AlternateBase,
                                                                   QPalette::Base};
  QColor even = colour(QPalette::ToolTipBase);
  bool found = false;
  for (bool mustStandApart : {true, false}) {
    for (QPalette::ColorRole role : evenChoices) {
      const QColor c = colour(role);
      if (!found && Reads(text, c) && (!mustStandApart || Distinct(c, odd))) {
        even = c;
        found = true;
      }
    }
  }
  s.evenRow = Pair(even, text, LinkOn(kGridLinkBlue, palette, even));

  // The info background of memos and the About window, with the scheme's text
  // or tool-tip text; where neither reads there, the scheme's base.
  const QColor tip = colour(QPalette::ToolTipBase);
  QColor info = tip, infoText = text;
  if (!Reads(text, tip)) {
    if (Reads(colour(QPalette::ToolTipText), tip)) infoText = colour(QPalette::ToolTipText);
    else if (Reads(text, colour(QPalette::Base))) info = colour(QPalette::Base);
  }
  s.info = Pair(info, infoText, LinkOn(kPureBlue, palette, info));

  const QColor window = colour(QPalette::Window);
  s.window = Pair(window, colour(QPalette::WindowText), LinkOn(kPureBlue, palette, window));
  const QColor base = colour(QPalette::Base);
  s.current = Pair(base, text, LinkOn(kGridLinkBlue, palette, base));

  // The selection keeps the scheme's highlighted text; its highlight is made
  // darker or lighter where the two would not read.
  const QColor selectedText = colour(QPalette::HighlightedText);
  const QColor highlight = ReadableOn(colour(QPalette::Highlight), selectedText);
  s.selection = TextColours{highlight, selectedText, selectedText};

  s.brand = ReadableOn(kBrandGreen, window);
  s.brandOnInfo = ReadableOn(kBrandGreen, info);
  return s;
}

const SchemeColours& CurrentSchemeColours() {
  static qint64 key = -1;
  static SchemeColours colours;
  const QPalette palette = QApplication::palette();
  if (palette.cacheKey() != key) {
    colours = SchemeColoursFor(palette);
    key = palette.cacheKey();
  }
  return colours;
}

void ApplyInfoColours(QWidget* w) {
  const TextColours& info = CurrentSchemeColours().info;
  QPalette p = w->palette();
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(g, QPalette::Base, info.background);
    p.setColor(g, QPalette::Window, info.background);
    p.setColor(g, QPalette::Text, info.text);
    p.setColor(g, QPalette::WindowText, info.text);
  }
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

void ApplyLinkColour(QWidget* label, bool onInfo) {
  const SchemeColours& s = CurrentSchemeColours();
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, onInfo ? s.info.link : s.window.link);
  label->setPalette(p);
}
