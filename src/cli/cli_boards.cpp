#include "cli_boards.h"

#include "board.h"
#include "board_scan.h"
#include "i2c_bus.h"
#include "i2c_dev.h"
#include "sim_board.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <ostream>

namespace qrt58::cli {
namespace {

QString g_root;
std::function<std::unique_ptr<I2cDev>()> g_factory;

struct FoundBoard {
    QString choice;      // what --board and `qrt58cli board` take
    QString description; // what the status bar and the result lines say
    QString state;       // for adapters: whether a chip answers at 0x50
};

// Like `i2cdetect -l`, with one look at 0x50: a one-byte read there is what
// the board search does too. The computer's own buses are left alone (a
// memory module's or a monitor's EEPROM sits at 0x50 there).
QString probe_adapter(const I2cAdapterInfo& adapter) {
    if (is_host_adapter(adapter.name)) return QStringLiteral("the computer's own bus, not probed");
    std::unique_ptr<I2cDev> dev = g_factory ? g_factory() : std::make_unique<LinuxI2cDev>();
    QString reason;
    const int error = dev->open(adapter.path, &reason);
    if (error != 0)
        return QStringLiteral("cannot be opened: ") +
               (reason.isEmpty() ? i2c_open_reason(adapter.path, error) : reason);
    std::uint8_t byte = 0;
    I2cMessage probe{kEepromI2cAddress, true, &byte, 1};
    const int result = dev->transfer(&probe, 1);
    dev->close();
    return result == 0 ? QStringLiteral("a chip answers at 0x50") : QStringLiteral("no chip answers at 0x50");
}

std::vector<FoundBoard> find_boards() {
    std::vector<FoundBoard> out;
    out.push_back({QStringLiteral("sim"), QStringLiteral("Simulated receiver (%1)").arg(SimBoard::default_file()), {}});
    for (const QString& port : list_parports(g_root))
        out.push_back({QStringLiteral("ppdev:") + port, QStringLiteral("Parallel port ") + port, {}});
    for (const I2cAdapterInfo& a : list_i2c_adapters(g_root)) {
        const QString name = a.name.isEmpty() ? QStringLiteral("I2C ") + a.path
                                              : QStringLiteral("I2C %1 (%2)").arg(a.path, a.name);
        out.push_back({QStringLiteral("i2c:") + a.path, name, probe_adapter(a)});
    }
    return out;
}

} // namespace

void set_boards_root(const QString& root) { g_root = root; }
void set_i2c_dev_factory(std::function<std::unique_ptr<I2cDev>()> factory) { g_factory = std::move(factory); }

int cmd_boards(bool json, const CommandIo& io) {
    const std::vector<FoundBoard> boards = find_boards();
    if (json) {
        QJsonArray list;
        for (const FoundBoard& b : boards) {
            QJsonObject o{{"board", b.choice}, {"description", b.description}};
            if (!b.state.isEmpty()) o["chip"] = b.state;
            list.append(o);
        }
        io.out << QJsonDocument(QJsonObject{{"boards", list}}).toJson(QJsonDocument::Indented).toStdString();
        return 0;
    }
    int width = 0;
    for (const FoundBoard& b : boards) width = std::max(width, static_cast<int>(b.choice.size()));
    for (const FoundBoard& b : boards) {
        io.out << b.choice.leftJustified(width + 2).toStdString() << b.description.toStdString();
        if (!b.state.isEmpty()) io.out << ": " << b.state.toStdString();
        io.out << '\n';
    }
    // Only the simulated receiver: not an error, but worth a hint.
    if (boards.size() == 1)
        io.out << "No parallel port or I2C adapter found (/dev/parport*, /dev/i2c-*: sudo modprobe "
                  "ppdev or i2c-dev).\n";
    return 0;
}

int cmd_board(const QString& choice, const CommandIo& io) {
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
    save_board_choice(*settings, *parsed);
    settings->sync();
    if (settings->status() != QSettings::NoError)
        return fail(io.err, "board", "cannot keep the choice in " + settings->fileName().toStdString());
    io.out << "Board for the following runs: " << parsed->text().toStdString() << "  "
           << Board::create(*parsed)->description(true).toStdString() << '\n';
    return 0;
}

} // namespace qrt58::cli
