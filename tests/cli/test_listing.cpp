// The listing of show, show --json and diff against what the editor window
// shows after opening the same image: one table of crafted images, and
// properties over random images (diff misses no byte, text output passes no
// control character to the terminal).
#include "cli_diff.h"
#include "cli_model.h"
#include "cli_show.h"

#include "alerts.h"
#include "capcode.h"
#include "default_image.h"
#include "display.h"
#include "melody.h"
#include "prompts.h"

#include <QJsonValue>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

using namespace qrt58;

namespace {

// One finding: an image the window shows in a certain way, and the setting
// that must say so.
struct Finding {
    const char* what;
    std::function<void(PagerTable&)> change;
    const char* key;
    QJsonValue json;
    const char* text;
    const char* line = nullptr; // a line the text listing must hold, when given
};

int prompt12() { return find_prompt_slot(12)->address; }

const std::vector<Finding>& findings() {
    static const std::vector<Finding> table = {
        // A slot above the capcode count: the window unticks and greys its box.
        {"En above the count",
         [](PagerTable& t) {
             set_bits(t, 0x3E, 4, 3, 4); // slots 1-4 in use
             set_slot_bit(t, enable_bit(5), true);
         },
         "capcodes.6.enabled", false, "off"},
        {"stored En bit above the count",
         [](PagerTable& t) {
             set_bits(t, 0x3E, 4, 3, 4);
             set_slot_bit(t, enable_bit(5), true);
         },
         "capcodes.6.enabled_stored", true, "on"},
        {"usable slot keeps its bit", [](PagerTable& t) { set_slot_bit(t, enable_bit(3), true); }, "capcodes.4.enabled",
         true, "on"},
        // The slider clamps a stored 0 to its minimum.
        {"contrast 0", [](PagerTable& t) { t[kContrastAddress] = 0; }, "display.contrast_shown", 1, "1",
         "Screen contrast: 0 (shown as 1)"},
        {"contrast 12", [](PagerTable& t) { t[kContrastAddress] = 12; }, "display.contrast_shown", 4, "4"},
        // The four settings the listing missed.
        {"Date Display", [](PagerTable& t) { set_bits(t, 0x3B, 3, 1, 1); }, "options.date_display", "mm-dd-yy",
         "mm-dd-yy", "Date Display: mm-dd-yy"},
        {"24H o'clock", [](PagerTable& t) { set_bits(t, 0x595, 3, 0, 1); }, "options.24h_o_clock", true, "on",
         "24H o'clock: on"},
        {"RD Key Delete Enable",
         [](PagerTable& t) {
             set_bits(t, 0x32, 1, 0, 1);
             set_bits(t, 0x36, 7, 0, 1); // "Push Key Lamp On Enable" shows the box
         },
         "options.rd_key_delete_enable", true, "on", "RD Key Delete Enable: on"},
        {"RD Key Switch Alert hidden",
         [](PagerTable& t) {
             set_bits(t, 0x595, 4, 1, 1);
             set_bits(t, 0x36, 7, 1, 1);
         },
         "options.rd_key_switch_alert", false, "off",
         "RD Key Switch Alert: off  (hidden: Push Key Lamp On Enable is off)"},
        // A stored value of no item: null and "none of the list (N)" everywhere.
        {"personal alert 5", [](PagerTable& t) { t[kPersonAlertAddress] = 5; }, "alerts.personal_alert_length",
         QJsonValue(), "none of the list (5)", "Personal Alert Length: none of the list (5)"},
        {"personal alert code", [](PagerTable& t) { t[kPersonAlertAddress] = 5; }, "alerts.personal_alert_length_code",
         5, "5"},
        {"lamp 50", [](PagerTable& t) { t[kLampAddress] = 50; }, "display.lamp_time", QJsonValue(),
         "none of the list (50)"},
        {"battery 99", [](PagerTable& t) { t[kBatteryLevelFirst + 2] = 99; }, "display.battery.high", QJsonValue(),
         "none of the list (99)"},
        {"battery code", [](PagerTable& t) { t[kBatteryLevelFirst + 2] = 99; }, "display.battery.high_code", 99, "99"},
        {"mail-drop length 3",
         [](PagerTable& t) {
             t[kMailAlertLengthBase + 7] = 3;
             set_mail_alert_enabled(t, 7, true);
         },
         "alerts.mail_drop.8.alert", QJsonValue(), "none of the list (3)"},
        {"music type 32", [](PagerTable& t) { t[kMusicTypeFirst] = 32; }, "melodies.slots.1.music_type", QJsonValue(),
         "none of the list (32)"},
        {"language 9", [](PagerTable& t) { set_bits(t, 0x3E, 0, 9, 4); }, "display.language", QJsonValue(),
         "none of the list (9)", "Prompt language: none of the list (9)"},
        {"logo font 5", [](PagerTable& t) { set_bits(t, 0x3F, 0, 5, 4); }, "display.logo_font", QJsonValue(),
         "none of the list (5)"},
        {"frequency range", [](PagerTable& t) { t[0xF1] = 0x2A; }, "frequency.range", QJsonValue(),
         "none of the list (2)"},
        // With "Multiple Source Prompt" on the list has no "Forward".
        {"source mode 0",
         [](PagerTable& t) {
             set_bits(t, 0x32, 4, 0, 2);
             set_bits(t, 0x596, 3, 0, 1);
         },
         "source_prompts.mode", QJsonValue(), "none of the list (0)"},
        {"source mode 0, four modes",
         [](PagerTable& t) {
             set_bits(t, 0x32, 4, 0, 2);
             set_bits(t, 0x596, 3, 1, 1);
         },
         "source_prompts.mode", "Forward", "Forward"},
        // The default tone while per-capcode music is on.
        {"tone while capcode music",
         [](PagerTable& t) {
             set_bits(t, 0x33, 5, 0, 1);
             t[kToneAddress] = kToneOfCapcodeMusic;
         },
         "alerts.default_tone", QJsonValue(), "per-capcode music is on (36)",
         "Default tone: per-capcode music is on (36)"},
        {"tone 36 without capcode music",
         [](PagerTable& t) {
             set_bits(t, 0x33, 5, 1, 1);
             t[kToneAddress] = kToneOfCapcodeMusic;
         },
         "alerts.default_tone", QJsonValue(), "none of the list (36)"},
        // The odd slot of a Long pair in the mail-drop list.
        {"mail-drop odd slot of a Long pair", [](PagerTable& t) { store_capcode(t, 2, 3000000000.0, true); },
         "alerts.mail_drop.4.covered", true, "second slot of the Long pair Cap #03/#04"},
        {"mail-drop odd slot of a Short pair", [](PagerTable&) {}, "alerts.mail_drop.4.covered", false, ""},
        // Control characters are escaped in text, kept in JSON.
        {"prompt with ESC",
         [](PagerTable& t) {
             const int a = prompt12();
             const std::uint8_t record[6] = {0x00, 4, 'A', 0x1B, 'B', 0x07};
             t.put(a, record, 6);
         },
         "prompts.12.text",
         QString::fromLatin1("A\x1B"
                             "B\x07"),
         "\"A\\x1BB\\x07\""},
        {"prompt with a C1 control",
         [](PagerTable& t) {
             const std::uint8_t record[4] = {0x00, 2, 0x9D, 'x'};
             t.put(prompt12(), record, 4);
         },
         "prompts.12.text", QString(QChar(0x9D)) + QLatin1Char('x'), "\"\\u009Dx\""},
    };
    return table;
}

std::string listing(const cli::ImageModel& model) {
    std::ostringstream out;
    cli::print_model(model, out);
    return out.str();
}

bool has_line(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

TEST(Listing, SaysWhatTheWindowShows) {
    ASSERT_FALSE(is_icon_prompt(12));
    for (const Finding& f : findings()) {
        SCOPED_TRACE(f.what);
        PagerTable image = build_default_image();
        f.change(image);
        const cli::ImageModel model = cli::build_image_model(image);
        const cli::Setting* s = nullptr;
        try {
            s = &model.at(f.key);
        } catch (const std::out_of_range&) {
            ADD_FAILURE() << "no setting " << f.key;
            continue;
        }
        EXPECT_EQ(s->value.json(), f.json) << f.key;
        EXPECT_EQ(s->text, f.text) << f.key;
        if (f.line) {
            EXPECT_TRUE(has_line(listing(model), f.line)) << f.line;
        }
    }
}

TEST(Listing, EveryListSettingHasItsStoredNumber) {
    const cli::ImageModel model = cli::build_image_model(build_default_image());
    for (const char* key : {"frequency.range", "alerts.default_tone", "alerts.personal_alert_length",
                            "alerts.mail_drop.2.alert", "melodies.slots.16.music_type", "display.language",
                            "display.logo_font", "display.lamp_time", "display.battery.low", "source_prompts.mode"})
        EXPECT_NO_THROW(model.at(std::string(key) + "_code")) << key;
}

// A random image, with the signature.
PagerTable random_image(std::mt19937& rng) {
    PagerTable image;
    for (auto& b : image.bytes) b = static_cast<std::uint8_t>(rng());
    const std::string sig = ver_str;
    image.put(kSignatureAddress, reinterpret_cast<const std::uint8_t*>(sig.data()), static_cast<int>(sig.size()));
    return image;
}

// The setting names a diff lists ("bytes" for each run of bytes).
std::vector<std::string> diff_of(const PagerTable& a, const PagerTable& b) {
    const cli::ImageModel ma = cli::build_image_model(a), mb = cli::build_image_model(b);
    const cli::ImageDiff d = cli::diff_images(a, ma, b, mb);
    std::vector<std::string> names;
    for (const cli::SettingChange& c : d.settings) names.push_back(c.a->key);
    for (std::size_t i = 0; i < d.bytes.size(); ++i) names.push_back("bytes");
    return names;
}

// Bytes that a setting claims but shows only in part: each difference is
// listed, as a setting when one shows it, else as bytes.
TEST(Diff, ListsEveryDifferingByte) {
    struct Case {
        const char* what;
        std::function<void(PagerTable&)> setup;  // both images
        std::function<void(PagerTable&)> change; // the second image
        const char* listed;                      // a setting name, or "bytes"
    };
    const auto none = [](PagerTable&) {};
    const std::vector<Case> cases = {
        {"frame-map copy", none, [](PagerTable& t) { t[0x9A] ^= 0x10; }, "bytes"},
        {"lockout time while lockout off", [](PagerTable& t) { set_bits(t, 0x3C, 3, 0, 1); },
         [](PagerTable& t) { t[0x3C] ^= 0x01; }, "bytes"},
        {"bit 1 of a whole-byte box", [](PagerTable& t) { t[0x358] = 1; }, [](PagerTable& t) { t[0x358] = 3; },
         "bytes"},
        {"out-of-range time of no item",
         [](PagerTable& t) {
             set_bits(t, 0x596, 4, 0, 1);
             t[0x5D5] = 9;
         },
         [](PagerTable& t) { t[0x5D5] = 10; }, "bytes"},
        {"length of a disabled mail-drop alert", [](PagerTable& t) { set_mail_alert_enabled(t, 5, false); },
         [](PagerTable& t) { t[kMailAlertLengthBase + 5] ^= 0x10; }, "alerts.mail_drop.6.alert_code"},
        {"En bit above the count", [](PagerTable& t) { set_bits(t, 0x3E, 4, 3, 4); },
         [](PagerTable& t) { set_slot_bit(t, enable_bit(9), !get_slot_bit(t, enable_bit(9))); },
         "capcodes.10.enabled_stored"},
        {"24H o'clock", none, [](PagerTable& t) { t[0x595] ^= 0x08; }, "options.24h_o_clock"},
        {"RD Key Switch Alert", none, [](PagerTable& t) { t[0x595] ^= 0x10; }, "options.rd_key_switch_alert"},
        {"RD Key Delete Enable", none, [](PagerTable& t) { t[0x32] ^= 0x02; }, "options.rd_key_delete_enable"},
        {"Date Display", none, [](PagerTable& t) { t[0x3B] ^= 0x08; }, "options.date_display"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PagerTable a = build_default_image();
        c.setup(a);
        PagerTable b = a;
        c.change(b);
        ASSERT_NE(a, b);
        EXPECT_EQ(diff_of(a, b), std::vector<std::string>{c.listed});
    }

    // Any one bit flipped anywhere, in the default image and in random ones.
    std::mt19937 rng(160109);
    const PagerTable base = build_default_image();
    const cli::ImageModel base_model = cli::build_image_model(base);
    for (int address = 0; address < kImageSize; ++address) {
        PagerTable b = base;
        b[address] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        EXPECT_FALSE(cli::diff_images(base, base_model, b, cli::build_image_model(b)).equal()) << "byte " << address;
    }
    for (int n = 0; n < 3; ++n) {
        const PagerTable a = random_image(rng);
        const cli::ImageModel ma = cli::build_image_model(a);
        EXPECT_TRUE(cli::diff_images(a, ma, a, ma).equal());
        for (int k = 0; k < 200; ++k) {
            PagerTable b = a;
            const int address = static_cast<int>(rng() % kImageSize);
            b[address] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
            EXPECT_FALSE(cli::diff_images(a, ma, b, cli::build_image_model(b)).equal())
                << "image " << n << ", byte " << address;
        }
    }
}

// Nothing but printable text and line ends reaches the terminal.
std::string first_control(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if ((c < 0x20 && c != '\n') || c == 0x7F || (c == 0xC2 && next >= 0x80 && next <= 0x9F))
            return "offset " + std::to_string(i) + ": " + text.substr(i > 20 ? i - 20 : 0, 40);
    }
    return "";
}

TEST(Listing, TextOutputEscapesControlCharacters) {
    std::mt19937 rng(1612);
    const PagerTable base = build_default_image();
    const cli::ImageModel base_model = cli::build_image_model(base);
    for (int n = 0; n < 40; ++n) {
        const PagerTable image = random_image(rng);
        const cli::ImageModel model = cli::build_image_model(image);
        EXPECT_EQ(first_control(listing(model)), "") << "image " << n;
        std::ostringstream diff;
        cli::print_diff(cli::diff_images(base, base_model, image, model), diff);
        EXPECT_EQ(first_control(diff.str()), "") << "image " << n;
    }
    EXPECT_EQ(cli::printable("a\tb\x1B[2J\x7F\xC2\x85\xC3\xA9"), "a\\x09b\\x1B[2J\\x7F\\u0085\xC3\xA9");
}

} // namespace
