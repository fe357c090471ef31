#include "cli_diff.h"

#include "cli_show.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>

namespace qrt58::cli {
namespace {

std::string hex_bytes(const std::vector<std::uint8_t>& bytes, const char* separator) {
    std::string text;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) text += separator;
        std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
        text += buf;
    }
    return text;
}

std::string address_range(const ByteRun& run) {
    char buf[32];
    const int last = run.first + static_cast<int>(run.a.size()) - 1;
    if (last == run.first) std::snprintf(buf, sizeof buf, "0x%03X", run.first);
    else std::snprintf(buf, sizeof buf, "0x%03X-0x%03X", run.first, last);
    return buf;
}

} // namespace

ImageDiff diff_images(const PagerTable& a, const ImageModel& ma, const PagerTable& b, const ImageModel& mb) {
    ImageDiff diff;
    // Both models come from the same builder, so the names are the same and in
    // the same order; a name missing from B still counts as a difference.
    for (const Setting& s : ma.settings()) {
        const Setting* other = nullptr;
        try {
            other = &mb.at(s.key);
        } catch (const std::out_of_range&) {
        }
        if (!other || other->value != s.value || other->text != s.text) diff.settings.push_back({&s, other});
    }
    // Every differing bit is accounted for: by a setting listed above that
    // shows it (in either image), or else as a byte. A byte no setting shows,
    // or shows only in part (the frame-map copies, a length byte of a disabled
    // alert, the text past a prompt's length), is listed by its address.
    std::array<std::uint8_t, kImageSize> explained{};
    const auto explain = [&explained](const Setting& s) {
        s.bits.for_each([&explained](const ImageBits& bits) {
            for (int x = std::max(bits.address, 0); x < bits.address + bits.count && x < kImageSize; ++x)
                explained[static_cast<std::size_t>(x)] |= bits.mask;
        });
    };
    for (const SettingChange& c : diff.settings) {
        explain(*c.a);
        if (c.b) explain(*c.b);
    }
    for (int address = 0; address < kImageSize; ++address) {
        const auto i = static_cast<std::size_t>(address);
        const std::uint8_t outside = static_cast<std::uint8_t>(~explained[i]);
        if (((a[address] ^ b[address]) & outside) == 0) continue;
        if (diff.bytes.empty() || diff.bytes.back().first + static_cast<int>(diff.bytes.back().a.size()) != address)
            diff.bytes.push_back({address, {}, {}});
        diff.bytes.back().a.push_back(a[address]);
        diff.bytes.back().b.push_back(b[address]);
    }
    return diff;
}

void print_diff(const ImageDiff& diff, std::ostream& out) {
    for (const SettingChange& c : diff.settings)
        out << c.a->key << ": " << c.a->text << " -> " << (c.b ? c.b->text : "(none)") << '\n';
    for (const ByteRun& run : diff.bytes)
        out << "bytes " << address_range(run) << ": " << hex_bytes(run.a, " ") << " -> " << hex_bytes(run.b, " ")
            << '\n';
}

QJsonObject diff_json(const ImageDiff& diff) {
    QJsonArray settings;
    for (const SettingChange& c : diff.settings)
        settings.append(QJsonObject{{QStringLiteral("name"), QString::fromStdString(c.a->key)},
                                    {QStringLiteral("a"), c.a->value.json()},
                                    {QStringLiteral("b"), c.b ? c.b->value.json() : QJsonValue()}});
    QJsonArray bytes;
    for (const ByteRun& run : diff.bytes)
        bytes.append(QJsonObject{{QStringLiteral("first"), run.first},
                                 {QStringLiteral("last"), run.first + static_cast<int>(run.a.size()) - 1},
                                 {QStringLiteral("a"), QString::fromStdString(hex_bytes(run.a, ""))},
                                 {QStringLiteral("b"), QString::fromStdString(hex_bytes(run.b, ""))}});
    return QJsonObject{{QStringLiteral("equal"), diff.equal()},
                       {QStringLiteral("settings"), settings},
                       {QStringLiteral("bytes"), bytes}};
}

int cmd_diff(const std::string& a, const std::string& b, bool json, const CommandIo& io) {
    PagerTable image_a, image_b;
    // A file that cannot be compared is an error like a usage error: 1 means
    // "the files differ".
    if (!load_for("diff", a, image_a, io.err) || !load_for("diff", b, image_b, io.err)) return kExitUsage;
    const ImageModel model_a = build_image_model(image_a);
    const ImageModel model_b = build_image_model(image_b);
    const ImageDiff diff = diff_images(image_a, model_a, image_b, model_b);
    if (json) io.out << QJsonDocument(diff_json(diff)).toJson(QJsonDocument::Indented).toStdString();
    else print_diff(diff, io.out);
    if (!io.out.flush()) {
        fail(io.err, "diff", std::string("cannot write the listing: ") + std::strerror(errno != 0 ? errno : EIO));
        return kExitUsage;
    }
    return diff.equal() ? 0 : kExitFailed;
}

} // namespace qrt58::cli
