// The read/write password `txtPass1`, the manual-write password `txtPass` and the
// first-capcode auto-increment box `optAuto1`.
#pragma once

#include <QObject>

class Form1;
class QKeyEvent;
class QLineEdit;

namespace qrt58::editors {

class PasswordEditor : public QObject {
public:
    // Finds the controls by name, connects their events and registers read_pass and
    // read_pass1 with the window.
    explicit PasswordEditor(Form1& form);

    void read_pass();
    void read_pass1();

    void txtPass1_LostFocus();
    void txtPass_KeyUp();
    void optAuto1_Click(bool checked);

private:
    Form1& form_;
    QLineEdit* txtPass1_ = nullptr;
    QLineEdit* txtPass_ = nullptr;
};

} // namespace qrt58::editors
