#include "cli_boards.h"

#include "board.h"
#include "board_kinds.h"
#include "i2c_dev.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <ostream>

namespace qrt58::cli {
namespace {

QString g_root;
std::function<std::unique_ptr<I2cDev>()> g_factory;

} // namespace

void set_boards_root(const QString& root) { g_root = root; }
void set_i2c_dev_factory(std::function<std::unique_ptr<I2cDev>()> factory) { g_factory = std::move(factory); }

int cmd_boards(bool json, const CommandIo& io) {
    BoardScan scan{g_root, g_factory};
    if (!scan.probe) scan.probe = [] { return std::make_unique<LinuxI2cDev>(); };
    const std::vector<FoundBoard> boards = find_boards(scan);
    if (json) {
        QJsonArray list;
        for (const FoundBoard& b : boards) {
            if (!b.usable) continue;
            QJsonObject o{{"board", b.choice.text()}, {"description", b.title}};
            if (!b.note.isEmpty()) o["chip"] = b.note;
            list.append(o);
        }
        QJsonArray kinds;
        for (const BoardKind& k : board_kinds()) {
            QJsonObject o{{"kind", k.name},
                          {"syntax", k.syntax},
                          {"description", k.description},
                          {"simulated", k.simulated},
                          {"searched", k.find != nullptr}};
            for (const FoundBoard& b : boards)
                if (!b.usable && b.choice.kind == &k) o["none_found"] = b.note;
            kinds.append(o);
        }
        io.out << QJsonDocument(QJsonObject{{"boards", list}, {"kinds", kinds}})
                      .toJson(QJsonDocument::Indented)
                      .toStdString();
        return 0;
    }
    // The boards found, BOARD first as --board takes it; then the kinds.
    int width = 0;
    for (const FoundBoard& b : boards) width = std::max(width, static_cast<int>(b.choice.text().size()));
    for (const FoundBoard& b : boards) {
        io.out << b.choice.text().leftJustified(width + 2).toStdString() << b.title.toStdString();
        if (!b.note.isEmpty()) io.out << ": " << b.note.toStdString();
        io.out << '\n';
    }
    int syntax_width = 0;
    for (const BoardKind& k : board_kinds()) syntax_width = std::max(syntax_width, static_cast<int>(k.syntax.size()));
    io.out << "\nKinds of board (BOARD for --board and qrt58cli board):\n";
    for (const BoardKind& k : board_kinds())
        io.out << "  " << k.syntax.leftJustified(syntax_width + 2).toStdString() << k.description.toStdString() << '\n';
    return 0;
}

int cmd_board(const QString& choice, bool force, const CommandIo& io) {
    auto settings = open_board_settings();
    if (choice.isEmpty()) {
        const BoardChoice current = load_board_settings(*settings).choice;
        const auto board = Board::create(current);
        io.out << current.text().toStdString() << "  " << board->description(true).toStdString();
        if (!board_choice_made(*settings)) io.out << " (no board chosen yet)";
        io.out << '\n';
        return 0;
    }
    QString error;
    const std::optional<BoardChoice> parsed = parse_board_choice(choice, &error);
    if (!parsed) {
        io.err << "qrt58cli: board: " << error.toStdString() << '\n';
        return kExitUsage;
    }
    // A board that is not on the machine is kept only when asked to.
    if (const QString absent = board_absence(*parsed, g_root); !absent.isEmpty()) {
        if (!force)
            return fail(io.err, "board",
                        parsed->text().toStdString() + ": " + absent.toStdString() +
                            "; not kept (qrt58cli boards lists this machine's boards; --force keeps it anyway)");
        io.err << "qrt58cli: board: warning: " << parsed->text().toStdString() << ": " << absent.toStdString() << '\n';
    }
    save_board_choice(*settings, *parsed);
    settings->sync();
    if (settings->status() != QSettings::NoError)
        return fail(io.err, "board", "cannot keep the choice in " + settings->fileName().toStdString());
    io.out << "Board for the following runs: " << parsed->text().toStdString() << "  "
           << Board::create(*parsed)->description(true).toStdString() << '\n';
    return 0;
}

} // namespace qrt58::cli
