// Conversion between the receiver's one-byte-per-character text (the Western
// "ANSI" code page, Windows-1252) and Unicode.
#pragma once

#include <QChar>
#include <QString>
#include <cstdint>
#include <optional>

namespace qrt58 {

// The character a byte stands for. Bytes without a character in the code page
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control code of the same value, so
// every byte survives a round trip.
char32_t ansi_to_unicode(std::uint8_t code);

// The byte of a character, or nothing when the character has no one-byte code.
std::optional<std::uint8_t> unicode_to_ansi(char32_t ch);

// Text of a run of bytes.
QString ansi_text(const std::uint8_t* bytes, int count);

} // namespace qrt58
