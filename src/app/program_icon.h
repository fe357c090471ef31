// The program's icon (dist/qrt58prog.svg, the one installed for the menu
// entry), painted in code so that the window needs no SVG image plugin.
#pragma once

#include <QIcon>

QIcon program_icon();
