// qrt58cli set FILE NAME=VALUE...: settings changed by the editor window's own
// rules, its refusals turned into errors.
#pragma once

#include "cli_common.h"
#include "pager_table.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace qrt58::cli {

// Applies the assignments to `image`, lengths first, the rest in order. On the
// first refusal returns kExitFailed, or kExitUsage for a name that is not a
// setting or text that is not NAME=VALUE, with `error` set ("NAME=VALUE:
// reason"); `image` may then be partly changed, so callers work on a copy.
int apply_assignments(PagerTable& image, const std::vector<std::string>& assignments, std::string& error);

// The names `set` accepts, one a line with what they take.
void print_set_names(std::ostream& out);

// Loads FILE, applies every assignment and saves FILE atomically only when all
// of them were accepted.
int cmd_set(const std::string& file, const std::vector<std::string>& assignments, const CommandIo& io);

} // namespace qrt58::cli
