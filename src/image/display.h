// Display and power settings of the image: logo font, contrast, lamp time, the
// key-lamp companion byte and the battery gauge levels.
#pragma once

#include "pager_table.h"

#include <vector>

namespace qrt58 {

// Logo font, field (0x3F, 0, 4): 0 large (15 characters), 2 small (20).
constexpr int kLogoFontAddress = 0x3F;
constexpr int kLogoLargeFont = 0;
constexpr int kLogoSmallFont = 2;
struct LogoFontItem {
    const char* text;
    int value;
};
const std::vector<LogoFontItem>& logo_font_items(); // "Large Font" 0, "Small Font" 2
int logo_font(const PagerTable& image);
void store_logo_font(PagerTable& image, int font);
// Box length for a logo font value (15 large, 20 small).
int logo_max_length(int font);

// Screen contrast, byte 0x369, 1 to 8; a stored value above 8 shows as 4.
constexpr int kContrastAddress = 0x369;
constexpr int kContrastMin = 1;
constexpr int kContrastMax = 8;
int stored_contrast(const PagerTable& image);
// Stores a slider value (kept within a byte).
void store_contrast(PagerTable& image, int v);
int contrast_to_show(const PagerTable& image);
// The number the slider then shows: contrast_to_show() kept within the
// slider's range 1..8 (a stored 0 shows 1).
int contrast_on_slider(const PagerTable& image);
// Grey levels of the "Screen" sample: 5v when the image is loaded, 80 - 10v
// when the user moves the slider (two different scales, both in use).
int contrast_grey_on_load(int v);
int contrast_grey_on_change(int v);

// Lamp time, byte 0x5C0.
constexpr int kLampAddress = 0x5C0;
struct LampItem {
    const char* text;
    int value;
};
const std::vector<LampItem>& lamp_items(); // "10 sec" 14 ... "120 sec" 171
int lamp_time_code(const PagerTable& image);
void store_lamp_time(PagerTable& image, int code);

// "Push Key Lamp On Enable" writes its companion byte 0x3B0: 16 on, 32 off.
constexpr int kKeyLampCompanionAddress = 0x3B0;
std::uint8_t key_lamp_companion(bool enabled);
// The factory image holds 14 there until the box is first clicked.
void store_key_lamp_companion(PagerTable& image, std::uint8_t value);

// Battery gauge levels Low, Med, High at 0x3B2..0x3B4.
constexpr int kBatteryLevelFirst = 0x3B2;
// Level 0 Low, 1 Med, 2 High.
int battery_level_code(const PagerTable& image, int level);
void store_battery_level(PagerTable& image, int level, int code);
// True when High > Med > Low.
bool battery_levels_ordered(const PagerTable& image);
// The message of levels out of that order.
constexpr const char* kBatteryOrderMessage = "Waring ! You must let ( Level-High > Level-Med > Level-Low ).";

} // namespace qrt58
