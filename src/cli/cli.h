// qrt58cli: the programmer's core without a window.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace qrt58::cli {

// Where a command line reads and writes.
struct Streams {
    std::istream& in;             // images given as "-"
    std::ostream& out;            // listings, results, images read to "-"
    std::ostream& err;            // errors and the progress bar
    bool err_is_terminal = false; // the progress bar is drawn only on a terminal
    bool in_is_terminal = false;  // production runs ask before each receiver
    bool out_is_terminal = false; // `read -` refuses to put the image on a terminal
    // The width of the terminal on `err` now (it may change while a job runs);
    // unset or 0: unknown.
    std::function<int()> err_columns{};
};

// Runs one command line (args without the program name). Exit status: 0 done,
// 1 the work failed (one line on `err` says why), 2 a usage error (one line).
int run(const std::vector<std::string>& args, const Streams& streams);
// The same with standard input and neither stream a terminal.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace qrt58::cli
