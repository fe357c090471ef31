// qrt58prog: the programmer window.
//   qrt58prog [--board sim[:FILE]|ppdev[:/dev/parportN]|io|i2c[:/dev/i2c-N]] [--line-delay US]
//             [--trace-vcd FILE]
#include "board.h"
#include "board_dialog.h"
#include "editors.h"
#include "form1.h"
#include "form2.h"
#include "line_delay_dialog.h"
#include "ui_seams.h"

#include <QAction>
#include <QApplication>
#include <QSettings>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: qrt58prog [--board sim[:FILE]|ppdev[:/dev/parportN]|io|i2c[:/dev/i2c-N]]\n"
    "                 [--line-delay US]\n"
    "                 [--trace-vcd FILE]\n";

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv); // takes Qt's own options out of argv
    QApplication::setApplicationName(QStringLiteral("QRT58"));
    QApplication::setOrganizationName(QStringLiteral("Norvale"));

    std::vector<std::string> args(argv + 1, argv + argc);
    for (const auto& a : args)
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
    qrt58::BoardOptions options;
    std::string error;
    if (!qrt58::take_board_options(args, options, error)) {
        std::fprintf(stderr, "qrt58prog: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    if (!args.empty()) {
        std::fprintf(stderr, "qrt58prog: unknown argument '%s'\n%s", args.front().c_str(), kUsage);
        return 2;
    }
    // The same store as qrt58cli's (QRT58_SETTINGS=FILE names an INI file instead).
    const std::unique_ptr<QSettings> settings = qrt58::open_board_settings();
    const qrt58::BoardSettings board_settings = qrt58::resolve_board_settings(options, *settings);
    std::unique_ptr<qrt58::Board> board = qrt58::Board::create(board_settings.choice);

    Form1 w;
    qrt58::BoardChoice board_choice = board_settings.choice;
    int line_delay_us = board_settings.line_delay_us;
    // The board's bus: line delay, event pump, message box; the line-delay
    // setting is offered only where the bus has one.
    const auto set_up_bus = [&] {
        qrt58::EepromBus& bus = board->bus();
        bus.set_line_delay_us(line_delay_us);
        bus.set_event_pump([] { QCoreApplication::processEvents(); });
        bus.set_message_sink([&w](const QString& text) { qrt58::message_boxes().warning(&w, text); });
        if (auto* item = w.findChild<QAction*>(QStringLiteral("mnuLineDelay"))) item->setEnabled(bus.has_line_delay());
    };
    set_up_bus();

    Form1::BoardHooks hooks;
    hooks.start_driver = [&] {
        const qrt58::DriverStatus status = board->start_driver();
        // A board given on the command line is kept for the next start only
        // when its driver starts.
        if (status.ok) qrt58::remember_board_choice(*settings, options);
        else qrt58::message_boxes().warning(&w, status.error);
        if (!options.trace_vcd.isEmpty() && !board->start_trace(options.trace_vcd))
            qrt58::message_boxes().warning(&w, board->trace_error());
    };
    hooks.board_startup = [&] {
        // ... and a line delay when the board answered with it.
        if (board->start_up()) qrt58::remember_line_delay(*settings, options);
    };
    hooks.keep_alive = [&] { board->bus().idle_tick(); };
    hooks.stop_driver = [&] {
        const qrt58::DriverStatus status = board->stop_driver();
        if (!status.ok) qrt58::message_boxes().warning(&w, status.error);
    };
    hooks.show_transfer = [&](int mode) {
        Form2 dialog(board->bus(), w, mode, &w);
        dialog.exec();
    };
    hooks.edit_line_delay = [&] { qrt58::edit_line_delay(&w, board->bus(), *settings); };
    hooks.choose_board = [&] {
        // The chosen board is kept in the settings and taken into use at once.
        const std::optional<qrt58::BoardChoice> chosen = qrt58::choose_board(&w, board_choice, *settings);
        if (!chosen || *chosen == board_choice) return;
        if (board->bus().has_line_delay()) line_delay_us = board->bus().line_delay_us();
        const qrt58::DriverStatus stopped = board->stop_driver();
        if (!stopped.ok) qrt58::message_boxes().warning(&w, stopped.error);
        board_choice = *chosen;
        board = qrt58::Board::create(board_choice);
        set_up_bus();
        const qrt58::DriverStatus started = board->start_driver();
        if (!started.ok) qrt58::message_boxes().warning(&w, started.error);
        board->start_up();
    };
    w.set_board_hooks(hooks);
    w.set_settings(settings.get()); // remembers the folder of the file dialogs
    qrt58::editors::attach_editors(w);

    // The window comes up first; the board is searched once it has painted.
    w.form_load(Form1::BoardStart::AfterShow);
    w.show();
    return QApplication::exec();
}
