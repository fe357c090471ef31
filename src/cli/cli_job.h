// qrt58cli job run and qrt58cli registry: production from a job list on one or
// more boards, recorded in the production registry.
#pragma once

#include "board.h"
#include "cli_common.h"

#include <QString>
#include <QStringList>
#include <string>

namespace qrt58::cli {

struct JobRequest {
    std::string base; // BASE.tbl
    QString range;    // FIRST:COUNT[:STEP], or
    QString rows;     // ROWS.csv
    QString job, station, registry;
    std::vector<BoardChoice> boards; // empty: the remembered board
    BoardOptions options;            // --line-delay, --trace-vcd
    bool virtual_clock = false;      // simulated boards skip the real waiting
};

int cmd_job_run(const JobRequest& request, const CommandIo& io);

// registry release CAPCODE | export --csv | show CAPCODE
// (release --scrapped: also the capcodes of a receiver programmed ok.)
int cmd_registry(const QString& action, const QStringList& args, const QString& registry, bool csv, bool scrapped,
                 const CommandIo& io);

} // namespace qrt58::cli
