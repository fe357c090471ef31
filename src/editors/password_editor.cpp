#include "password_editor.h"

#include "box_events.h"
#include "form1.h"
#include "password.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>

namespace qrt58::editors {
namespace {

constexpr int kManualDigits = 4;

// Both boxes empty themselves on focus and turn Enter into leaving the box.
BoxEvents* attach_entry(QLineEdit* box, Form1& form, QObject* owner) {
    BoxEvents* ev = BoxEvents::attach(box, owner);
    ev->got_focus = [box] { box->clear(); };
    ev->key_press = [box, &form](QKeyEvent* key) {
        if (!is_enter(key)) return false;
        move_focus_away(box, form.control("picTabBack"));
        return true;
    };
    return ev;
}

} // namespace

PasswordEditor::PasswordEditor(Form1& form) : QObject(&form), form_(form) {
    txtPass1_ = form.ctl<QLineEdit>("txtPass1");
    txtPass_ = form.ctl<QLineEdit>("txtPass");
    if (txtPass1_) {
        txtPass1_->setMaxLength(kRwPasswordLength);
        attach_entry(txtPass1_, form, this)->lost_focus = [this] { txtPass1_LostFocus(); };
    }
    if (txtPass_) {
        txtPass_->setMaxLength(kManualDigits);
        BoxEvents* ev = attach_entry(txtPass_, form, this);
        // Typing takes four digits; read_pass() may have widened the box to show
        // bytes that are no digits.
        ev->got_focus = [this] {
            txtPass_->clear();
            txtPass_->setMaxLength(kManualDigits);
        };
        ev->key_up = [this](QKeyEvent*) { txtPass_KeyUp(); };
        ev->lost_focus = [this] { read_pass(); };
    }
    if (auto* opt = form.ctl<QAbstractButton>("optAuto1")) {
        // An on/off box: a lone option button must be able to go off again.
        if (auto* radio = qobject_cast<QRadioButton*>(opt)) radio->setAutoExclusive(false);
        connect(opt, &QAbstractButton::toggled, this, [this](bool on) { optAuto1_Click(on); });
    }

    form.set_procedure("read_pass", std::function<void()>([this] { read_pass(); }));
    form.set_procedure("read_pass1", std::function<void()>([this] { read_pass1(); }));
}

void PasswordEditor::read_pass() {
    if (!txtPass_) return;
    const QString text = manual_password_text(form_.image());
    // A byte above 9 shows as its whole decimal text (a blank receiver's FF FF FF
    // FF as 255255255255): cutting that at four characters would show a password
    // the receiver does not have. While the box is being typed in it keeps four.
    if (!txtPass_->hasFocus()) txtPass_->setMaxLength(std::max<int>(kManualDigits, text.size()));
    txtPass_->setText(text);
}

void PasswordEditor::read_pass1() {
    if (txtPass1_) txtPass1_->setText(rw_password_text(form_.image()));
}

void PasswordEditor::txtPass1_LostFocus() {
    const RwPasswordOutcome outcome = check_rw_password(txtPass1_->text());
    switch (outcome.result) {
    case RwPasswordCheck::TooShort: form_.messages().info(&form_, outcome.message); break;
    case RwPasswordCheck::NotAnsi: form_.messages().warning(&form_, outcome.message); break;
    case RwPasswordCheck::Accepted: store_rw_password(form_.image(), outcome.bytes); break;
    }
    read_pass1();
}

void PasswordEditor::txtPass_KeyUp() {
    const ManualPasswordOutcome outcome = check_manual_password(txtPass_->text());
    switch (outcome.result) {
    case ManualPasswordCheck::Empty: break;
    case ManualPasswordCheck::NotNumeric:
    case ManualPasswordCheck::OutOfRange:
        form_.messages().warning(&form_, outcome.message);
        read_pass();
        focus_back(txtPass_);
        txtPass_->setMaxLength(kManualDigits); // typing again: four digits
        break;
    case ManualPasswordCheck::Accepted: store_manual_password(form_.image(), outcome.digits); break;
    }
}

void PasswordEditor::optAuto1_Click(bool checked) { form_.autoIncrementFirst = checked; }

} // namespace qrt58::editors
