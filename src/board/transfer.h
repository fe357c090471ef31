// The transfer engine: read, write and verify the whole image through an
// EepromBus (the parallel-port board link or an I2C adapter), reporting to a
// TransferView. Form2 is one view (widgets), qrt58cli the other (terminal lines
// and a progress bar).
#pragma once

#include "eeprom_bus.h"
#include "pager_table.h"

#include <QString>
#include <cstdint>

namespace qrt58 {

enum class MessageKind {
    Info,    // a result ("Read success!", "Verify Success!")
    Error,   // a failed transfer ("Read error!", "Write error!", ...)
    Warning, // exclamation box: refusals and "The Board is not responding!"
};

class TransferView {
public:
    virtual ~TransferView() = default;
    virtual void set_status(const QString& text) = 0;
    virtual void set_progress_max(int max) = 0;
    // May exceed the maximum by up to 16; a view shows that as full.
    virtual void set_progress_position(int position) = 0;
    // Colour as the progress bar takes it: 0x8000000D is the system highlight
    // colour, anything else 0x00BBGGRR.
    virtual void set_progress_colour(std::uint32_t colour) = 0;
    virtual void message(const QString& text, MessageKind kind) = 0;
    // Lets pending window events run (the dialog paints).
    virtual void process_events() {}
};

constexpr std::uint32_t kHighlightColour = 0x8000000D;
constexpr std::uint32_t kPurple = 0x800080;

class TransferEngine {
public:
    TransferEngine(EepromBus& bus, TransferView& view) : bus_(bus), view_(view) {}

    // find_board with its message going to the view.
    bool find_board();
    // Reads start..stop into `image`; the image changes only when every byte was
    // read and the checksum is good.
    bool eep_readall(PagerTable& image, int start = 0, int stop = kLastAddress);
    // Stamps checksum and write marker into `image`, then writes it page by page.
    bool tbl_writeall(PagerTable& image, int start = 0, int stop = kLastAddress);
    // Compares the EEPROM with `image`, stopping at the first difference. A
    // receiver that holds the image as a write stamps it (checksum and write
    // marker) matches too.
    bool verify(const PagerTable& image, int start = 0, int stop = kLastAddress);
    // One write cycle: tbl_writeall, bus_stop, verify when the write went well,
    // bus_stop. True when both succeeded.
    bool write_and_verify(PagerTable& image);

    bool abort_flag() const { return abort_flag_; }

private:
    void begin(const char* status, int max, int position, std::uint32_t colour);
    void fail(const char* text);

    EepromBus& bus_;
    TransferView& view_;
    bool abort_flag_ = false;
};

// The image as a write stores it: checksum at stop - 1 (high) and stop (low),
// write marker 1 at 0x3E0.
PagerTable stamped_for_write(const PagerTable& image, int stop = kLastAddress);

// What differs between an image and a receiver that failed its verify: the
// number of differing bytes and the first of them. A receiver is compared
// with the image as it is and as a write stamps it (checksum and write
// marker), and the closer of the two is reported.
struct VerifyReport {
    int differing = 0;
    int first = -1;            // address of the first difference, -1 for none
    std::uint8_t expected = 0; // the file's byte there (as written)
    std::uint8_t got = 0;      // the receiver's
};
VerifyReport compare_with_receiver(const PagerTable& image, const PagerTable& receiver);
// "Verify Error! 3 bytes differ, first at 0x0123: file 0x41, receiver 0x00"
QString verify_report_text(const VerifyReport& report);
// The same without "Verify Error! " (the window puts it on a line of its own).
QString verify_report_detail(const VerifyReport& report);
// Reads the whole receiver as it is (no checksum test), for such a report.
// False when the addressing or a byte failed.
bool read_receiver(EepromBus& bus, PagerTable& out);

// The first-capcode increment of the production station (the window's and the
// command line's). `text` is the text of capcode box 0, `long_capcode` whether
// its pair is "Long". A short run stops at 2031614, the largest short capcode
// the encoder stores; a long one at 4291000000; either stops at a value whose
// successor the encoder cannot store in that pair (the limit is then the value
// itself), and at a box that holds no number. Every stop carries the limit
// message.
struct CapcodeIncrement {
    enum class Result { Next, AtLimit, NotANumber };
    Result result = Result::NotANumber;
    std::uint64_t limit = 0;
    std::uint64_t next = 0;
    QString message; // the limit message unless Next
};
CapcodeIncrement next_first_capcode(const QString& text, bool long_capcode);

} // namespace qrt58
