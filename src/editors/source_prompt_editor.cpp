#include "source_prompt_editor.h"

#include "capcode.h"
#include "capcode_editor.h"
#include "field_tag.h"
#include "form1.h"
#include "prompt_editor.h"
#include "prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace qrt58::editors {

SourcePromptEditor::SourcePromptEditor(Form1& form, PromptEditor& prompts)
    : QObject(&form), form_(form), prompts_(prompts) {
    prompts.store_source = [this](int index) { return Source_Data(index); };
    for (int i = kSourcePromptFirst; i < kGroupSourcePrompt; ++i)
        form.add_click_rule(QStringLiteral("chkSource"), i, [this, i] { chkSource_rule(i); });
    form.add_click_rule(QStringLiteral("cboCtl"), 2, [this] { mode_rule(); });
    form.add_click_rule(QStringLiteral("chkCtl"), 43, [this] { multiple_rule(); });
    form.set_procedure("Source_Data", std::function<void(int)>([this](int i) { Source_Data(i); }));
    form.set_procedure("read_SourcePrompt", std::function<void()>([this] { read_SourcePrompt(); }));
    form.set_procedure("show_auto_cap_prompt", std::function<void(int)>([this](int s) { show_auto_cap_prompt(s); }));
}

int SourcePromptEditor::multiple_value() const {
    const auto* box = form_.ctl<QCheckBox>(QStringLiteral("chkCtl"), 43);
    return box && box->isChecked() ? 1 : 0;
}

bool SourcePromptEditor::Source_Data(int index) {
    QLineEdit* box = prompts_.box(index);
    if (!box || !is_source_prompt(index)) return false;
    const PromptStoreResult r = enter_source_prompt(form_.image(), index, box->text(), shown_pairs(form_));
    if (r.status == PromptStoreStatus::Stored) return true;
    prompts_.refuse(index, r);
    return false;
}

void SourcePromptEditor::read_SourcePrompt() {
    const auto* mode = form_.ctl<QComboBox>(QStringLiteral("cboCtl"), 2);
    const bool disabled = mode && mode->currentIndex() + multiple_value() == kSourceModeDisable;
    for (int i = kSourcePromptFirst; i <= kGroupSourcePrompt; ++i) {
        auto* check = form_.ctl<QCheckBox>(QStringLiteral("chkSource"), i);
        QLineEdit* box = prompts_.box(i);
        if (check) check->setEnabled(!disabled);
        // A grey box (an enable byte above 1) counts as on, as when loading.
        if (box) box->setEnabled(!disabled && check && check->checkState() != Qt::Unchecked);
    }
}

void SourcePromptEditor::show_auto_cap_prompt(int slot) {
    // The alignment buttons then work on the prompt that changed.
    prompts_.set_current_prompt(kSourcePromptFirst + slot);
    prompts_.read_prompt();
}

void SourcePromptEditor::chkSource_rule(int index) {
    const auto* check = form_.ctl<QCheckBox>(QStringLiteral("chkSource"), index);
    if (!check) return;
    change_source_enable(form_.image(), index - kSourcePromptFirst, check->isChecked(), shown_pairs(form_));
}

void SourcePromptEditor::mode_rule() {
    auto* list = form_.ctl<QComboBox>(QStringLiteral("cboCtl"), 2);
    if (!list || list->currentIndex() < 0) return;
    const int multiple = multiple_value();
    const int old_mode = source_mode(form_.image());
    const int mode = list->currentIndex() + multiple;
    if (mode > kSourceModeDisable) return;
    if (mode == kSourceModeAutoCap && !form_.messages().ask_yes_no(&form_, QString::fromLatin1(kAutoCapQuestion))) {
        const bool was = form_.suppressClick;
        form_.suppressClick = true;
        list->setCurrentIndex(old_mode - multiple);
        form_.suppressClick = was;
        return;
    }
    change_source_mode(form_.image(), mode, shown_pairs(form_));
    if (mode == kSourceModeAutoCap) show_auto_cap_prompt(kCapcodeSlots - 1);
    read_SourcePrompt();
}

void SourcePromptEditor::multiple_rule() {
    form_.rebuild_source_list();
    const int multiple = multiple_value();
    PagerTable& image = form_.image();
    change_multiple_source(image, multiple == 1);
    // Showing the stored mode is no new choice: no question, no write.
    auto* list = form_.ctl<QComboBox>(QStringLiteral("cboCtl"), 2);
    if (!list) return;
    const bool was = form_.suppressClick;
    form_.suppressClick = true;
    list->setCurrentIndex(source_mode(image) - multiple);
    form_.suppressClick = was;
}

} // namespace qrt58::editors
