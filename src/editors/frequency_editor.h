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
    // read_freq, read_pll and select_range_from_image with the window.
    explicit FrequencyEditor(Form1& form);

    void read_BaseFreq();
    void read_freq();
    void read_pll();
    void cboDft_Click();
    // Selects the range list entry that fits the image (after a file is opened or
    // the receiver is read); the image is not changed. The caller refreshes.
    void select_range_from_image();

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
