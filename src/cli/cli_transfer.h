// qrt58cli read / write / verify: the transfer engine with a terminal face.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace qrt58 {
class Clock;
}

namespace qrt58::cli {

// `command` is "read", "write" or "verify"; `args` the rest of the command line.
int cmd_transfer(const std::string& command, const std::vector<std::string>& args, std::ostream& out,
                 std::ostream& err);

// Test seam: the clock the board runs on (nullptr: the real steady clock).
void set_transfer_clock(Clock* clock);

} // namespace qrt58::cli
