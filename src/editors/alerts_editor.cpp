#include "alerts_editor.h"

#include "alerts.h"
#include "capcode.h"
#include "capcode_editor.h"
#include "change_rules.h"
#include "form1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>

namespace qrt58::editors {

namespace {

// Selects `index` (-1: no item) without running the list's change handler.
void select_quietly(QComboBox* list, int index) {
    if (!list) return;
    const QSignalBlocker block(list);
    list->setCurrentIndex(index);
}

void set_checked_quietly(QCheckBox* box, bool on) {
    if (!box) return;
    const QSignalBlocker block(box);
    box->setChecked(on);
}

} // namespace

AlertsEditor::AlertsEditor(Form1& form) : QObject(&form), form_(form) {
    for (int i = 0; i < kMenuItems; ++i)
        if (auto* box = form.ctl<QCheckBox>(QStringLiteral("chkMenu"), i))
            connect(box, &QCheckBox::stateChanged, this, [this, i] { chkMenu_Click(i); });
    if (auto* tone = form.ctl<QComboBox>(QStringLiteral("cboTone")))
        connect(tone, &QComboBox::currentIndexChanged, this, [this] { cboTone_Click(); });
    for (int k = 1; k < kCapcodeSlots; ++k) {
        if (auto* list = form.ctl<QComboBox>(QStringLiteral("cboMailAlert"), k))
            connect(list, &QComboBox::currentIndexChanged, this, [this, k] { cboMailAlert_Click(k); });
        // In a long pair the second slot's caption lies under the first one's:
        // the caption on top paints its background so the text does not show twice.
        if (QWidget* caption = form.control(QStringLiteral("lblAlert"), k)) caption->setAutoFillBackground(true);
    }
    if (auto* master = form.ctl<QCheckBox>(QStringLiteral("chkMailAlert")))
        connect(master, &QCheckBox::stateChanged, this, [this] { chkMailAlert_Click(); });
    const std::pair<const char*, void (AlertsEditor::*)()> lists[] = {
        {"cboPersonAlert", &AlertsEditor::cboPersonAlert_Click},
        {"cboORA", &AlertsEditor::cboORA_Click},
        {"cboSLC", &AlertsEditor::cboSLC_Click},
    };
    for (const auto& [name, handler] : lists)
        if (auto* list = form.ctl<QComboBox>(QString::fromLatin1(name)))
            connect(list, &QComboBox::currentIndexChanged, this, [this, handler = handler] { (this->*handler)(); });

    form.add_click_rule(QStringLiteral("chkCtl"), 0, [this] { time_auto_update_rule(); });
    form.add_click_rule(QStringLiteral("chkCtl"), 35, [this] { capcode_music_rule(); });
    form.add_click_rule(QStringLiteral("chkCtl"), 45, [this] { always_vibrate_rule(); });
    form.add_click_rule(QStringLiteral("cboCtl"), 0, [this] { direct_show_rule(); });

    const std::pair<const char*, void (AlertsEditor::*)()> steps[] = {
        {"load_chkCtl20", &AlertsEditor::load_chkCtl20},
        {"load_direct_show", &AlertsEditor::direct_show_rule},
        {"load_cboSLC", &AlertsEditor::load_cboSLC},
        {"load_cboPersonAlert", &AlertsEditor::load_cboPersonAlert},
        {"load_mail_alert", &AlertsEditor::load_mail_alert},
        {"load_chkMenu", &AlertsEditor::load_chkMenu},
        {"load_music_enable", &AlertsEditor::load_music_enable},
        {"load_cboORA", &AlertsEditor::load_cboORA},
        {"read_MailAlert", &AlertsEditor::read_MailAlert},
        {"read_SetAlarm", &AlertsEditor::read_SetAlarm},
    };
    for (const auto& [name, step] : steps)
        form.set_procedure(name, std::function<void()>([this, step = step] { (this->*step)(); }));
    form.set_procedure("cboMailAlert_Click", std::function<void(int)>([this](int k) { cboMailAlert_Click(k); }));
}

void AlertsEditor::info(const char* text) {
    form_.messages().show(&form_, QString::fromLatin1(text), MessageIcon::Information);
}

bool AlertsEditor::checked(const char* name, int index) const {
    const auto* box = form_.ctl<QCheckBox>(QString::fromLatin1(name), index);
    return box && box->isChecked();
}

void AlertsEditor::apply_tone_visibility() {
    if (QWidget* tone = form_.control(QStringLiteral("cboTone")))
        tone->setVisible(checked("chkMenu", kSetAlertItem) && !checked("chkCtl", 35));
}

// ---------------------------------------------------------------- menu and tone

void AlertsEditor::chkMenu_Click(int index) {
    if (form_.suppressClick) return;
    MenuLeftOut left_out{};
    for (int b = 0; b < kMenuItems; ++b) left_out[static_cast<std::size_t>(b)] = checked("chkMenu", b);
    if (!store_menu_list(form_.image(), left_out)) {
        // Eight items do not fit the seven slots: the box goes back, nothing is written.
        info(kMenuFullMessage);
        if (auto* box = form_.ctl<QCheckBox>(QStringLiteral("chkMenu"), index))
            set_checked_quietly(box, !box->isChecked());
        return;
    }
    apply_tone_visibility();
}

void AlertsEditor::cboTone_Click() {
    auto* tone = form_.ctl<QComboBox>(QStringLiteral("cboTone"));
    if (!tone || tone->currentIndex() < 0) return;
    store_default_tone(form_.image(), tone->currentData().toInt());
    saved_tone_ = tone->currentIndex();
}

void AlertsEditor::load_chkMenu() {
    const MenuLeftOut left_out = menu_left_out(form_.image());
    for (int b = 0; b < kMenuItems; ++b)
        set_checked_quietly(form_.ctl<QCheckBox>(QStringLiteral("chkMenu"), b), left_out[static_cast<std::size_t>(b)]);
}

void AlertsEditor::read_SetAlarm() {
    auto* tone = form_.ctl<QComboBox>(QStringLiteral("cboTone"));
    if (tone) {
        const auto index = item_index(tone_items(), default_tone_code(form_.image()));
        // A tone of no item (36 while per-capcode music is on) shows none; the
        // saved tone stays for when that music is switched off again.
        select_quietly(tone, index.value_or(-1));
        if (index) saved_tone_ = *index;
    }
    apply_tone_visibility();
}

// ---------------------------------------------------------------- check box rules

void AlertsEditor::time_auto_update_rule() { store_time_auto_update_companion(form_.image(), checked("chkCtl", 0)); }

void AlertsEditor::always_vibrate_rule() {
    const bool on = checked("chkCtl", 45);
    change_always_vibrate(form_.image(), on);
    auto* set_alert = form_.ctl<QCheckBox>(QStringLiteral("chkMenu"), kSetAlertItem);
    if (on) {
        info(kSetAlertOffMessage);
        if (set_alert) {
            // The menu list without "Set Alert Off" is already stored.
            set_checked_quietly(set_alert, true);
            set_alert->setEnabled(false);
            apply_tone_visibility();
        }
    } else {
        info(kSetAlertOnMessage);
        if (set_alert) set_alert->setEnabled(true);
    }
}

void AlertsEditor::capcode_music_rule() {
    const bool on = checked("chkCtl", 35);
    change_capcode_music(form_.image(), on, saved_tone_);
    // Switched off, the list shows the saved tone the image holds again.
    if (!on) select_quietly(form_.ctl<QComboBox>(QStringLiteral("cboTone")), saved_tone_);
    for (const auto& [slot, list] : form_.array<QComboBox>(QStringLiteral("cboMusicType"))) list->setEnabled(on);
    QWidget* tone = form_.control(QStringLiteral("cboTone"));
    if (tone && !tone->isHidden() && on) {
        info(kToneOffMessage);
        tone->hide();
    } else if (tone && checked("chkMenu", kSetAlertItem) && !on) {
        info(kToneOnMessage);
        tone->show();
    }
    if (auto* vibrate = form_.ctl<QCheckBox>(QStringLiteral("chkCtl"), 45)) {
        vibrate->setVisible(on);
        if (!on) vibrate->setChecked(false); // runs its own rule when it was ticked
    }
}

void AlertsEditor::load_music_enable() {
    const bool on = checked("chkCtl", 35);
    for (const auto& [slot, list] : form_.array<QComboBox>(QStringLiteral("cboMusicType"))) list->setEnabled(on);
    if (QWidget* vibrate = form_.control(QStringLiteral("chkCtl"), 45)) vibrate->setVisible(on);
    if (QWidget* set_alert = form_.control(QStringLiteral("chkMenu"), kSetAlertItem))
        set_alert->setEnabled(!checked("chkCtl", 45));
}

void AlertsEditor::direct_show_rule() {
    const auto* paging = form_.ctl<QComboBox>(QStringLiteral("cboCtl"), 0);
    const bool direct = paging && paging->currentIndex() == 1;
    for (QWidget* w : {form_.control(QStringLiteral("chkCtl"), 8), form_.control(QStringLiteral("chkCtl"), 26),
                       form_.control(QStringLiteral("cboLamp"))})
        if (w) w->setVisible(direct);
}

void AlertsEditor::load_chkCtl20() {
    const auto* music = form_.ctl<QComboBox>(QStringLiteral("cboCtl"), 3);
    if (QWidget* en = form_.control(QStringLiteral("chkCtl"), 20)) en->setVisible(music && music->currentIndex() == 1);
}

// ---------------------------------------------------------------- mail-drop alert

void AlertsEditor::cboMailAlert_Click(int slot) {
    if (form_.suppressClick || slot <= 0 || slot >= kCapcodeSlots) return;
    const auto* list = form_.ctl<QComboBox>(QStringLiteral("cboMailAlert"), slot);
    if (!list || list->currentIndex() < 0) return;
    store_mail_alert(form_.image(), slot, static_cast<MailAlert>(list->currentIndex()), pair_shows_long(form_, slot));
}

void AlertsEditor::chkMailAlert_Click() {
    store_mail_alert_master(form_.image(), checked("chkMailAlert"));
    // Every slot, the second of a "Long" pair too: its type follows the first
    // slot's, and unticking hides all fifteen lists.
    for (int k = 1; k < kCapcodeSlots; ++k) show_mail_alert(form_, k, slot_is_mail_drop(form_, k));
}

void AlertsEditor::load_mail_alert() {
    set_checked_quietly(form_.ctl<QCheckBox>(QStringLiteral("chkMailAlert")), mail_alert_master(form_.image()));
    for (int k = 1; k < kCapcodeSlots; ++k) show_mail_alert(form_, k, slot_is_mail_drop(form_, k));
}

void AlertsEditor::read_MailAlert() {
    const bool was = form_.suppressClick;
    form_.suppressClick = true;
    for (int k = 1; k < kCapcodeSlots; ++k) {
        const auto choice = mail_alert(form_.image(), k);
        select_quietly(form_.ctl<QComboBox>(QStringLiteral("cboMailAlert"), k),
                       choice ? static_cast<int>(*choice) : -1);
    }
    form_.suppressClick = was;
}

// ---------------------------------------------------------------- other lists

void AlertsEditor::cboPersonAlert_Click() {
    const auto* list = form_.ctl<QComboBox>(QStringLiteral("cboPersonAlert"));
    if (!list || list->currentIndex() < 0) return;
    store_person_alert(form_.image(), person_alert_items()[static_cast<std::size_t>(list->currentIndex())].value);
}

void AlertsEditor::load_cboPersonAlert() {
    const auto index = item_index(person_alert_items(), person_alert_code(form_.image()));
    select_quietly(form_.ctl<QComboBox>(QStringLiteral("cboPersonAlert")), index.value_or(-1));
}

void AlertsEditor::cboORA_Click() {
    if (form_.suppressClick) return;
    if (const auto* list = form_.ctl<QComboBox>(QStringLiteral("cboORA")))
        store_out_of_range(form_.image(), list->currentIndex());
}

void AlertsEditor::load_cboORA() {
    select_quietly(form_.ctl<QComboBox>(QStringLiteral("cboORA")), out_of_range_index(form_.image()));
}

void AlertsEditor::cboSLC_Click() {
    if (const auto* list = form_.ctl<QComboBox>(QStringLiteral("cboSLC")))
        store_sequential_lockout(form_.image(), list->currentIndex());
}

void AlertsEditor::load_cboSLC() {
    select_quietly(form_.ctl<QComboBox>(QStringLiteral("cboSLC")), sequential_lockout_index(form_.image()));
}

} // namespace qrt58::editors
