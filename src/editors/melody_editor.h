// Melodies of the "Music && Tone" page: the sixteen music type lists
// cboMusicType, the user melody boxes txtUser and the "Multiple Tone" switch
// (chkCtl 66) that picks the single-tone or the multiple-tone melody area.
//
// Registers "read_music", "read_UserMsc", "read_SingleMsc", "read_MultiMsc",
// "User_Data" (slot) and "cboMusicType_Click" (slot); the last two are also run
// by the capcode-length switch so that a long pair's second slot follows its
// first.
#pragma once

#include <QObject>
#include <QString>

class Form1;

namespace qrt58::editors {

class MelodyEditor : public QObject {
public:
    explicit MelodyEditor(Form1& form);

    // A change of the slot's music type list (by the user or the length switch).
    void cboMusicType_Click(int slot);
    // Stores box `slot` into the area of the current format; the box then shows
    // the padded text.
    void User_Data(int slot);

    void read_music();
    void read_UserMsc();
    void read_SingleMsc();
    void read_MultiMsc();

    // Melody box events.
    void txtUser_GotFocus(int slot);
    // `key` is the character typed (13 for Enter, 0 for a key that types none).
    // Returns true when the key is dropped.
    bool txtUser_KeyPress(int slot, int key);
    void txtUser_LostFocus(int slot);

private:
    void fill_boxes(bool single);
    // Text that reaches a box other than by a typed key (paste, drop) obeys the
    // key rule: refused as a whole with the key's message.
    void refuse_later();

    Form1& form_;
};

} // namespace qrt58::editors
