#include "display.h"

#include <algorithm>

namespace qrt58 {

int logo_font(const PagerTable& image) { return get_bits(image, kLogoFontAddress, 0, 4); }

int logo_max_length(int font) { return font == kLogoSmallFont ? 20 : 15; }

int contrast_to_show(const PagerTable& image) {
    const int v = image[kContrastAddress];
    return v > kContrastMax ? 4 : v;
}

int contrast_on_slider(const PagerTable& image) {
    return std::clamp(contrast_to_show(image), kContrastMin, kContrastMax);
}

int contrast_grey_on_load(int v) { return 5 * v; }

int contrast_grey_on_change(int v) { return 80 - 10 * v; }

const std::vector<LampItem>& lamp_items() {
    static const std::vector<LampItem> items = {
        {"10 sec", 14}, {"30 sec", 43}, {"60 sec", 86}, {"120 sec", 171}};
    return items;
}

std::uint8_t key_lamp_companion(bool enabled) { return enabled ? 16 : 32; }

bool battery_levels_ordered(const PagerTable& image) {
    const int low = image[kBatteryLevelFirst];
    const int med = image[kBatteryLevelFirst + 1];
    const int high = image[kBatteryLevelFirst + 2];
    return high > med && med > low;
}

} // namespace qrt58
