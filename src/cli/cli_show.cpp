#include "cli_show.h"
#include "ordered_json.h"

#include "capcode.h"
#include "frequency.h"
#include "table_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>

namespace qrt58::cli {

std::string slot_key(const char* section, int number, const char* field) {
    // Built by hand: listing an image makes about a thousand of these.
    char digits[12];
    int n = 0;
    for (unsigned v = static_cast<unsigned>(number); n == 0 || v > 0; v /= 10)
        digits[n++] = static_cast<char>('0' + v % 10);
    std::string key;
    key.reserve(std::strlen(section) + std::strlen(field) + static_cast<std::size_t>(n) + 2);
    key += section;
    key += '.';
    while (n > 0)
        key += digits[--n];
    key += '.';
    key += field;
    return key;
}

namespace {

std::string hex_record(const PagerTable& image, int slot) {
    char buf[16];
    const int a = kCapcodeRecordFirst + 4 * slot;
    std::snprintf(buf, sizeof buf, "%02X %02X %02X %02X", image[a], image[a + 1], image[a + 2], image[a + 3]);
    return buf;
}

void add_flag(ImageModel& m, const std::string& key, bool on, SlotBit b) {
    m.add(key, on, on_off(on), {bit_field(b.address, b.bit, 1)});
}

void add_capcodes(ImageModel& m, const PagerTable& image) {
    const auto pairs = long_pairs_from_image(image);
    const auto decoded = decode_all_capcodes(image, pairs);
    const int last_usable = capcode_count_field(image);
    m.add("capcode_count", last_usable + 1, std::to_string(last_usable + 1),
          {bit_field(0x3E, 4, 4)});
    for (int s = 0; s < kCapcodeSlots; ++s) {
        const auto& d = decoded[static_cast<std::size_t>(s)];
        const auto key = [s](const char* field) { return slot_key("capcodes", s + 1, field); };
        const bool long_pair = s % 2 == 0 && pairs[static_cast<std::size_t>(s / 2)];
        m.add(key("slot"), s + 1, std::to_string(s + 1));
        // The second word of a long capcode: no value of its own.
        m.add(key("covered"), d.covered,
              d.covered ? "second word of slot " + std::to_string(s) : "");
        m.add(key("capcode"), d.covered ? Value() : Value(QString::fromStdString(d.capcode.text)),
              d.covered ? "" : d.capcode.text, whole_bytes(kCapcodeRecordFirst + 4 * s, 4));
        m.add(key("value"), d.covered || !d.capcode.value ? Value() : Value(*d.capcode.value),
              d.capcode.value && !d.covered
                  ? QString::number(*d.capcode.value, 'f', 0).toStdString()
                  : "");
        m.add(key("length"), long_pair ? "Long" : "Short", long_pair ? "Long" : "Short");
        // The window unticks and greys the "En" box of a slot above the capcode
        // count (and clears the bit when it opens the image); the stored bit is
        // listed on its own.
        const bool stored_on = get_slot_bit(image, enable_bit(s));
        const bool usable = s <= last_usable;
        m.add(key("enabled"), stored_on && usable, on_off(stored_on && usable),
              usable ? BitsList{bit_field(enable_bit(s).address, enable_bit(s).bit, 1)}
                     : BitsList{});
        add_flag(m, key("enabled_stored"), stored_on, enable_bit(s));
        const char* type = capcode_type_name(capcode_type(image, s));
        m.add(key("type"), type, type,
              {bit_field(type_bit(s).address, type_bit(s).bit, 1),
               bit_field(group_bit(s).address, group_bit(s).bit, 1)});
        // "Pri" is stored inverted: the box is ticked when the bit is 0.
        add_flag(m, key("priority"), !get_slot_bit(image, priority_bit(s)), priority_bit(s));
        add_flag(m, key("manual"), get_slot_bit(image, manual_bit(s)), manual_bit(s));
        m.add(key("record"), QString::fromStdString(hex_record(image, s)), hex_record(image, s));
        m.add(key("usable"), s <= last_usable, on_off(s <= last_usable));
    }
    // The stored map, and the map the editor would compute from these capcodes.
    PagerTable copy = image;
    const FrameResult computed = apply_frame_rule(copy, pairs);
    const std::string stored = frame_label(image[0x92], image[0x93]);
    // The map shown is 0x92/0x93; a difference in one of its seven copies
    // (0x96-0xAF) shows in no setting and is listed as bytes.
    m.add("frame_map.stored", QString::fromStdString(stored), stored, whole_bytes(0x92, 2));
    m.add("frame_map.computed", QString::fromStdString(computed.label), computed.label);
}

void add_frequency(ImageModel& m, const PagerTable& image) {
    const auto range = detect_frequency_range(image);
    m.add_list("frequency.range",
               range ? frequency_range_texts()[static_cast<std::size_t>(*range)].c_str() : nullptr,
               image[0xF1] >> 4, bit_field(0xF1, 4, 4));
    const std::uint64_t hz = static_cast<std::uint64_t>(stored_frequency(image)) * 100;
    m.add("frequency.hz", static_cast<double>(hz), std::to_string(hz),
          whole_bytes(kFreqAddress, 4));
    m.add("frequency.box", QString::fromStdString(frequency_text(image)), frequency_text(image));
    const PllLabels pll = pll_labels(image);
    m.add("synthesizer.pll_r", QString::fromStdString(pll.pll_r), pll.pll_r, whole_bytes(0x0A, 2));
    m.add("synthesizer.pll_n", QString::fromStdString(pll.pll_n), pll.pll_n, whole_bytes(0x05, 3));
    m.add("synthesizer.incd", QString::fromStdString(pll.incd), pll.incd, whole_bytes(0x0D, 1));
    m.add("synthesizer.base_frequency", static_cast<double>(stored_base_frequency(image)),
          pll.bfreq, whole_bytes(kBaseFreqAddress, 4));
    m.add("synthesizer.channel_khz", channel_spacing_khz(image), pll.channel, whole_bytes(0x0E, 1));
}

} // namespace

void add_frequency_and_capcodes(ImageModel& model, const PagerTable& image) {
    add_frequency(model, image);
    add_capcodes(model, image);
}

void print_frequency_and_capcodes(const ImageModel& m, std::ostream& out) {
    out << "Frequency range: " << m.text("frequency.range") << '\n';
    out << "Frequency: " << m.text("frequency.hz") << " Hz (box: " << m.text("frequency.box")
        << ")\n";
    out << "PLL-R: " << m.text("synthesizer.pll_r") << "  PLL-N: " << m.text("synthesizer.pll_n")
        << "  INCD: " << m.text("synthesizer.incd")
        << "  BFreq: " << m.text("synthesizer.base_frequency")
        << "  Channel: " << m.text("synthesizer.channel_khz") << '\n';

    out << "Capcodes (usable slots 1-" << m.text("capcode_count") << "):\n";
    out << "  Slot  Capcode     Length  En   Type       Pri  Manual  Record\n";
    for (int s = 0; s < kCapcodeSlots; ++s) {
        const auto text = [&m, s](const char* field) {
            return m.text(slot_key("capcodes", s + 1, field)).c_str();
        };
        char line[160];
        if (m.at(slot_key("capcodes", s + 1, "covered")).value.to_bool()) {
            std::snprintf(line, sizeof line, "  %2d    (%s)                        %s\n", s + 1,
                          text("covered"), text("record"));
        } else {
            std::snprintf(line, sizeof line, "  %2d    %-10s  %-6s  %-3s  %-9s  %-3s  %-6s  %s%s\n",
                          s + 1, text("capcode"), text("length"), text("enabled"), text("type"),
                          text("priority"), text("manual"), text("record"),
                          m.at(slot_key("capcodes", s + 1, "usable")).value.to_bool()
                              ? ""
                          : m.at(slot_key("capcodes", s + 1, "enabled_stored")).value.to_bool()
                              ? "  (above the capcode count; En bit set in the file)"
                              : "  (above the capcode count)");
        }
        out << line;
    }
    const std::string& stored = m.text("frame_map.stored");
    const std::string& computed = m.text("frame_map.computed");
    out << "Frame map: " << stored;
    if (computed != stored) out << " (from the enabled capcodes: " << computed << ")";
    out << '\n';
}

void print_model(const ImageModel& model, std::ostream& out) {
    print_frequency_and_capcodes(model, out);
    print_prompts_and_display(model, out);
    print_alerts_and_melodies(model, out);
}

void print_image_summary(const PagerTable& image, std::ostream& out) {
    print_model(build_image_model(image), out);
}

QJsonObject show_json(const std::string& file, const ImageModel& model) {
    QJsonObject document = model_json(model);
    document.insert(QStringLiteral("format"), kListingFormat);
    document.insert(QStringLiteral("file"), QString::fromStdString(file));
    return document;
}

bool load_for(const std::string& command, const std::string& file, PagerTable& image,
              std::ostream& err) {
    const LoadResult r = load_table_file(QString::fromStdString(file), image);
    if (r.status == LoadStatus::WrongSignature)
        fail(err, command, file + " is not a QRT58 table file");
    else if (r.status != LoadStatus::Ok)
        fail(err, command, r.error.toStdString()); // names the file
    return r.status == LoadStatus::Ok;
}

int cmd_show(const std::string& file, bool json, const CommandIo& io) {
    PagerTable image;
    if (!load_for("show", file, image, io.err)) return kExitFailed;
    const ImageModel model = build_image_model(image);
    if (json) {
        // The members in the listing's order, after the document's format.
        std::vector<std::pair<std::string, QJsonValue>> leaves{{"format", kListingFormat},
                                                               {"file", QString::fromStdString(file)}};
        for (const Setting& s : model.settings()) leaves.emplace_back(s.key, s.value.json());
        io.out << ordered_json(leaves);
    } else {
        io.out << "Table file: " << printable(file) << '\n';
        print_model(model, io.out);
    }
    // A full disk or a closed pipe must not pass for a complete listing.
    if (!io.out.flush()) return fail(io.err, "show", std::string("cannot write the listing: ") + std::strerror(errno != 0 ? errno : EIO));
    return 0;
}

} // namespace qrt58::cli
