#include "capcode_editor.h"

#include "box_events.h"
#include "capcode.h"
#include "form1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>

namespace qrt58::editors {

namespace {

// Passes the focus a scroll bar receives on to the panel it scrolls.
class FocusForwarder : public QObject {
public:
    FocusForwarder(QWidget* watched, QWidget* target) : QObject(watched), target_(target) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn && target_) target_->setFocus(Qt::OtherFocusReason);
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QWidget> target_;
};

void set_enabled(QWidget* w, bool on) {
    if (w) w->setEnabled(on);
}

} // namespace

PairLengths shown_pairs(const Form1& form) {
    PairLengths pairs{};
    for (int p = 0; p < kCapcodePairs; ++p) pairs[static_cast<std::size_t>(p)] = pair_shows_long(form, 2 * p);
    return pairs;
}

bool pair_shows_long(const Form1& form, int slot) {
    if (slot < 0 || slot >= kCapcodeSlots || slot % 2 != 0) return false;
    const auto* list = form.ctl<QComboBox>(QStringLiteral("cboCapLen"), slot / 2);
    return list && list->currentIndex() == 1;
}

void show_mail_alert(Form1& form, int slot, bool mail_drop) {
    if (slot <= 0 || slot >= kCapcodeSlots) return;
    const auto* master = form.ctl<QCheckBox>(QStringLiteral("chkMailAlert"));
    const bool on = master && master->isChecked() && mail_drop;
    if (QWidget* w = form.control(QStringLiteral("lblAlert"), slot)) w->setVisible(on);
    if (QWidget* w = form.control(QStringLiteral("cboMailAlert"), slot)) w->setVisible(on);
}

bool slot_is_mail_drop(const Form1& form, int slot) {
    const auto* list = form.ctl<QComboBox>(QStringLiteral("cboCtl"), 7 + slot);
    return list && list->currentIndex() == static_cast<int>(CapcodeType::MailDrop);
}

CapcodeEditor::CapcodeEditor(Form1& form) : QObject(&form), form_(form) {
    for (int s = 0; s < kCapcodeSlots; ++s) {
        if (auto* box = form.ctl<QLineEdit>(QStringLiteral("txtAddr"), s)) {
            auto* events = BoxEvents::attach(box, this);
            events->got_focus = [this, s] { txtAddr_GotFocus(s); };
            events->lost_focus = [this, s] { txtAddr_LostFocus(s); };
            events->key_press = [this, s](QKeyEvent* key) {
                return txtAddr_KeyPress(s,
                                        is_enter(key) ? 13 : (key->text().isEmpty() ? 0 : key->text().at(0).unicode()));
            };
        }
        form.add_click_rule(QStringLiteral("chkCtl"), 10 + s, [this, s] { en_rule(s); });
        form.add_click_rule(QStringLiteral("chkCtl"), 50 + s, [this, s] { pri_rule(s); });
        form.add_click_rule(QStringLiteral("chkCtl"), 70 + s, [this, s] { manual_rule(s); });
        form.add_click_rule(QStringLiteral("cboCtl"), 7 + s, [this, s] { type_rule(s); });
    }
    if (auto* bar = form.ctl<QScrollBar>(QStringLiteral("VScroll1"))) {
        // valueChanged covers both Change and Scroll (dragging with tracking on).
        connect(bar, &QScrollBar::valueChanged, this, [this] { VScroll1_Change(); });
        new FocusForwarder(bar, form.control(QStringLiteral("Picture2")));
    }
    form.set_procedure("txt_to_tbl", std::function<void(int)>([this](int s) { txt_to_tbl(s); }));
    form.set_procedure("read_dftaddr", std::function<void()>([this] { read_dftaddr(); }));
    form.set_procedure("set_frame", std::function<void()>([this] { set_frame(); }));
}

QWidget* CapcodeEditor::row_control(const char* name, int index) const {
    return form_.control(QString::fromLatin1(name), index);
}

void CapcodeEditor::txtAddr_GotFocus(int slot) {
    if (auto* box = form_.ctl<QLineEdit>(QStringLiteral("txtAddr"), slot)) box->clear();
}

bool CapcodeEditor::txtAddr_KeyPress(int slot, int key) {
    // A key that types no character (Shift, an arrow) is no new entry.
    if (key == 0) return false;
    form_.entryErrorPending = false;
    if (key != 13) return false;
    if (QWidget* box = row_control("txtAddr", slot)) move_focus_away(box, form_.control(QStringLiteral("picTabBack")));
    return true;
}

void CapcodeEditor::txtAddr_LostFocus(int slot) {
    auto* box = form_.ctl<QLineEdit>(QStringLiteral("txtAddr"), slot);
    if (!box) return;
    auto& boxes = form_.messages();
    form_.capcodeInvalid = false;
    const CapcodeChange change = enter_capcode(form_.image(), slot, box->text().toStdString(), shown_pairs(form_));
    switch (change.result) {
    case CapcodeChangeResult::NotNumeric:
        boxes.show(&form_, QString::fromStdString(change.message), MessageIcon::None);
        read_dftaddr();
        focus_back(box);
        return;
    case CapcodeChangeResult::OutOfRange:
        // The box takes the focus back last, so that it ends up empty and
        // focused after the refill.
        boxes.show(&form_, QString::fromStdString(change.message), MessageIcon::None);
        read_dftaddr();
        focus_back(box);
        return;
    case CapcodeChangeResult::Invalid:
        form_.entryErrorPending = true;
        boxes.show(&form_, QString::fromStdString(change.message), MessageIcon::None);
        focus_back(box);
        return;
    case CapcodeChangeResult::Stored:
    case CapcodeChangeResult::Unchanged: break;
    }
    read_dftaddr();
    set_frame();
    // Under "Auto Cap." the slot's source prompt followed the capcode.
    if (auto_cap_mode(form_.image())) form_.call("show_auto_cap_prompt", slot);
}

void CapcodeEditor::txt_to_tbl(int slot) {
    auto* box = form_.ctl<QLineEdit>(QStringLiteral("txtAddr"), slot);
    if (!box) return;
    const auto value = parse_capcode_text(box->text().toStdString());
    if (!value) return; // text that is no number writes nothing
    switch (store_capcode(form_.image(), slot, *value, pair_shows_long(form_, slot))) {
    case CapcodeEncoding::Invalid: form_.capcodeInvalid = true; break;
    case CapcodeEncoding::Nothing: break;
    default: form_.capcodeInvalid = false; break;
    }
}

void CapcodeEditor::read_dftaddr() {
    const auto decoded = decode_all_capcodes(form_.image(), shown_pairs(form_));
    for (int s = 0; s < kCapcodeSlots; ++s) {
        const auto& d = decoded[static_cast<std::size_t>(s)];
        if (d.covered) continue;
        if (auto* box = form_.ctl<QLineEdit>(QStringLiteral("txtAddr"), s))
            box->setText(QString::fromStdString(d.capcode.text));
    }
}

void CapcodeEditor::set_frame() {
    const FrameResult r = update_frame_map(form_.image(), shown_pairs(form_));
    // In Write mode nothing may be edited: the rows stay disabled until Modify.
    const bool editable = !form_.write_mode();
    for (int s = 0; s < kCapcodeSlots; ++s) {
        const bool usable = s <= r.last_usable_slot;
        auto* en = form_.ctl<QCheckBox>(QStringLiteral("chkCtl"), 10 + s);
        if (!usable && en && en->isChecked()) {
            // The bit is already cleared; unchecking must not run the click rules.
            const bool was = form_.suppressClick;
            form_.suppressClick = true;
            en->setChecked(false);
            form_.suppressClick = was;
        }
        set_enabled(en, usable && editable);
        set_enabled(row_control("Label1", s), usable);
        set_enabled(row_control("txtAddr", s), usable && editable);
        set_enabled(row_control("Label2", s), usable);
        set_enabled(row_control("cboCtl", 7 + s), usable && editable);
    }
    if (auto* label = form_.ctl<QLabel>(QStringLiteral("lblFrame"))) label->setText(QString::fromStdString(r.label));
}

bool CapcodeEditor::ticked(int index) const {
    const auto* box = form_.ctl<QCheckBox>(QStringLiteral("chkCtl"), index);
    return box && box->isChecked();
}

void CapcodeEditor::en_rule(int slot) {
    change_capcode_enable(form_.image(), slot, ticked(10 + slot), shown_pairs(form_));
    set_frame();
}

void CapcodeEditor::pri_rule(int slot) {
    change_slot_flag(form_.image(), slot, SlotFlag::Priority, ticked(50 + slot), shown_pairs(form_));
}

void CapcodeEditor::manual_rule(int slot) {
    change_slot_flag(form_.image(), slot, SlotFlag::Manual, ticked(70 + slot), shown_pairs(form_));
}

void CapcodeEditor::type_rule(int slot) {
    auto* list = form_.ctl<QComboBox>(QStringLiteral("cboCtl"), 7 + slot);
    if (!list || list->currentIndex() < 0) return;
    const auto type = static_cast<CapcodeType>(list->currentIndex());
    const bool mail_drop = type == CapcodeType::MailDrop;
    change_capcode_type(form_.image(), slot, type, shown_pairs(form_));
    if (pair_shows_long(form_, slot)) show_mail_alert(form_, slot + 1, mail_drop);
    show_mail_alert(form_, slot, mail_drop);
}

void CapcodeEditor::VScroll1_Change() {
    auto* bar = form_.ctl<QScrollBar>(QStringLiteral("VScroll1"));
    QWidget* panel = form_.control(QStringLiteral("Picture2"));
    if (!bar || !panel) return;
    panel->move(0, -bar->value());
    panel->setFocus(Qt::OtherFocusReason);
}

} // namespace qrt58::editors
