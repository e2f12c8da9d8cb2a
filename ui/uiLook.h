#pragma once
// The program's look in one place: its typeface and its designed colours.
// Which colour a text is finally drawn in under the desktop's scheme is
// decided by ui/uiSchemeColours from these.
#include <QColor>
#include <QFont>

// Verdana, which Linux lacks: InstallFontSubstitutes() (once, at start-up)
// makes it DejaVu Sans, whose shapes are as wide and open.
void InstallFontSubstitutes();
QFont VerdanaFont();
QFont VerdanaPixels(int pixels);
QFont VerdanaPoints(int points);

// The designed colours a light scheme keeps.
inline const QColor kGridLinkBlue(51, 51, 255);  // links of the result grids
inline const QColor kPureBlue(0, 0, 255);        // links on the info background
inline const QColor kBrandGreen(74, 177, 5);     // the banner's and title panels' caption
inline const QColor kBannerCream(244, 242, 232); // the banner's background, behind the logotype
