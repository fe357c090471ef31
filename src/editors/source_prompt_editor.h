// The "Source Prompts" page: one source prompt per capcode slot (txtPrompt 33
// to 48) and one for group calls (49), their enable boxes chkSource, the mode
// list cboCtl(2) with its "Auto Cap." fill, and "Multiple Source Prompt"
// chkCtl(43).
//
// Registers "Source_Data" (prompt index), "read_SourcePrompt" and
// "show_auto_cap_prompt" (capcode slot), and the click rules of chkSource 33..48,
// cboCtl(2) and chkCtl(43). The window does not write cboCtl(2) through its tag:
// the mode is list index + value of chkCtl(43), and the mode rule here writes it.
#pragma once

#include <QObject>

class Form1;

namespace qrt58::editors {

class PromptEditor;

class SourcePromptEditor : public QObject {
public:
    static constexpr const char* kAutoCapQuestion =
        "The setting will load capcodes as prompts ! \nAre you sure load capcodes ?";

    SourcePromptEditor(Form1& form, PromptEditor& prompts);

    // Stores source prompt box `index` into its record (a "Long" pair's first
    // slot into the second one's too); false when refused.
    bool Source_Data(int index);
    // Enable boxes and prompt boxes editable as the mode and the boxes say.
    void read_SourcePrompt();
    // The boxes after Auto Cap. wrote the source prompt of capcode slot `slot`.
    void show_auto_cap_prompt(int slot);

    void chkSource_rule(int index); // after the window's write-back
    void mode_rule();               // cboCtl(2)
    void multiple_rule();           // chkCtl(43), after its tag write-back

private:
    int multiple_value() const; // 1 while "Multiple Source Prompt" is ticked

    Form1& form_;
    PromptEditor& prompts_;
};

} // namespace qrt58::editors
