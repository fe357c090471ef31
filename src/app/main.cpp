// qrt58prog: the programmer window.
//   qrt58prog [--board BOARD] [--line-delay US] [--trace-vcd FILE] [--help] [--version] [FILE]
#include "board_options.h"
#include "cli_set.h"
#include "editors.h"
#include "first_paint_probe.h"
#include "form1.h"
#include "pager_table.h"
#include "plugin_folders.h"
#include "safe_file.h"
#include "window_board.h"

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
    qrt58::ignore_file_size_signal();
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

    // No plugin is loaded until the window has painted itself (see PluginFoldersHeld).
    PluginFoldersHeld plugins;
    Form1 w;
    w.add_finish_step([&plugins] { plugins.release(); });
    if (!parser.positionalArguments().isEmpty())
        w.start_file = QFileInfo(parser.positionalArguments().constFirst()).absoluteFilePath();
    // The window's board, opened with this run's settings; the job station
    // applies a receiver's settings by the rules of qrt58cli set.
    qrt58::WindowBoard board(w, *settings, options,
                             [](qrt58::PagerTable& image, const std::vector<std::string>& assignments,
                                std::string& error) { return qrt58::cli::apply_assignments(image, assignments, error); });
    w.set_board_hooks(board.hooks());
    w.set_settings(settings.get()); // remembers the folder of the file dialogs
    qrt58::editors::attach_editors(w);

    // The window comes up first; the board is searched once it has painted.
    if (board.no_choice_made()) w.show_no_board_choice();
    w.form_load(Form1::BoardStart::AfterShow);
    // The start-up benchmark: the time of the first paint, then the end.
    if (qEnvironmentVariableIsSet("QRT58_STARTUP_PROBE")) new qrt58::widgets::FirstPaintProbe(&w);
    w.show();
    return QApplication::exec();
}
