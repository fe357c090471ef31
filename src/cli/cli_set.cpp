#include "cli_set.h"

#include "cli_show.h"

#include "alerts.h"
#include "capcode.h"
#include "change_rules.h"
#include "melody.h"
#include "display.h"
#include "frequency.h"
#include "password.h"
#include "prompts.h"
#include "table_file.h"

#include <QString>
#include <map>
#include <optional>
#include <ostream>

namespace qrt58::cli {
namespace {

struct Assignment {
    std::string text; // "NAME=VALUE" as given
    std::string name;
    std::string value;
};

// "capcodes.5.capcode" -> 5 when `name` is PREFIX + number + SUFFIX.
std::optional<int> numbered(const std::string& name, const std::string& prefix,
                            const std::string& suffix) {
    if (name.size() <= prefix.size() + suffix.size() ||
        name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return std::nullopt;
    const std::string digits =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.empty() || digits.size() > 3 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(digits);
}

bool is_setting_name(const std::string& n) {
    return n == "frequency" || n == "passwords.read_write" || n == "passwords.manual" ||
           numbered(n, "capcodes.", ".capcode") || numbered(n, "capcodes.", ".length") ||
           numbered(n, "prompts.", ".text") || numbered(n, "source_prompts.slots.", ".text");
}

class Assigner {
public:
    Assigner(PagerTable& image, std::map<int, bool> lengths)
        : image_(image), lengths_(std::move(lengths)) {}

    // Empty when accepted, else the reason.
    std::string apply(const Assignment& a) {
        const std::string& n = a.name;
        if (n == "frequency") return frequency(a.value);
        if (n == "passwords.read_write") return rw_password(a.value);
        if (n == "passwords.manual") return manual_password(a.value);
        if (const auto slot = numbered(n, "capcodes.", ".capcode")) return capcode(*slot, a.value);
        if (const auto slot = numbered(n, "capcodes.", ".length")) return length(*slot, a.value);
        if (const auto index = numbered(n, "prompts.", ".text")) return prompt(*index, a.value);
        if (const auto slot = numbered(n, "source_prompts.slots.", ".text"))
            return source_prompt(*slot, a.value);
        return "no setting of that name";
    }

private:
    bool pair_long(int pair) const {
        const auto it = lengths_.find(pair);
        return it != lengths_.end() ? it->second : pair_is_long_in_image(image_, pair);
    }
    // A slot whose box the window hides: the second slot of a "Long" pair.
    bool hidden(int slot) const { return slot % 2 == 1 && pair_long(slot / 2); }

    std::string frequency(const std::string& value) {
        const auto range = detect_frequency_range(image_);
        if (!range) return "the frequency range of the image is none of the list (byte 0xF1)";
        const FrequencyOutcome outcome = check_frequency(value, *range, image_);
        if (outcome.result == FrequencyCheck::Restore) return "no frequency given";
        if (outcome.result != FrequencyCheck::Accepted) return outcome.message;
        apply_frequency(image_, outcome);
        return {};
    }

    std::string rw_password(const std::string& value) {
        const RwPasswordOutcome outcome = check_rw_password(QString::fromStdString(value));
        if (outcome.result != RwPasswordCheck::Accepted) return outcome.message.toStdString();
        store_rw_password(image_, outcome.bytes);
        return {};
    }

    std::string manual_password(const std::string& value) {
        const ManualPasswordOutcome outcome = check_manual_password(QString::fromStdString(value));
        if (outcome.result == ManualPasswordCheck::Empty) return "no password given";
        if (outcome.result != ManualPasswordCheck::Accepted) return outcome.message.toStdString();
        store_manual_password(image_, outcome.digits);
        return {};
    }

    PairLengths shown() const {
        PairLengths pairs{};
        for (int p = 0; p < kCapcodePairs; ++p) pairs[static_cast<std::size_t>(p)] = pair_long(p);
        return pairs;
    }

    std::string capcode(int number, const std::string& value) {
        if (number < 1 || number > kCapcodeSlots) return "capcode slots are 1 to 16";
        const int slot = number - 1;
        // The window disables the boxes above the capcode count.
        if (slot > capcode_count_field(image_))
            return "slot " + std::to_string(number) + " lies above the capcode count (slots 1-" +
                   std::to_string(capcode_count_field(image_) + 1) + " are in use)";
        if (hidden(slot))
            return "slot " + std::to_string(number) +
                   " holds the second word of the long capcode of slot " +
                   std::to_string(number - 1);
        const bool long_pair = slot % 2 == 0 && pair_long(slot / 2);
        const CapcodeChange change = enter_capcode(image_, slot, value, shown());
        if (change.result != CapcodeChangeResult::Stored) return change.message;
        if (long_pair && !pair_is_long_in_image(image_, slot / 2))
            return "a long pair takes a long capcode (2101249 or more); set capcodes." +
                   std::to_string(number) + ".length=short for a short one";
        return {};
    }

    std::string length(int number, const std::string& value) {
        if (number < 1 || number > kCapcodeSlots || number % 2 == 0)
            return "the length belongs to the first slot of a pair: 1, 3, ... 15";
        if (value != "short" && value != "long") return "the length is short or long";
        const int pair = (number - 1) / 2;
        const bool to_long = value == "long";
        if (to_long == pair_is_long_in_image(image_, pair)) return {};
        // A switch to "long" comes with its long capcode (capcodes.N.capcode in
        // the same command, stored after the switch, as the window's box is).
        if (to_long) switch_pair_to_long(image_, pair);
        else switch_pair_to_short(image_, pair);
        return {};
    }

    std::string prompt(int index, const std::string& value) {
        const PromptSlot* slot = find_prompt_slot(index);
        if (!slot) return "prompts are 0 to 32, 50 to 52 and 68";
        const QString text = QString::fromStdString(value);
        const int box_max = index == 0 ? logo_max_length(logo_font(image_)) : slot->max_length;
        if (text.size() > box_max)
            return "the box takes at most " + std::to_string(box_max) + " characters";
        const PromptStoreResult r = store_prompt(image_, slot->address, slot->icon, text);
        if (r.status != PromptStoreStatus::Stored) return prompt_refusal_message(r).toStdString();
        return {};
    }

    std::string source_prompt(int number, const std::string& value) {
        const int count = kGroupSourcePrompt - kSourcePromptFirst + 1;
        if (number < 1 || number > count)
            return "source prompts are 1 to 16, and 17 for group calls";
        const int index = kSourcePromptFirst + number - 1;
        const int slot = number - 1;
        if (index < kGroupSourcePrompt && hidden(slot))
            return "slot " + std::to_string(number) + " belongs to the long capcode of slot " +
                   std::to_string(number - 1);
        // The window greys the boxes out while the mode is "Disable", and a
        // slot's box while its own box is not ticked.
        if (get_bits(image_, kSourceModeAddress, kSourceModeBit, kSourceModeWidth) == kSourceModeDisable)
            return "the source prompts are off (mode Disable)";
        const bool ticked = index == kGroupSourcePrompt ? get_bits(image_, 0x32, 0, 1) == 0
                                                        : image_[kSourceEnableFirst + slot] != 0;
        if (!ticked) return "source prompt " + std::to_string(number) + " is not ticked";
        const QString text = QString::fromStdString(value);
        if (text.size() > kSourceBoxMax)
            return "the box takes at most " + std::to_string(kSourceBoxMax) + " characters";
        const PromptStoreResult r = enter_source_prompt(image_, index, text, shown());
        if (r.status != PromptStoreStatus::Stored) return prompt_refusal_message(r).toStdString();
        return {};
    }

    PagerTable& image_;
    std::map<int, bool> lengths_; // pair -> long, as this command sets them
};

} // namespace

int apply_assignments(PagerTable& image, const std::vector<std::string>& texts,
                      std::string& error) {
    std::vector<Assignment> assignments;
    std::map<int, bool> lengths;
    for (const std::string& text : texts) {
        const auto eq = text.find('=');
        if (eq == std::string::npos || eq == 0) {
            error = text + ": not NAME=VALUE";
            return kExitUsage;
        }
        Assignment a{text, text.substr(0, eq), text.substr(eq + 1)};
        if (!is_setting_name(a.name)) {
            error = text + ": no setting of that name (qrt58cli set --list shows them)";
            return kExitUsage;
        }
        if (const auto n = numbered(a.name, "capcodes.", ".length"); n && *n % 2 == 1)
            lengths[(*n - 1) / 2] = a.value == "long";
        assignments.push_back(a);
    }
    // A pair switched to "long" needs its long capcode in the same command.
    for (const auto& [pair, is_long] : lengths) {
        if (!is_long || pair_is_long_in_image(image, pair)) continue;
        bool valued = false;
        for (const Assignment& a : assignments)
            valued = valued || numbered(a.name, "capcodes.", ".capcode") == 2 * pair + 1;
        if (!valued) {
            error = "capcodes." + std::to_string(2 * pair + 1) +
                    ".length=long: give the long capcode too (capcodes." +
                    std::to_string(2 * pair + 1) + ".capcode=VALUE)";
            return kExitFailed;
        }
    }
    // Lengths first, so that capcodes are stored under the lengths they come with.
    Assigner assigner(image, lengths);
    for (const bool length_pass : {true, false}) {
        for (const Assignment& a : assignments) {
            if (numbered(a.name, "capcodes.", ".length").has_value() != length_pass) continue;
            const std::string why = assigner.apply(a);
            if (!why.empty()) {
                error = a.text + ": " + why;
                return kExitFailed;
            }
        }
    }
    return 0;
}

void print_set_names(std::ostream& out) {
    out << "frequency=VALUE                  the receiving frequency as the Frequency box takes it "
           "(100 Hz units)\n"
           "capcodes.N.capcode=VALUE         capcode of slot N (1 to 16)\n"
           "capcodes.N.length=short|long     length of the pair that slot N starts (N = 1, 3, ... "
           "15); long\n"
           "                                 comes with capcodes.N.capcode in the same command\n"
           "passwords.read_write=TEXT        the six-character read/write password\n"
           "passwords.manual=DIGITS          the four-digit manual-write password\n"
           "prompts.N.text=TEXT              prompt N (0 to 32, 50 to 52, 68); leading spaces set "
           "its column\n"
           "source_prompts.slots.N.text=TEXT source prompt of slot N (1 to 16; 17 for group "
           "calls)\n";
}

int cmd_set(const std::string& file, const std::vector<std::string>& assignments,
            const CommandIo& io) {
    PagerTable image;
    if (!load_for("set", file, image, io.err)) return kExitFailed;
    std::string error;
    if (const int status = apply_assignments(image, assignments, error); status != 0) {
        fail(io.err, "set", error + " (" + file + " unchanged)");
        return status;
    }
    const SaveResult saved = save_table_file(QString::fromStdString(file), image);
    if (!saved.ok) return fail(io.err, "set", saved.error.toStdString());
    io.out << "Set " << assignments.size() << (assignments.size() == 1 ? " setting" : " settings")
           << " in " << file << '\n';
    return 0;
}

} // namespace qrt58::cli
