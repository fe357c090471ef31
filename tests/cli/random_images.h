// Random images a user could make in the window: the default image after
// random choices that the window's rules accept (refused ones change nothing).
#pragma once

#include "default_image.h"
#include "melody.h"
#include "prompts.h"
#include "settings.h"

#include <cstring>
#include <random>
#include <regex>
#include <string>

namespace qrt58::test_images {

class Images {
public:
    explicit Images(unsigned seed) : rng_(seed) {}

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    // A random value of the kind `name` takes (not always one it accepts).
    std::string value(const std::string& name, const PagerTable& image, const PairLengths& shown) {
        const auto text = [this](const char* alphabet, int length) {
            std::string out;
            for (int i = 0; i < length; ++i) out += alphabet[pick(static_cast<int>(std::strlen(alphabet)))];
            return out;
        };
        if (name == "capcode_count") return std::to_string(1 + pick(16));
        if (name == "display.contrast") return std::to_string(1 + pick(8));
        if (name == "frequency.box") return std::to_string(1530000 + 50 * (pick(41) - 20));
        if (name == "passwords.read_write") return text("ABCXYZ019 ", 6);
        if (name == "passwords.manual") return text("0123456789", 4);
        if (name == "alerts.menu_left_out") {
            std::string out;
            for (int i = 0; i < kMenuItems; ++i)
                if (pick(3) == 0)
                    out += (out.empty() ? "" : ",") + std::string(menu_item_captions()[static_cast<std::size_t>(i)]);
            return out;
        }
        if (name.rfind("capcodes.", 0) == 0 && name.find(".capcode") != std::string::npos) {
            const int slot = std::stoi(name.substr(9)) - 1;
            if (slot % 2 == 0 && shown[static_cast<std::size_t>(slot / 2)])
                return std::to_string(2101249 + static_cast<long long>(pick(2000000000)));
            return std::to_string(1 + pick(2031614));
        }
        if (name.find(".melody") != std::string::npos)
            return text(single_tone_mode(image) ? "01" : "0ABCDEFGabcdefg", 1 + pick(16));
        if (name.rfind("source_prompts.slots.", 0) == 0 && name.find(".text") != std::string::npos)
            return text("AB XY<>12", 1 + pick(18));
        if (name.rfind("prompts.", 0) == 0) return text("ABC XYZ 09", pick(16));
        // Lists and boxes: one of the values set --list names.
        const std::string family = std::regex_replace(name, std::regex("\\.\\d+\\."), ".N.");
        for (const SettableName& n : settable_names()) {
            if (n.name != family) continue;
            std::string values = n.values.substr(0, n.values.find(" ("));
            std::vector<std::string> items;
            for (std::size_t at = 0;;) {
                const auto bar = values.find('|', at);
                items.push_back(values.substr(at, bar - at));
                if (bar == std::string::npos) break;
                at = bar + 1;
            }
            return items[static_cast<std::size_t>(pick(static_cast<int>(items.size())))];
        }
        return "?";
    }

    // A name of the listing that set takes, slot numbers drawn at random.
    std::string name() {
        const auto& names = settable_names();
        const std::string family = names[static_cast<std::size_t>(pick(static_cast<int>(names.size())))].name;
        const auto n = family.find(".N.");
        if (family == "frequency") return "frequency.box";
        if (n == std::string::npos) return family;
        int number = 1 + pick(16);
        if (family == "prompts.N.text")
            number = prompt_slots()[static_cast<std::size_t>(pick(static_cast<int>(prompt_slots().size())))].index;
        if (family == "capcodes.N.length") number = 1 + 2 * pick(8);
        if (family.rfind("alerts.mail_drop", 0) == 0) number = 2 + pick(15);
        if (family.rfind("source_prompts", 0) == 0) number = 1 + pick(17);
        return family.substr(0, n) + "." + std::to_string(number) + family.substr(n + 2);
    }

    // An image a user could make in the window: the default image after random
    // choices the window's rules accept.
    PagerTable image() {
        PagerTable image = build_default_image();
        SettingSession session(image);
        // Deep states first, so that the locks they open are tried too.
        session.apply("options.user_s_capcode_music_type_enable", pick(2) ? "true" : "false");
        session.apply("alerts.mail_alert", pick(2) ? "true" : "false");
        session.apply("source_prompts.mode", pick(2) ? "Backward" : "Auto Cap.");
        for (int i = 0; i < 120; ++i) {
            const std::string n = name();
            session.apply(n, value(n, image, session.shown));
        }
        // A length switched to Long without its long capcode is not kept in a file.
        for (int p = 0; p < kCapcodePairs; ++p)
            if (session.shown[static_cast<std::size_t>(p)] && !pair_is_long_in_image(image, p))
                session.apply("capcodes." + std::to_string(2 * p + 1) + ".length", "Short");
        return image;
    }

private:
    std::mt19937 rng_;
};

} // namespace qrt58::test_images
