#include "prompt_editor.h"

#include "box_events.h"
#include "capcode_editor.h"
#include "field_tag.h"
#include "form1.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace qrt58::editors {

PromptEditor::PromptEditor(Form1& form) : QObject(&form), form_(form) {
    for (const auto& [index, box] : form.array<QLineEdit>(QStringLiteral("txtPrompt"))) {
        const int i = index;
        auto* events = BoxEvents::attach(box, this);
        events->got_focus = [this, i] { txtPrompt_GotFocus(i); };
        events->lost_focus = [this, i] { txtPrompt_LostFocus(i); };
        events->key_press = [this, i](QKeyEvent* key) { return txtPrompt_KeyPress(i, key); };
        // Text dropped into a box that does not have the focus never gets a
        // LostFocus: it is stored at once, as leaving the box would.
        connect(box, &QLineEdit::textEdited, this, [this, i, box] {
            // A longer text shown in the box (the logo after a switch to the
            // large font) may stay, but typing adds nothing beyond the box's
            // own length: the allowance shrinks with every edit.
            box->setMaxLength(std::max(max_length(i), static_cast<int>(box->text().size())));
            if (!box->hasFocus()) txtPrompt_LostFocus(i);
        });
    }
    const struct {
        const char* name;
        Alignment alignment;
    } aligners[] = {{"optLeft", Alignment::Left}, {"optCenter", Alignment::Center}, {"optRight", Alignment::Right}};
    for (const auto& a : aligners)
        for (const auto& [set, button] : form.array<QPushButton>(QString::fromLatin1(a.name))) {
            const int k = set;
            const Alignment alignment = a.alignment;
            connect(button, &QPushButton::clicked, this, [this, k, alignment] { align(k, alignment); });
        }
    for (const auto& [set, button] : form.array<QPushButton>(QStringLiteral("optDefault")))
        connect(button, &QPushButton::clicked, this, [this] { optDefault_Click(); });
    form.set_procedure("read_prompt", std::function<void()>([this] { read_prompt(); }));
}

QLineEdit* PromptEditor::box(int index) const { return form_.ctl<QLineEdit>(QStringLiteral("txtPrompt"), index); }

int PromptEditor::max_length(int index) const {
    if (is_source_prompt(index)) return kSourceBoxMax;
    if (index == 0) return logo_max_;
    const PromptSlot* slot = find_prompt_slot(index);
    return slot ? slot->max_length : kSourceBoxMax;
}

void PromptEditor::set_logo_max_length(int length) {
    logo_max_ = length;
    if (QLineEdit* logo = box(0)) logo->setMaxLength(std::max(length, static_cast<int>(logo->text().size())));
}

void PromptEditor::show_text(int index, const QString& text) {
    QLineEdit* b = box(index);
    if (!b) return;
    b->setMaxLength(std::max(max_length(index), static_cast<int>(text.size())));
    b->setText(text);
}

void PromptEditor::read_prompt() {
    const PagerTable& image = form_.image();
    for (const auto& [index, b] : form_.array<QLineEdit>(QStringLiteral("txtPrompt"))) {
        const auto address = parse_prompt_tag(b->property("Tag").toString().toStdString());
        if (!address || *address + kPromptRecordSize > kImageSize) continue;
        show_text(index, is_source_prompt(index) ? source_prompt_text(image, *address)
                                                 : prompt_text(image, *address, is_icon_prompt(index)));
    }
}

bool PromptEditor::txtPrompt_KeyPress(int index, QKeyEvent* key) {
    if (!is_enter(key)) return false;
    if (QLineEdit* b = box(index)) move_focus_away(b, form_.control(QStringLiteral("picTabBack")));
    return true;
}

void PromptEditor::refuse(int index, const PromptStoreResult& result) {
    form_.messages().show(&form_, prompt_refusal_message(result), MessageIcon::None);
    if (QLineEdit* b = box(index)) b->setFocus(Qt::OtherFocusReason);
}

void PromptEditor::txtPrompt_LostFocus(int index) {
    if (is_source_prompt(index)) store_source_box(index);
    else store_ordinary(index);
    // The boxes show the stored records again: normalised text, or the old
    // text after a refusal.
    read_prompt();
}

void PromptEditor::store_ordinary(int index) {
    QLineEdit* b = box(index);
    if (!b) return;
    const auto address = parse_prompt_tag(b->property("Tag").toString().toStdString());
    if (!address) return;
    const PromptStoreResult r = store_prompt(form_.image(), *address, is_icon_prompt(index), b->text());
    if (r.status != PromptStoreStatus::Stored) refuse(index, r);
}

void PromptEditor::store_source_box(int index) {
    if (store_source) store_source(index);
}

void PromptEditor::align(int set, Alignment alignment) {
    if (set == 1) current_ = 0;
    const int p = current_;
    QLineEdit* b = box(p);
    // A greyed box (source prompts in mode "Disable") cannot be changed.
    if (!b || !b->isEnabled()) return;
    show_text(p, align_prompt(b->text(), alignment, max_length(p)));
    txtPrompt_LostFocus(p);
}

void PromptEditor::optDefault_Click() {
    const int p = current_;
    QLineEdit* b = box(p);
    if (!b || !b->isEnabled()) return;
    const auto address = parse_prompt_tag(b->property("Tag").toString().toStdString());
    if (!address || *address + kPromptRecordSize > kImageSize) return;
    // The factory image holds every prompt's default record; its block
    // 0x100-0x343 is the English language table, whatever language is chosen.
    const PagerTable factory = build_default_image();
    form_.image().put(*address, factory.data() + *address, kPromptRecordSize);
    read_prompt();
    txtPrompt_LostFocus(p);
}

} // namespace qrt58::editors
