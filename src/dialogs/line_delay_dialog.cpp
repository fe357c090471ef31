#include "line_delay_dialog.h"

#include "board.h"
#include "board_link.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

namespace qrt58 {

LineDelayDialog::LineDelayDialog(int current_us, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("LineDelayDialog"));
    setWindowTitle(QStringLiteral("Board Line Delay"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Bus line delay in microseconds (10 to 100000).\n"
                                            "Raise it when long cables make transfers fail."),
                             this);
    layout->addWidget(label);
    spin = new QSpinBox(this);
    spin->setObjectName(QStringLiteral("spinLineDelay"));
    spin->setRange(kMinLineDelayUs, kMaxLineDelayUs);
    spin->setSuffix(QStringLiteral(" us"));
    spin->setValue(current_us);
    layout->addWidget(spin);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

int LineDelayDialog::value() const { return spin->value(); }

void apply_line_delay(EepromBus& link, QSettings& settings, int us) {
    link.set_line_delay_us(us);
    BoardSettings values = load_board_settings(settings);
    values.line_delay_us = link.line_delay_us();
    save_board_settings(settings, values);
}

bool edit_line_delay(QWidget* parent, EepromBus& link, QSettings& settings) {
    LineDelayDialog dialog(link.line_delay_us(), parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    apply_line_delay(link, settings, dialog.value());
    return true;
}

} // namespace qrt58
