// Options > "Board...": lists the simulated board, the parallel ports
// (/dev/parport*) and the I2C adapters (/dev/i2c-* with the adapter's name)
// found on the machine; the choice is kept in the settings.
//   if (auto c = choose_board(this, current, settings)) use *c;
#pragma once

#include "board.h"

#include <QDialog>
#include <optional>
#include <vector>

class QListWidget;
class QSettings;

namespace qrt58 {

class BoardDialog : public QDialog {
    Q_OBJECT
public:
    // `root` prefixes /dev and /sys when looking for devices (tests).
    explicit BoardDialog(const BoardChoice& current, const QString& root = QString(), QWidget* parent = nullptr);
    // The selected entry.
    BoardChoice choice() const;
    const std::vector<BoardChoice>& choices() const { return choices_; }

    QListWidget* list;

private:
    void add(const BoardChoice& choice, const QString& caption);

    std::vector<BoardChoice> choices_;
};

// Shows the dialog modally; on OK keeps the choice in `settings` and returns it.
std::optional<BoardChoice> choose_board(QWidget* parent, const BoardChoice& current, QSettings& settings);

} // namespace qrt58
