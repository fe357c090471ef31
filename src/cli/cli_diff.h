// qrt58cli diff A B: two table files compared setting by setting.
#pragma once

#include "cli_common.h"
#include "cli_model.h"

#include <QJsonObject>
#include <string>
#include <vector>

namespace qrt58::cli {

struct SettingChange {
    const Setting* a;
    const Setting* b;
};
// Differing image bytes that no setting is stored in, as runs of addresses.
struct ByteRun {
    int first;
    std::vector<std::uint8_t> a, b;
};
struct ImageDiff {
    std::vector<SettingChange> settings;
    std::vector<ByteRun> bytes;
    bool equal() const { return settings.empty() && bytes.empty(); }
};

// The models must belong to the images (build_image_model).
ImageDiff diff_images(const PagerTable& a, const ImageModel& ma, const PagerTable& b, const ImageModel& mb);

// "NAME: TEXT-A -> TEXT-B" per setting, then "bytes 0xFIRST-0xLAST: HEX -> HEX".
void print_diff(const ImageDiff& diff, std::ostream& out);
QJsonObject diff_json(const ImageDiff& diff);

int cmd_diff(const std::string& a, const std::string& b, bool json, const CommandIo& io);

} // namespace qrt58::cli
