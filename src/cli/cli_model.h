// The image model of the listing (image_model.h) under the names the command
// line uses; the settings' table (setting_table.h) builds it.
#pragma once

#include "image_model.h"
#include "setting_table.h"

namespace qrt58::cli {

using qrt58::bit_field;
using qrt58::BitsList;
using qrt58::build_image_model;
using qrt58::hex_byte;
using qrt58::ImageBits;
using qrt58::ImageModel;
using qrt58::model_json;
using qrt58::on_off;
using qrt58::printable;
using qrt58::PrintableStream;
using qrt58::Setting;
using qrt58::Value;
using qrt58::whole_bytes;

} // namespace qrt58::cli
