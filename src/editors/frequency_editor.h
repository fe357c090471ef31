// The "Frequency" frame: the range list `cboDft`, the entry box `txtFreq` and the
// synthesizer labels in `picPLL`.
#pragma once

#include <QObject>
#include <cstdint>

class Form1;
class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;

namespace qrt58::editors {

class FrequencyEditor : public QObject {
public:
    // Finds the controls by name, connects their events and registers read_BaseFreq,
    // read_freq and read_pll with the window. (Selecting the range that fits a
    // loaded or read image is the window's own select_range_from_image().)
    explicit FrequencyEditor(Form1& form);

    void read_BaseFreq();
    void read_freq();
    void read_pll();
    void cboDft_Click();

    void txtFreq_GotFocus();
    bool txtFreq_KeyPress(QKeyEvent* key); // true: the key is swallowed
    void txtFreq_KeyUp();
    void txtFreq_LostFocus();

    // Base frequency in Hz and channel spacing, as the labels last showed them.
    std::int64_t baseFreqHz = 0;
    float channelSpacingKHz = 0;

private:
    void reject(const QString& message);
    void set_label(QLabel* label, const std::string& text);

    Form1& form_;
    QComboBox* cboDft_ = nullptr;
    QLineEdit* txtFreq_ = nullptr;
    QLabel* lblPLLN_ = nullptr;
    QLabel* lblPLLR_ = nullptr;
    QLabel* lblINCD_ = nullptr;
    QLabel* lblBfreq_ = nullptr;
    QLabel* lblCHANNEL_ = nullptr;
    bool indexJustChanged_ = false;
};

} // namespace qrt58::editors
