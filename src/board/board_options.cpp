#include "board_options.h"

#include <QCommandLineParser>

namespace qrt58 {

void add_board_options(QCommandLineParser& parser) {
    parser.addOption({QStringLiteral("board"), board_option_help(), QStringLiteral("BOARD")});
    parser.addOption({QStringLiteral("line-delay"),
                      QStringLiteral("Bus line delay in microseconds, %1 to %2 (default %3; remembered "
                                     "after a run with it succeeded; not for i2c).")
                          .arg(kMinLineDelayUs)
                          .arg(kMaxLineDelayUs)
                          .arg(kDefaultLineDelayUs),
                      QStringLiteral("US")});
    parser.addOption(
        {QStringLiteral("trace-vcd"), QStringLiteral("Record SCL and SDA as a VCD file."), QStringLiteral("FILE")});
}

bool read_board_options(const QCommandLineParser& parser, BoardOptions& options, QString& error) {
    if (parser.isSet(QStringLiteral("board"))) {
        options.board = parse_board_choice(parser.value(QStringLiteral("board")), &error);
        if (!options.board) return false;
    }
    if (parser.isSet(QStringLiteral("line-delay"))) {
        const QString text = parser.value(QStringLiteral("line-delay"));
        bool ok = false;
        const int us = text.toInt(&ok);
        if (!ok || us < kMinLineDelayUs || us > kMaxLineDelayUs) {
            error = QStringLiteral("--line-delay takes microseconds from %1 to %2, not '%3'")
                        .arg(kMinLineDelayUs)
                        .arg(kMaxLineDelayUs)
                        .arg(text);
            return false;
        }
        options.line_delay_us = us;
    }
    if (parser.isSet(QStringLiteral("trace-vcd"))) options.trace_vcd = parser.value(QStringLiteral("trace-vcd"));
    return true;
}

} // namespace qrt58
