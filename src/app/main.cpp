// qrt58prog: the programmer window.
//   qrt58prog [--board BOARD] [--line-delay US] [--trace-vcd FILE] [--help] [--version] [FILE]
#include "board.h"
#include "board_dialog.h"
#include "board_options.h"
#include "editors.h"
#include "form1.h"
#include "form2.h"
#include "line_delay_dialog.h"
#include "job_dialog.h"
#include "cli_set.h"
#include "pager_table.h"
#include "ui_seams.h"

#include <QAction>
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>

namespace {

void add_help_and_version(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral("The QRT58 pager programmer window."));
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")},
                      QStringLiteral("Show this help and exit.")});
    parser.addOption({{QStringLiteral("V"), QStringLiteral("version")},
                      QStringLiteral("Show the version and exit.")});
    qrt58::add_board_options(parser);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A table file to open instead of the default table."),
                                 QStringLiteral("[FILE]"));
}

// --help and --version are answered before the window system starts, so that
// they work without a display. Returns the exit status, or -1 to go on.
int answer_help_or_version(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const bool help =
        args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
    const bool version =
        args.contains(QStringLiteral("--version")) || args.contains(QStringLiteral("-V"));
    if (!help && !version) return -1;
    QCommandLineParser parser;
    add_help_and_version(parser);
    if (help) {
        QString text = parser.helpText();
        text = QStringLiteral("Usage: qrt58prog [OPTIONS] [FILE]\n") + text.mid(text.indexOf(QLatin1Char('\n')));
        std::fputs(text.toLocal8Bit().constData(), stdout);
    } else {
        std::printf("qrt58prog %s\n", qrt58::ver_str.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (const int status = answer_help_or_version(argc, argv); status >= 0) return status;
    QApplication app(argc, argv); // takes Qt's own options out of argv
    QApplication::setApplicationName(QStringLiteral("QRT58"));
    QApplication::setOrganizationName(QStringLiteral("Norvale"));

    QCommandLineParser parser;
    add_help_and_version(parser);
    qrt58::BoardOptions options;
    QString error;
    if (!parser.parse(QCoreApplication::arguments())) {
        error = parser.errorText();
    } else if (parser.positionalArguments().size() > 1) {
        error = QStringLiteral("more than one file given ('%1')").arg(parser.positionalArguments().at(1));
    } else {
        qrt58::read_board_options(parser, options, error);
    }
    if (!error.isEmpty()) {
        std::fprintf(stderr, "qrt58prog: %s (see qrt58prog --help)\n",
                     error.toLocal8Bit().constData());
        return 2;
    }
    // The same store as qrt58cli's (QRT58_SETTINGS=FILE names an INI file instead).
    const std::unique_ptr<QSettings> settings = qrt58::open_board_settings();
    const qrt58::BoardSettings board_settings = qrt58::resolve_board_settings(options, *settings);
    std::unique_ptr<qrt58::Board> board = qrt58::Board::create(board_settings.choice);
    // With no board chosen yet (and none given for this run) the simulated
    // receiver is used, and the status bar says so.
    const bool no_choice = !options.board && !qrt58::board_choice_made(*settings);

    Form1 w;
    if (!parser.positionalArguments().isEmpty())
        w.start_file = QFileInfo(parser.positionalArguments().constFirst()).absoluteFilePath();
    // The board in use, and whether it answered its last search.
    const auto show_board = [&](const QString& state) {
        w.set_board_status(board->description() + QStringLiteral(" \u2014 ") + state);
    };
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
        if (!status.ok) qrt58::message_boxes().warning(&w, status.error);
        show_board(status.ok ? QStringLiteral("searching...") : QStringLiteral("not started"));
        if (!options.trace_vcd.isEmpty() && !board->start_trace(options.trace_vcd))
            qrt58::message_boxes().warning(&w, board->trace_error());
    };
    hooks.board_startup = [&] {
        // A line delay given for this run is kept when the board answered with it.
        const bool found = board->start_up();
        if (found) qrt58::remember_line_delay(*settings, options);
        show_board(found ? QStringLiteral("answered") : QStringLiteral("not responding"));
    };
    hooks.keep_alive = [&] { board->bus().idle_tick(); };
    hooks.stop_driver = [&] {
        const qrt58::DriverStatus status = board->stop_driver();
        if (!status.ok) qrt58::message_boxes().warning(&w, status.error);
    };
    hooks.show_transfer = [&](int mode) {
        Form2 dialog(board->bus(), w, mode, &w);
        dialog.exec();
        show_board(dialog.board_found() ? QStringLiteral("answered") : QStringLiteral("not responding"));
    };
    hooks.edit_line_delay = [&] { qrt58::edit_line_delay(&w, board->bus(), *settings); };
    hooks.choose_board = [&] {
        // The chosen board is kept in the settings and taken into use at once.
        const std::optional<qrt58::BoardChoice> chosen = qrt58::choose_board(&w, board_choice, *settings);
        if (!chosen) return;
        w.show_status(QString()); // a choice is made now
        if (*chosen == board_choice) return;
        if (board->bus().has_line_delay()) line_delay_us = board->bus().line_delay_us();
        const qrt58::DriverStatus stopped = board->stop_driver();
        if (!stopped.ok) qrt58::message_boxes().warning(&w, stopped.error);
        board_choice = *chosen;
        board = qrt58::Board::create(board_choice);
        set_up_bus();
        const qrt58::DriverStatus started = board->start_driver();
        if (!started.ok) qrt58::message_boxes().warning(&w, started.error);
        const bool found = started.ok && board->start_up();
        show_board(!started.ok ? QStringLiteral("not started")
                               : found ? QStringLiteral("answered") : QStringLiteral("not responding"));
    };
    hooks.job_station = [&] {
        qrt58::JobDialog dialog(*board, board_choice, *settings,
                                [](qrt58::PagerTable& image, const std::vector<std::string>& assignments,
                                   std::string& error) { return qrt58::cli::apply_assignments(image, assignments, error); },
                                w.use_tbl_path ? w.tbl_path : QString(), &w);
        dialog.exec();
    };
    hooks.choose_registry = [&] { qrt58::choose_registry(&w, *settings); };
    w.set_board_hooks(hooks);
    w.set_settings(settings.get()); // remembers the folder of the file dialogs
    qrt58::editors::attach_editors(w);

    // The window comes up first; the board is searched once it has painted.
    show_board(QStringLiteral("not searched yet"));
    if (no_choice) w.show_no_board_choice();
    w.form_load(Form1::BoardStart::AfterShow);
    w.show();
    return QApplication::exec();
}
