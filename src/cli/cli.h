// qrt58cli: the programmer's core without a window.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace qrt58::cli {

// Runs one command line (args without the program name). Normal output goes to
// `out`; a failure prints one line to `err` and returns non-zero.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace qrt58::cli
