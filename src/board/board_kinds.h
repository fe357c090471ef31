// The kinds of programming board, one row each: what `--board` takes, what the
// help and the lists say about it, how the machine is searched for boards of
// the kind and how one is made. The help texts of both programs, `qrt58cli
// boards`, Options > Board... and the job station are made from this table; a
// new kind is one more row (board_kinds.cpp) and its driver files.
#pragma once

#include "port_driver.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qrt58 {

class BoardBackend;
class Clock;
class I2cDev;
struct BoardKind;

// The first row (the simulated board): what is used when nothing was chosen.
const BoardKind& default_board_kind();

// One board: a kind and what follows the colon (a file or a device; empty for
// the kind's default).
struct BoardChoice {
    const BoardKind* kind = &default_board_kind();
    QString path;
    // "sim", "ppdev:/dev/parport0": what --board takes.
    QString text() const;
    // The file a simulated board keeps the receiver's memory in (the kind's
    // default file when no path is given); empty for a real board.
    QString memory_file() const;
    bool simulated() const;
    bool operator==(const BoardChoice& o) const { return kind == o.kind && path == o.path; }
    bool operator!=(const BoardChoice& o) const { return !(*this == o); }
};
std::optional<BoardChoice> parse_board_choice(const QString& text, QString* error = nullptr);

// What the machine offers, as the board search found it.
struct FoundBoard {
    BoardChoice choice;
    QString title; // how the status bar names it
    QString note;  // "a chip answers at 0x50", "the computer's own bus", "none found (...)"
    // False for the line that stands for a kind of which nothing was found.
    bool usable = true;
};

// Where and how the boards are searched.
struct BoardScan {
    QString root; // prefixes /dev and /sys (tests); empty: /
    // When set, each I2C adapter that is not one of the computer's own buses
    // is opened through it and asked whether a chip answers at 0x50.
    std::function<std::unique_ptr<I2cDev>()> probe;
};

// What follows the colon.
enum class BoardPath {
    None,   // nothing (io)
    File,   // a file, made when missing (the simulated boards)
    Device, // a device node that must exist
};

struct BoardKind {
    QString name;        // before the colon: "sim"
    QString syntax;      // "sim[:FILE]"
    QString description; // what the help says it is
    BoardPath path;
    bool simulated; // no hardware: the receiver is a file of this machine
    // The file used when a simulated board names none.
    QString (*default_file)();
    // How boards of the kind are found: appends them in order, or one line
    // that is not usable and says why none was found. nullptr: the kind is
    // only named, never searched for.
    void (*find)(const BoardScan& scan, std::vector<FoundBoard>& out);
    // How one is made. `device` is the path given (or the default file);
    // `real_clock` says whether `clock` is the program's steady clock.
    std::unique_ptr<BoardBackend> (*make)(const QString& device, Clock& clock, bool real_clock);
    // How the status bar names one ("Parallel port /dev/parport0"). `device`:
    // what the board uses (the memory file, the adapter it found); `full`:
    // a file with its folder; `root` prefixes /sys.
    QString (*title)(const QString& device, bool full, const QString& root);
    // What a result line adds for a simulated board ("(simulated receiver FILE)");
    // nullptr: the title in parentheses.
    QString (*result_suffix)(const QString& device);
};

// The table, in the order of the help and the lists.
const std::vector<BoardKind>& board_kinds();
const BoardKind* find_board_kind(const QString& name);

// "sim[:FILE], ppdev[:/dev/parportN], io, ..." (every syntax, joined by `separator`).
QString board_kind_syntaxes(const QString& separator = QStringLiteral(", "));
// The help of --board: for this run only, then each kind with its description.
QString board_option_help();

// Every board of every kind found on the machine, in table order.
std::vector<FoundBoard> find_boards(const BoardScan& scan = {});
// Why `choice` is not on this machine now ("/dev/parport9 does not exist",
// "none found (...)"); empty when it is, or when that cannot be told without
// starting it (raw port I/O).
QString board_absence(const BoardChoice& choice, const QString& root = QString());

} // namespace qrt58
