// Display and power options of the alerts and status page: the prompt language
// cboLng, the logo font cbologo (with lblLogo sizing the logo box), the screen
// contrast Slider1 with lblContrast and lblValue, the lamp time cboLamp, the
// battery gauge levels cboBatLev(0..2) and "Push Key Lamp On Enable" chkCtl(37).
//
// Registers the load steps "load_chkCtl36_38", "load_cbologo", "load_cboLng",
// "load_contrast" and the read steps "read_BatLev" and "read_Lamp". Loading only
// shows the image: no list or slider set by a load step writes into it, and a
// value that matches no list item shows no item.
#pragma once

#include "display.h"

#include <QObject>

class Form1;

namespace qrt58::editors {

class PromptEditor;

class DisplayEditor : public QObject {
public:
    static constexpr const char* kBatteryOrderMessage = qrt58::kBatteryOrderMessage;

    DisplayEditor(Form1& form, PromptEditor& prompts);

    void cboLng_Click();
    void cbologo_Click();
    void Slider1_Change();
    void cboLamp_Click();
    void cboBatLev_Click(int index);
    void push_key_lamp_rule(); // case 37 of chkCtl

    void load_chkCtl36_38();
    void load_cbologo();
    void load_cboLng();
    void load_contrast();
    void read_BatLev();
    void read_Lamp();

private:
    // Bold 15-character logo for the large font, plain 20 for the small one;
    // lblLogo measures the box.
    void show_logo_font(int font);
    void show_rd_key_boxes();

    Form1& form_;
    PromptEditor& prompts_;
};

} // namespace qrt58::editors
