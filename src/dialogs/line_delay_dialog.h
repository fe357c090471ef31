// The bus line-delay setting in the window: a small dialog with a spin box
// (10..100000 microseconds). The main window opens it from a menu item:
//   edit_line_delay(this, board.bus(), *open_board_settings());
#pragma once

#include <QDialog>

class QSettings;
class QSpinBox;

namespace qrt58 {

class EepromBus;

class LineDelayDialog : public QDialog {
    Q_OBJECT
public:
    explicit LineDelayDialog(int current_us, QWidget* parent = nullptr);
    int value() const;
    QSpinBox* spin;
};

// Takes `us` as the link's line delay and remembers it in `settings`.
void apply_line_delay(EepromBus& link, QSettings& settings, int us);
// Shows the dialog modally; on OK applies the new value. True when applied.
bool edit_line_delay(QWidget* parent, EepromBus& link, QSettings& settings);

} // namespace qrt58
