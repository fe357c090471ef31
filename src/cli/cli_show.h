// qrt58cli show: prints what the editor window shows of an image, as text or
// as one JSON document, both from the image's model (cli_model.h).
#pragma once

#include "cli_common.h"
#include "cli_model.h"
#include "pager_table.h"

#include <QJsonObject>
#include <iosfwd>
#include <string>

namespace qrt58::cli {

int cmd_show(const std::string& file, bool json, const CommandIo& io);

// Loads a table file for show and diff; false with one line on `err`
// ("qrt58cli: COMMAND: ...") when it cannot be.
bool load_for(const std::string& command, const std::string& file, PagerTable& image, std::ostream& err);

// The listing itself, for a loaded image.
void print_image_summary(const PagerTable& image, std::ostream& out);
void print_model(const ImageModel& model, std::ostream& out);
// The JSON document of `show --json`.
QJsonObject show_json(const std::string& file, const ImageModel& model);

// The sections of the listing, each beside the part of the model it prints.
void print_frequency_and_capcodes(const ImageModel& model, std::ostream& out);
void print_prompts_and_display(const ImageModel& model, std::ostream& out);
void print_alerts_and_melodies(const ImageModel& model, std::ostream& out);

} // namespace qrt58::cli
