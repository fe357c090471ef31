#include "cli_show.h"
#include "ordered_json.h"

#include "capcode.h"
#include "table_file.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>

namespace qrt58::cli {

void print_frequency_and_capcodes(const ImageModel& m, std::ostream& out) {
    out << "Frequency range: " << m.text("frequency.range") << '\n';
    out << "Frequency: " << m.text("frequency.hz") << " Hz (box: " << m.text("frequency.box") << ")\n";
    out << "PLL-R: " << m.text("synthesizer.pll_r") << "  PLL-N: " << m.text("synthesizer.pll_n")
        << "  INCD: " << m.text("synthesizer.incd") << "  BFreq: " << m.text("synthesizer.base_frequency")
        << "  Channel: " << m.text("synthesizer.channel_khz") << '\n';

    out << "Capcodes (usable slots 1-" << m.text("capcode_count") << "):\n";
    out << "  Slot  Capcode     Length  En   Type       Pri  Manual  Record\n";
    for (int s = 0; s < kCapcodeSlots; ++s) {
        const auto text = [&m, s](const char* field) { return m.text(slot_key("capcodes", s + 1, field)).c_str(); };
        char line[160];
        if (m.at(slot_key("capcodes", s + 1, "covered")).value.to_bool()) {
            std::snprintf(line, sizeof line, "  %2d    (%s)                        %s\n", s + 1, text("covered"),
                          text("record"));
        } else {
            std::snprintf(line, sizeof line, "  %2d    %-10s  %-6s  %-3s  %-9s  %-3s  %-6s  %s%s\n", s + 1,
                          text("capcode"), text("length"), text("enabled"), text("type"), text("priority"),
                          text("manual"), text("record"),
                          m.at(slot_key("capcodes", s + 1, "usable")).value.to_bool() ? ""
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

void print_image_summary(const PagerTable& image, std::ostream& out) { print_model(build_image_model(image), out); }

QJsonObject show_json(const std::string& file, const ImageModel& model) {
    QJsonObject document = model_json(model);
    document.insert(QStringLiteral("format"), kListingFormat);
    document.insert(QStringLiteral("file"), QString::fromStdString(file));
    return document;
}

bool load_for(const std::string& command, const std::string& file, PagerTable& image, std::ostream& err) {
    const LoadResult r = load_table_file(QString::fromStdString(file), image);
    if (r.status == LoadStatus::WrongSignature) fail(err, command, file + " is not a QRT58 table file");
    else if (r.status != LoadStatus::Ok) fail(err, command, r.error.toStdString()); // names the file
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
    if (!io.out.flush())
        return fail(io.err, "show",
                    std::string("cannot write the listing: ") + std::strerror(errno != 0 ? errno : EIO));
    return 0;
}

} // namespace qrt58::cli
