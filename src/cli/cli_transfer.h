// qrt58cli read / write / verify: the transfer engine with a terminal face.
#pragma once

#include "board.h"
#include "cli_common.h"

#include <QString>
#include <string>

namespace qrt58 {
class Clock;
}

namespace qrt58::cli {

struct TransferRequest {
    std::string command;      // "read", "write" or "verify"
    std::string file;         // "-": standard output (read) or standard input
    int count = 0;            // write: receivers of a production run, 0 for one plain write
    QString log;              // write: production log (CSV), empty for none
    QString registry;         // write --count: the registry (--registry), empty for the usual order
    bool no_registry = false; // write --count: this run goes without the registry
    BoardOptions options;
    bool verbose = false; // the board's steps on standard error
    bool json = false;    // verify: one JSON document on standard output
};

int cmd_transfer(const TransferRequest& request, const CommandIo& io);

// Test seam: the clock the board runs on (nullptr: the real steady clock).
void set_transfer_clock(Clock* clock);

} // namespace qrt58::cli
