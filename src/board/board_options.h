// The board options both programs take on their command line:
//   --board BOARD (one of the kinds of board_kinds.h)
//   --line-delay MICROSECONDS
//   --trace-vcd FILE
#pragma once

#include "board.h"

#include <QString>

class QCommandLineParser;

namespace qrt58 {

// Adds the three options to `parser`.
void add_board_options(QCommandLineParser& parser);

// Reads them back from a parser that has parsed its arguments. False with
// `error` set (one line) on a bad board text or line delay.
bool read_board_options(const QCommandLineParser& parser, BoardOptions& options, QString& error);

} // namespace qrt58
