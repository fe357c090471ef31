// The receiver's two passwords: the six-character read/write password and the
// four-digit manual-write password.
#pragma once

#include "pager_table.h"

#include <QList>
#include <QString>
#include <array>
#include <cstdint>

namespace qrt58 {

constexpr int kRwPasswordAddress = 0x3B7; // 0x3B7-0x3BC, first character first
constexpr int kRwPasswordLength = 6;
// One decimal digit per byte: units at 0x36C up to thousands at 0x36F.
constexpr int kManualPasswordUnits = 0x36C;
constexpr int kManualPasswordThousands = 0x36F;

extern const char* const kShortPasswordMessage; // "Please input 6 Charcter!"
extern const char* const kManualRangeMessage;   // "Please insert a number between 0000 to 9999"

// What `txtPass1` shows: the six characters stored at 0x3B7-0x3BC.
QString rw_password_text(const PagerTable& image);

enum class RwPasswordCheck {
    TooShort, // fewer than six characters
    NotAnsi,  // a character without a one-byte code
    Accepted,
};

struct RwPasswordOutcome {
    RwPasswordCheck result = RwPasswordCheck::TooShort;
    QString message;
    std::array<std::uint8_t, kRwPasswordLength> bytes{};
};

// Text left in `txtPass1`: six characters (trailing spaces kept) give their six
// codes; the first six characters count when there are more.
RwPasswordOutcome check_rw_password(const QString& text);
void store_rw_password(PagerTable& image, const std::array<std::uint8_t, kRwPasswordLength>& bytes);

// What `txtPass` shows: the decimal texts of 0x36F, 0x36E, 0x36D, 0x36C joined.
QString manual_password_text(const PagerTable& image);

enum class ManualPasswordCheck {
    Empty,      // nothing typed: nothing to do
    NotNumeric, // "Please insert a decimal numeric!"
    OutOfRange, // "Please insert a number between 0000 to 9999"
    Accepted,
};

struct ManualPasswordOutcome {
    ManualPasswordCheck result = ManualPasswordCheck::Empty;
    QString message;
    std::array<std::uint8_t, 4> digits{}; // thousands, hundreds, tens, units
};

// Only decimal digits (with spaces around them) count as a number here: a sign,
// a decimal point, an exponent or "&H" notation is refused.
ManualPasswordOutcome check_manual_password(const QString& text);
// Stores thousands at 0x36F down to units at 0x36C.
void store_manual_password(PagerTable& image, const std::array<std::uint8_t, 4>& digits);

} // namespace qrt58
