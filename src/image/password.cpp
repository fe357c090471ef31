#include "password.h"

#include "ansi_text.h"
#include "frequency.h"

#include <vector>

namespace qrt58 {

const char* const kShortPasswordMessage = "Please input 6 Charcter!";
const char* const kManualRangeMessage = "Please insert a number between 0000 to 9999";

QString rw_password_text(const PagerTable& image) {
    return ansi_text(image.data() + kRwPasswordAddress, kRwPasswordLength);
}

RwPasswordOutcome check_rw_password(const QString& text) {
    RwPasswordOutcome out;
    const QList<uint> ucs4 = text.toUcs4();
    std::vector<char32_t> chars(ucs4.begin(), ucs4.end());
    if (chars.size() < static_cast<std::size_t>(kRwPasswordLength)) {
        out.message = kShortPasswordMessage;
        return out;
    }
    // Trailing spaces are trimmed and padded back, so six characters keep them.
    while (!chars.empty() && chars.back() == U' ') chars.pop_back();
    while (chars.size() < static_cast<std::size_t>(kRwPasswordLength)) chars.push_back(U' ');
    for (int i = 0; i < kRwPasswordLength; ++i) {
        const char32_t ch = chars[static_cast<std::size_t>(i)];
        const auto code = is_control_character(ch) ? std::nullopt : unicode_to_ansi(ch);
        if (!code) {
            out.result = RwPasswordCheck::NotAnsi;
            out.message = QStringLiteral("The character \"%1\" cannot be stored in the password. "
                                         "Please use characters of the Western (ANSI) set only!")
                              .arg(character_name(ch));
            return out;
        }
        out.bytes[static_cast<std::size_t>(i)] = *code;
    }
    out.result = RwPasswordCheck::Accepted;
    return out;
}

void store_rw_password(PagerTable& image, const std::array<std::uint8_t, kRwPasswordLength>& bytes) {
    image.put(kRwPasswordAddress, bytes.data(), kRwPasswordLength);
}

QString manual_password_text(const PagerTable& image) {
    QString out;
    for (int a = kManualPasswordThousands; a >= kManualPasswordUnits; --a) out += QString::number(image[a]);
    return out;
}

ManualPasswordOutcome check_manual_password(const QString& text) {
    ManualPasswordOutcome out;
    if (text.isEmpty()) return out;
    const QString digits = text.trimmed();
    bool numeric = !digits.isEmpty();
    for (QChar c : digits)
        if (c < u'0' || c > u'9') numeric = false;
    if (!numeric) {
        out.result = ManualPasswordCheck::NotNumeric;
        out.message = kNotNumericMessage;
        return out;
    }
    // Digits only, so the value is never negative; more than four is too large.
    if (text.size() > 4 || digits.size() > 4) {
        out.result = ManualPasswordCheck::OutOfRange;
        out.message = kManualRangeMessage;
        return out;
    }
    // Each decimal digit becomes one 4-bit group of a hexadecimal reading, that
    // is one byte per digit, right-aligned.
    const int pad = 4 - static_cast<int>(digits.size());
    for (int i = 0; i < digits.size(); ++i)
        out.digits[static_cast<std::size_t>(pad + i)] = static_cast<std::uint8_t>(digits[i].unicode() - u'0');
    out.result = ManualPasswordCheck::Accepted;
    return out;
}

void store_manual_password(PagerTable& image, const std::array<std::uint8_t, 4>& digits) {
    for (int i = 0; i < 4; ++i) image[kManualPasswordThousands - i] = digits[static_cast<std::size_t>(i)];
}

} // namespace qrt58
