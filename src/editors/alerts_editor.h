// Alerts and status: the receiver menu boxes chkMenu with the default tone list
// cboTone ("Menu Of Pager"), the mail-drop alert column of the capcode page
// (chkMailAlert, lblAlert, cboMailAlert), the personal, out-of-range and
// sequential-lockout lists, and the rules of "Time Auto Update" (chkCtl 0),
// "User's Capcode Music Type Enable" (chkCtl 35), "Always Vibrate" (chkCtl 45),
// the paging display list (cboCtl 0) and the "En" box of slot 10 (chkCtl 20).
//
// Registers the load steps "load_chkCtl20", "load_direct_show", "load_cboSLC",
// "load_cboPersonAlert", "load_mail_alert", "load_chkMenu", "load_music_enable",
// "load_cboORA", the read steps "read_MailAlert" and "read_SetAlarm", and
// "cboMailAlert_Click" (slot), which the capcode-length switch calls.
//
// Every load step fills its controls with their signals blocked: loading writes
// nothing. A list whose stored value has no item shows no item.
#pragma once

#include "alerts.h"

#include <QObject>

class Form1;

namespace qrt58::editors {

class AlertsEditor : public QObject {
public:
    static constexpr const char* kMenuFullMessage = qrt58::kMenuFullMessage;
    static constexpr const char* kSetAlertOffMessage = "Set Alert Feature Will Be Disable!";
    static constexpr const char* kSetAlertOnMessage = "Set Alert Feature Will Be Enable!";
    static constexpr const char* kToneOffMessage = "Default Tones Selection will be Disable";
    static constexpr const char* kToneOnMessage = "Default Tones Selection will be Enable";

    explicit AlertsEditor(Form1& form);

    // Change handlers.
    void chkMenu_Click(int index);
    void cboTone_Click();
    void cboMailAlert_Click(int slot);
    void chkMailAlert_Click();
    void cboPersonAlert_Click();
    void cboORA_Click();
    void cboSLC_Click();
    // Rules that run after the window has written the check box back.
    void time_auto_update_rule(); // chkCtl(0)
    void capcode_music_rule();    // chkCtl(35)
    void always_vibrate_rule();   // chkCtl(45)
    void direct_show_rule();      // cboCtl(0), also on loading

    // Load and read steps.
    void load_chkCtl20();
    void load_cboSLC();
    void load_cboPersonAlert();
    void load_mail_alert();
    void load_chkMenu();
    void load_music_enable();
    void load_cboORA();
    void read_MailAlert();
    void read_SetAlarm();

private:
    void apply_tone_visibility();
    void info(const char* text);
    bool checked(const char* name, int index = -1) const;

    Form1& form_;
    int saved_tone_ = 0; // index of the last default tone chosen or loaded
};

} // namespace qrt58::editors
