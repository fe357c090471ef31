#include "board_kinds.h"

#include "board_backend.h"
#include "board_scan.h"
#include "i2c_bus.h"
#include "i2c_dev.h"
#include "io_driver.h"
#include "ppdev_driver.h"
#include "sim_board.h"
#include "sim_i2c.h"

#include <QFileInfo>
#include <algorithm>

namespace qrt58 {

namespace {

QString file_name(const QString& file, bool full) { return full ? file : QFileInfo(file).fileName(); }

// ---- how boards are found ----------------------------------------------------------

void find_parports(const BoardScan& scan, std::vector<FoundBoard>& out) {
    const QStringList ports = list_parports(scan.root);
    for (const QString& port : ports) {
        const BoardChoice choice{find_board_kind(QStringLiteral("ppdev")), port};
        out.push_back({choice, choice.kind->title(port, true, scan.root), QString(), true});
    }
    if (ports.isEmpty())
        out.push_back({*parse_board_choice(QStringLiteral("ppdev")), QStringLiteral("Parallel port"),
                       QStringLiteral("none found (/dev/parport*: sudo modprobe ppdev)"), false});
}

// Like `i2cdetect -l`, with one look at 0x50 when asked: a one-byte read there
// is what the board search does too. The computer's own buses are left alone
// (a memory module's or a monitor's EEPROM sits at 0x50 there).
QString probe_adapter(const BoardScan& scan, const I2cAdapterInfo& adapter) {
    if (is_host_adapter(adapter.name))
        return scan.probe ? QStringLiteral("the computer's own bus, not probed")
                          : QStringLiteral("the computer's own bus");
    if (!scan.probe) return QString();
    std::unique_ptr<I2cDev> dev = scan.probe();
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

void find_adapters(const BoardScan& scan, std::vector<FoundBoard>& out) {
    const BoardKind* i2c = find_board_kind(QStringLiteral("i2c"));
    // The adapter the board takes when none is named, then every adapter.
    const QString first = default_i2c_adapter(scan.root);
    if (first.isEmpty())
        out.push_back({{i2c, QString()},
                       i2c->title(QString(), true, scan.root),
                       QStringLiteral("none found") + no_i2c_adapter_detail(scan.root),
                       false});
    else
        out.push_back({{i2c, QString()}, i2c->title(QString(), true, scan.root), QStringLiteral("now ") + first, true});
    for (const I2cAdapterInfo& a : list_i2c_adapters(scan.root))
        out.push_back({{i2c, a.path}, i2c->title(a.path, true, scan.root), probe_adapter(scan, a), true});
}

void find_simulated(const BoardScan& scan, std::vector<FoundBoard>& out) {
    const BoardChoice choice{find_board_kind(QStringLiteral("sim")), QString()};
    out.push_back({choice, choice.kind->title(choice.memory_file(), true, scan.root), QString(), true});
}

// ---- how boards are named ----------------------------------------------------------

QString i2c_title(const QString& device, bool, const QString& root) {
    if (device.isEmpty()) return QStringLiteral("I2C (first adapter found)");
    for (const I2cAdapterInfo& a : list_i2c_adapters(root))
        if (a.path == device && !a.name.isEmpty()) return QStringLiteral("I2C %1 (%2)").arg(device, a.name);
    return QStringLiteral("I2C ") + device;
}

// ---- the table ---------------------------------------------------------------------

std::vector<BoardKind> make_table() {
    std::vector<BoardKind> kinds;
    kinds.push_back(
        {QStringLiteral("sim"), QStringLiteral("sim[:FILE]"),
         QStringLiteral("a simulated board whose receiver keeps its memory in FILE (default: sim-eeprom.bin in the "
                        "data folder)"),
         BoardPath::File, true, &SimBoard::default_file, &find_simulated,
         [](const QString& file, Clock& clock, bool) {
             return make_port_board(std::make_unique<SimBoard>(clock, file), clock);
         },
         [](const QString& file, bool full, const QString&) {
             return QStringLiteral("Simulated receiver (%1)").arg(file_name(file, full));
         },
         [](const QString& file) { return QStringLiteral("(simulated receiver %1)").arg(file); }});
    kinds.push_back(
        {QStringLiteral("ppdev"), QStringLiteral("ppdev[:/dev/parportN]"),
         QStringLiteral("a parallel port through Linux ppdev (group lp, no root), every port found when no device "
                        "is named"),
         BoardPath::Device, false, nullptr, &find_parports,
         [](const QString& device, Clock& clock, bool) {
             return make_port_board(std::make_unique<PpdevDriver>(device), clock);
         },
         [](const QString& device, bool, const QString&) {
             return device.isEmpty() ? QStringLiteral("Parallel port (any /dev/parport*)")
                                     : QStringLiteral("Parallel port ") + device;
         },
         nullptr});
    kinds.push_back(
        {QStringLiteral("io"), QStringLiteral("io"),
         QStringLiteral("raw port I/O at 0x378, 0x278 and 0x3BC (x86, as root)"), BoardPath::None, false, nullptr,
         nullptr,
         [](const QString&, Clock& clock, bool) { return make_port_board(std::make_unique<IoDriver>(), clock); },
         [](const QString&, bool, const QString&) { return QStringLiteral("Parallel port I/O (0x378, 0x278, 0x3BC)"); },
         nullptr});
    kinds.push_back(
        {QStringLiteral("i2c"), QStringLiteral("i2c[:/dev/i2c-N]"),
         QStringLiteral("a Linux I2C adapter (group i2c), the first one found that is not one of the computer's "
                        "own buses when no device is named"),
         BoardPath::Device, false, nullptr, &find_adapters,
         [](const QString& device, Clock& clock, bool) {
             return make_adapter_board(std::make_unique<LinuxI2cDev>(), clock, device);
         },
         &i2c_title, nullptr});
    kinds.push_back(
        {QStringLiteral("sim-i2c"), QStringLiteral("sim-i2c[:FILE]"),
         QStringLiteral("a simulated I2C adapter (100 kHz) whose receiver keeps its memory in FILE (default: "
                        "sim-i2c-eeprom.bin in the data folder)"),
         BoardPath::File, true, &SimI2cFileAdapter::default_file, nullptr,
         [](const QString& file, Clock& clock, bool real_clock) {
             auto adapter = std::make_unique<SimI2cFileAdapter>(clock, file);
             adapter->blocking = real_clock;
             return make_adapter_board(std::move(adapter), clock, file);
         },
         [](const QString& file, bool full, const QString&) {
             return QStringLiteral("Simulated receiver on I2C (%1)").arg(file_name(file, full));
         },
         [](const QString& file) { return QStringLiteral("(simulated receiver %1 on I2C)").arg(file); }});
    return kinds;
}

} // namespace

const std::vector<BoardKind>& board_kinds() {
    static const std::vector<BoardKind> kinds = make_table();
    return kinds;
}

const BoardKind& default_board_kind() { return board_kinds().front(); }

const BoardKind* find_board_kind(const QString& name) {
    for (const BoardKind& kind : board_kinds())
        if (kind.name == name) return &kind;
    return nullptr;
}

QString BoardChoice::text() const { return path.isEmpty() ? kind->name : kind->name + ':' + path; }

QString BoardChoice::memory_file() const {
    if (!kind->simulated) return QString();
    return path.isEmpty() && kind->default_file ? kind->default_file() : path;
}

bool BoardChoice::simulated() const { return kind->simulated; }

std::optional<BoardChoice> parse_board_choice(const QString& text, QString* error) {
    const int colon = text.indexOf(':');
    const QString name = colon < 0 ? text : text.left(colon);
    BoardChoice c;
    c.kind = find_board_kind(name);
    c.path = colon < 0 ? QString() : text.mid(colon + 1);
    if (c.kind && (c.kind->path != BoardPath::None || colon < 0)) return c;
    if (error)
        *error = QStringLiteral("unknown board '%1' (use %2)").arg(text, board_kind_syntaxes(QStringLiteral(", ")));
    return std::nullopt;
}

QString board_kind_syntaxes(const QString& separator) {
    QStringList list;
    for (const BoardKind& kind : board_kinds()) list << kind.syntax;
    return list.join(separator);
}

QString board_option_help() {
    QStringList kinds;
    for (const BoardKind& kind : board_kinds()) kinds << kind.syntax + QStringLiteral(": ") + kind.description;
    return QStringLiteral("The programming board for this run only (the board of every run is chosen with Options > "
                          "Board... or qrt58cli board): ") +
           kinds.join(QStringLiteral("; ")) + QLatin1Char('.');
}

std::vector<FoundBoard> find_boards(const BoardScan& scan) {
    std::vector<FoundBoard> out;
    for (const BoardKind& kind : board_kinds())
        if (kind.find) kind.find(scan, out);
    return out;
}

QString board_absence(const BoardChoice& choice, const QString& root) {
    if (choice.kind->path == BoardPath::Device && !choice.path.isEmpty())
        return QFileInfo::exists(root + choice.path) ? QString() : choice.path + QStringLiteral(" does not exist");
    if (!choice.kind->find) return QString();
    std::vector<FoundBoard> found;
    choice.kind->find(BoardScan{root, {}}, found);
    QString none;
    for (const FoundBoard& f : found) {
        if (f.choice == choice) return f.usable ? QString() : f.note;
        if (f.usable && f.choice.kind == choice.kind) return QString();
        if (!f.usable) none = f.note;
    }
    return none;
}

} // namespace qrt58
