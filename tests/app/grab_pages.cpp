// Writes a picture of each page of the main window to a folder (default /tmp),
// for looking at the layout by eye: grab_pages [folder] [scale] [write]
// ("write" switches the window to Write mode first).
#include "editors.h"
#include "form1.h"

#include <QApplication>
#include <QPixmap>
#include <QRadioButton>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    const double scale = argc > 2 ? QString::fromLocal8Bit(argv[2]).toDouble() : 1.0;
    Form1 w;
    qrt58::editors::attach_editors(w);
    w.app_path = folder;
    w.form_load();
    w.show();
    if (argc > 3 && QString::fromLocal8Bit(argv[3]) == QLatin1String("write")) {
        if (auto* write = w.ctl<QRadioButton>(QStringLiteral("WriteOpt"))) write->click();
    }
    if (scale != 1.0) w.resize(static_cast<int>(w.width() * scale), static_cast<int>(w.height() * scale));
    for (int i = 0; i < 5; ++i) {
        w.select_page(i);
        QApplication::processEvents();
        const QString file = QStringLiteral("%1/qrt58_page%2.png").arg(folder).arg(i);
        w.grab().save(file);
    }
    return 0;
}
