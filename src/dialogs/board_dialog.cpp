#include "board_dialog.h"

#include "board_scan.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QVBoxLayout>
#include <algorithm>

namespace qrt58 {

BoardDialog::BoardDialog(const BoardChoice& current, const QString& root, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("BoardDialog"));
    setWindowTitle(QStringLiteral("Programming Board"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Program receivers through:"), this));
    list = new QListWidget(this);
    list->setObjectName(QStringLiteral("lstBoards"));
    layout->addWidget(list);

    BoardChoice sim;
    if (current.kind == BoardChoice::Kind::Sim) sim.path = current.path;
    add(sim, QStringLiteral("Simulated board"));
    for (const QString& port : list_parports(root))
        add({BoardChoice::Kind::Ppdev, port}, QStringLiteral("Parallel port %1").arg(port));
    add({BoardChoice::Kind::I2c, QString()}, QStringLiteral("I2C adapter: the first one found"));
    for (const I2cAdapterInfo& a : list_i2c_adapters(root)) {
        QString caption = QStringLiteral("I2C adapter %1").arg(a.path);
        if (!a.name.isEmpty()) caption += QStringLiteral(": ") + a.name;
        if (is_host_adapter(a.name)) caption += QStringLiteral(" (a bus of the computer itself)");
        add({BoardChoice::Kind::I2c, a.path}, caption);
    }
    // A choice that is not on the machine now (or the raw port I/O) stays
    // selectable, so that OK never changes the board by itself.
    auto found = std::find(choices_.begin(), choices_.end(), current);
    if (found == choices_.end()) {
        add(current, QStringLiteral("Current choice"));
        found = choices_.end() - 1;
    }
    list->setCurrentRow(static_cast<int>(found - choices_.begin()));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(680, 300);
}

void BoardDialog::add(const BoardChoice& choice, const QString& caption) {
    choices_.push_back(choice);
    list->addItem(caption + QStringLiteral("  (") + choice.text() + QLatin1Char(')'));
}

BoardChoice BoardDialog::choice() const {
    const int row = list->currentRow();
    if (row < 0 || row >= static_cast<int>(choices_.size())) return choices_.front();
    return choices_[static_cast<std::size_t>(row)];
}

std::optional<BoardChoice> choose_board(QWidget* parent, const BoardChoice& current, QSettings& settings) {
    BoardDialog dialog(current, QString(), parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const BoardChoice chosen = dialog.choice();
    save_board_choice(settings, chosen);
    return chosen;
}

} // namespace qrt58
