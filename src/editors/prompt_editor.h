// The prompt boxes txtPrompt of all three pages: the power-up logo (0, on the
// alerts and status page), the receiver prompts of the "Prompts Edit" page and
// the source prompts 33..49 (whose storage rule is the source-prompt editor's).
//
// Registers "read_prompt". Handles the focus, Enter and store of every prompt
// box, the alignment sets optLeft/optCenter/optRight 0 (Prompts Edit), 1 (the
// logo, always prompt 0) and 2 (Source Prompts), and both optDefault buttons.
// The alignment and default buttons act on the current prompt: the one that
// last had the focus, on whichever page.
#pragma once

#include "prompts.h"

#include <QObject>
#include <QString>

#include <functional>

class Form1;
class QLineEdit;
class QKeyEvent;

namespace qrt58::editors {

class PromptEditor : public QObject {
public:
    static inline const char* const kTooLongMessage = qrt58::kPromptTooLongMessage;

    explicit PromptEditor(Form1& form);

    // Fills every prompt box from its record.
    void read_prompt();
    void txtPrompt_GotFocus(int index) { current_ = index; }
    // Enter is swallowed and sends the focus to the page area (which stores).
    bool txtPrompt_KeyPress(int index, QKeyEvent* key);
    void txtPrompt_LostFocus(int index);
    // Alignment set k (0, 1 or 2) on the current prompt; set 1 works on the logo.
    void align(int set, Alignment alignment);
    // Brings back the factory text of the current prompt and stores it.
    void optDefault_Click();

    int current_prompt() const { return current_; }
    void set_current_prompt(int index) { current_ = index; }
    // Maximum length of box `index` as designed (the logo follows its font).
    int max_length(int index) const;
    // The logo font sets the logo's length; text already there stays whole.
    void set_logo_max_length(int length);
    // Puts `text` into a prompt box without cutting it at the box's length:
    // a loaded record may show more than can be typed.
    void show_text(int index, const QString& text);
    QLineEdit* box(int index) const;

    // Stores source prompt box 33..49 into its record; false when refused.
    // Set by the source-prompt editor.
    std::function<bool(int)> store_source;

    // Reports a refused store for box `index` and puts the focus back into it.
    void refuse(int index, const PromptStoreResult& result);

private:
    void store_ordinary(int index);
    void store_source_box(int index);

    Form1& form_;
    int current_ = 0;
    int logo_max_ = 15;
};

} // namespace qrt58::editors
