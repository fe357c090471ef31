#include "capcode.h"
#include "cli.h"
#include "cli_test_run.h"
#include "default_image.h"
#include "prompts.h"
#include "table_file.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

using namespace qrt58;

namespace {
QByteArray read_all(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}
} // namespace

TEST(CliNew, WritesTheDefaultImageAndRefusesToOverwrite) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("x.tbl").toStdString();
    const CliRun first = run_cli({"new", path});
    EXPECT_EQ(first.status, 0) << first.err;
    const QByteArray bytes = read_all(QString::fromStdString(path));
    ASSERT_EQ(bytes.size(), kImageSize);
    const PagerTable d = build_default_image();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(d.data()), kImageSize), bytes);
    EXPECT_EQ(bytes.mid(0x7E0, 12), QByteArray("QRT58 V05.02"));
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[0x7FE]), 0xFF);

    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("x");
    f.close();
    const CliRun second = run_cli({"new", path});
    EXPECT_NE(second.status, 0);
    EXPECT_NE(second.err.find("--force"), std::string::npos);
    EXPECT_EQ(std::count(second.err.begin(), second.err.end(), '\n'), 1);
    EXPECT_EQ(read_all(QString::fromStdString(path)), QByteArray("x"));

    EXPECT_EQ(run_cli({"new", path, "--force"}).status, 0);
    EXPECT_EQ(read_all(QString::fromStdString(path)).size(), kImageSize);
}

TEST(CliNew, UsageAndErrors) {
    const CliRun help = run_cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("new FILE"), std::string::npos);
    // Each failure: a non-zero status and one line on stderr that names the problem.
    const std::vector<std::vector<std::string>> failing = {{},
                                                           {"frobnicate"},
                                                           {"new"},
                                                           {"new", "a.tbl", "b.tbl"},
                                                           {"new", "--fast", "a.tbl"},
                                                           {"new", "/nonexistent-folder/x.tbl"}};
    for (const auto& args : failing) {
        const CliRun r = run_cli(args);
        const std::string shown = args.empty() ? "(no arguments)" : args[0] + " ...";
        EXPECT_NE(r.status, 0) << shown;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << shown << ": " << r.err;
        EXPECT_EQ(r.err.rfind("qrt58cli: ", 0), 0u) << shown << ": " << r.err;
        EXPECT_EQ(r.out, "") << shown;
    }
}

namespace {
// Lines of the output that start with the given text.
std::string line_starting(const std::string& text, const std::string& start) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(start, 0) == 0) return line;
    return {};
}
} // namespace

TEST(CliShow, CapcodeSlotsAndFrameMapAsTheWindowShowsThem) {
    QTemporaryDir dir;
    const QString path = dir.filePath("c.tbl");
    PagerTable t = build_default_image();
    store_capcode(t, 2, 3223326721.0, true); // pair 1 long
    set_slot_bit(t, enable_bit(2), true);
    store_capcode(t, 2, 3223326721.0, true); // copies the enable bit to slot 4
    set_capcode_word(t, 6, 0x409000);        // flagged, fits no long rule
    set_capcode_word(t, 7, 0x400005);
    store_capcode(t, 4, 16, false);
    set_capcode_type(t, 4, CapcodeType::Group);
    set_slot_bit(t, priority_bit(4), false); // "Pri" ticked
    set_slot_bit(t, manual_bit(4), false);
    ASSERT_TRUE(save_table_file(path, t).ok);

    const CliRun r = run_cli({"show", path.toStdString()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(line_starting(r.out, "   3    3223326721  Long    on"), "") << r.out;
    EXPECT_NE(line_starting(r.out, "   4    (second word of slot 3)"), "") << r.out;
    EXPECT_NE(line_starting(r.out, "   5    0000016     Short   off  Group      on   off"), "") << r.out;
    EXPECT_NE(line_starting(r.out, "   7    ??????????  Long"), "") << r.out;
    EXPECT_NE(line_starting(r.out, "   8    (second word of slot 7)"), "") << r.out;
    EXPECT_NE(line_starting(r.out, "   9    1234567     Short"), "") << r.out;
    // Stored map of the default image, then what the enabled capcodes give.
    PagerTable copy = t;
    const auto expected = apply_frame_rule(copy, long_pairs_from_image(t)).label;
    EXPECT_NE(expected, "0100");
    EXPECT_EQ(line_starting(r.out, "Frame map:"), "Frame map: 0100 (from the enabled capcodes: " + expected + ")");

    const CliRun bad = run_cli({"show", dir.filePath("missing.tbl").toStdString()});
    EXPECT_NE(bad.status, 0);
    EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1);
}

TEST(CliShow, FrequencyRangeAndSynthesizerLabels) {
    QTemporaryDir dir;
    const QString path = dir.filePath("f.tbl");
    PagerTable t = build_default_image();
    apply_range_preset(t, 4); // range 2, 928.0125 MHz base, 931.0125 MHz
    ASSERT_TRUE(save_table_file(path, t).ok);
    CliRun r = run_cli({"show", path.toStdString()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(line_starting(r.out, "Frequency range:"), "Frequency range: 929-932MHz");
    EXPECT_EQ(line_starting(r.out, "Frequency:"), "Frequency: 931012500 Hz (box: 9310125)");
    EXPECT_EQ(line_starting(r.out, "PLL-R:"), "PLL-R: 2801  PLL-N: 236A2  INCD: 4  BFreq: 9280125  Channel: 25KHz");

    t[0xF1] = 0x2A; // no range of the list
    ASSERT_TRUE(save_table_file(path, t).ok);
    r = run_cli({"show", path.toStdString()});
    EXPECT_EQ(line_starting(r.out, "Frequency range:"), "Frequency range: none of the list (2)");
}

TEST(CliShow, PromptsSourcePromptsAndDisplaySettings) {
    QTemporaryDir dir;
    const QString path = dir.filePath("p.tbl");
    PagerTable t = build_default_image();
    ASSERT_TRUE(save_table_file(path, t).ok);
    CliRun r = run_cli({"show", path.toStdString()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(line_starting(r.out, "    0  Power Up Logo"), "    0  Power Up Logo           5  \"    VANTOR  \"");
    EXPECT_EQ(line_starting(r.out, "   14  SLEEP"), "   14  SLEEP ------------>     3  \"SLEEP\"");
    EXPECT_EQ(line_starting(r.out, "Source prompts"), "Source prompts (mode: Disable, Multiple Source Prompt: off):");
    EXPECT_EQ(line_starting(r.out, "  1 "), "  1      on            8  \"        < 1 >\"");
    EXPECT_EQ(line_starting(r.out, "  Group"), "  Group  on            7  \"       <Group>\"");
    EXPECT_EQ(line_starting(r.out, "Push Key Lamp On Enable:"), "Push Key Lamp On Enable: off (0x3B0 = 14)");
    EXPECT_EQ(line_starting(r.out, "Battery gauge levels:"), "Battery gauge levels: Low 2.40V, Med 2.55V, High 2.65V");

    apply_language(t, Language::Spanish);
    t[0x3F] = 2;
    t[0x369] = 12;
    t[0x5C0] = 50;
    t[0x3B4] = 99;
    t[0x555] = 0;
    t[0x32] = 0x2E; // mode Auto Cap.
    t[0x596] &= 0xF7;
    ASSERT_TRUE(save_table_file(path, t).ok);
    r = run_cli({"show", path.toStdString()});
    EXPECT_EQ(line_starting(r.out, "    1  NO PAGES"), "    1  NO PAGES ------->       5  \"    SIN MESAJES\"");
    EXPECT_EQ(line_starting(r.out, "Source prompts"), "Source prompts (mode: Auto Cap., Multiple Source Prompt: on):");
    EXPECT_EQ(line_starting(r.out, "  2 "), "  2      off           8  \"        < 2 >\"");
    EXPECT_EQ(line_starting(r.out, "Prompt language:"), "Prompt language: Spainish (code 5)");
    EXPECT_EQ(line_starting(r.out, "Logo font:"), "Logo font: Small Font (2)");
    EXPECT_EQ(line_starting(r.out, "Screen contrast:"), "Screen contrast: 12 (shown as 4)");
    EXPECT_EQ(line_starting(r.out, "Lamp time:"), "Lamp time: none of the list (50)");
    EXPECT_EQ(line_starting(r.out, "Battery gauge levels:"),
              "Battery gauge levels: Low 2.40V, Med 2.55V, High none of the list (99) (not High > Med > Low)");
}

namespace {
// An output that takes nothing, as a full disk or a closed pipe does.
struct RefusingOutput : std::streambuf {
    int overflow(int) override { return traits_type::eof(); }
};
} // namespace

TEST(CliShow, ErrorsGiveOneLineAndAFailingStatus) {
    QTemporaryDir dir;
    const QString good = dir.filePath("good.tbl");
    ASSERT_TRUE(save_table_file(good, build_default_image()).ok);
    const QString foreign = dir.filePath("foreign.tbl");
    QFile f(foreign);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(kImageSize, '\0'));
    f.close();

    // Files that cannot be shown fail (1); a wrong command line is a usage error (2).
    for (const std::vector<std::string>& args : {std::vector<std::string>{"show", foreign.toStdString()},
                                                 {"show", dir.path().toStdString()},
                                                 {"show"},
                                                 {"show", good.toStdString(), good.toStdString()}}) {
        const CliRun r = run_cli(args);
        EXPECT_EQ(r.status, args.size() == 2 ? 1 : 2) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("qrt58cli: show: ", 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
    }

    // Output that cannot be written is a failure, not a success.
    RefusingOutput sink;
    std::ostream out(&sink);
    std::ostringstream err;
    EXPECT_EQ(cli::run({"show", good.toStdString()}, out, err), 1);
    const std::string message = err.str();
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
}

TEST(CliShow, AlertsAndMelodiesByTheirCaptions) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.tbl");
    PagerTable t = build_default_image();
    const std::uint8_t menu[7] = {0x20, 0x20, 8, 9, 10, 11, 12};
    t.put(0xF8, menu, 7);
    t[0x31] = 34;
    t[0x383] = 5;
    t[0x596] = 0xAB; // out-of-range on, multiple tone, "Vibration Like Beep" ticked
    t[0x5D5] = 9;
    t[0x3C] = 0x49; // lockout 60 s, reminder 2 minutes
    t[0x3B] |= 0x40;
    set_capcode_type(t, 2, CapcodeType::MailDrop);
    t[0x375] = 16;
    t[0x37A] = 3;    // slot 7: no item
    t[0x386] = 0xFB; // slot 3 "Disable"
    t[0x564] = 32;   // no item of slot 0's list
    t[0x565] = 49;
    t[0x610] = 238;
    t[0x611] = 1;
    ASSERT_TRUE(save_table_file(path, t).ok);
    const CliRun r = run_cli({"show", path.toStdString()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(line_starting(r.out, "Menu items left out:"),
              "Menu items left out: Zoom In/Out Off, Set Alert Off, CAP-ON Off");
    EXPECT_EQ(line_starting(r.out, "Default tone:"), "Default tone: Alert & Vibrate");
    EXPECT_EQ(line_starting(r.out, "Personal Alert Length:"), "Personal Alert Length: none of the list (5)");
    EXPECT_EQ(line_starting(r.out, "Out-of Range Alert:"), "Out-of Range Alert: 3 Min");
    EXPECT_EQ(line_starting(r.out, "Sequential Lockout:"), "Sequential Lockout: 60 seconds");
    EXPECT_EQ(line_starting(r.out, "Reminder Duration Control:"), "Reminder Duration Control: 2 minutes");
    EXPECT_EQ(line_starting(r.out, "Vibration Like Beep:"), "Vibration Like Beep: on");
    EXPECT_EQ(line_starting(r.out, "Multiple Tone:"), "Multiple Tone: on");
    EXPECT_EQ(line_starting(r.out, "Mail Alert:"), "Mail Alert: on");
    EXPECT_EQ(line_starting(r.out, "  Cap #03"), "  Cap #03  16 sec");
    EXPECT_EQ(line_starting(r.out, "  Cap #04"), "  Cap #04  Disable  (not a mail-drop capcode)");
    EXPECT_EQ(line_starting(r.out, "  Cap #08"), "  Cap #08  none of the list (3)  (not a mail-drop capcode)");
    EXPECT_NE(line_starting(r.out, "Music types and user melodies (multiple tone):"), "");
    EXPECT_EQ(line_starting(r.out, "  Cap #01  none"), "  Cap #01  none of the list (32)   cde0cde0cde0cde0");
    EXPECT_EQ(line_starting(r.out, "  Cap #02  Flash"), "  Cap #02  Flash Only              C e0eee0eee0eee0");
}
