// qrt58cli boards: the programming boards the machine offers; qrt58cli board:
// the remembered choice.
#pragma once

#include "cli_common.h"

#include <QString>
#include <functional>
#include <memory>

namespace qrt58 {
class I2cDev;
}

namespace qrt58::cli {

int cmd_boards(bool json, const CommandIo& io);
// Without `choice`: the board in use. With it: keeps it for the following
// runs; one that is not on the machine now is refused, or kept with a warning
// when `force`.
int cmd_board(const QString& choice, bool force, const CommandIo& io);

// Test seams: the folder standing for / (its dev and sys), and the i2c-dev
// used to ask an adapter whether a chip answers at 0x50.
void set_boards_root(const QString& root);
void set_i2c_dev_factory(std::function<std::unique_ptr<I2cDev>()> factory);

} // namespace qrt58::cli
