#include "cli.h"
#include "cli_boards.h"
#include "cli_common.h"
#include "cli_diff.h"
#include "cli_job.h"
#include "cli_set.h"
#include "cli_set_from.h"
#include "cli_show.h"
#include "cli_transfer.h"

#include "board_kinds.h"
#include "board_options.h"
#include "default_image.h"
#include "table_file.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>
#include <QString>
#include <functional>
#include <iostream>
#include <ostream>

namespace qrt58::cli {
namespace {

struct Arguments {
    const QCommandLineParser& options;
    const QStringList& files;
    const CommandIo& io;
};

struct Command {
    const char* name;
    const char* synopsis; // after "qrt58cli NAME "
    std::string summary;
    int min_args;
    int max_args; // -1: any number
    std::function<void(QCommandLineParser&)> add_options;
    std::function<int(const Arguments&)> run;
};

const QCommandLineOption kHelp({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
const QCommandLineOption kQuiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                QStringLiteral("Print nothing but errors."));
const QCommandLineOption kJson(QStringLiteral("json"), QStringLiteral("Print one JSON document."));
const QCommandLineOption kVerbose({QStringLiteral("v"), QStringLiteral("verbose")},
                                  QStringLiteral("Print the board's steps on standard error: the search, "
                                                 "the addresses and the retries."));

void add_transfer_options(QCommandLineParser& p) {
    p.addOption(kQuiet);
    p.addOption(kVerbose);
    add_board_options(p);
}

int cmd_new(const Arguments& a) {
    const QString path = a.files.constFirst();
    const std::string file = path.toStdString();
    if (QFileInfo::exists(path) && !a.options.isSet(QStringLiteral("force")))
        return fail(a.io.err, "new", file + " exists; use --force to overwrite it");
    const auto result = save_table_file(path, build_default_image());
    if (!result.ok) return fail(a.io.err, "new", result.error.toStdString());
    a.io.out << "Wrote default image to " << file << '\n';
    return 0;
}

int usage_error_line(std::ostream& err, const std::string& message) {
    err << "qrt58cli: " << message << '\n';
    return kExitUsage;
}

const QCommandLineOption kRegistry(QStringLiteral("registry"),
                                   QStringLiteral("The production registry: postgresql://USER@HOST/DB "
                                                  "(shared by stations), sqlite:FILE or FILE. Default: the one "
                                                  "chosen in the window, else PostgreSQL from the PG* "
                                                  "variables when set, else registry.sqlite in the data "
                                                  "folder."),
                                   QStringLiteral("URL"));

const QCommandLineOption kNoRegistry(QStringLiteral("no-registry"),
                                     QStringLiteral("Program without the production registry (receivers "
                                                    "re-programmed on purpose): capcodes are neither checked "
                                                    "nor recorded there."));

int run_transfer(const char* command, const Arguments& a) {
    TransferRequest request;
    request.command = command;
    request.file = a.files.constFirst().toStdString();
    QString error;
    if (!read_board_options(a.options, request.options, error)) {
        a.io.err << "qrt58cli: " << command << ": " << error.toStdString() << '\n';
        return kExitUsage;
    }
    request.verbose = a.options.isSet(kVerbose);
    request.json = request.command == "verify" && a.options.isSet(kJson);
    if (request.command == "read" && request.file == "-" && a.io.out_terminal) {
        a.io.err << "qrt58cli: read: standard output is a terminal, not the place for a binary image "
                    "(redirect it: qrt58cli read - > FILE, or pipe it)\n";
        return kExitUsage;
    }
    const bool write = request.command == "write";
    if (write && a.options.isSet(QStringLiteral("count"))) {
        bool ok = false;
        request.count = a.options.value(QStringLiteral("count")).toInt(&ok);
        if (!ok || request.count < 1) {
            a.io.err << "qrt58cli: write: --count takes a number of receivers, 1 or more\n";
            return kExitUsage;
        }
        if (request.file == "-") {
            a.io.err << "qrt58cli: write: --count keeps the raised capcode in FILE, which cannot "
                        "be '-'\n";
            return kExitUsage;
        }
    }
    if (write && a.options.isSet(QStringLiteral("log"))) request.log = a.options.value(QStringLiteral("log"));
    if (write) {
        request.registry = a.options.value(kRegistry);
        request.no_registry = a.options.isSet(kNoRegistry);
        if ((request.no_registry || !request.registry.isEmpty()) && request.count == 0)
            return usage_error_line(a.io.err, "write: --registry and --no-registry belong to a production run "
                                              "(--count N)");
        if (request.no_registry && !request.registry.isEmpty())
            return usage_error_line(a.io.err, "write: --registry and --no-registry exclude each other");
    }
    return cmd_transfer(request, a.io);
}

int run_job(const Arguments& a) {
    if (a.files.isEmpty() || a.files[0] != QLatin1String("run"))
        return usage_error_line(a.io.err, "job: use 'qrt58cli job run BASE.tbl (--range FIRST:COUNT[:STEP] | "
                                          "--rows ROWS.csv)'");
    if (a.files.size() != 2)
        return usage_error_line(a.io.err, a.files.size() < 2 ? "job: no base table file given"
                                                             : "job: more than one base table file given");
    const bool range = a.options.isSet(QStringLiteral("range"));
    const bool rows = a.options.isSet(QStringLiteral("rows"));
    if (range == rows)
        return usage_error_line(a.io.err, "job: give the receivers with --range FIRST:COUNT[:STEP] or --rows "
                                          "ROWS.csv (one of them)");
    JobRequest request;
    request.base = a.files[1].toStdString();
    if (range) request.range = a.options.value(QStringLiteral("range"));
    if (rows) request.rows = a.options.value(QStringLiteral("rows"));
    request.job = a.options.value(QStringLiteral("job"));
    request.station = a.options.value(QStringLiteral("station"));
    for (const char* name : {"job", "station"})
        if (a.options.isSet(QLatin1String(name)) && a.options.value(QLatin1String(name)).trimmed().isEmpty())
            return usage_error_line(a.io.err, std::string("job: --") + name + " takes a name, not an empty text");
    request.registry = a.options.value(kRegistry);
    request.virtual_clock = a.options.isSet(QStringLiteral("virtual-clock"));
    QString error;
    if (!read_board_options(a.options, request.options, error))
        return usage_error_line(a.io.err, "job: " + error.toStdString());
    for (const QString& text : a.options.values(QStringLiteral("board"))) {
        const auto choice = parse_board_choice(text, &error);
        if (!choice) return usage_error_line(a.io.err, "job: " + error.toStdString());
        for (const BoardChoice& other : request.boards)
            if (other == *choice)
                return usage_error_line(a.io.err, "job: board " + text.toStdString() + " given twice");
        request.boards.push_back(*choice);
    }
    return cmd_job_run(request, a.io);
}

const std::vector<Command>& commands() {
    static const std::vector<Command> list = {
        {"new", "FILE [--force]", "Write the factory default image as a table file.", 1, 1,
         [](QCommandLineParser& p) {
             p.addOption({QStringLiteral("force"), QStringLiteral("Overwrite FILE when it exists.")});
             p.addOption(kQuiet);
         },
         cmd_new},
        {"show", "FILE [--json]", "Print the settings of a table file as the editor window shows them.", 1, 1,
         [](QCommandLineParser& p) { p.addOption(kJson); },
         [](const Arguments& a) { return cmd_show(a.files.constFirst().toStdString(), a.options.isSet(kJson), a.io); }},
        {"diff", "A B [--json]",
         "Compare two table files setting by setting; differing bytes that no listed setting "
         "shows are listed by address. "
         "Exit status 0 when they are equal, 1 when they differ, 2 on an error.",
         2, 2,
         [](QCommandLineParser& p) {
             p.addOption(kJson);
             p.addOption(kQuiet);
         },
         [](const Arguments& a) {
             return cmd_diff(a.files[0].toStdString(), a.files[1].toStdString(), a.options.isSet(kJson), a.io);
         }},
        {"set", "FILE NAME=VALUE... | FILE --from SETTINGS.json [NAME=VALUE...] | --list",
         "Change settings of a table file by the rules of the editor window. The file is saved "
         "only when "
         "every assignment is accepted. --from applies every setting of a 'qrt58cli show --json' "
         "document ('-': standard input), then the NAME=VALUE given.",
         0, -1,
         [](QCommandLineParser& p) {
             p.addOption({QStringLiteral("list"), QStringLiteral("List the setting names and their values.")});
             p.addOption({QStringLiteral("from"),
                          QStringLiteral("Apply the settings of a show --json document ('-': standard input)."),
                          QStringLiteral("SETTINGS.json")});
             p.addOption(kQuiet);
         },
         [](const Arguments& a) {
             if (a.options.isSet(QStringLiteral("list"))) {
                 print_set_names(a.io.out);
                 return 0;
             }
             const bool from = a.options.isSet(QStringLiteral("from"));
             if (a.files.size() < (from ? 1 : 2)) {
                 a.io.err << "qrt58cli: set: " << (a.files.isEmpty() ? "no file given" : "no NAME=VALUE given")
                          << " (qrt58cli set FILE NAME=VALUE... or FILE --from SETTINGS.json)\n";
                 return kExitUsage;
             }
             std::vector<std::string> assignments;
             for (int i = 1; i < a.files.size(); ++i) assignments.push_back(a.files[i].toStdString());
             if (from)
                 return cmd_set_from(a.files[0].toStdString(), a.options.value(QStringLiteral("from")), assignments,
                                     a.io);
             return cmd_set(a.files[0].toStdString(), assignments, a.io);
         }},
        {"job",
         "run BASE.tbl (--range FIRST:COUNT[:STEP] | --rows ROWS.csv) [--job NAME] [--station NAME] "
         "[--registry URL] [--board BOARD]...",
         "Run a production job: BASE.tbl plus the receivers to make, a range of values for capcode 1 or a "
         "CSV file whose header names settings as 'qrt58cli set' takes them, one row per receiver. Every "
         "receiver is checked before any is programmed. Capcodes come from the production registry, which "
         "never issues one twice; running the job again resumes it, and stations running the same job share "
         "its receivers. Several --board options program on several boards at once.",
         0, -1,
         [](QCommandLineParser& p) {
             p.addOption({QStringLiteral("range"),
                          QStringLiteral("Receivers with capcode 1 = FIRST, FIRST + STEP, ... (COUNT of them)."),
                          QStringLiteral("FIRST:COUNT[:STEP]")});
             p.addOption({QStringLiteral("rows"),
                          QStringLiteral("One receiver per row; the header names the settings, e.g. "
                                         "capcodes.1.capcode,capcodes.2.capcode,prompts.0.text."),
                          QStringLiteral("ROWS.csv")});
             p.addOption({QStringLiteral("job"), QStringLiteral("The job's name (default: BASE.tbl's file name)."),
                          QStringLiteral("NAME")});
             p.addOption({QStringLiteral("station"),
                          QStringLiteral("This station's name in the registry (default: the host name)."),
                          QStringLiteral("NAME")});
             p.addOption(kRegistry);
             p.addOption({QStringLiteral("virtual-clock"),
                          QStringLiteral("Simulated boards skip the real waiting (for tests).")});
             add_transfer_options(p);
         },
         run_job},
        {"registry", "release [--scrapped] CAPCODE | show CAPCODE | export --csv [--registry URL]",
         "Release, show or export what the production registry holds. 'release CAPCODE' frees the capcodes of a "
         "failed, stopped or interrupted "
         "receiver so that its job programs them again (with --scrapped also those of a receiver programmed ok "
         "that was scrapped); 'show CAPCODE' tells when, where and with which image "
         "it was programmed; 'export --csv' prints the production log, one line per receiver.",
         1, 2,
         [](QCommandLineParser& p) {
             p.addOption(kRegistry);
             p.addOption({QStringLiteral("csv"), QStringLiteral("export: comma-separated values.")});
             p.addOption({QStringLiteral("scrapped"),
                          QStringLiteral("release: the receiver programmed ok with CAPCODE was scrapped; free its "
                                         "capcodes.")});
             p.addOption(kQuiet);
         },
         [](const Arguments& a) {
             return cmd_registry(a.files[0], a.files.mid(1), a.options.value(kRegistry),
                                 a.options.isSet(QStringLiteral("csv")), a.options.isSet(QStringLiteral("scrapped")),
                                 a.io);
         }},
        {"read", "FILE|- [OPTIONS]", "Read the receiver into a table file ('-': standard output).", 1, 1,
         add_transfer_options, [](const Arguments& a) { return run_transfer("read", a); }},
        {"write", "FILE|- [--count N [--log LOG.csv] [--registry URL | --no-registry]] [OPTIONS]",
         "Write a table file ('-': standard input) into the receiver and verify it. With --count, "
         "program N "
         "receivers one after another, raising capcode 1 after each and keeping it in FILE; FILE is locked "
         "for the run, and each capcode 1 is claimed in the production registry before its receiver is "
         "written (one programmed before is refused) and its result recorded there.",
         1, 1,
         [](QCommandLineParser& p) {
             p.addOption(
                 {QStringLiteral("count"), QStringLiteral("Program N receivers (production)."), QStringLiteral("N")});
             p.addOption({QStringLiteral("log"),
                          QStringLiteral("Append one CSV line per receiver: time, capcode 1, result."),
                          QStringLiteral("LOG.csv")});
             p.addOption(kRegistry);
             p.addOption(kNoRegistry);
             add_transfer_options(p);
         },
         [](const Arguments& a) { return run_transfer("write", a); }},
        {"verify", "FILE|- [--json] [OPTIONS]",
         "Compare the receiver with a table file ('-': standard input). A difference is reported "
         "with the number of differing bytes and the first of them.",
         1, 1,
         [](QCommandLineParser& p) {
             p.addOption(kJson);
             add_transfer_options(p);
         },
         [](const Arguments& a) { return run_transfer("verify", a); }},
        {"boards", "[--json]",
         "List the programming boards found: the simulated receiver, the parallel ports and the "
         "I2C adapters with their names and whether a chip answers at 0x50; then every kind of board (" +
             board_kind_syntaxes().toStdString() + ").",
         0, 0, [](QCommandLineParser& p) { p.addOption(kJson); },
         [](const Arguments& a) { return cmd_boards(a.options.isSet(kJson), a.io); }},
        {"board", "[BOARD [--force]]",
         "Show the board in use, or choose BOARD (" + board_kind_syntaxes().toStdString() +
             ") for every later run. --board on a command line applies to that run only. A board that is "
             "not on this machine now is kept only with --force.",
         0, 1,
         [](QCommandLineParser& p) {
             p.addOption(kQuiet);
             p.addOption({QStringLiteral("force"),
                          QStringLiteral("Keep BOARD even when it is not on this machine now (with a warning).")});
         },
         [](const Arguments& a) {
             return cmd_board(a.files.isEmpty() ? QString() : a.files.constFirst(),
                              a.options.isSet(QStringLiteral("force")), a.io);
         }},
    };
    return list;
}

const Command* find_command(const std::string& name) {
    for (const Command& c : commands())
        if (name == c.name) return &c;
    return nullptr;
}

std::string first_sentence(const std::string& text) {
    const auto end = text.find(". ");
    return end == std::string::npos ? text : text.substr(0, end + 1);
}

std::string usage() {
    std::string text = "Usage: qrt58cli COMMAND [OPTIONS]\n\nCommands:\n";
    for (const Command& c : commands()) {
        // The summary's first sentence, under the synopsis.
        text += std::string("  ") + c.name + ' ' + c.synopsis + "\n      " + first_sentence(c.summary) + '\n';
    }
    text += "\nOptions:\n"
            "  -h, --help     Show this help; 'qrt58cli COMMAND --help' shows a command's.\n"
            "  --help-all     Show this help and every command's options.\n"
            "  -V, --version  Show the version. (-v, --verbose goes after a command.)\n"
            "  --list-commands  One line per command, for shell completion: its name,\n"
            "                 its options (--OPTION=VALUE where one takes a value) and its\n"
            "                 synopsis, separated by tabs.\n"
            "  --list-board-kinds  What --board takes, one kind a line (sim[:FILE], ...).\n"
            "\nExit status: 0 done, 1 the work failed, 2 a usage error.\n";
    return text;
}

void prepare(const Command& c, QCommandLineParser& parser) {
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.addOption(kHelp);
    c.add_options(parser);
}

// `text` broken into lines of at most 79 characters at spaces.
std::string wrapped(const std::string& text) {
    std::string result, line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > 79) {
            result += line + '\n';
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
        start = end + 1;
    }
    return result + line;
}

std::string command_help(const Command& c) {
    QCommandLineParser parser;
    prepare(c, parser);
    const QString generated = parser.helpText();
    const int options = generated.indexOf(QStringLiteral("Options:"));
    return std::string("Usage: qrt58cli ") + c.name + ' ' + c.synopsis + "\n\n" + wrapped(c.summary) + "\n\n" +
           (options < 0 ? QString() : generated.mid(options)).toStdString();
}

// The options of a command as its help lists them ("  -q, --quiet",
// "  --count <N>"): "--quiet", "--count=N".
std::string listed_options(const Command& c) {
    QCommandLineParser parser;
    prepare(c, parser);
    static const QRegularExpression option(QStringLiteral("^  (?:-\\w, )?(--[\\w-]+)(?: <([^>]+)>)?"));
    std::string list;
    for (const QString& line : parser.helpText().split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = option.match(line);
        if (!m.hasMatch()) continue;
        if (!list.empty()) list += ' ';
        list += m.captured(1).toStdString();
        if (m.lastCapturedIndex() >= 2 && !m.captured(2).isEmpty()) list += '=' + m.captured(2).toStdString();
    }
    return list;
}

int usage_error(std::ostream& err, const std::string& prefix, const std::string& message) {
    err << "qrt58cli: " << prefix << message << '\n';
    return kExitUsage;
}

int run_command(const Command& c, const std::vector<std::string>& rest, const Streams& s) {
    QCommandLineParser parser;
    prepare(c, parser);
    QStringList argv{QStringLiteral("qrt58cli")};
    for (const std::string& a : rest) argv << QString::fromStdString(a);
    const std::string prefix = std::string(c.name) + ": ";
    if (!parser.parse(argv)) return usage_error(s.err, prefix, parser.errorText().toStdString());
    if (parser.isSet(kHelp)) {
        s.out << command_help(c);
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() < c.min_args)
        return usage_error(s.err, prefix,
                           std::string(files.isEmpty() ? "no file given" : "too few files given") + " (qrt58cli " +
                               c.name + ' ' + c.synopsis + ")");
    if (c.max_args >= 0 && files.size() > c.max_args)
        return usage_error(s.err, prefix, c.max_args == 1 ? "more than one file given" : "too many files given");

    const QStringList given = parser.optionNames();
    const bool quiet = given.contains(QStringLiteral("q")) || given.contains(QStringLiteral("quiet"));
    // A dumb terminal cannot move the cursor: no bar and no live lines on it.
    const bool dumb = qgetenv("TERM") == "dumb";
    const CommandIo io{s.in,
                       s.out,
                       quiet ? null_stream() : s.out,
                       s.err,
                       quiet,
                       s.err_is_terminal && !quiet && !dumb,
                       s.in_is_terminal,
                       s.out_is_terminal,
                       s.err_columns};
    return c.run({parser, files, io});
}

} // namespace

std::ostream& null_stream() {
    struct NullBuffer : std::streambuf {
        int overflow(int c) override { return c == traits_type::eof() ? 0 : c; }
    };
    static NullBuffer buffer;
    static std::ostream stream(&buffer);
    return stream;
}

std::string fit_to_terminal(const std::string& text, int columns) {
    const std::size_t room = static_cast<std::size_t>(columns > 1 ? columns - 1 : 79);
    // Counted in characters: a UTF-8 sequence is never cut.
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (characters++ == room) return text.substr(0, i);
    }
    return text;
}

int fail(std::ostream& err, const std::string& command, const std::string& message) {
    err << "qrt58cli: " << command << ": " << message << '\n';
    return kExitFailed;
}

int run(const std::vector<std::string>& args, const Streams& s) {
    if (args.empty()) return usage_error(s.err, "", "no command given (qrt58cli --help lists them)");
    const std::string& first = args[0];
    if (first == "--help" || first == "-h" || first == "help") {
        if (args.size() > 1) {
            if (const Command* c = find_command(args[1])) {
                s.out << command_help(*c);
                return 0;
            }
            return usage_error(s.err, "", "unknown command '" + args[1] + "' (see qrt58cli --help)");
        }
        s.out << usage();
        return 0;
    }
    if (first == "--help-all") {
        // Everything, for the manual page.
        s.out << usage() << "\nCommands and their options:\n";
        for (const Command& c : commands()) s.out << '\n' << command_help(c);
        return 0;
    }
    if (first == "--list-commands") {
        for (const Command& c : commands()) s.out << c.name << '\t' << listed_options(c) << '\t' << c.synopsis << '\n';
        return 0;
    }
    if (first == "--list-board-kinds") {
        s.out << board_kind_syntaxes(QStringLiteral("\n")).toStdString() << '\n';
        return 0;
    }
    if (first == "--version" || first == "-V") {
        s.out << "qrt58cli " << ver_str << '\n';
        return 0;
    }
    // -v is --verbose, an option of the commands that talk to a board; before
    // the command it is refused rather than taken for anything else, so that
    // `qrt58cli -v write ... && next` never goes on without a write.
    if (first == "-v" || first == "--verbose")
        return usage_error(s.err, "",
                           first + " (verbose) goes after the command, e.g. qrt58cli write FILE -v; "
                                   "the version is -V or --version");
    const Command* command = find_command(first);
    if (!command) {
        const char* what = !first.empty() && first[0] == '-' ? "unknown option '" : "unknown command '";
        return usage_error(s.err, "", what + first + "' (see qrt58cli --help)");
    }
    return run_command(*command, {args.begin() + 1, args.end()}, s);
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return run(args, Streams{std::cin, out, err});
}

} // namespace qrt58::cli
