// Options > "Board...": lists the boards found on the machine (find_boards:
// the simulated board, the parallel ports, the I2C adapters with their names),
// each kind of which none was found as a line that says so; a board that is
// not on the machine is not kept. The choice is kept in the settings.
//   if (auto c = choose_board(this, current, settings)) use *c;
#pragma once

#include "board.h"

#include <QDialog>
#include <optional>
#include <vector>

class QLabel;
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
    // OK: refused (with the reason under the list) for a board that is not on
    // the machine now.
    void accept() override;

    QListWidget* list;
    QLabel* lblProblem;

private:
    void add(const BoardChoice& choice, const QString& caption, bool usable);

    QString root_;
    std::vector<BoardChoice> choices_;
};

// Shows the dialog modally; on OK keeps the choice in `settings` and returns it.
std::optional<BoardChoice> choose_board(QWidget* parent, const BoardChoice& current, QSettings& settings);

} // namespace qrt58
