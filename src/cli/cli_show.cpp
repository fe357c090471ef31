#include "cli_show.h"

#include "capcode.h"
#include "frequency.h"
#include "table_file.h"

#include <QString>
#include <cstdio>
#include <ostream>

namespace qrt58::cli {
namespace {

int show_fail(std::ostream& err, const std::string& message) {
    err << "qrt58cli: show: " << message << '\n';
    return 1;
}

std::string hex_record(const PagerTable& image, int slot) {
    char buf[16];
    const int a = kCapcodeRecordFirst + 4 * slot;
    std::snprintf(buf, sizeof buf, "%02X %02X %02X %02X", image[a], image[a + 1], image[a + 2], image[a + 3]);
    return buf;
}

const char* on_off(bool v) { return v ? "on" : "off"; }

void print_capcodes(const PagerTable& image, std::ostream& out) {
    const auto pairs = long_pairs_from_image(image);
    const auto decoded = decode_all_capcodes(image, pairs);
    const int last_usable = capcode_count_field(image);
    out << "Capcodes (usable slots 1-" << last_usable + 1 << "):\n";
    out << "  Slot  Capcode     Length  En   Type       Pri  Manual  Record\n";
    for (int s = 0; s < kCapcodeSlots; ++s) {
        const auto& d = decoded[static_cast<std::size_t>(s)];
        char line[160];
        if (d.covered) {
            std::snprintf(line, sizeof line, "  %2d    (second word of slot %d)                        %s\n", s + 1, s,
                          hex_record(image, s).c_str());
            out << line;
            continue;
        }
        const bool long_pair = s % 2 == 0 && pairs[static_cast<std::size_t>(s / 2)];
        // "Pri" is stored inverted: the box is ticked when the bit is 0.
        std::snprintf(line, sizeof line, "  %2d    %-10s  %-6s  %-3s  %-9s  %-3s  %-6s  %s%s\n", s + 1,
                      d.capcode.text.c_str(), long_pair ? "Long" : "Short",
                      on_off(get_slot_bit(image, enable_bit(s))), capcode_type_name(capcode_type(image, s)),
                      on_off(!get_slot_bit(image, priority_bit(s))), on_off(get_slot_bit(image, manual_bit(s))),
                      hex_record(image, s).c_str(), s > last_usable ? "  (above the capcode count)" : "");
        out << line;
    }
    // The stored map, and the map the editor would compute from these capcodes.
    PagerTable copy = image;
    const FrameResult computed = apply_frame_rule(copy, pairs);
    const std::string stored = frame_label(image[0x92], image[0x93]);
    out << "Frame map: " << stored;
    if (computed.label != stored) out << " (from the enabled capcodes: " << computed.label << ")";
    out << '\n';
}

void print_frequency(const PagerTable& image, std::ostream& out) {
    out << "Frequency range: ";
    if (const auto range = detect_frequency_range(image)) {
        out << frequency_range_texts()[static_cast<std::size_t>(*range)] << '\n';
    } else {
        char buf[64];
        std::snprintf(buf, sizeof buf, "none of the list (byte 0xF1 = %02X)", image[0xF1]);
        out << buf << '\n';
    }
    out << "Frequency: " << static_cast<std::uint64_t>(stored_frequency(image)) * 100 << " Hz (box: "
        << frequency_text(image) << ")\n";
    const PllLabels pll = pll_labels(image);
    out << "PLL-R: " << pll.pll_r << "  PLL-N: " << pll.pll_n << "  INCD: " << pll.incd << "  BFreq: " << pll.bfreq
        << "  Channel: " << pll.channel << '\n';
}

} // namespace

void print_image_summary(const PagerTable& image, std::ostream& out) {
    print_frequency(image, out);
    print_capcodes(image, out);
    print_prompts_and_display(image, out);
    print_alerts_and_melodies(image, out);
}

int cmd_show(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string file;
    for (const auto& a : args) {
        if (!a.empty() && a[0] == '-') return show_fail(err, "unknown option " + a);
        if (!file.empty()) return show_fail(err, "more than one file given");
        file = a;
    }
    if (file.empty()) return show_fail(err, "no file given (qrt58cli show FILE)");
    PagerTable image;
    const LoadResult r = load_table_file(QString::fromStdString(file), image);
    if (r.status == LoadStatus::WrongSignature) return show_fail(err, file + " is not a QRT58 table file");
    if (r.status != LoadStatus::Ok) return show_fail(err, r.error.toStdString()); // names the file
    out << "Table file: " << file << '\n';
    print_image_summary(image, out);
    // A full disk or a closed pipe must not pass for a complete listing.
    if (!out.flush()) return show_fail(err, "cannot write the listing");
    return 0;
}

} // namespace qrt58::cli
