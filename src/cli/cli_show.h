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

} // namespace qrt58::cli
