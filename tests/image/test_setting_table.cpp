// The settings' table as a whole: the listing is the table read in order, every
// settable row is found by its names, and a choice a row accepts is what that
// row then reads, on random images.
#include "default_image.h"
#include "setting_table.h"
#include "settings.h"

#include <gtest/gtest.h>

#include <random>

using namespace qrt58;

namespace {

std::string name_of(const SettingGroup& group, const SettingRow& row, int number) {
    return group.prefix.empty() ? row.field : slot_key(group.prefix.c_str(), number, row.field.c_str());
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The choices `set --list` names for a row ("A|B|C (note)"); empty for a
// value that is no choice of a list or box.
std::vector<std::string> choices(const SettingRow& row) {
    if (row.values.find('|') == std::string::npos) return {};
    const std::string list = row.values.substr(0, row.values.find(" ("));
    std::vector<std::string> out;
    for (std::size_t at = 0;;) {
        const auto bar = list.find('|', at);
        out.push_back(list.substr(at, bar - at));
        if (bar == std::string::npos) return out;
        at = bar + 1;
    }
}

TEST(SettingTable, TheListingIsTheTableReadInOrderAndEverySettableNameFindsItsRow) {
    const ImageModel model = build_image_model(build_default_image());
    std::vector<std::string> listed;
    for (const Setting& s : model.settings())
        if (s.key.size() < 5 || s.key.compare(s.key.size() - 5, 5, "_code") != 0) listed.push_back(s.key);
    std::vector<std::string> table;
    for (const SettingGroup& group : setting_table()) {
        for (const int n : group.numbers) {
            for (const SettingRow& row : group.rows) {
                const std::string name = name_of(group, row, n);
                if (row.read) table.push_back(name);
                int number = -1;
                const SettingRow* found = find_setting(name, &number);
                if (row.values.empty()) {
                    EXPECT_EQ(found, nullptr) << name << " is listed only";
                    continue;
                }
                EXPECT_EQ(found, &row) << name;
                EXPECT_EQ(number, n) << name;
                EXPECT_TRUE(row.apply) << name;
            }
        }
    }
    EXPECT_EQ(listed, table);
    EXPECT_GT(table.size(), 500u);
    for (const char* none : {"capcodes", "capcodes.1", "capcodes.x.type", "capcodes.1234.type", "prompts.1.label",
                             "options.nothing", "source_prompts.slots.1.textx", "xcapcodes.1.type"})
        EXPECT_EQ(find_setting(none), nullptr) << none;
}

TEST(SettingTable, AChoiceARowAcceptsIsWhatItReadsOnRandomImages) {
    std::mt19937 rng(20261209u);
    const auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    int accepted = 0;
    for (int round = 0; round < 40; ++round) {
        // The default image with some bytes at random, so that the locks and
        // odd stored values of real files come up too.
        PagerTable image = build_default_image();
        for (int i = pick(40); i > 0; --i)
            image[static_cast<std::size_t>(pick(kImageSize))] = static_cast<std::uint8_t>(pick(256));
        for (const SettingGroup& group : setting_table()) {
            for (const SettingRow& row : group.rows) {
                const std::vector<std::string> items = choices(row);
                // A pair's length follows the image only once its long capcode
                // is given (the session holds it until then).
                if (items.empty() || !row.read || row.field == "length") continue;
                const int n = group.numbers[static_cast<std::size_t>(pick(static_cast<int>(group.numbers.size())))];
                const std::string name = name_of(group, row, n);
                const std::string choice = items[static_cast<std::size_t>(pick(static_cast<int>(items.size())))];
                PagerTable copy = image;
                SettingSession session(copy);
                if (!session.apply(name, choice).empty()) {
                    EXPECT_EQ(copy, image) << name << "=" << choice << ": a refusal leaves the image";
                    continue;
                }
                ++accepted;
                const ImageModel model = build_image_model(copy);
                const Setting& read = model.at(name);
                const std::string shown = choice == "true" ? "on" : choice == "false" ? "off" : choice;
                EXPECT_EQ(trimmed(read.text), shown) << "round " << round << ": " << name << "=" << choice;
            }
        }
    }
    EXPECT_GT(accepted, 1000);
}

} // namespace
