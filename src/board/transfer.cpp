#include "transfer.h"

#include "capcode.h"

#include <algorithm>

namespace qrt58 {

void TransferEngine::begin(const char* status, int max, int position, std::uint32_t colour) {
    view_.set_progress_max(max);
    view_.set_progress_position(position);
    view_.set_progress_colour(colour);
    view_.set_status(QString::fromLatin1(status));
    view_.process_events();
}

void TransferEngine::fail(const char* text) {
    bus_.board_idle();
    view_.message(QString::fromLatin1(text), MessageKind::Error);
    abort_flag_ = true;
}

bool TransferEngine::find_board() {
    auto saved = bus_.message_sink();
    bus_.set_message_sink([this](const QString& text) { view_.message(text, MessageKind::Warning); });
    const bool found = bus_.find_board();
    bus_.set_message_sink(saved);
    return found;
}

bool TransferEngine::eep_readall(PagerTable& image, int start, int stop) {
    begin("Reading Now.......", stop - 32, start, kPurple);
    abort_flag_ = false;
    // Read into a copy: the caller's image changes only after a good read.
    PagerTable got = image;
    for (int a = start; a < stop; ++a) {
        if (a == start || a % 16 == 0) {
            if (!bus_.begin_read(a)) {
                fail("Read error!");
                return false;
            }
        }
        const bool block_end = (a + 1) % 16 == 0;
        got[a] = bus_.receive_byte(block_end);
        if (block_end) view_.set_progress_position(a);
    }
    got[stop] = bus_.receive_byte(true);
    bus_.bus_stop();
    if (!bus_.read_intact()) {
        fail("Read error!");
        return false;
    }
    const std::uint16_t sum = image_checksum(got);
    if ((sum & 0xFF) != got[stop] || (sum >> 8) != got[stop - 1]) {
        view_.message(QStringLiteral("CheckSum Error!"), MessageKind::Error);
        abort_flag_ = true;
        return false;
    }
    bus_.board_idle();
    image = got;
    view_.message(QStringLiteral("Read success!"), MessageKind::Info);
    return true;
}

VerifyReport compare_with_receiver(const PagerTable& image, const PagerTable& receiver) {
    const auto against = [&](const PagerTable& reference) {
        VerifyReport r;
        for (int a = 0; a < kImageSize; ++a) {
            if (reference[a] == receiver[a]) continue;
            if (r.first < 0) {
                r.first = a;
                r.expected = reference[a];
                r.got = receiver[a];
            }
            ++r.differing;
        }
        return r;
    };
    const VerifyReport as_is = against(image);
    const VerifyReport as_written = against(stamped_for_write(image));
    return as_written.differing < as_is.differing ? as_written : as_is;
}

QString verify_report_detail(const VerifyReport& report) {
    if (report.differing == 0) return QStringLiteral("(the receiver reads back equal now)");
    const auto hex = [](int v, int width) {
        return QStringLiteral("0x%1")
            .arg(v, width, 16, QLatin1Char('0'))
            .toUpper()
            .replace(QLatin1String("0X"), QLatin1String("0x"));
    };
    return QStringLiteral("%1 %2, first at %3: file %4, receiver %5")
        .arg(report.differing)
        .arg(report.differing == 1 ? QStringLiteral("byte differs") : QStringLiteral("bytes differ"))
        .arg(hex(report.first, 4), hex(report.expected, 2), hex(report.got, 2));
}

QString verify_report_text(const VerifyReport& report) {
    return QStringLiteral("Verify Error! ") + verify_report_detail(report);
}

bool read_receiver(EepromBus& bus, PagerTable& out) {
    if (!bus.begin_read(0)) return false;
    for (int a = 0; a < kImageSize; ++a) out[a] = bus.receive_byte(a == kLastAddress);
    const bool intact = bus.read_intact();
    bus.bus_stop();
    return intact;
}

PagerTable stamped_for_write(const PagerTable& image, int stop) {
    PagerTable out = image;
    const std::uint16_t sum = image_checksum(out);
    out[stop] = static_cast<std::uint8_t>(sum & 0xFF);
    out[stop - 1] = static_cast<std::uint8_t>(sum >> 8);
    out[kWriteMarkerAddress] = 1;
    return out;
}

bool TransferEngine::tbl_writeall(PagerTable& image, int start, int stop) {
    // A chip the bus must leave alone gets nothing, not even the stamps.
    if (QString why; !bus_.may_write(&why)) {
        bus_.board_idle();
        view_.message(why, MessageKind::Error);
        abort_flag_ = true;
        return false;
    }
    begin("Writing Now.......", stop - 16, start, kHighlightColour);
    image = stamped_for_write(image, stop);
    abort_flag_ = false;
    for (int a = start; a <= stop;) {
        const int next = std::min((a / kPageSize + 1) * kPageSize, stop + 1);
        const bool written = bus_.write_page(a, &image[a], next - a, a == start);
        if (a % kPageSize == 0) view_.set_progress_position(a);
        if (!written) {
            fail("Write error!");
            return false;
        }
        a = next;
    }
    // The stop starts the internal write of the last page; the bus lets it
    // finish, so that a Verify that follows at once is not refused while the
    // EEPROM is still busy (on the port board ten addressing attempts last
    // only 3 ms at the shortest line delay, the write cycle up to 5 ms).
    bus_.end_write();
    return true;
}

bool TransferEngine::verify(const PagerTable& image, int start, int stop) {
    begin("Verifying Now.....", stop - 16, start, kPurple);
    abort_flag_ = false;
    if (!bus_.begin_read(start)) {
        fail("Read error!");
        return false;
    }
    // A receiver written from this image holds it with the checksum and the
    // write marker stamped in (a table file saved before the write lacks
    // them); one read into the file holds it exactly. Both are this image.
    const PagerTable written = stamped_for_write(image, stop);
    bool as_is = true, as_written = true;
    for (int a = start; a < stop; ++a) {
        const std::uint8_t got = bus_.receive_byte(false);
        as_is = as_is && got == image[a];
        as_written = as_written && got == written[a];
        const bool intact = bus_.read_intact();
        if (!intact || (!as_is && !as_written)) {
            fail(intact ? "Verify Error!" : "Read error!");
            bus_.receive_byte(true);
            bus_.bus_stop();
            return false;
        }
        if (a % 16 == 0) view_.set_progress_position(a);
    }
    const std::uint8_t last = bus_.receive_byte(true);
    const bool equal = bus_.read_intact() && ((as_is && last == image[stop]) || (as_written && last == written[stop]));
    bus_.board_idle();
    if (equal) {
        view_.message(QStringLiteral("Verify Success!"), MessageKind::Info);
    } else {
        view_.message(QStringLiteral("Verify Error!"), MessageKind::Error);
        abort_flag_ = true;
    }
    bus_.bus_stop();
    return equal;
}

bool TransferEngine::write_and_verify(PagerTable& image) {
    tbl_writeall(image);
    bus_.bus_stop();
    if (!abort_flag_) verify(image);
    bus_.bus_stop();
    return !abort_flag_;
}

CapcodeIncrement next_first_capcode(const QString& text, bool long_capcode) {
    CapcodeIncrement r;
    r.limit = long_capcode ? 4291000000ULL : 2031614ULL;
    const auto limit_message = [&r] {
        r.message = QStringLiteral("Capcode 1 > %1 so can not be increase!").arg(r.limit);
    };
    const QString t = text.trimmed();
    bool digits = !t.isEmpty() && t.size() <= 10;
    for (QChar c : t) digits = digits && c >= '0' && c <= '9';
    if (!digits) {
        // Nothing to raise (an undecodable record shows no number): the run
        // cannot go on with a known capcode.
        limit_message();
        return r;
    }
    const std::uint64_t value = t.toULongLong();
    if (value >= r.limit) {
        r.result = CapcodeIncrement::Result::AtLimit;
        limit_message();
        return r;
    }
    if (!encode_capcode(static_cast<double>(value + 1), long_capcode).writes()) {
        // The next value cannot be stored (a short value in a "Long" pair that
        // reaches the gap before the long ranges): the image would keep the
        // old capcode and every further receiver would get it again.
        r.result = CapcodeIncrement::Result::AtLimit;
        r.limit = value;
        limit_message();
        return r;
    }
    r.result = CapcodeIncrement::Result::Next;
    r.next = value + 1;
    return r;
}

} // namespace qrt58
