// qrt58cli read / write / verify on the simulated board (virtual clock).
#include "../board/fake_devices.h"
#include "cli.h"
#include "cli_boards.h"
#include "cli_common.h"
#include "cli_transfer.h"

#include "board.h"
#include "capcode.h"
#include "clock.h"
#include "default_image.h"
#include "file_lock.h"
#include "i2c_bus.h"
#include "i2c_dev.h"
#include "production_log.h"
#include "registry_location.h"
#include "sim_board.h"
#include "table_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "../support/file_size_limit.h"

using namespace qrt58;

namespace {

struct CliRig : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("QRT58_SETTINGS", dir.filePath("settings.ini").toLocal8Bit());
        // Production runs record into a registry of the test's own.
        store_registry_text(*open_board_settings(), QStringLiteral("sqlite:") + dir.filePath("registry.sqlite"));
        cli::set_transfer_clock(&clock);
    }
    void TearDown() override {
        cli::set_transfer_clock(nullptr);
        qunsetenv("QRT58_SETTINGS");
    }
    int run(std::vector<std::string> args) {
        std::ostringstream o, e;
        const int status = cli::run(args, o, e);
        out = o.str();
        err = e.str();
        return status;
    }
    // With standard input `in` and standard error taken for a terminal or not.
    int run_io(std::vector<std::string> args, const std::string& in, bool terminal) {
        std::istringstream i(in);
        std::ostringstream o, e;
        const int status = cli::run(args, cli::Streams{i, o, e, terminal, false});
        out = o.str();
        err = e.str();
        return status;
    }
    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    std::string sim() const { return "sim:" + path("eeprom.bin"); }
    // A result line: it names the simulated receiver it went to.
    std::string done(const std::string& result) const {
        return result + " (simulated receiver " + path("eeprom.bin") + ")\n";
    }
    QByteArray bytes(const char* name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void put(const char* name, const QByteArray& b) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(b);
    }
    static QByteArray raw(const PagerTable& t) {
        return QByteArray(reinterpret_cast<const char*>(t.data()), kImageSize);
    }
    PagerTable load(const char* name) const {
        PagerTable t;
        EXPECT_EQ(load_table_file(dir.filePath(name), t).status, LoadStatus::Ok);
        return t;
    }

    QTemporaryDir dir;
    VirtualClock clock;
    std::string out, err;
};

} // namespace

TEST_F(CliRig, WriteThenReadRoundTripsATableFile) {
    PagerTable image = build_default_image();
    image[0x3B7] = 'Q'; // something that differs from the simulator's content
    ASSERT_TRUE(save_table_file(dir.filePath("in.tbl"), image).ok);
    ASSERT_EQ(run({"write", path("in.tbl"), "--board", sim(), "--line-delay", "10"}), 0) << err;
    EXPECT_EQ(out, done("Verify Success!"));
    EXPECT_EQ(bytes("in.tbl"), raw(image)); // a plain write leaves its file alone

    ASSERT_EQ(run({"read", path("out.tbl"), "--board", sim()}), 0) << err;
    EXPECT_EQ(out, done("Read success!"));
    PagerTable expected = image;
    stamp_checksum(expected);
    expected[kWriteMarkerAddress] = 1;
    EXPECT_EQ(bytes("out.tbl"), raw(expected));

    ASSERT_EQ(run({"verify", path("out.tbl"), "--board", sim()}), 0) << err;
    EXPECT_EQ(out, done("Verify Success!"));
    // The line delay given once is remembered.
    QFile settings(dir.filePath("settings.ini"));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains("line_delay_us=10"));
}

TEST_F(CliRig, AFailedTransferExitsNonZeroAndLeavesTheOutputFileUntouched) {
    ASSERT_EQ(run({"read", path("first.tbl"), "--board", sim()}), 0) << err;
    // Corrupt the EEPROM inside the checksum range.
    QByteArray e = bytes("eeprom.bin");
    ASSERT_EQ(e.size(), 2048);
    e[0x180] = static_cast<char>(e[0x180] ^ 0x20);
    put("eeprom.bin", e);
    put("out.tbl", "old contents");
    EXPECT_NE(run({"read", path("out.tbl"), "--board", sim()}), 0);
    EXPECT_NE(err.find("CheckSum Error!"), std::string::npos);
    EXPECT_EQ(bytes("out.tbl"), QByteArray("old contents"));

    EXPECT_NE(run({"verify", path("first.tbl"), "--board", sim()}), 0);
    const auto hex = [](int v) {
        return QStringLiteral("0x%1").arg(v, 2, 16, QLatin1Char('0')).toUpper().replace("0X", "0x").toStdString();
    };
    const int was = static_cast<std::uint8_t>(bytes("first.tbl")[0x180]);
    EXPECT_EQ(
        err, done("Verify Error! 1 byte differs, first at 0x0180: file " + hex(was) + ", receiver " + hex(was ^ 0x20)));

    // A board driver that cannot start: its reason, then the search fails.
    put("blocker", "x");
    EXPECT_NE(run({"read", path("out.tbl"), "--board", "sim:" + path("blocker") + "/e.bin"}), 0);
    EXPECT_NE(err.find("Cannot create"), std::string::npos);
    EXPECT_NE(err.find("The Board is not responding!"), std::string::npos);
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err; // one line
    EXPECT_EQ(bytes("out.tbl"), QByteArray("old contents"));

    EXPECT_NE(run({"write", path("missing.tbl"), "--board", sim()}), 0);
    EXPECT_NE(run({"write", path("first.tbl"), "--count", "0"}), 0);
    EXPECT_NE(run({"read"}), 0);
}

TEST_F(CliRig, ProductionRunRaisesTheFirstCapcodeUntilItsLimit) {
    PagerTable image = build_default_image();
    ASSERT_EQ(store_capcode(image, 0, 4290999999.0, true), CapcodeEncoding::LongC);
    ASSERT_TRUE(save_table_file(dir.filePath("run.tbl"), image).ok);
    EXPECT_NE(run({"write", path("run.tbl"), "--count", "3", "--board", sim()}), 0);
    EXPECT_NE(out.find("Receiver 1 of 3, capcode 1: 4290999999"), std::string::npos) << out;
    EXPECT_NE(out.find("Receiver 2 of 3, capcode 1: 4291000000"), std::string::npos) << out;
    EXPECT_EQ(out.find("Receiver 3"), std::string::npos);
    EXPECT_NE(err.find("Capcode 1 > 4291000000 so can not be increase!"), std::string::npos) << err;
    // The file holds the next capcode; the receiver holds the one written last.
    PagerTable file = load("run.tbl");
    EXPECT_EQ(decode_capcode(capcode_word(file, 0), capcode_word(file, 1), true).text, "4291000000");
    ASSERT_EQ(run({"read", path("back.tbl"), "--board", sim()}), 0) << err;
    PagerTable back = load("back.tbl");
    EXPECT_EQ(decode_capcode(capcode_word(back, 0), capcode_word(back, 1), true).text, "4291000000");

    // A short run ends at 2031614.
    image = build_default_image();
    store_capcode(image, 0, 2031613, false);
    ASSERT_TRUE(save_table_file(dir.filePath("short.tbl"), image).ok);
    EXPECT_NE(run({"write", path("short.tbl"), "--count", "5", "--board", sim()}), 0);
    EXPECT_NE(err.find("Capcode 1 > 2031614 so can not be increase!"), std::string::npos) << err;
    file = load("short.tbl");
    EXPECT_EQ(decode_capcode(capcode_word(file, 0), capcode_word(file, 1), false).text, "2031614");

    // Two good cycles from 1006 leave 1008 in the file and exit 0. 1008 lies in
    // the next frame: the frame map follows the new capcode.
    image = build_default_image();
    set_slot_bit(image, enable_bit(0), true);
    store_capcode(image, 0, 1006, false);
    apply_frame_rule(image, long_pairs_from_image(image));
    ASSERT_TRUE(save_table_file(dir.filePath("ok.tbl"), image).ok);
    EXPECT_EQ(run({"write", path("ok.tbl"), "--count", "2", "--board", sim()}), 0) << err;
    file = load("ok.tbl");
    EXPECT_EQ(decode_capcode(capcode_word(file, 0), capcode_word(file, 1), false).text, "0001008");
    EXPECT_NE(file.get_be(0x92, 2), image.get_be(0x92, 2));
    PagerTable framed = file;
    apply_frame_rule(framed, long_pairs_from_image(framed));
    EXPECT_EQ(framed, file);
}

// One production record: a second run on a capcode the registry has is
// refused before anything is written (the limit case too), a second run on a
// table file another run holds is refused at once, and only an explicit
// --no-registry programs a capcode again.
TEST_F(CliRig, ASecondRunNeverProgramsACapcodeAgainNorSharesTheTableFile) {
    PagerTable image = build_default_image();
    store_capcode(image, 0, 2031613, false);
    ASSERT_TRUE(save_table_file(dir.filePath("short.tbl"), image).ok);
    EXPECT_EQ(run({"write", path("short.tbl"), "--count", "5", "--board", sim()}), 1);
    EXPECT_NE(err.find("Capcode 1 > 2031614 so can not be increase!"), std::string::npos) << err;
    const QByteArray receiver = bytes("eeprom.bin");
    EXPECT_EQ(run({"write", path("short.tbl"), "--count", "5", "--board", sim()}), 1);
    for (const char* part : {"Capcode 1 2031614 was programmed ok on ", " UTC at station ",
                             " on board sim:", "(receiver 2 of 2 of a production run)", "nothing was written",
                             "no free capcode is left above it", "registry release --scrapped 2031614"})
        EXPECT_NE(err.find(part), std::string::npos) << part << '\n' << err;
    EXPECT_EQ(out.find("Receiver 1"), std::string::npos) << out;
    EXPECT_EQ(bytes("eeprom.bin"), receiver);
    // On purpose, without the registry: programmed again (and the limit ends the run).
    EXPECT_EQ(run({"write", path("short.tbl"), "--count", "1", "--no-registry", "--board", sim()}), 1);
    EXPECT_NE(out.find("Receiver 1 of 1, capcode 1: 2031614"), std::string::npos) << out;

    // The table file held by another run, here under another name.
    image = build_default_image();
    store_capcode(image, 0, 5000, false);
    ASSERT_TRUE(save_table_file(dir.filePath("run.tbl"), image).ok);
    ASSERT_TRUE(QFile::link(dir.filePath("run.tbl"), dir.filePath("alias.tbl")));
    QString why;
    auto held = FileLock::acquire(dir.filePath("alias.tbl"), why);
    ASSERT_TRUE(held) << why.toStdString();
    const QByteArray before = bytes("eeprom.bin");
    EXPECT_EQ(run({"write", path("run.tbl"), "--count", "2", "--board", sim()}), 1);
    EXPECT_NE(err.find("is in use by another production run (test_cli_transf"), std::string::npos) << err;
    EXPECT_NE(err.find("process " + std::to_string(QCoreApplication::applicationPid())), std::string::npos) << err;
    EXPECT_EQ(bytes("eeprom.bin"), before);
    // A single write takes no lock: the technician re-programs one receiver.
    EXPECT_EQ(run({"write", path("run.tbl"), "--board", sim()}), 0) << err;
    // A save by the holder keeps the lock on the file's new content.
    ASSERT_TRUE(save_table_file(dir.filePath("run.tbl"), image).ok);
    EXPECT_EQ(run({"write", path("run.tbl"), "--count", "1", "--board", sim()}), 1);
    EXPECT_NE(err.find("in use by another production run"), std::string::npos) << err;
    held.reset();
    EXPECT_EQ(run({"write", path("run.tbl"), "--count", "1", "--board", sim()}), 0) << err;
}

namespace {
// Removes a folder the first time the link pauses between pages: the simulated
// EEPROM's file can then no longer be saved.
struct FolderRemovingClock : VirtualClock {
    void sleep_ms(int ms) override {
        VirtualClock::sleep_ms(ms);
        if (!folder.isEmpty()) {
            QDir(folder).removeRecursively();
            folder.clear();
        }
    }
    QString folder;
};
} // namespace

TEST_F(CliRig, AWriteWhoseSimulatedEepromCannotBeSavedFails) {
    ASSERT_TRUE(save_table_file(dir.filePath("in.tbl"), build_default_image()).ok);
    const std::string board = "sim:" + path("sub/eeprom.bin");
    ASSERT_EQ(run({"read", path("first.tbl"), "--board", board}), 0) << err;
    FolderRemovingClock lossy;
    lossy.folder = dir.filePath("sub");
    cli::set_transfer_clock(&lossy);
    EXPECT_EQ(run({"write", path("in.tbl"), "--board", board}), 1);
    cli::set_transfer_clock(&clock);
    EXPECT_NE(err.find("qrt58cli: Cannot save the simulated EEPROM file " + path("sub/eeprom.bin")), std::string::npos)
        << err;
}

TEST_F(CliRig, NoSuccessMessageWhenSomethingTheCommandDoesFails) {
    ASSERT_TRUE(save_table_file(dir.filePath("in.tbl"), build_default_image()).ok);
    ASSERT_EQ(run({"read", path("first.tbl"), "--board", sim()}), 0) << err;

    // The memory file cannot be saved: the receiver did not keep what was written.
    FolderRemovingClock lossy;
    const std::string board = "sim:" + path("sub/eeprom.bin");
    ASSERT_EQ(run({"read", path("x.tbl"), "--board", board}), 0) << err;
    lossy.folder = dir.filePath("sub");
    cli::set_transfer_clock(&lossy);
    EXPECT_EQ(run({"write", path("in.tbl"), "--board", board}), 1);
    cli::set_transfer_clock(&clock);
    EXPECT_EQ(out.find("Verify Success!"), std::string::npos) << out;

    // The output table file is a device: refused, the device stays a device.
    EXPECT_EQ(run({"read", "/dev/null", "--board", sim()}), 1);
    EXPECT_EQ(out.find("Read success!"), std::string::npos) << out;
    EXPECT_NE(err.find("/dev/null"), std::string::npos) << err;
    EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/null")).isFile());
    EXPECT_EQ(run({"new", "/dev/null", "--force"}), 1);
    EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/null")).isFile());

    // The bus trace cannot be written completely (a full disk).
    const int traced = qrt58::test::with_file_size_limit(3000, [&] {
        return run({"verify", path("first.tbl"), "--board", sim(), "--trace-vcd", path("bus.vcd")});
    });
    EXPECT_EQ(traced, 1);
    EXPECT_EQ(out.find("Verify Success!"), std::string::npos) << out;
    EXPECT_NE(err.find("Cannot write the bus trace " + path("bus.vcd")), std::string::npos) << err;
    // ... or is not a file at all.
    EXPECT_EQ(run({"verify", path("first.tbl"), "--board", sim(), "--trace-vcd", "/dev/full"}), 1);
    EXPECT_NE(err.find("/dev/full"), std::string::npos) << err;

    // Everything well: the success comes, once.
    ASSERT_EQ(run({"verify", path("first.tbl"), "--board", sim(), "--trace-vcd", path("bus.vcd")}), 0) << err;
    EXPECT_EQ(out, done("Verify Success!"));
}

TEST_F(CliRig, VerifyRightAfterWriteSucceedsAndLeavesTheFileAlone) {
    ASSERT_TRUE(save_table_file(dir.filePath("in.tbl"), build_default_image()).ok);
    const QByteArray before = bytes("in.tbl");
    ASSERT_EQ(run({"write", path("in.tbl"), "--board", sim()}), 0) << err;
    EXPECT_EQ(run({"verify", path("in.tbl"), "--board", sim()}), 0) << err;
    EXPECT_EQ(out, done("Verify Success!"));
    EXPECT_EQ(bytes("in.tbl"), before);
}

TEST_F(CliRig, SettingsAreRememberedOnlyWhenTheyWorked) {
    ASSERT_TRUE(save_table_file(dir.filePath("in.tbl"), build_default_image()).ok);
    ASSERT_EQ(run({"write", path("in.tbl"), "--board", sim(), "--line-delay", "10"}), 0) << err;
    // A board that cannot start and a line delay of a failed run are not kept.
    put("blocker", "x");
    EXPECT_EQ(run({"verify", path("in.tbl"), "--board", "sim:" + path("blocker") + "/e.bin", "--line-delay", "90"}), 1);
    QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
    // --board is for its run only; `qrt58cli board` chooses for later runs.
    EXPECT_FALSE(settings.contains("board/driver"));
    EXPECT_EQ(settings.value("board/line_delay_us").toInt(), 10);
    EXPECT_EQ(run({"board", sim()}), 0) << err;
    settings.sync();
    EXPECT_EQ(settings.value("board/driver").toString().toStdString(), sim());
    EXPECT_EQ(run({"board", "floppy"}), 2);
    EXPECT_EQ(run({"board"}), 0);
    EXPECT_EQ(out.rfind(sim(), 0), 0u) << out;
}

TEST_F(CliRig, ProductionRunProgramsNothingWhenItsFileCannotBeKept) {
    PagerTable image = build_default_image();
    store_capcode(image, 0, 1000, false);
    ASSERT_TRUE(save_table_file(dir.filePath("run.tbl"), image).ok);
    ASSERT_EQ(run({"read", path("first.tbl"), "--board", sim()}), 0) << err;
    const QByteArray receiver = bytes("eeprom.bin");
    const int status = qrt58::test::with_file_size_limit(1024, [&] {
        return run({"write", path("run.tbl"), "--count", "3", "--board", sim()});
    });
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find(path("run.tbl")), std::string::npos) << err;
    EXPECT_EQ(out.find("Receiver 1"), std::string::npos) << out;
    EXPECT_EQ(bytes("eeprom.bin"), receiver);
}

TEST_F(CliRig, ProductionLogHasALinePerReceiverAndTheLimit) {
    PagerTable image = build_default_image();
    store_capcode(image, 0, 2031613, false);
    ASSERT_TRUE(save_table_file(dir.filePath("short.tbl"), image).ok);
    put("log.csv", "earlier line\n");
    EXPECT_EQ(run({"write", path("short.tbl"), "--count", "5", "--log", path("log.csv"), "--board", sim()}), 1);
    const QStringList lines = QString::fromUtf8(bytes("log.csv")).split('\n');
    ASSERT_EQ(lines.size(), 5) << bytes("log.csv").toStdString(); // appended, and ends with a newline
    EXPECT_EQ(lines[0], "earlier line");
    const QRegularExpression line(QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ,(\d+),(.*)$)"));
    const std::vector<std::pair<QString, QString>> expected = {
        {"2031613", "ok"}, {"2031614", "ok"}, {"2031614", "limit"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto m = line.match(lines[static_cast<int>(i) + 1]);
        ASSERT_TRUE(m.hasMatch()) << lines[static_cast<int>(i) + 1].toStdString();
        EXPECT_EQ(m.captured(1), expected[i].first);
        EXPECT_EQ(m.captured(2), expected[i].second);
    }
    EXPECT_EQ(lines[4], "");

    // A log that cannot be written stops the run before any receiver.
    const QByteArray eeprom = bytes("eeprom.bin");
    EXPECT_EQ(run({"write", path("short.tbl"), "--count", "1", "--log", dir.path().toStdString(), "--board", sim()}),
              1);
    EXPECT_NE(err.find("production log"), std::string::npos) << err;
    EXPECT_EQ(bytes("eeprom.bin"), eeprom);
}

TEST_F(CliRig, ImagesThroughStandardInputAndOutput) {
    PagerTable image = build_default_image();
    image[0x3B7] = 'P';
    // write -: the image comes from standard input.
    ASSERT_EQ(run_io({"write", "-", "--board", sim()}, raw(image).toStdString(), false), 0) << err;
    EXPECT_EQ(out, done("Verify Success!"));
    // read -: the image goes to standard output, the result to standard error.
    ASSERT_EQ(run_io({"read", "-", "--board", sim()}, "", false), 0) << err;
    PagerTable written = image;
    stamp_checksum(written);
    written[kWriteMarkerAddress] = 1;
    EXPECT_EQ(QByteArray::fromStdString(out), raw(written));
    EXPECT_EQ(err, done("Read success!"));
    ASSERT_EQ(run_io({"read", "-", "--board", sim(), "--quiet"}, "", false), 0) << err;
    EXPECT_EQ(QByteArray::fromStdString(out), raw(written));
    EXPECT_EQ(err, "");
    // verify - as well; short, long or foreign input is refused before the board.
    EXPECT_EQ(run_io({"verify", "-", "--board", sim()}, raw(written).toStdString(), false), 0) << err;
    for (const QByteArray& bad : {raw(image).left(100), raw(image) + "x", QByteArray(kImageSize, '\0')}) {
        EXPECT_EQ(run_io({"write", "-", "--board", sim()}, bad.toStdString(), false), 1);
        EXPECT_EQ(err.rfind("qrt58cli: write: standard input", 0), 0u) << err;
    }
}

TEST_F(CliRig, ProgressBarOnATerminalOnly) {
    ASSERT_TRUE(save_table_file(dir.filePath("in.tbl"), build_default_image()).ok);
    ASSERT_EQ(run_io({"write", path("in.tbl"), "--board", sim()}, "", true), 0) << err;
    EXPECT_NE(err.find("\rWriting   ["), std::string::npos);
    EXPECT_NE(err.find("\rVerifying ["), std::string::npos);
    EXPECT_NE(err.find("] 100%"), std::string::npos);
    EXPECT_EQ(err.back(), '\n');
    EXPECT_EQ(out, done("Verify Success!"));
    // Percentages only grow within a phase: each phase's line ends full.
    const std::string writing = err.substr(0, err.find('\n'));
    EXPECT_EQ(writing.substr(writing.size() - 6), "] 100%") << writing;
    ASSERT_EQ(run_io({"read", path("out.tbl"), "--board", sim()}, "", true), 0) << err;
    EXPECT_EQ(err.rfind("\rReading   [", 0), 0u) << err;

    ASSERT_EQ(run_io({"write", path("in.tbl"), "--board", sim()}, "", false), 0) << err;
    EXPECT_EQ(err, "");
    ASSERT_EQ(run_io({"write", path("in.tbl"), "--board", sim(), "-q"}, "", true), 0) << err;
    EXPECT_EQ(err, "");
    EXPECT_EQ(out, "");
}

// The live lines of a job fit the terminal's width as it is now; a dumb
// terminal (TERM=dumb) gets neither them nor the progress bar.
TEST_F(CliRig, LiveLinesFitTheTerminalAndNoneOnADumbOne) {
    ASSERT_EQ(run({"new", path("base.tbl")}), 0);
    const auto job = [&](const std::string& range, int columns) {
        std::istringstream i;
        std::ostringstream o, e;
        cli::Streams streams{i, o, e, true, false};
        streams.err_columns = [columns] { return columns; };
        const int status = cli::run({"job", "run", path("base.tbl"), "--range", range, "--job", range, "--registry",
                                     "sqlite:" + path("registry.sqlite"), "--virtual-clock", "--board",
                                     "sim-i2c:" + path("a.bin"), "--board", "sim-i2c:" + path("b.bin")},
                                    streams);
        out = o.str();
        err = e.str();
        return status;
    };
    for (const int columns : {30, 60, 0}) {
        ASSERT_EQ(job(std::to_string(1000 * (columns + 1)) + ":3", columns), 0) << err;
        ASSERT_NE(err.find("\x1b[2K"), std::string::npos) << columns;
        const std::size_t room = columns > 0 ? columns - 1 : 79;
        std::size_t longest = 0;
        for (QString line : QString::fromStdString(err).split(QLatin1Char('\n'))) {
            line.remove(QStringLiteral("\x1b[1A")).remove(QStringLiteral("\x1b[2K"));
            EXPECT_LE(static_cast<std::size_t>(line.size()), room) << line.toStdString();
            longest = std::max(longest, static_cast<std::size_t>(line.size()));
        }
        if (columns == 30) {
            EXPECT_EQ(longest, room); // the boards' paths are longer: cut, not wrapped
        }
    }
    EXPECT_EQ(cli::fit_to_terminal("\u00e9\u00e9\u00e9\u00e9", 4), "\u00e9\u00e9\u00e9"); // never half a character

    const QByteArray term = qgetenv("TERM");
    qputenv("TERM", "dumb");
    EXPECT_EQ(job("5000:2", 60), 0) << err;
    EXPECT_EQ(err.find('\x1b'), std::string::npos) << err;
    EXPECT_EQ(run_io({"write", path("base.tbl"), "--board", sim()}, "", true), 0) << err;
    EXPECT_EQ(err, "");
    qputenv("TERM", term);
}

TEST_F(CliRig, AnI2cAdapterThatIsNotThereIsNamedAndNothingIsWritten) {
    // The real i2c-dev seam: a missing device node and a plain file in its place.
    ASSERT_EQ(run({"new", path("r.tbl")}), 0);
    const std::string missing = "i2c:" + path("i2c-9");
    EXPECT_EQ(run({"read", path("r.tbl"), "--board", missing}), 1);
    EXPECT_NE(err.find("i2c-9: no such I2C adapter"), std::string::npos) << err;
    EXPECT_NE(err.find("The Board is not responding!"), std::string::npos) << err;
    EXPECT_EQ(out.find("success"), std::string::npos);
    // Not remembered: its driver did not start.
    EXPECT_EQ(QSettings(dir.filePath("settings.ini"), QSettings::IniFormat).value("board/driver").toString(), "");

    put("i2c-1", QByteArray("not a device"));
    EXPECT_EQ(run({"write", path("r.tbl"), "--board", "i2c:" + path("i2c-1")}), 1);
    EXPECT_NE(err.find("i2c-1: not an I2C adapter"), std::string::npos) << err;
    EXPECT_EQ(bytes("i2c-1"), QByteArray("not a device"));
}

namespace {

TEST_F(CliRig, WithoutAChoiceTheSimulatedReceiverIsUsedAndSaidSo) {
    ASSERT_EQ(run({"new", path("in.tbl")}), 0);
    // No board chosen, none given: one notice line, the result names the receiver.
    ASSERT_EQ(run({"write", path("in.tbl")}), 0) << err;
    EXPECT_EQ(err.find("no board chosen yet"), err.rfind("no board chosen yet"));
    EXPECT_NE(err.find("qrt58cli: no board chosen yet: using the simulated receiver"), std::string::npos) << err;
    EXPECT_EQ(out, "Verify Success! (simulated receiver " + SimBoard::default_file().toStdString() + ")\n");
    // Chosen: no notice, and every run uses the choice.
    ASSERT_EQ(run({"board", sim()}), 0) << err;
    ASSERT_EQ(run({"write", path("in.tbl")}), 0) << err;
    EXPECT_EQ(err, "");
    EXPECT_EQ(out, done("Verify Success!"));
}

// What differs is counted and the first difference named, in text and JSON.
TEST_F(CliRig, AVerifyFailureNamesTheFirstDifferenceAndTheCount) {
    ASSERT_EQ(run({"new", path("in.tbl")}), 0);
    ASSERT_EQ(run({"write", path("in.tbl"), "--board", sim()}), 0) << err;
    const QByteArray written = bytes("eeprom.bin");
    const QByteArray file = bytes("in.tbl");
    struct Case {
        std::vector<int> flipped;
        int count;
        int first;
    };
    // The receiver holds the stamped image: the checksum and the marker are no
    // differences, a change to them is.
    const Case cases[] = {
        {{0x005}, 1, 0x005}, {{0x700, 0x123, 0x124}, 3, 0x123}, {{0x7FF}, 1, 0x7FF}, {{0x3E0, 0x000}, 2, 0x000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        QByteArray e = written;
        for (int a : c.flipped) e[a] = static_cast<char>(e[a] ^ 0x41);
        put("eeprom.bin", e);
        EXPECT_EQ(run({"verify", path("in.tbl"), "--board", sim()}), 1);
        const auto hex = [](int v, int w) {
            return QStringLiteral("0x%1").arg(v, w, 16, QLatin1Char('0')).toUpper().replace("0X", "0x").toStdString();
        };
        const int expected = static_cast<std::uint8_t>(written[c.first]);
        EXPECT_EQ(err, done("Verify Error! " + std::to_string(c.count) +
                            (c.count == 1 ? " byte differs" : " bytes differ") + ", first at " + hex(c.first, 4) +
                            ": file " + hex(expected, 2) + ", receiver " + hex(expected ^ 0x41, 2)));
        EXPECT_EQ(out, "");
        EXPECT_EQ(run({"verify", path("in.tbl"), "--board", sim(), "--json"}), 1);
        const QJsonObject doc = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
        EXPECT_EQ(doc["result"].toString(), "differ");
        EXPECT_EQ(doc["differing_bytes"].toInt(), c.count);
        EXPECT_EQ(doc["first_difference"].toObject()["address"].toInt(), c.first);
        EXPECT_EQ(doc["first_difference"].toObject()["receiver"].toInt(), expected ^ 0x41);
        EXPECT_EQ(doc["board"].toString().toStdString(), "Simulated receiver (" + path("eeprom.bin") + ")");
    }
    put("eeprom.bin", written);
    EXPECT_EQ(run({"verify", path("in.tbl"), "--board", sim(), "--json"}), 0);
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(out)).object()["result"].toString(), "equal");
    EXPECT_EQ(file, bytes("in.tbl"));
}

TEST_F(CliRig, BoardFailuresAreOneLineAndVerboseShowsTheSteps) {
    ASSERT_EQ(run({"new", path("in.tbl")}), 0);
    EXPECT_EQ(run({"verify", path("in.tbl"), "--board", "ppdev:" + path("parport7")}), 1);
    EXPECT_EQ(err.rfind("qrt58cli: verify: The Board is not responding! (Parallel port " + path("parport7") + ": ", 0),
              0u)
        << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;

    ASSERT_EQ(run({"write", path("in.tbl"), "--board", sim(), "-v"}), 0) << err;
    EXPECT_NE(err.find("qrt58cli: board: board search at 0x378: answered\n"), std::string::npos) << err;
    EXPECT_NE(err.find("qrt58cli: board: write page 0x7f0: 16 byte(s)"), std::string::npos) << err;
    EXPECT_NE(err.find("qrt58cli: board: read from 0x000: 1 addressing attempt(s)\n"), std::string::npos) << err;
    EXPECT_EQ(out, done("Verify Success!"));
    ASSERT_EQ(run({"write", path("in.tbl"), "--board", sim()}), 0) << err;
    EXPECT_EQ(err, "");
}

TEST_F(CliRig, ReadToStandardOutputRefusesATerminal) {
    std::istringstream in;
    std::ostringstream o, e;
    EXPECT_EQ(cli::run({"read", "-", "--board", sim()}, cli::Streams{in, o, e, false, false, true}), 2);
    EXPECT_EQ(o.str(), "");
    EXPECT_NE(e.str().find("terminal"), std::string::npos);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("eeprom.bin"))); // the board was not touched
}

// An adapter that answers at 0x50 on one path only.
class FakeAdapter : public I2cDev {
public:
    int open(const QString& path, QString*) override {
        path_ = path;
        return path == "/dev/i2c-9" ? ENOENT : 0;
    }
    int transfer(I2cMessage* m, int) override {
        return path_ == "/dev/i2c-1" && m->address == kEepromI2cAddress ? 0 : ENXIO;
    }
    void close() override {}

private:
    QString path_;
};

TEST_F(CliRig, BoardsListsTheSimulatedReceiverPortsAndAdapters) {
    QTemporaryDir root;
    cli::set_boards_root(root.path());
    cli::set_i2c_dev_factory([] { return std::make_unique<FakeAdapter>(); });
    EXPECT_EQ(run({"boards"}), 0);
    // Each kind that is searched for and not found says so, with the hint.
    const std::string none =
        "sim    Simulated receiver (" + SimBoard::default_file().toStdString() +
        ")\n"
        "ppdev  Parallel port: none found (/dev/parport*: sudo modprobe ppdev)\n"
        "i2c    I2C (first adapter found): none found (/dev/i2c-*: plug in the adapter; sudo modprobe i2c-dev)\n"
        "\nKinds of board";
    EXPECT_EQ(out.substr(0, none.size()), none) << out;
    test::make_node(root, "parport0");
    test::make_node(root, "i2c-0", "SMBus I801 adapter at efa0");
    test::make_node(root, "i2c-1", "CP2112 SMBus Bridge on hidraw0");
    test::make_node(root, "i2c-4", "i2c-tiny-usb at bus 001 device 005");
    test::make_node(root, "i2c-9");
    EXPECT_EQ(run({"boards"}), 0);
    const std::string expected =
        "sim                  Simulated receiver (" + SimBoard::default_file().toStdString() +
        ")\n"
        "ppdev:/dev/parport0  Parallel port /dev/parport0\n"
        "i2c                  I2C (first adapter found): now /dev/i2c-1\n"
        "i2c:/dev/i2c-0       I2C /dev/i2c-0 (SMBus I801 adapter at efa0): the computer's own bus, not probed\n"
        "i2c:/dev/i2c-1       I2C /dev/i2c-1 (CP2112 SMBus Bridge on hidraw0): a chip answers at 0x50\n"
        "i2c:/dev/i2c-4       I2C /dev/i2c-4 (i2c-tiny-usb at bus 001 device 005): no chip answers at 0x50\n"
        "i2c:/dev/i2c-9       I2C /dev/i2c-9: cannot be opened: ";
    EXPECT_EQ(out.substr(0, expected.size()), expected) << out;
    EXPECT_EQ(run({"boards", "--json"}), 0);
    const QJsonObject doc = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
    EXPECT_EQ(doc["boards"].toArray().size(), 7);
    // Then the kinds, as the table has them.
    ASSERT_EQ(doc["kinds"].toArray().size(), static_cast<int>(board_kinds().size()));
    for (int i = 0; i < doc["kinds"].toArray().size(); ++i) {
        const QJsonObject kind = doc["kinds"].toArray()[i].toObject();
        EXPECT_EQ(kind["syntax"].toString(), board_kinds()[static_cast<std::size_t>(i)].syntax);
        EXPECT_EQ(kind["simulated"].toBool(), board_kinds()[static_cast<std::size_t>(i)].simulated);
    }
    cli::set_boards_root(QString());
    cli::set_i2c_dev_factory(nullptr);
}

// `qrt58cli board` keeps a board that is not on the machine only when asked
// to, and then with a warning.
TEST_F(CliRig, BoardKeepsOnlyWhatTheMachineHasUnlessForced) {
    QTemporaryDir root;
    cli::set_boards_root(root.path());
    test::make_node(root, "parport0");
    struct Case {
        std::vector<std::string> args;
        int status;
        bool kept;
        const char* err; // the start of standard error
    };
    const Case cases[] = {
        {{"board", "ppdev:/dev/parport9"},
         1,
         false,
         "qrt58cli: board: ppdev:/dev/parport9: /dev/parport9 does not exist; not kept"},
        {{"board", "ppdev:/dev/parport9", "--force"},
         0,
         true,
         "qrt58cli: board: warning: ppdev:/dev/parport9: /dev/parport9 does not exist\n"},
        {{"board", "i2c"}, 1, false, "qrt58cli: board: i2c: none found (/dev/i2c-*"},
        {{"board", "ppdev:/dev/parport0"}, 0, true, ""},
        {{"board", "ppdev"}, 0, true, ""},
        {{"board", "io"}, 0, true, ""}, // cannot be told without the ports
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1] + (c.args.size() > 2 ? " --force" : ""));
        QSettings(dir.filePath("settings.ini"), QSettings::IniFormat).remove("board/driver");
        EXPECT_EQ(run(c.args), c.status);
        EXPECT_EQ(err.rfind(c.err, 0), 0u) << err;
        if (!*c.err) {
            EXPECT_EQ(err, "");
        }
        QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
        EXPECT_EQ(settings.value("board/driver").toString().toStdString(), c.kept ? c.args[1] : "");
    }
    cli::set_boards_root(QString());
}

TEST_F(CliRig, HelpAllListsEveryCommandWithAllItsOptions) {
    ASSERT_EQ(run({"--help"}), 0);
    const std::string usage = out;
    ASSERT_EQ(run({"--help-all"}), 0);
    const std::string all = out;
    static const QRegularExpression command_line(QStringLiteral("^  ([a-z]+) "));
    int commands = 0;
    for (const QString& line : QString::fromStdString(usage).split('\n')) {
        const auto m = command_line.match(line);
        if (!m.hasMatch()) continue;
        ++commands;
        ASSERT_EQ(run({m.captured(1).toStdString(), "--help"}), 0);
        for (const QString& option : QString::fromStdString(out).split('\n'))
            if (option.trimmed().startsWith('-')) {
                EXPECT_NE(all.find(option.toStdString()), std::string::npos) << option.toStdString();
            }
        EXPECT_NE(all.find("Usage: qrt58cli " + m.captured(1).toStdString() + ' '), std::string::npos);
    }
    EXPECT_GE(commands, 9);
}

} // namespace

TEST_F(CliRig, NoFileOfARunIsWrittenOverAnotherOfIt) {
    ASSERT_EQ(run({"new", path("t.tbl")}), 0);
    ASSERT_EQ(run({"read", path("r.tbl"), "--board", sim()}), 0) << err;
    ASSERT_TRUE(QFile::link(dir.filePath("t.tbl"), dir.filePath("sym.tbl")));
    ASSERT_EQ(
        ::link(dir.filePath("t.tbl").toLocal8Bit().constData(), dir.filePath("hard.tbl").toLocal8Bit().constData()), 0);
    const QByteArray table = bytes("t.tbl"), receiver = bytes("eeprom.bin");
    const std::string t = path("t.tbl");
    const std::vector<std::vector<std::string>> runs = {
        {"write", t, "--trace-vcd", t},
        {"write", t, "--trace-vcd", path("sym.tbl")},
        {"verify", t, "--trace-vcd", path("hard.tbl")},
        {"read", t, "--trace-vcd", path("sub/../t.tbl")},
        {"write", t, "--count", "2", "--log", path("hard.tbl")},
        {"write", t, "--count", "2", "--log", path("eeprom.bin")},
        {"verify", t, "--trace-vcd", path("eeprom.bin")},
        {"read", path("eeprom.bin")},
        {"read", path("new.tbl"), "--trace-vcd", path("new.tbl")},
        {"write", t, "--count", "2", "--log", path("i2c.bin"), "--board", "sim-i2c:" + path("i2c.bin")},
    };
    QDir().mkdir(dir.filePath("sub"));
    for (std::vector<std::string> args : runs) {
        if (std::find(args.begin(), args.end(), "--board") == args.end()) args.insert(args.end(), {"--board", sim()});
        SCOPED_TRACE(args[0] + " " + args[2]);
        EXPECT_EQ(run(args), 1);
        EXPECT_NE(err.find(" is the "), std::string::npos) << err;
        EXPECT_EQ(out.find("success"), std::string::npos) << out;
        EXPECT_EQ(out.find("Success"), std::string::npos) << out;
        EXPECT_EQ(bytes("t.tbl"), table);
        EXPECT_EQ(bytes("eeprom.bin"), receiver);
        EXPECT_FALSE(QFile::exists(dir.filePath("new.tbl")));
    }
    // The window's trace over its simulated EEPROM file is refused as well.
    auto board = Board::create(*parse_board_choice(QString::fromStdString(sim())), &clock);
    ASSERT_TRUE(board->start_driver().ok);
    EXPECT_FALSE(board->start_trace(dir.filePath("eeprom.bin")));
    EXPECT_TRUE(board->trace_error().contains("simulated EEPROM file")) << board->trace_error().toStdString();
    board->stop_driver();
    EXPECT_EQ(bytes("eeprom.bin"), receiver);
}

TEST_F(CliRig, ARunThatCannotRecordTheRaisedCapcodeStopsAndNamesIt) {
    PagerTable image = build_default_image();
    store_capcode(image, 0, 1000, false);
    ASSERT_TRUE(QDir().mkdir(dir.filePath("job")));
    ASSERT_TRUE(save_table_file(dir.filePath("job/run.tbl"), image).ok);
    FolderRemovingClock lossy; // the job's folder goes during the first write
    lossy.folder = dir.filePath("job");
    cli::set_transfer_clock(&lossy);
    const int status = run({"write", path("job/run.tbl"), "--count", "3", "--board", sim()});
    cli::set_transfer_clock(&clock);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("Receiver 1 of 3"), std::string::npos) << out;
    EXPECT_EQ(out.find("Receiver 2"), std::string::npos) << out;
    EXPECT_NE(err.find("programmed with capcode 1 0001000"), std::string::npos) << err;
    EXPECT_NE(err.find("next capcode 0001001 could not be recorded"), std::string::npos) << err;
    EXPECT_NE(err.find(path("job/run.tbl")), std::string::npos) << err;
}

TEST_F(CliRig, TheSimulatedAdapterCountsAWriteOnlyOnceItsFileIsSaved) {
    ASSERT_TRUE(save_table_file(dir.filePath("in.tbl"), build_default_image()).ok);
    const std::string board = "sim-i2c:" + path("i2c.bin");
    ASSERT_EQ(run({"read", path("first.tbl"), "--board", board}), 0) << err;
    const QByteArray before = bytes("i2c.bin");
    const int status = qrt58::test::with_file_size_limit(1024, [&] {
        return run({"write", path("in.tbl"), "--board", board});
    });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out.find("Verify Success!"), std::string::npos) << out;
    EXPECT_NE(err.find("Cannot save the simulated EEPROM file " + path("i2c.bin")), std::string::npos) << err;
    EXPECT_EQ(bytes("i2c.bin"), before);
}

TEST_F(CliRig, ReadOntoAFileThatCannotBeSavedIsRefusedBeforeTheTransfer) {
    ::mkfifo(dir.filePath("pipe.tbl").toLocal8Bit().constData(), 0600);
    for (const std::string& target :
         {path("no/such/folder/x.tbl"), path("pipe.tbl"), std::string("/dev/null"), dir.path().toStdString()}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(run({"read", target, "--board", sim()}), 1);
        EXPECT_NE(err.find("Cannot save " + target), std::string::npos) << err;
        EXPECT_FALSE(QFile::exists(dir.filePath("eeprom.bin"))) << "the board was started";
    }
}

TEST(ProductionLogFile, AFailedAppendLeavesTheLogAsItWasAndNamesTheCause) {
    QTemporaryDir dir;
    const QString path = dir.filePath("log.csv");
    ProductionLog log(path);
    ASSERT_TRUE(log.append("0001000", ProductionResult::Ok));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    // The disk fills up in the middle of the next line, then at its start.
    for (const qint64 room : {before.size() + 10, before.size() + 0}) {
        const bool appended = qrt58::test::with_file_size_limit(
            static_cast<rlim_t>(room), [&] { return log.append("0001001", ProductionResult::Ok); });
        EXPECT_FALSE(appended);
        EXPECT_TRUE(log.error().contains(path) && log.error().contains("File too large")) << log.error().toStdString();
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), before);
        f.close();
    }
    ASSERT_TRUE(log.append("0001001", ProductionResult::Ok));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count('\n'), 2);
    f.close();

    // Anything but a regular file is refused before it is written to.
    ::mkfifo(dir.filePath("pipe.csv").toLocal8Bit().constData(), 0600);
    for (const QString& odd : {dir.filePath("pipe.csv"), QStringLiteral("/dev/null"), dir.path()}) {
        ProductionLog bad(odd);
        EXPECT_FALSE(bad.writable()) << odd.toStdString();
        EXPECT_FALSE(bad.append("0001000", ProductionResult::Ok));
        EXPECT_TRUE(bad.error().contains(odd));
    }
}

// A hand-edited file with a stale frame map and an En bit above the capcode
// count: the command line programs and compares what the window would after
// opening it, and says what it repaired.
TEST_F(CliRig, WriteAndVerifyUseTheImageTheWindowProgramsAfterOpeningTheFile) {
    PagerTable image = build_default_image();
    set_bits(image, 0x3E, 4, 7, 4);            // slots 1-8 in use
    set_slot_bit(image, enable_bit(12), true); // above the count
    image[0x9A] ^= 0x21;                       // a stale copy of the map
    ASSERT_TRUE(save_table_file(dir.filePath("in.tbl"), image).ok);
    const QByteArray file = bytes("in.tbl");
    PagerTable window = image;
    const OpenRepair repair = repair_opened_image(window);
    ASSERT_EQ(repair.slots_disabled, std::vector<int>{12});
    EXPECT_TRUE(repair.frame_copies_changed);
    const std::string said =
        "Repaired as the editor window does on opening " + path("in.tbl") + ": " + repair.describe() + "\n";
    EXPECT_NE(said.find("frame map copies (0x96-0xAF) rewritten; slot 13 switched off (above the capcode count)"),
              std::string::npos)
        << said;

    // A receiver programmed by the window from this file.
    ASSERT_TRUE(save_table_file(dir.filePath("window.tbl"), window).ok);
    ASSERT_EQ(run({"write", path("window.tbl"), "--board", sim()}), 0) << err;
    EXPECT_EQ(out, done("Verify Success!")); // nothing left to repair
    ASSERT_EQ(run({"verify", path("in.tbl"), "--board", sim()}), 0) << err;
    EXPECT_EQ(out, said + done("Verify Success!"));

    // Programmed from the file itself: the same bytes; the file stays as it was.
    ASSERT_EQ(run({"read", path("window-read.tbl"), "--board", sim()}), 0) << err;
    const QByteArray by_window = bytes("window-read.tbl");
    ASSERT_EQ(run({"write", path("in.tbl"), "--board", sim()}), 0) << err;
    EXPECT_EQ(out, said + done("Verify Success!"));
    EXPECT_EQ(bytes("in.tbl"), file);
    ASSERT_EQ(run({"read", path("cli-read.tbl"), "--board", sim()}), 0) << err;
    EXPECT_EQ(bytes("cli-read.tbl"), by_window);
}
