#include "program_icon.h"

QIcon program_icon() {
    // The installed theme's icon where there is one (the package installs the
    // same SVG there), else the SVG built into the program; Qt's SVG icon engine
    // (libqt6svg6) draws it at every size.
    return QIcon::fromTheme(QStringLiteral("qrt58prog"), QIcon(QStringLiteral(":/icons/qrt58prog.svg")));
}
