#include "display_editor.h"

#include "change_rules.h"
#include "ctl_eb_slider.h"
#include "display.h"
#include "field_tag.h"
#include "form1.h"
#include "prompt_editor.h"
#include "prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace qrt58::editors {

namespace {

using widgets::ctlEBSlider;

constexpr double kTwipsPerPixel = 15.0;

// Shows the item whose data equals `value`; no such item shows none. The
// list's own handler does not run.
void select_data(QComboBox* list, int value) {
    if (!list) return;
    const QSignalBlocker block(list);
    list->setCurrentIndex(list->findData(value));
}

void set_text_grey(QLabel* label, int level) {
    if (!label) return;
    const int g = std::clamp(level, 0, 255);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, QColor(g, g, g));
    label->setPalette(pal);
}

// Keeps a new width through the proportional layout, which places every
// control from the design geometry in its Tag.
void set_design_width(QWidget* w, int width_px, double scale_x) {
    const std::string tag = w->property("Tag").toString().toStdString();
    const auto hash = tag.find(",#");
    const TagGeometry g = parse_tag_geometry(tag);
    if (hash == std::string::npos || g.complete < 4 || scale_x <= 0) return;
    const std::array<double, 4> rect = {g.values[0], g.values[1], std::round(width_px / scale_x * kTwipsPerPixel),
                                        g.values[3]};
    std::optional<double> font;
    if (g.complete >= 5) font = g.values[4];
    w->setProperty("Tag", QString::fromStdString(append_tag_geometry(tag.substr(0, hash), rect, font)));
}

} // namespace

DisplayEditor::DisplayEditor(Form1& form, PromptEditor& prompts) : QObject(&form), form_(form), prompts_(prompts) {
    if (auto* list = form.ctl<QComboBox>(QStringLiteral("cboLng")))
        connect(list, &QComboBox::currentIndexChanged, this, [this] { cboLng_Click(); });
    if (auto* list = form.ctl<QComboBox>(QStringLiteral("cbologo")))
        connect(list, &QComboBox::currentIndexChanged, this, [this] { cbologo_Click(); });
    if (auto* list = form.ctl<QComboBox>(QStringLiteral("cboLamp")))
        connect(list, &QComboBox::currentIndexChanged, this, [this] { cboLamp_Click(); });
    for (const auto& [index, list] : form.array<QComboBox>(QStringLiteral("cboBatLev"))) {
        const int i = index;
        connect(list, &QComboBox::currentIndexChanged, this, [this, i] { cboBatLev_Click(i); });
    }
    if (auto* slider = form.ctl<ctlEBSlider>(QStringLiteral("Slider1")))
        connect(slider, &ctlEBSlider::Changed, this, [this] { Slider1_Change(); });
    form.add_click_rule(QStringLiteral("chkCtl"), 37, [this] { push_key_lamp_rule(); });

    form.set_procedure("load_chkCtl36_38", std::function<void()>([this] { load_chkCtl36_38(); }));
    form.set_procedure("load_cbologo", std::function<void()>([this] { load_cbologo(); }));
    form.set_procedure("load_cboLng", std::function<void()>([this] { load_cboLng(); }));
    form.set_procedure("load_contrast", std::function<void()>([this] { load_contrast(); }));
    form.set_procedure("read_BatLev", std::function<void()>([this] { read_BatLev(); }));
    form.set_procedure("read_Lamp", std::function<void()>([this] { read_Lamp(); }));
}

void DisplayEditor::cboLng_Click() {
    auto* list = form_.ctl<QComboBox>(QStringLiteral("cboLng"));
    if (!list || list->currentIndex() < 0) return;
    const auto language = language_of_code(list->currentData().toInt());
    if (!language) return;
    apply_language(form_.image(), *language);
    prompts_.read_prompt();
}

void DisplayEditor::show_logo_font(int font) {
    const bool large = font == kLogoLargeFont;
    QLineEdit* logo = prompts_.box(0);
    auto* measure = form_.ctl<QLabel>(QStringLiteral("lblLogo"));
    if (logo) {
        QFont f = logo->font();
        f.setBold(large);
        logo->setFont(f);
    }
    prompts_.set_logo_max_length(logo_max_length(font));
    if (!measure) return;
    // The label is as wide as a run of spaces one longer than the logo.
    const QString caption(large ? 16 : 21, QLatin1Char(' '));
    measure->setText(caption);
    QFont f = measure->font();
    if (logo) f.setBold(logo->font().bold());
    const int width = QFontMetrics(f).horizontalAdvance(caption);
    measure->resize(width, measure->height());
    set_design_width(measure, width, form_.scale_x());
    if (logo) {
        logo->resize(width, logo->height());
        set_design_width(logo, width, form_.scale_x());
    }
}

void DisplayEditor::cbologo_Click() {
    auto* list = form_.ctl<QComboBox>(QStringLiteral("cbologo"));
    if (!list || list->currentIndex() < 0) return;
    const int font = list->currentData().toInt();
    store_logo_font(form_.image(), font);
    show_logo_font(font);
}

void DisplayEditor::Slider1_Change() {
    auto* slider = form_.ctl<ctlEBSlider>(QStringLiteral("Slider1"));
    if (!slider) return;
    const int v = slider->Value();
    store_contrast(form_.image(), v);
    set_text_grey(form_.ctl<QLabel>(QStringLiteral("lblContrast")), contrast_grey_on_change(v));
    if (auto* value = form_.ctl<QLabel>(QStringLiteral("lblValue"))) value->setNum(v);
    QCoreApplication::processEvents();
}

void DisplayEditor::cboLamp_Click() {
    auto* list = form_.ctl<QComboBox>(QStringLiteral("cboLamp"));
    if (!list || list->currentIndex() < 0) return;
    store_lamp_time(form_.image(), list->currentData().toInt());
}

void DisplayEditor::cboBatLev_Click(int index) {
    if (form_.suppressClick) return;
    auto* list = form_.ctl<QComboBox>(QStringLiteral("cboBatLev"), index);
    if (!list || list->currentIndex() < 0 || index < 0 || index > 2) return;
    store_battery_level(form_.image(), index, list->currentData().toInt());
    if (!battery_levels_ordered(form_.image()))
        form_.messages().error(&form_, QString::fromLatin1(kBatteryOrderMessage));
}

void DisplayEditor::show_rd_key_boxes() {
    const auto* lamp = form_.ctl<QCheckBox>(QStringLiteral("chkCtl"), 37);
    const bool on = lamp && lamp->isChecked();
    for (int i : {36, 38})
        if (QWidget* w = form_.control(QStringLiteral("chkCtl"), i)) w->setVisible(on);
}

void DisplayEditor::push_key_lamp_rule() {
    show_rd_key_boxes();
    const auto* lamp = form_.ctl<QCheckBox>(QStringLiteral("chkCtl"), 37);
    change_push_key_lamp(form_.image(), lamp && lamp->isChecked());
}

void DisplayEditor::load_chkCtl36_38() { show_rd_key_boxes(); }

void DisplayEditor::load_cbologo() {
    auto* list = form_.ctl<QComboBox>(QStringLiteral("cbologo"));
    const int font = logo_font(form_.image());
    select_data(list, font);
    if (list && list->currentIndex() >= 0) show_logo_font(font);
}

void DisplayEditor::load_cboLng() {
    // Showing the image's language copies no table: the receiver's own prompt
    // texts stay as they are.
    select_data(form_.ctl<QComboBox>(QStringLiteral("cboLng")), stored_language_code(form_.image()));
}

void DisplayEditor::load_contrast() {
    auto* slider = form_.ctl<ctlEBSlider>(QStringLiteral("Slider1"));
    if (!slider) return;
    const int v = contrast_to_show(form_.image());
    {
        // Only a move of the user's writes the contrast byte.
        const QSignalBlocker block(slider);
        slider->setValue(v);
    }
    set_text_grey(form_.ctl<QLabel>(QStringLiteral("lblContrast")), contrast_grey_on_load(v));
    if (auto* value = form_.ctl<QLabel>(QStringLiteral("lblValue"))) value->setNum(slider->Value());
}

void DisplayEditor::read_BatLev() {
    for (int i = 0; i < 3; ++i)
        select_data(form_.ctl<QComboBox>(QStringLiteral("cboBatLev"), i), battery_level_code(form_.image(), i));
}

void DisplayEditor::read_Lamp() {
    select_data(form_.ctl<QComboBox>(QStringLiteral("cboLamp")), lamp_time_code(form_.image()));
}

} // namespace qrt58::editors
