#include "board_dialog.h"

#include "board_kinds.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QVBoxLayout>
#include <algorithm>

namespace qrt58 {

BoardDialog::BoardDialog(const BoardChoice& current, const QString& root, QWidget* parent)
    : QDialog(parent), root_(root) {
    setObjectName(QStringLiteral("BoardDialog"));
    setWindowTitle(QStringLiteral("Programming Board"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Program receivers through:"), this));
    list = new QListWidget(this);
    list->setObjectName(QStringLiteral("lstBoards"));
    layout->addWidget(list);
    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setWordWrap(true);
    layout->addWidget(lblProblem);

    // What the machine has; a kind of which nothing was found is a line that
    // says so and cannot be chosen.
    for (const FoundBoard& found : find_boards(BoardScan{root, {}})) {
        const QString text = found.note.isEmpty() ? found.title : found.title + QStringLiteral(": ") + found.note;
        add(found.choice, text, found.usable);
    }
    // The current choice when the machine does not offer it now (another
    // simulated file, raw port I/O, an adapter unplugged): selected, so that
    // OK never changes the board by itself, and marked when it is missing.
    auto found = std::find(choices_.begin(), choices_.end(), current);
    if (found == choices_.end()) {
        const QString absent = board_absence(current, root);
        add(current, QStringLiteral("Current choice") + (absent.isEmpty() ? QString() : QStringLiteral(": ") + absent),
            true);
        found = choices_.end() - 1;
    }
    list->setCurrentRow(static_cast<int>(found - choices_.begin()));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(list, &QListWidget::currentRowChanged, lblProblem, &QLabel::clear);
    layout->addWidget(buttons);
    resize(680, 300);
}

void BoardDialog::add(const BoardChoice& choice, const QString& caption, bool usable) {
    choices_.push_back(choice);
    auto* item = new QListWidgetItem(caption + QStringLiteral("  (") + choice.text() + QLatin1Char(')'), list);
    if (!usable) item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
}

BoardChoice BoardDialog::choice() const {
    const int row = list->currentRow();
    if (row < 0 || row >= static_cast<int>(choices_.size())) return choices_.front();
    return choices_[static_cast<std::size_t>(row)];
}

void BoardDialog::accept() {
    // A board that is not on the machine is not kept: the status bar would
    // name a board that cannot start.
    const BoardChoice chosen = choice();
    const QListWidgetItem* item = list->currentItem();
    QString absent = board_absence(chosen, root_);
    if (absent.isEmpty() && item && !(item->flags() & Qt::ItemIsEnabled)) absent = QStringLiteral("none found");
    if (!absent.isEmpty()) {
        lblProblem->setText(QStringLiteral("%1: %2. Choose a board this machine has.").arg(chosen.text(), absent));
        return;
    }
    QDialog::accept();
}

std::optional<BoardChoice> choose_board(QWidget* parent, const BoardChoice& current, QSettings& settings) {
    BoardDialog dialog(current, QString(), parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const BoardChoice chosen = dialog.choice();
    save_board_choice(settings, chosen);
    return chosen;
}

} // namespace qrt58
