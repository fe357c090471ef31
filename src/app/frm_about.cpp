#include "frm_about.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About "));
    setFixedSize(380, 150);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("picIcon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    icon->setGeometry(16, 16, 32, 32);

    lblTitle_ = new QLabel(this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle_->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    lblTitle_->setFont(big);
    lblTitle_->setGeometry(64, 14, 300, 24);

    auto* version = new QLabel(QStringLiteral("Version 5.02(2006.11.3)"), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    version->setGeometry(64, 42, 300, 20);

    auto* description =
        new QLabel(QStringLiteral("Edits, saves and programs the settings of QRT58 paging receivers."), this);
    description->setObjectName(QStringLiteral("lblDescription"));
    description->setWordWrap(true);
    description->setGeometry(64, 66, 300, 36);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    ok->setGeometry(280, 112, 84, 26);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void frmAbout::set_title(const QString& title) { lblTitle_->setText(title); }
