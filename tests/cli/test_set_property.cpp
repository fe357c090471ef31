// `set` against the listing: every name `show --json` lists as a user's choice
// is settable, and for any image X made by the window's own choices and any
// image A, setting on A every name X can take with X's values gives a file
// whose listing equals X's on those names.
#include "cli_model.h"
#include "cli_set.h"

#include "default_image.h"
#include "melody.h"
#include "prompts.h"
#include "settings.h"

#include "random_images.h"

#include <QJsonArray>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <regex>
#include <sstream>

using namespace qrt58;
using namespace qrt58::cli;
using qrt58::test_images::Images;

namespace {

// Names of the listing that show what the image holds or what follows from
// other settings, not a choice of the user's.
bool derived_name(const std::string& key) {
    static const std::regex derived(
        "file|frame_map\\..*|frequency\\.hz|synthesizer\\..*|.*_code|.*_stored|"
        "capcodes\\.\\d+\\.(slot|covered|value|record|usable)|prompts\\.\\d+\\.(index|label|column)|"
        "source_prompts\\.slots\\.\\d+\\.(name|spaces)|display\\.(contrast_shown|push_key_lamp_companion)|"
        "display\\.battery\\.ordered|alerts\\.mail_drop\\.\\d+\\.(slot|mail_drop_capcode|covered)|melodies\\.mode|"
        "melodies\\.slots\\.\\d+\\.slot");
    return std::regex_match(key, derived);
}

// The value text `set` takes for a listed value; nothing for null.
std::optional<std::string> value_text(const Value& value) {
    const QJsonValue v = value.json();
    if (v.isBool()) return v.toBool() ? "true" : "false";
    if (v.isDouble()) return QString::number(v.toDouble(), 'f', 0).toStdString();
    if (v.isString()) return v.toString().toStdString();
    if (v.isArray()) {
        std::string out;
        for (const QJsonValue& item : v.toArray()) out += (out.empty() ? "" : ",") + item.toString().toStdString();
        return out;
    }
    return std::nullopt;
}

TEST(SetProperty, EverySettingTheListingShowsAsAChoiceIsSettable) {
    const ImageModel model = build_image_model(build_default_image());
    int settable = 0;
    for (const Setting& s : model.settings()) {
        if (derived_name(s.key)) continue;
        EXPECT_TRUE(is_settable_name(s.key)) << s.key;
        ++settable;
    }
    EXPECT_GT(settable, 250);
    // And set --list names every family.
    std::ostringstream list;
    list << '\n';
    print_set_names(list);
    for (const SettableName& n : settable_names()) EXPECT_NE(list.str().find('\n' + n.name + ' '), std::string::npos);
}

TEST(SetProperty, SettingEveryNameOfXOnAnyImageListsAsX) {
    Images random(qEnvironmentVariableIsSet("QRT58_SEED")
                      ? static_cast<unsigned>(qEnvironmentVariableIntValue("QRT58_SEED"))
                      : 20261209u);
    for (int round = 0; round < 60 && !::testing::Test::HasFailure(); ++round) {
        const PagerTable x = random.image();
        PagerTable a = random.image();
        const ImageModel want = build_image_model(x);
        // The names X can take with its locks open (a box X greys out or
        // hides behind a setting that is not itself a lock refuses even X's
        // own value). `set` opens the locks of a command and closes them last.
        PagerTable open = x;
        for (const auto& [name, value] : {std::pair{"options.user_s_capcode_music_type_enable", "true"},
                                          {"options.paging_display", "Direct"},
                                          {"display.push_key_lamp", "true"},
                                          {"alerts.mail_alert", "true"},
                                          {"source_prompts.mode", "Backward"},
                                          {"capcode_count", "16"}})
            apply_setting(open, name, value);
        std::vector<std::string> assignments;
        std::vector<std::string> keys;
        for (const Setting& s : want.settings()) {
            if (!is_settable_name(s.key)) continue;
            const auto text = value_text(s.value);
            if (!text) continue;
            PagerTable same = open;
            if (!apply_setting(same, s.key, *text).empty() && !apply_setting(same = x, s.key, *text).empty()) continue;
            // A text the window would store otherwise than X holds it (the
            // default logo's trailing spaces) is no text a user typed.
            if (s.key.size() > 5 && s.key.compare(s.key.size() - 5, 5, ".text") == 0 &&
                build_image_model(same).text(s.key) != s.text)
                continue;
            assignments.push_back(s.key + "=" + *text);
            keys.push_back(s.key);
        }
        ASSERT_GT(assignments.size(), 150u);
        std::string error;
        ASSERT_EQ(apply_assignments(a, assignments, error), 0) << error;
        const ImageModel got = build_image_model(a);
        for (const std::string& key : keys)
            EXPECT_EQ(got.text(key), want.text(key)) << "round " << round << ": " << key;
    }
}

} // namespace
