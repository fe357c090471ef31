// Capcode length: the "Short"/"Long" lists cboCapLen of the eight slot pairs, the
// fixed "Short" boxes cboCapSht of the odd rows, and the row layout that closes up
// and renumbers the rows when a pair holds one long capcode.
//
// Registers the window procedures "read_CapLen" and "ChkCapLen". What a length
// switch does to the image (the second slot's copies, the capcodes stored again)
// is switch_pair_to_long / switch_pair_to_short of change_rules.h; the editor
// shows or hides the rows and fills every control again.
#pragma once

#include <QObject>

class Form1;
class QWidget;

namespace qrt58::editors {

class CapcodeEditor;

class CapcodeLengthEditor : public QObject {
public:
    static constexpr const char* kShortTip = "Please input Capcode( 7 Dec digits between 1 and 2031615 ).";
    static constexpr const char* kLongTip = "Please input Capcode( 10 Dec digits between 1 and 4291000000 ).";

    CapcodeLengthEditor(Form1& form, CapcodeEditor& capcodes);

    // Runs whenever the selection of cboCapLen(pair) changes, by the user or by code.
    void cboCapLen_Click(int pair);
    // Lengths and odd-row visibility from the long flags of the image.
    void read_CapLen();
    // Numbers and places the rows, sizes the panel and the scroll bar.
    void ChkCapLen();

private:
    void set_odd_row_visible(int pair, bool visible);
    // Current pixel top a control would have in its design place, and the row
    // pitch of its control array.
    double design_top(QWidget* w) const;

    Form1& form_;
    CapcodeEditor& capcodes_;
    // Set while read_CapLen sets the lists from a newly loaded image: a list that
    // changes then only shows or hides its odd row, and the image stays as loaded.
    bool following_image_ = false;
    bool layout_changed_ = false;
};

} // namespace qrt58::editors
