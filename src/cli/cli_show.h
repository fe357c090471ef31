// qrt58cli show: prints what the editor window shows of an image.
#pragma once

#include "pager_table.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace qrt58::cli {

int cmd_show(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The report itself, for a loaded image.
void print_image_summary(const PagerTable& image, std::ostream& out);
// Prompts, source prompts, language, logo font, contrast, lamp and battery.
void print_prompts_and_display(const PagerTable& image, std::ostream& out);

// Menu, default tone, alerts, the plain boxes and lists of the alerts and music
// pages, the mail-drop alert per slot, and per slot the music type and melody.
void print_alerts_and_melodies(const PagerTable& image, std::ostream& out);

} // namespace qrt58::cli
