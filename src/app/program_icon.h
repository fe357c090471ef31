// The program's icon: dist/qrt58prog.svg, the one installed for the menu entry.
#pragma once

#include <QIcon>

QIcon program_icon();
