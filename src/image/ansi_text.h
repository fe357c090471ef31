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

// The control characters below 0x20 and 0x7F: the receiver shows no glyph for
// them and they would break every listing of the text, so no entry takes them.
bool is_control_character(char32_t ch);
// A character as a message names it: the whole character (both halves of a
// surrogate pair), or "U+0009" for a control character.
QString character_name(char32_t ch);

// Text of a run of bytes.
QString ansi_text(const std::uint8_t* bytes, int count);

} // namespace qrt58
