#include "form1.h"

#include "pager_table.h"

Form1::Form1(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Norvale ") + QString::fromStdString(qrt58::ver_str));
    resize(729, 497); // 10935 x 7455 twips
}
