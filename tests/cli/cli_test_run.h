// One qrt58cli command line through the library entry point, for the tests.
#pragma once

#include "cli.h"

#include <sstream>
#include <string>
#include <vector>

struct CliRun {
    int status;
    std::string out, err;
};

inline CliRun run_cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = qrt58::cli::run(args, out, err);
    return {status, out.str(), err.str()};
}
