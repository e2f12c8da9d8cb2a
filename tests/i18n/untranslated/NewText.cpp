// A window text no translation holds yet: the translation check must fail on it.
#include <QCoreApplication>

QString NewCaption() { return QCoreApplication::translate("TMain_Frm", "A caption added without its translation"); }
