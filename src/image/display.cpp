#include "display.h"

#include <algorithm>

namespace qrt58 {

int logo_font(const PagerTable& image) { return get_bits(image, kLogoFontAddress, 0, 4); }

const std::vector<LogoFontItem>& logo_font_items() {
    static const std::vector<LogoFontItem> items = {{"Large Font", kLogoLargeFont}, {"Small Font", kLogoSmallFont}};
    return items;
}

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

void store_key_lamp_companion(PagerTable& image, std::uint8_t value) { image[kKeyLampCompanionAddress] = value; }

bool battery_levels_ordered(const PagerTable& image) {
    const int low = image[kBatteryLevelFirst];
    const int med = image[kBatteryLevelFirst + 1];
    const int high = image[kBatteryLevelFirst + 2];
    return high > med && med > low;
}

void store_logo_font(PagerTable& image, int font) { set_bits(image, kLogoFontAddress, 0, font, 4); }

int stored_contrast(const PagerTable& image) { return image[kContrastAddress]; }

void store_contrast(PagerTable& image, int v) {
    image[kContrastAddress] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

int lamp_time_code(const PagerTable& image) { return image[kLampAddress]; }

void store_lamp_time(PagerTable& image, int code) { image[kLampAddress] = static_cast<std::uint8_t>(code); }

int battery_level_code(const PagerTable& image, int level) { return image[kBatteryLevelFirst + level]; }

void store_battery_level(PagerTable& image, int level, int code) {
    image[kBatteryLevelFirst + level] = static_cast<std::uint8_t>(code);
}

} // namespace qrt58
