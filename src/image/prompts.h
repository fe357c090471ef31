// Prompt records: the texts the receiver shows (power-up logo, menu entries,
// questions, alert-mode names) and the source prompts that tell on which
// capcode a page came in.
//
// A record is 20 bytes: byte 0 holds the start column in its low nibble (the
// high nibble is an attribute the editor carries unchanged), byte 1 the text
// length n (0 to 18), then the n characters, one Windows-1252 byte each.
//   ordinary prompt: nibble = leading spaces + 1 (+ 2 more for the seven
//                    alert-mode prompts drawn after a two-column icon), at most
//                    15; 0 means no leading spaces.
//   source prompt:   nibble = leading spaces, at most 15; spaces beyond 15 go
//                    into the text; the text is never empty (a single space).
#pragma once

#include "default_image.h"
#include "pager_table.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace qrt58 {

constexpr int kPromptTextMax = 18; // characters a record holds
constexpr int kPromptNibbleMax = 15;
constexpr int kSourcePromptFirst = 33; // txtPrompt(33..48): capcode slots 0..15
constexpr int kGroupSourcePrompt = 49; // txtPrompt(49): group calls
constexpr int kSourceRecordFirst = 0x400;
constexpr int kSourceEnableFirst = 0x554; // one byte per capcode slot
constexpr int kSourceBoxMax = 21;
// The source-prompt mode, field (0x32, 4, 2): 0 Forward, 1 Backward,
// 2 Auto Cap., 3 Disable.
constexpr int kSourceModeAddress = 0x32;
constexpr int kSourceModeBit = 4;
constexpr int kSourceModeWidth = 2;
constexpr int kSourceModeAutoCap = 2;
constexpr int kSourceModeDisable = 3;
// The mode list's items by mode: "Forward", "Backward", "Auto Cap.", "Disable".
const std::array<const char*, 4>& source_mode_texts();

// One prompt box of the editor.
struct PromptSlot {
    int index;         // index of its txtPrompt box
    const char* label; // caption of its lblPrompt label
    int address;       // record address
    int max_length;    // the box's maximum length (the logo: 15 with the large font)
    bool icon;         // drawn after the two-column alert-mode icon
};

// The ordinary prompts 0 to 32, 50 to 52 and 68, in page order.
const std::vector<PromptSlot>& prompt_slots();
// The slot of ordinary prompt `index`, or nullptr (source prompts have none).
const PromptSlot* find_prompt_slot(int index);
bool is_icon_prompt(int index);
bool is_source_prompt(int index);
// Record address of source prompt box 33..49.
int source_prompt_address(int index);

// The text a box shows for a record: leading spaces from the nibble, then the
// characters (at most 18, and never past the end of the image).
QString prompt_text(const PagerTable& image, int address, bool icon);
QString source_prompt_text(const PagerTable& image, int address);

enum class PromptStoreStatus {
    Stored,
    TooLong,      // more than 18 characters to store: nothing written
    NotEncodable, // a character without a one-byte code: nothing written
};
struct PromptStoreResult {
    PromptStoreStatus status = PromptStoreStatus::Stored;
    QString bad_char; // the first character refused (NotEncodable), as character_name gives it
};

// The message of a refused store: "Can not exceed 18 characters exclude left
// space!" or "The pager can not show the character "X"!".
extern const char* const kPromptTooLongMessage;
QString prompt_refusal_message(const PromptStoreResult& result);

// Stores the text of an ordinary prompt box into its record.
PromptStoreResult store_prompt(PagerTable& image, int address, bool icon, const QString& text);
// Stores the text of a source prompt box into its record.
PromptStoreResult store_source_prompt(PagerTable& image, int address, const QString& text);

enum class Alignment { Left, Center, Right };
// The box text aligned in a box of `max_length` characters.
QString align_prompt(const QString& text, Alignment alignment, int max_length);

// "<" + capcode + ">", the text Auto Cap. puts into a source prompt.
QString auto_cap_text(const QString& capcode_text);

// Prompt language, written to field (0x3A, 0, 4) and field (0x3E, 0, 4).
struct LanguageItem {
    const char* text;
    int code;
    Language table;
};
const std::vector<LanguageItem>& language_items(); // "English" 2 ... "Portuguese" 7
int stored_language_code(const PagerTable& image); // field (0x3E, 0, 4)
std::optional<Language> language_of_code(int code);
// Writes the code into both fields and replaces the prompt block 0x100-0x343
// with that language's table.
void apply_language(PagerTable& image, Language language);

} // namespace qrt58
