// Board choice, command-line options and persisted settings.
#include "board.h"
#include "board_options.h"
#include "fake_devices.h"
#include "io_driver.h"
#include "ppdev_driver.h"
#include "sim_board.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace qrt58;

namespace {
// Parses `args` (without the program name) with the board options and two
// positional arguments, as both programs do.
bool parse_board_args(const QStringList& args, BoardOptions& o, QString& error, QStringList* rest = nullptr) {
    QCommandLineParser parser;
    add_board_options(parser);
    if (!parser.parse(QStringList{QStringLiteral("prog")} + args)) {
        error = parser.errorText();
        return false;
    }
    if (rest) *rest = parser.positionalArguments();
    return read_board_options(parser, o, error);
}
} // namespace

TEST(BoardOptions, ParsesBoardLineDelayAndTrace) {
    BoardOptions o;
    QString error;
    QStringList rest;
    ASSERT_TRUE(parse_board_args(
        {"read", "x.tbl", "--board", "sim:/tmp/e.bin", "--line-delay=40", "--trace-vcd", "t.vcd"}, o, error, &rest))
        << error.toStdString();
    EXPECT_EQ(rest, (QStringList{"read", "x.tbl"}));
    ASSERT_TRUE(o.board);
    EXPECT_EQ(o.board->kind->name, "sim");
    EXPECT_EQ(o.board->path, "/tmp/e.bin");
    EXPECT_EQ(o.line_delay_us, 40);
    EXPECT_EQ(o.trace_vcd, "t.vcd");

    for (const QStringList& bad : {QStringList{"--board", "lpt1"},
                                   {"--line-delay", "9"},
                                   {"--line-delay", "100001"},
                                   {"--line-delay", "x"},
                                   {"--board"}}) {
        BoardOptions b;
        error.clear();
        EXPECT_FALSE(parse_board_args(bad, b, error)) << bad.join(' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(error.contains('\n'));
    }
    EXPECT_EQ(parse_board_choice("ppdev:/dev/parport1")->text(), "ppdev:/dev/parport1");
    EXPECT_EQ(parse_board_choice("io")->kind->name, "io");
    EXPECT_FALSE(parse_board_choice("io:/x"));
}

TEST(BoardOptions, TheBoardOfACommandLineIsForThatRunAndTheLineDelayIsRemembered) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("s.ini"), QSettings::IniFormat);
    BoardSettings s = resolve_board_settings({}, settings);
    EXPECT_EQ(s.line_delay_us, 25);
    EXPECT_EQ(s.choice.kind->name, "sim");

    BoardOptions o;
    o.line_delay_us = 60;
    o.board = parse_board_choice("ppdev:/dev/parport0");
    s = resolve_board_settings(o, settings);
    EXPECT_EQ(s.line_delay_us, 60);
    EXPECT_EQ(s.choice.text(), "ppdev:/dev/parport0");
    // Taking them for this run does not remember them; no choice is made yet.
    EXPECT_EQ(resolve_board_settings({}, settings).choice.text(), "sim");
    EXPECT_FALSE(board_choice_made(settings));
    save_board_choice(settings, *o.board); // the board dialog, qrt58cli board
    EXPECT_TRUE(board_choice_made(settings));
    EXPECT_EQ(resolve_board_settings({}, settings).choice.text(), "ppdev:/dev/parport0");
    EXPECT_EQ(resolve_board_settings({}, settings).line_delay_us, 25);
    remember_line_delay(settings, o);
    EXPECT_EQ(resolve_board_settings({}, settings).line_delay_us, 60);

    settings.setValue("board/line_delay_us", 5); // out of range: default
    EXPECT_EQ(load_board_settings(settings).line_delay_us, 25);
}

TEST(BoardFacade, ADriverThatCannotStartSaysSoAndFindsNoBoard) {
    VirtualClock clock;
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // The sim file's folder is a plain file: the driver cannot create it.
    auto board = Board::create(*parse_board_choice("sim:" + dir.filePath("file/e.bin")), &clock);
    const DriverStatus st = board->start_driver();
    EXPECT_FALSE(st.ok);
    EXPECT_FALSE(st.error.isEmpty());
    QStringList messages;
    board->bus().set_message_sink([&](const QString& m) { messages << m; });
    EXPECT_FALSE(board->start_up());
    // One message: the search's, with the reason the driver gave.
    EXPECT_EQ(messages, QStringList{"The Board is not responding!\n" + st.error});

    // ppdev on a device that does not exist.
    auto pp = Board::create(*parse_board_choice("ppdev:/dev/qrt58-no-such-port"), &clock);
    const DriverStatus pst = pp->start_driver();
    EXPECT_FALSE(pst.ok);
    EXPECT_TRUE(pst.error.contains("ppdev"));
}

TEST(BoardFacade, StartUpFindsTheSimulatedBoardAndLeavesItIdle) {
    VirtualClock clock;
    QTemporaryDir dir;
    auto board = Board::create(*parse_board_choice("sim:" + dir.filePath("e.bin")), &clock);
    ASSERT_TRUE(board->start_driver().ok);
    auto* link = dynamic_cast<BoardLink*>(&board->bus());
    ASSERT_NE(link, nullptr);
    ASSERT_TRUE(board->start_trace(dir.filePath("t.vcd")));
    EXPECT_TRUE(board->start_up());
    EXPECT_EQ(link->port_shadow(), kIdlePattern);
    EXPECT_EQ(link->port_in(link->data_port()), kIdlePattern);
    board->stop_driver();
    EXPECT_TRUE(QFile::exists(dir.filePath("e.bin")));
    // The trace is complete once the driver has stopped: the board search's
    // last stop and the idle pattern (SDA falling with SCL high) are in it.
    QFile trace(dir.filePath("t.vcd"));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = trace.readAll().trimmed().split('\n');
    EXPECT_EQ(lines.last(), "0\"");
}

TEST(PpdevDriver, BaseAddressesComeFromTheParportProcFiles) {
    QTemporaryDir proc;
    QDir(proc.path()).mkpath("parport0");
    QDir(proc.path()).mkpath("parport1");
    QFile a(proc.filePath("parport0/base-addr"));
    ASSERT_TRUE(a.open(QIODevice::WriteOnly));
    a.write("888\t1912\n");
    a.close();
    QFile b(proc.filePath("parport1/base-addr"));
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.write("junk\n");
    b.close();
    EXPECT_EQ(PpdevDriver::base_of("parport0", proc.path()), 0x378);
    EXPECT_EQ(PpdevDriver::base_of("parport1", proc.path()), -1);
    EXPECT_EQ(PpdevDriver::base_of("parport2", proc.path()), -1);
}

TEST(PpdevDriver, PortsAtAnyAddressTakeTheSearchedAddresses) {
    QTemporaryDir proc;
    auto port = [&](const char* name, const char* base) {
        QDir(proc.path()).mkpath(name);
        QFile f(proc.filePath(QString::fromLatin1(name) + "/base-addr"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(base);
    };
    // A PCI Express card at 0xD010, a legacy port at 0x278, another card.
    port("parport0", "53264\t53272\n");
    port("parport1", "632\t1656\n");
    port("parport10", "57360\n");
    port("parport2", "61456\n");
    using P = PpdevDriver::Planned;
    const std::vector<P> plan = PpdevDriver::plan_ports(QString(), proc.path());
    ASSERT_EQ(plan.size(), 3u);
    // The legacy port keeps 0x278; the others take 0x378 and 0x3BC in order.
    EXPECT_EQ(plan[0].path, "/dev/parport1");
    EXPECT_EQ(plan[0].base, 0x278);
    EXPECT_EQ(plan[1].path, "/dev/parport0");
    EXPECT_EQ(plan[1].base, 0x378);
    EXPECT_EQ(plan[2].path, "/dev/parport2");
    EXPECT_EQ(plan[2].base, 0x3BC);

    // A named device answers at the first searched address, whatever its own.
    const std::vector<P> named = PpdevDriver::plan_ports("/dev/parport0", proc.path());
    ASSERT_EQ(named.size(), 1u);
    EXPECT_EQ(named[0].path, "/dev/parport0");
    EXPECT_EQ(named[0].base, 0x378);

    QTemporaryDir empty;
    EXPECT_TRUE(PpdevDriver::plan_ports(QString(), empty.path()).empty());
}

TEST(IoDriver, RootGainedThroughSudoIsGivenUpForTheUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
    struct Case {
        const char *uid, *gid; // nullptr: not set
        int exit;              // 0 dropped to 65534, 1 stayed root, 2 refused
    };
    const Case cases[] = {{"65534", "65534", 0}, {nullptr, nullptr, 1}, {"0", "0", 1}, {"x", "65534", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uid ? c.uid : "unset");
        const QString made = dir.filePath(QStringLiteral("made-%1").arg(c.uid ? c.uid : "unset"));
        const pid_t child = ::fork();
        if (child == 0) {
            if (c.uid) ::setenv("SUDO_UID", c.uid, 1);
            else ::unsetenv("SUDO_UID");
            if (c.gid) ::setenv("SUDO_GID", c.gid, 1);
            else ::unsetenv("SUDO_GID");
            if (!drop_root_for_sudo_user().isEmpty()) ::_exit(2);
            QFile f(made);
            if (!f.open(QIODevice::WriteOnly)) ::_exit(4);
            f.close();
            uid_t r = 0, e = 0, s = 0;
            ::getresuid(&r, &e, &s);
            if (r == 65534 && e == 65534 && s == 65534 && ::getgid() == 65534 && ::getegid() == 65534)
                ::_exit(::setuid(0) == 0 ? 5 : 0); // root must not come back
            ::_exit(r == 0 && e == 0 ? 1 : 3);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.exit);
        if (c.exit == 0) {
            EXPECT_EQ(QFileInfo(made).ownerId(), 65534u); // the user's file
        }
    }
}

// Each kind of board is named as the status bar and the result lines show it.
TEST(BoardFacade, EveryKindOfBoardIsNamed) {
    QTemporaryDir root;
    test::make_node(root, "i2c-3", "CP2112 SMBus Bridge on hidraw0");
    test::make_node(root, "i2c-5");
    struct Case {
        const char* choice;
        QString description;
        QString suffix;
    };
    const QString sim_file = SimBoard::default_file();
    const Case cases[] = {
        {"sim", "Simulated receiver (" + QFileInfo(sim_file).fileName() + ")", "(simulated receiver " + sim_file + ")"},
        {"sim:/x/y.bin", "Simulated receiver (y.bin)", "(simulated receiver /x/y.bin)"},
        {"ppdev:/dev/parport0", "Parallel port /dev/parport0", "(Parallel port /dev/parport0)"},
        {"ppdev", "Parallel port (any /dev/parport*)", "(Parallel port (any /dev/parport*))"},
        {"io", "Parallel port I/O (0x378, 0x278, 0x3BC)", "(Parallel port I/O (0x378, 0x278, 0x3BC))"},
        {"i2c:/dev/i2c-3", "I2C /dev/i2c-3 (CP2112 SMBus Bridge on hidraw0)", "(I2C /dev/i2c-3)"},
        {"i2c:/dev/i2c-5", "I2C /dev/i2c-5", "(I2C /dev/i2c-5)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        const auto board = Board::create(*parse_board_choice(QString::fromLatin1(c.choice)));
        EXPECT_EQ(board->description(false, root.path()), c.description);
        if (!QString::fromLatin1(c.choice).startsWith("i2c")) {
            EXPECT_EQ(board->result_suffix(), c.suffix);
        }
    }
}
