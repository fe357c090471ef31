// What the commands of qrt58cli share: their streams and how they fail.
#pragma once

#include "cli.h"

#include <functional>
#include <ostream>
#include <string>

namespace qrt58::cli {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// The streams of one command, with --quiet applied: `out` swallows everything
// when quiet, `err` keeps the errors.
struct CommandIo {
    std::istream& in;
    std::ostream& data; // standard output even when quiet: images read to "-"
    std::ostream& out;
    std::ostream& err;
    bool quiet = false;
    bool bar = false;               // draw the progress bar on `err`
    bool ask = false;               // production runs ask before each receiver
    bool out_terminal = false;      // standard output is a terminal
    std::function<int()> columns{}; // the width of the terminal on `err` (see Streams)
    // Where results go when standard output carries an image.
    std::ostream& notes() const { return quiet ? out : err; }
};

// A stream that swallows what is written to it and never fails.
std::ostream& null_stream();

// `text` cut to fit one line of a terminal `columns` wide (without its last
// column, where a terminal would wrap); 80 when the width is unknown.
std::string fit_to_terminal(const std::string& text, int columns);

// Prints "qrt58cli: COMMAND: message" and returns kExitFailed.
int fail(std::ostream& err, const std::string& command, const std::string& message);

} // namespace qrt58::cli
