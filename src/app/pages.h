// The control tables of the five pages, in creation order. Rows name their
// container in `parent` (the page itself or a frame/picture on it).
#pragma once

#include "control_table.h"

#include <vector>

namespace qrt58::ui {

std::vector<ControlSpec> codes_page_controls();   // picSet  "Freq. && Codes"
std::vector<ControlSpec> status_page_controls();  // picSet2 "Alerts && Status"
std::vector<ControlSpec> prompts_page_controls(); // picSet5 "Prompts Edit"
std::vector<ControlSpec> source_page_controls();  // picSet6 "Source Prompts"
std::vector<ControlSpec> music_page_controls();   // picSet7 "Music && Tone"

} // namespace qrt58::ui
