// The About box.
#pragma once

#include <QDialog>

class QLabel;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
    // "QRT58 Pager Programmer", set when the default image is built.
    void set_title(const QString& title);

private:
    QLabel* lblTitle_ = nullptr;
};
