#include "frequency_editor.h"

#include "box_events.h"
#include "default_image.h"
#include "form1.h"
#include "frequency.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace qrt58::editors {

FrequencyEditor::FrequencyEditor(Form1& form) : QObject(&form), form_(form) {
    cboDft_ = form.ctl<QComboBox>("cboDft");
    txtFreq_ = form.ctl<QLineEdit>("txtFreq");
    lblPLLN_ = form.ctl<QLabel>("lblPLLN");
    lblPLLR_ = form.ctl<QLabel>("lblPLLR");
    lblINCD_ = form.ctl<QLabel>("lblINCD");
    lblBfreq_ = form.ctl<QLabel>("lblBfreq");
    lblCHANNEL_ = form.ctl<QLabel>("lblCHANNEL");

    if (cboDft_) {
        if (cboDft_->count() == 0)
            for (const auto& text : frequency_range_texts()) cboDft_->addItem(QString::fromStdString(text));
        // A change of the selection, by the user or by code, is a click; so is
        // the user choosing the entry that is already selected.
        connect(cboDft_, &QComboBox::currentIndexChanged, this, [this] {
            indexJustChanged_ = true;
            QTimer::singleShot(0, this, [this] { indexJustChanged_ = false; });
            cboDft_Click();
        });
        connect(cboDft_, &QComboBox::activated, this, [this] {
            if (indexJustChanged_) indexJustChanged_ = false;
            else cboDft_Click();
        });
    }
    if (txtFreq_) {
        BoxEvents* ev = BoxEvents::attach(txtFreq_, this);
        ev->got_focus = [this] { txtFreq_GotFocus(); };
        ev->lost_focus = [this] { txtFreq_LostFocus(); };
        ev->key_press = [this](QKeyEvent* key) { return txtFreq_KeyPress(key); };
        ev->key_up = [this](QKeyEvent*) { txtFreq_KeyUp(); };
    }

    form.set_procedure("read_BaseFreq", std::function<void()>([this] { read_BaseFreq(); }));
    form.set_procedure("read_freq", std::function<void()>([this] { read_freq(); }));
    form.set_procedure("read_pll", std::function<void()>([this] { read_pll(); }));
}

void FrequencyEditor::read_BaseFreq() { baseFreqHz = base_frequency_hz(form_.image()); }

void FrequencyEditor::read_freq() {
    if (txtFreq_) {
        txtFreq_->clear();
        txtFreq_->setText(QString::fromStdString(frequency_text(form_.image())));
    }
    read_pll();
}

void FrequencyEditor::set_label(QLabel* label, const std::string& text) {
    if (label) label->setText(QString::fromStdString(text));
}

void FrequencyEditor::read_pll() {
    read_BaseFreq();
    const PllLabels labels = pll_labels(form_.image());
    set_label(lblBfreq_, labels.bfreq);
    set_label(lblINCD_, labels.incd);
    set_label(lblPLLR_, labels.pll_r);
    channelSpacingKHz = static_cast<float>(channel_spacing_khz(form_.image()));
    set_label(lblCHANNEL_, labels.channel);
    set_label(lblPLLN_, labels.pll_n);
}

void FrequencyEditor::cboDft_Click() {
    if (form_.suppressClick) {
        form_.suppressClick = false;
        return;
    }
    const int preset = range_default_preset(cboDft_ ? cboDft_->currentIndex() : -1);
    if (preset < 0) return;
    apply_range_preset(form_.image(), preset);
    form_.init_ctl();
}

void FrequencyEditor::txtFreq_GotFocus() { txtFreq_->clear(); }

bool FrequencyEditor::txtFreq_KeyPress(QKeyEvent* key) {
    if (key->text().isEmpty() && !is_enter(key)) return false; // not a character key
    form_.entryErrorPending = false;
    if (!is_enter(key)) return false;
    move_focus_away(txtFreq_, form_.control("picTabBack"));
    return true;
}

void FrequencyEditor::txtFreq_KeyUp() {
    const QString text = txtFreq_->text();
    if (text.isEmpty() || is_decimal_numeric(text.toStdString())) return;
    form_.messages().warning(&form_, kNotNumericMessage);
    read_freq();
    focus_back(txtFreq_);
}

void FrequencyEditor::reject(const QString& message) {
    form_.messages().warning(&form_, message);
    form_.entryErrorPending = true;
    focus_back(txtFreq_);
}

void FrequencyEditor::txtFreq_LostFocus() {
    const FrequencyOutcome outcome =
        check_frequency(txtFreq_->text().toStdString(), cboDft_ ? cboDft_->currentIndex() : -1, form_.image());
    switch (outcome.result) {
    case FrequencyCheck::Restore:
        form_.entryErrorPending = false;
        read_freq();
        break;
    case FrequencyCheck::NotNumeric:
        // Only text that arrived without a key (pasted from the context menu) gets
        // here; it is refused like typed text.
        read_freq();
        reject(QString::fromStdString(outcome.message));
        break;
    case FrequencyCheck::OutOfRange:
    case FrequencyCheck::ChannelSpacing: reject(QString::fromStdString(outcome.message)); break;
    case FrequencyCheck::Accepted:
        apply_frequency(form_.image(), outcome);
        read_freq();
        break;
    }
}

} // namespace qrt58::editors
