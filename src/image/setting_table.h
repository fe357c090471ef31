// The settings of an image as one table, in listing order: each row names a
// setting, says what values it takes, how it is read from the image into the
// listing (image_model.h) and how a value is applied to the image (through the
// change rules where a change has side effects). `qrt58cli show`, `show
// --json`, `diff`, `set`, `set --list`, the production jobs and the window's
// settings commands all read this table.
//
// A row with a reader but no values is listed only (a decoded companion such
// as a capcode's record bytes); a row with values but no reader is another
// name of a listed setting ("frequency" for "frequency.box").
#pragma once

#include "image_model.h"
#include "pager_table.h"

#include <functional>
#include <string>
#include <vector>

namespace qrt58 {

class SettingSession;
struct ImageReading;

struct SettingRow {
    // The name, or in a numbered group the part after the number
    // ("capcode" of "capcodes.N.capcode").
    std::string field;
    // What `set --list` says the setting takes; empty for a listed-only row.
    std::string values;
    // Order among the settings of one command (setting_rank): 0 a range
    // preset (it rewrites the frequency), 1 settings that change what others
    // show, take or mean, 2 settings under those locks that change others in
    // turn, 3 the values, 4 texts that the settings before may have rewritten
    // (Auto Cap., a language table, a Long pair's copies).
    int rank = 3;
    // Adds the setting (and the companions listed with it) to the model under
    // `name`; `number` is the group's number, 0 outside a group.
    std::function<void(ImageModel& model, const ImageReading& image, const std::string& name, int number)> read;
    // Applies a value; empty when accepted, else the reason. `number` as for
    // read, but not yet checked against the group's numbers.
    std::function<std::string(SettingSession& session, int number, const std::string& value)> apply;
};

// A run of rows: one pass for plain names, or one pass per number for a
// numbered group ("capcodes.1.capcode", "capcodes.1.length", ...,
// "capcodes.2.capcode", ...).
struct SettingGroup {
    std::string prefix; // "capcodes", "source_prompts.slots"; empty for plain names
    std::vector<int> numbers;
    std::vector<SettingRow> rows;
};

const std::vector<SettingGroup>& setting_table();

// The row of a settable name and the number in it; null when the name is none.
const SettingRow* find_setting(const std::string& name, int* number = nullptr);

// Every setting of an image, read through the table in listing order.
ImageModel build_image_model(const PagerTable& image);

// "capcodes.3.enabled" and the like.
std::string slot_key(const char* prefix, int number, const char* field);

} // namespace qrt58
