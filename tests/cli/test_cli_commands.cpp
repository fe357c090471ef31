// qrt58cli help, version, exit statuses, show --json, diff and set, through
// the library entry point.
#include "cli.h"
#include "cli_model.h"
#include "cli_set.h"
#include "cli_test_run.h"

#include "alerts.h"
#include "capcode.h"
#include "default_image.h"
#include "frequency.h"
#include "melody.h"
#include "password.h"
#include "prompts.h"
#include "table_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

using namespace qrt58;

namespace {

int lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

struct Files : ::testing::Test {
    std::string save(const char* name, const PagerTable& image) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(save_table_file(path, image).ok);
        return path.toStdString();
    }
    QByteArray bytes(const std::string& path) {
        QFile f(QString::fromStdString(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    PagerTable load(const std::string& path) {
        PagerTable t;
        EXPECT_EQ(load_table_file(QString::fromStdString(path), t).status, LoadStatus::Ok);
        return t;
    }
    QJsonObject json(const std::vector<std::string>& args) {
        const CliRun r = run_cli(args);
        EXPECT_EQ(r.err, "");
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        return doc.object();
    }
    QTemporaryDir dir;
};

} // namespace

TEST(CliCommandLine, HelpVersionAndExitStatuses) {
    for (const char* command : {"new", "show", "diff", "set", "read", "write", "verify"}) {
        for (const auto& args : {std::vector<std::string>{command, "--help"}, {command, "-h"}, {"help", command}}) {
            const CliRun r = run_cli(args);
            EXPECT_EQ(r.status, 0) << command;
            EXPECT_EQ(r.out.rfind(std::string("Usage: qrt58cli ") + command + ' ', 0), 0u) << r.out;
            EXPECT_NE(r.out.find("--help"), std::string::npos) << command;
            EXPECT_EQ(r.err, "");
        }
    }
    EXPECT_NE(run_cli({"write", "--help"}).out.find("--count <N>"), std::string::npos);
    EXPECT_NE(run_cli({"read", "--help"}).out.find("--line-delay <US>"), std::string::npos);
    EXPECT_EQ(run_cli({"read", "--help"}).out.find("--count"), std::string::npos);
    for (const char* flag : {"--version", "-V"}) {
        const CliRun v = run_cli({flag});
        EXPECT_EQ(v.status, 0);
        EXPECT_EQ(v.out, "qrt58cli QRT58 V05.02\n");
    }
    // -v only ever means verbose: before a command it is a usage error that
    // does nothing (a script's `qrt58cli -v write ... && next` stops there).
    for (const auto& args :
         {std::vector<std::string>{"-v"}, {"-v", "write", "f.tbl", "--count", "1"}, {"--verbose", "read", "f.tbl"}}) {
        const CliRun v = run_cli(args);
        EXPECT_EQ(v.status, 2) << args[0];
        EXPECT_EQ(v.out, "");
        EXPECT_NE(v.err.find("goes after the command"), std::string::npos) << v.err;
    }
    EXPECT_EQ(run_cli({"write", "--help"}).out.find("--version"), std::string::npos);

    // Usage errors: 2 and one line, nothing on standard output.
    const std::vector<std::vector<std::string>> usage = {
        {},
        {"frobnicate"},
        {"--frobnicate"},
        {"help", "frobnicate"},
        {"show"},
        {"show", "a.tbl", "--fast"},
        {"diff", "a.tbl"},
        {"diff", "a", "b", "c"},
        {"write", "a.tbl", "--count"},
        {"write", "a.tbl", "--count", "0"},
        {"write", "-", "--count", "2"},
        {"read", "a.tbl", "--count", "2"},
        {"read", "a.tbl", "--board", "lpt1"},
        {"verify", "a.tbl", "--line-delay", "9"},
        {"set", "a.tbl"},
        {"new"},
    };
    for (const auto& args : usage) {
        const CliRun r = run_cli(args);
        const std::string shown = args.empty() ? "(nothing)" : args[0] + " ...";
        EXPECT_EQ(r.status, 2) << shown << ": " << r.err;
        EXPECT_EQ(lines(r.err), 1) << shown << ": " << r.err;
        EXPECT_EQ(r.err.rfind("qrt58cli: ", 0), 0u) << r.err;
        EXPECT_EQ(r.out, "") << shown;
    }
    // The work failing: 1.
    const CliRun missing = run_cli({"show", "/nonexistent/a.tbl"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(lines(missing.err), 1);
}

TEST_F(Files, ShowJsonOfTheDefaultImage) {
    const std::string path = save("d.tbl", build_default_image());
    const QJsonObject doc = json({"show", path, "--json"});
    EXPECT_EQ(doc["file"].toString().toStdString(), path);
    EXPECT_EQ(doc["frequency"]["hz"].toDouble(), 153000000.0);
    EXPECT_TRUE(doc["frequency"]["hz"].isDouble());
    EXPECT_EQ(doc["frequency"]["range"].toString(), "130-180MHz");
    EXPECT_EQ(doc["synthesizer"]["channel_khz"].toInt(), 5);
    EXPECT_EQ(doc["capcode_count"].toInt(), 16);
    const QJsonArray capcodes = doc["capcodes"].toArray();
    ASSERT_EQ(capcodes.size(), 16);
    EXPECT_EQ(capcodes[0]["slot"].toInt(), 1);
    EXPECT_EQ(capcodes[0]["capcode"].toString(), "1234567");
    EXPECT_EQ(capcodes[0]["value"].toDouble(), 1234567.0);
    EXPECT_EQ(capcodes[0]["enabled"].toBool(), true);
    EXPECT_EQ(capcodes[1]["enabled"].toBool(), false);
    EXPECT_EQ(capcodes[15]["length"].toString(), "Short");
    EXPECT_EQ(doc["frame_map"]["stored"].toString(), "0100");

    const QJsonArray prompts = doc["prompts"].toArray();
    ASSERT_EQ(prompts.size(), static_cast<int>(prompt_slots().size()));
    EXPECT_EQ(prompts[1]["index"].toInt(), 1);
    EXPECT_EQ(prompts[1]["text"].toString(), "     NO PAGES");
    EXPECT_EQ(prompts[1]["column"].toInt(), 6);
    EXPECT_EQ(prompts.last()["index"].toInt(), 68);
    const QJsonArray sources = doc["source_prompts"]["slots"].toArray();
    ASSERT_EQ(sources.size(), 17);
    EXPECT_EQ(sources[16]["name"].toString(), "Group");
    EXPECT_EQ(doc["source_prompts"]["mode"].toString(), "Disable");

    EXPECT_EQ(doc["display"]["language"].toString(), "English");
    EXPECT_EQ(doc["display"]["contrast"].toInt(), 4);
    EXPECT_EQ(doc["options"]["history_off"].toBool(), true);
    EXPECT_EQ(doc["options"]["read_time_out"].toString(), "8 sec");
    EXPECT_EQ(doc["alerts"]["menu_left_out"].toArray(), QJsonArray{"CAP-ON Off"});
    // Per-capcode music is on: the list shows no tone, the byte holds 36.
    EXPECT_TRUE(doc["alerts"]["default_tone"].isNull());
    EXPECT_EQ(doc["alerts"]["default_tone_code"].toInt(), 36);
    EXPECT_EQ(doc["alerts"]["mail_drop"].toArray().size(), 15);
    EXPECT_EQ(doc["melodies"]["slots"].toArray().at(0)["melody"].toString(), "1010101010101010");
    EXPECT_EQ(doc["passwords"]["manual"].toString(), "0000");
}

TEST_F(Files, ShowJsonOfACraftedImage) {
    PagerTable t = build_default_image();
    // Pair 0 "Long" with a ten-digit capcode, slot 3 disabled and a mail drop.
    ASSERT_EQ(store_capcode(t, 0, 3000000000.0, true), CapcodeEncoding::LongB);
    set_slot_bit(t, enable_bit(2), true);
    set_capcode_type(t, 2, CapcodeType::MailDrop);
    ASSERT_EQ(store_prompt(t, prompt_slots()[0].address, false, QStringLiteral("  HELLO")).status,
              PromptStoreStatus::Stored);
    store_frequency(t, 1700000);
    t[0xF1] = 0x3F; // no range of the list
    const QJsonObject doc = json({"show", save("c.tbl", t), "--json"});
    const QJsonArray capcodes = doc["capcodes"].toArray();
    EXPECT_EQ(capcodes[0]["capcode"].toString(), "3000000000");
    EXPECT_EQ(capcodes[0]["value"].toDouble(), 3000000000.0);
    EXPECT_EQ(capcodes[0]["length"].toString(), "Long");
    EXPECT_TRUE(capcodes[1]["covered"].toBool());
    EXPECT_TRUE(capcodes[1]["capcode"].isNull());
    EXPECT_EQ(capcodes[2]["type"].toString(), "Mail drop");
    EXPECT_TRUE(capcodes[2]["enabled"].toBool());
    EXPECT_EQ(doc["prompts"].toArray().at(0)["text"].toString(), "  HELLO");
    EXPECT_EQ(doc["frequency"]["hz"].toDouble(), 170000000.0);
    EXPECT_TRUE(doc["frequency"]["range"].isNull());
    EXPECT_TRUE(doc["alerts"]["mail_drop"].toArray().at(1)["mail_drop_capcode"].toBool());
}

TEST(CliModel, NamesAreUniqueAndEveryJsonLeafIsASetting) {
    const cli::ImageModel model = cli::build_image_model(build_default_image());
    std::set<std::string> names;
    for (const cli::Setting& s : model.settings()) EXPECT_TRUE(names.insert(s.key).second) << s.key;
    // Counting the leaves of the JSON document finds names that shadow each
    // other ("a" and "a.b") or numbered runs that are not arrays.
    std::function<int(const QJsonValue&)> leaves = [&](const QJsonValue& v) {
        int n = 0;
        if (v.isObject()) {
            for (const QJsonValue& c : v.toObject()) n += leaves(c);
        } else if (v.isArray()) {
            for (const QJsonValue& c : v.toArray()) n += leaves(c);
        } else {
            n = 1;
        }
        return n;
    };
    EXPECT_EQ(leaves(cli::model_json(model)), static_cast<int>(model.settings().size()));
}

TEST_F(Files, DiffNamesSettingsAndBytesOutsideThem) {
    const PagerTable a = build_default_image();
    PagerTable b = a;
    ASSERT_EQ(store_capcode(b, 2, 1000, false), CapcodeEncoding::Short);
    ASSERT_EQ(store_prompt(b, find_prompt_slot(12)->address, false, QStringLiteral("OFF")).status,
              PromptStoreStatus::Stored);
    b[0x7A0] = 0x55; // no setting lives here
    b[0x7A1] = 0x66;
    const std::string pa = save("a.tbl", a), pb = save("b.tbl", b);

    const CliRun r = run_cli({"diff", pa, pb});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "capcodes.3.capcode: 1234567 -> 0001000\n"
                     "capcodes.3.value: 1234567 -> 1000\n"
                     "capcodes.3.record: 82 13 56 87 -> 82 00 83 E8\n"
                     "prompts.12.column: 6 -> 1\n"
                     "prompts.12.text: \"     PAGER OFF\" -> \"OFF\"\n"
                     "bytes 0x7A0-0x7A1: FF FF -> 55 66\n");

    const QJsonObject doc = json({"diff", pa, pb, "--json"});
    EXPECT_FALSE(doc["equal"].toBool());
    const QJsonArray settings = doc["settings"].toArray();
    ASSERT_EQ(settings.size(), 5);
    EXPECT_EQ(settings[1]["name"].toString(), "capcodes.3.value");
    EXPECT_EQ(settings[1]["b"].toDouble(), 1000.0);
    const QJsonArray bytes = doc["bytes"].toArray();
    ASSERT_EQ(bytes.size(), 1);
    EXPECT_EQ(bytes[0]["first"].toInt(), 0x7A0);
    EXPECT_EQ(bytes[0]["last"].toInt(), 0x7A1);
    EXPECT_EQ(bytes[0]["b"].toString(), "5566");

    // A prompt byte past the text's length is no part of the prompt.
    PagerTable c = a;
    const int address = find_prompt_slot(12)->address;
    c[address + 2 + a[address + 1] + 1] ^= 0x01;
    const CliRun tail = run_cli({"diff", pa, save("c.tbl", c)});
    EXPECT_EQ(tail.status, 1);
    EXPECT_EQ(tail.out.rfind("bytes 0x", 0), 0u) << tail.out;

    const CliRun same = run_cli({"diff", pa, pa});
    EXPECT_EQ(same.status, 0);
    EXPECT_EQ(same.out, "");
    EXPECT_TRUE(json({"diff", pa, pa, "--json"})["equal"].toBool());
    const CliRun quiet = run_cli({"diff", pa, pb, "--quiet"});
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.out, "");

    const CliRun missing = run_cli({"diff", pa, (dir.path() + "/none.tbl").toStdString()});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(lines(missing.err), 1);
}

TEST_F(Files, SetAppliesTheWindowRules) {
    PagerTable start = build_default_image();
    set_bits(start, kSourceModeAddress, kSourceModeBit, 1, kSourceModeWidth); // "Backward"
    const std::string path = save("s.tbl", start);
    const CliRun r =
        run_cli({"set", path, "frequency=1530250", "capcodes.3.capcode=1000", "passwords.read_write=ABCDEF",
                 "passwords.manual=0042", "prompts.12.text=  OFF", "source_prompts.slots.17.text=GRP"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Set 6 settings in " + path + "\n");

    PagerTable expected = start;
    const FrequencyOutcome f = check_frequency("1530250", 0, expected);
    ASSERT_EQ(f.result, FrequencyCheck::Accepted);
    apply_frequency(expected, f);
    store_capcode(expected, 2, 1000, false);
    apply_frame_rule(expected, long_pairs_from_image(expected));
    store_rw_password(expected, {'A', 'B', 'C', 'D', 'E', 'F'});
    store_manual_password(expected, {0, 0, 4, 2});
    store_prompt(expected, find_prompt_slot(12)->address, false, QStringLiteral("  OFF"));
    store_source_prompt(expected, source_prompt_address(kGroupSourcePrompt), QStringLiteral("GRP"));
    EXPECT_EQ(load(path).bytes, expected.bytes);

    // With the source-prompt mode on "Auto Cap." the slot's source prompt
    // follows its capcode.
    PagerTable auto_cap = load(path);
    set_bits(auto_cap, 0x32, 4, 2, 2);
    save("s.tbl", auto_cap);
    ASSERT_EQ(run_cli({"set", path, "capcodes.4.capcode=77"}).status, 0);
    EXPECT_EQ(source_prompt_text(load(path), source_prompt_address(kSourcePromptFirst + 3)),
              align_prompt(QStringLiteral("<0000077>"), Alignment::Center, kSourceBoxMax));

    // A source prompt whose box is not ticked cannot be typed into.
    PagerTable unticked = load(path);
    unticked[kSourceEnableFirst + 4] = 0;
    save("s.tbl", unticked);
    const CliRun off = run_cli({"set", path, "source_prompts.slots.5.text=X"});
    EXPECT_EQ(off.status, 1);
    EXPECT_NE(off.err.find("source prompt 5 is not ticked"), std::string::npos) << off.err;

    // A long capcode comes with the pair's switch; the hidden slot is refused.
    ASSERT_EQ(run_cli({"set", path, "capcodes.1.length=long", "capcodes.1.capcode=3000000000"}).status, 0);
    PagerTable t = load(path);
    EXPECT_TRUE(pair_is_long_in_image(t, 0));
    EXPECT_EQ(decode_capcode(capcode_word(t, 0), capcode_word(t, 1), true).text, "3000000000");
    const CliRun hidden = run_cli({"set", path, "capcodes.2.capcode=5"});
    EXPECT_EQ(hidden.status, 1);
    // And back to short: both words start again from the placeholder.
    ASSERT_EQ(run_cli({"set", path, "capcodes.1.length=short"}).status, 0);
    t = load(path);
    EXPECT_FALSE(pair_is_long_in_image(t, 0));
    EXPECT_EQ(decode_capcode(capcode_word(t, 0), std::nullopt, false).text, "1234567");
    EXPECT_EQ(decode_capcode(capcode_word(t, 1), std::nullopt, false).text, "1234567");
}

TEST_F(Files, SetSwitchingAPairToLongCopiesTheSlotAsTheWindowDoes) {
    // Slot 3 (the first of pair 2) with its own settings; slot 4 differs.
    PagerTable start = build_default_image();
    store_mail_alert(start, 2, MailAlert::SixteenSeconds, false);
    store_mail_alert(start, 3, MailAlert::Disable, false);
    start[kSourceEnableFirst + 2] = 1;
    start[kSourceEnableFirst + 3] = 0;
    store_source_prompt(start, source_prompt_address(kSourcePromptFirst + 2), QStringLiteral(" ABC"));
    store_music_type(start, 2, 6, false); // "Tone 3"
    store_user_melody(start, 2, "1100");
    const std::string path = save("long.tbl", start);
    ASSERT_EQ(run_cli({"set", path, "capcodes.3.length=long", "capcodes.3.capcode=3000000000"}).status, 0);
    const PagerTable t = load(path);
    EXPECT_TRUE(pair_is_long_in_image(t, 1));
    EXPECT_EQ(mail_alert(t, 3), MailAlert::SixteenSeconds);
    EXPECT_EQ(t[kMailAlertLengthBase + 3], 16);
    EXPECT_EQ(t[kSourceEnableFirst + 3], 1);
    EXPECT_EQ(source_prompt_text(t, source_prompt_address(kSourcePromptFirst + 3)), QStringLiteral(" ABC"));
    EXPECT_EQ(t[0x564 + 3], 6);
    EXPECT_EQ(user_melody_text(t, 3), user_melody_text(t, 2));
    // A pair that was long already keeps the odd slot's own settings.
    PagerTable again = t;
    store_music_type(again, 3, 1, false);
    save("long.tbl", again);
    ASSERT_EQ(run_cli({"set", path, "capcodes.3.capcode=3000000001"}).status, 0);
    EXPECT_EQ(load(path)[0x564 + 3], 1);
}

TEST_F(Files, SetRefusesAndLeavesTheFileAlone) {
    const std::string path = save("s.tbl", build_default_image());
    const QByteArray before = bytes(path);
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"frequency=1", "Frequency setting error"},
        {"frequency=abc", "Please insert a decimal numeric!"},
        {"frequency=1530001", "Channel Spacing Error!"},
        {"capcodes.3.capcode=x", "Please insert a numeric!"},
        {"capcodes.3.capcode=2031616", "Please insert a number between 1 to 2031615"},
        {"capcodes.3.capcode=0", "Please insert a number between 1 to 2031615"},
        {"capcodes.17.capcode=5", "capcode slots are 1 to 16"},
        {"capcodes.2.length=long", "the length belongs to the first slot of a pair"},
        {"capcodes.1.length=long", "give the long capcode too"},
        {"passwords.read_write=abc", "Please input 6 Charcter!"},
        {"passwords.manual=12345", "the box takes at most 4 characters"},
        {"passwords.manual=-1", "Please insert a decimal numeric!"},
        {"passwords.read_write=ABCDEFGHIJ", "the box takes at most 6 characters"},
        {"prompts.1.text=ABCDEFGHIJKLMNOPQRS", "Can not exceed 18 characters exclude left space!"},
        {"prompts.1.text=\xE2\x98\x83", "The pager can not show the character"},
        {"prompts.40.text=A", "prompts are 0 to 32"},
        {"prompts.1.text=A\tB", "The pager can not show the character \"U+0009\"!"},
        {"prompts.1.text=A\xF0\x9F\x98\x80", "The pager can not show the character \"\xF0\x9F\x98\x80\"!"},
        {"prompts.0.text=ABCDEFGHIJKLMNOP", "the box takes at most 15 characters"},
        {"display.contrast=9", "the contrast is 1 to 8"},
        {"alerts.menu_left_out=", "You must disable one option"},
        {"alerts.default_tone=Tone 2", "shown only with Set Alert Off ticked"},
        {"capcodes.1.type=Boss", "takes one of Personal|Mail drop|Group"},
        {"options.direct_show_lamp_on=true", "shown only with Paging Display Direct"},
        {"display.battery.high=2.35V", "Waring ! You must let"},
        {"source_prompts.slots.3.text=A", "the source prompts are off (mode Disable)"},
    };
    for (const auto& [assignment, message] : refused) {
        // Each refusal after an accepted assignment: nothing of either is saved.
        const CliRun r = run_cli({"set", path, "capcodes.3.capcode=1000", assignment});
        EXPECT_EQ(r.status, 1) << assignment;
        EXPECT_NE(r.err.find(assignment + ": " + message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("unchanged"), std::string::npos) << r.err;
        EXPECT_EQ(lines(r.err), 1) << r.err;
        EXPECT_EQ(bytes(path), before) << assignment;
    }
    // A frequency refused names the unit the box takes.
    for (const char* frequency : {"frequency=1", "frequency=abc", "frequency.box=1530001", "frequency=153.025"})
        EXPECT_NE(run_cli({"set", path, frequency}).err.find("units of 100 Hz: 1530250 = 153.025 MHz"),
                  std::string::npos)
            << frequency;
    std::ostringstream names;
    cli::print_set_names(names);
    EXPECT_NE(names.str().find(" the frequency in units of 100 Hz"), std::string::npos);
    // A slot above the capcode count has no box to type into.
    PagerTable four = build_default_image();
    set_bits(four, 0x3E, 4, 3, 4); // slots 1-4
    const std::string counted = save("four.tbl", four);
    EXPECT_EQ(run_cli({"set", counted, "capcodes.4.capcode=1000"}).status, 0);
    const CliRun above = run_cli({"set", counted, "capcodes.5.capcode=1000"});
    EXPECT_EQ(above.status, 1);
    EXPECT_NE(above.err.find("above the capcode count (slots 1-4"), std::string::npos) << above.err;

    for (const char* usage : {"nothing=1", "capcodes.3.colour=red", "frequency"}) {
        const CliRun r = run_cli({"set", path, usage});
        EXPECT_EQ(r.status, 2) << usage;
        EXPECT_EQ(bytes(path), before);
    }
    const CliRun list = run_cli({"set", "--list"});
    EXPECT_EQ(list.status, 0);
    for (const char* name : {"\nfrequency ", "\ncapcodes.N.capcode ", "\ncapcodes.N.length ", "\npasswords.read_write ",
                             "\npasswords.manual ", "\nprompts.N.text ", "\nsource_prompts.slots.N.text "})
        EXPECT_NE(list.out.find(name), std::string::npos) << name;
}
