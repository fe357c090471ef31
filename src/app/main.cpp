#include "form1.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QRT58"));
    Form1 w;
    w.form_load();
    w.show();
    return QApplication::exec();
}
