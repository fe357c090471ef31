#include "capcode_length_editor.h"

#include "accessible_names.h"
#include "capcode.h"
#include "capcode_editor.h"
#include "field_tag.h"
#include "form1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qrt58::editors {

namespace {

constexpr double kTwipsPerPixel = 15.0;
// The scroll range stops this short of the panel's bottom edge.
constexpr double kScrollSlackTwips = 10.0;

// A control array that follows the capcode numbering: control index = slot +
// offset. Arrays on other pages keep the row pitch of their own page.
struct RowArray {
    const char* name;
    int offset;
    bool own_pitch;
    bool covers = false; // lies over the odd row of a "Long" pair, which it covers
};
constexpr RowArray kRowArrays[] = {
    {"Label1", 0, false},    {"txtAddr", 0, false},        {"Text1", 0, false},
    {"chkCtl", 10, false},   {"Label2", 0, false},         {"cboCtl", 7, false},
    {"chkCtl", 50, false},   {"chkCtl", 70, false},        {"chkSource", 33, true},
    {"txtPrompt", 33, true}, {"lblCapMsc", 0, true},       {"cboMusicType", 0, true},
    {"txtUser", 0, true},    {"lblAlert", 0, false, true}, {"cboMailAlert", 0, false, true},
};

// The control's own Visible flag, whatever its page shows.
bool shown(const QWidget* w) { return w && w->isVisibleTo(w->parentWidget()); }

QString two_digits(int n) { return QString::asprintf("%02d", n); }

int round16(double v) {
    const double r = round_half_even(v);
    return static_cast<int>(std::clamp(r, -32768.0, 32767.0));
}

} // namespace

CapcodeLengthEditor::CapcodeLengthEditor(Form1& form, CapcodeEditor& capcodes)
    : QObject(&form), form_(form), capcodes_(capcodes) {
    for (int p = 0; p < kCapcodePairs; ++p) {
        if (auto* list = form.ctl<QComboBox>(QStringLiteral("cboCapLen"), p))
            connect(list, &QComboBox::currentIndexChanged, this, [this, p] { cboCapLen_Click(p); });
    }
    form.set_procedure("read_CapLen", std::function<void()>([this] { read_CapLen(); }));
    form.set_procedure("ChkCapLen", std::function<void()>([this] { ChkCapLen(); }));
}

void CapcodeLengthEditor::set_odd_row_visible(int p, bool visible) {
    const int odd = 2 * p + 1;
    const std::pair<const char*, int> row[] = {
        {"Label1", odd},     {"txtAddr", odd}, {"Text1", odd},       {"chkCtl", odd + 10}, {"Label2", odd},
        {"cboCtl", odd + 7}, {"cboCapSht", p}, {"chkCtl", odd + 50}, {"chkCtl", odd + 70},
    };
    for (const auto& [name, index] : row)
        if (QWidget* w = form_.control(QString::fromLatin1(name), index)) w->setVisible(visible);
}

void CapcodeLengthEditor::cboCapLen_Click(int p) {
    auto* list = form_.ctl<QComboBox>(QStringLiteral("cboCapLen"), p);
    if (!list || list->currentIndex() < 0) return;
    const bool is_long = list->currentIndex() == 1;
    set_odd_row_visible(p, !is_long);
    if (auto* caption = form_.control(QStringLiteral("Label1"), 2 * p))
        caption->setToolTip(QString::fromLatin1(is_long ? kLongTip : kShortTip));
    if (following_image_) {
        // The lengths follow an image that was just opened or read: the copy
        // and store steps of a switch would overwrite its odd slots (capcode
        // 1234567, mirrored bits and prompts), so only the rows change.
        layout_changed_ = true;
        return;
    }
    if (is_long) switch_pair_to_long(form_.image(), p);
    else switch_pair_to_short(form_.image(), p);
    form_.init_ctl();
}

void CapcodeLengthEditor::read_CapLen() {
    following_image_ = true;
    layout_changed_ = false;
    for (int p = 0; p < kCapcodePairs; ++p) {
        const bool is_long = pair_is_long_in_image(form_.image(), p);
        const int odd = 2 * p + 1;
        const std::pair<const char*, int> row[] = {
            {"Label1", odd}, {"txtAddr", odd},    {"chkCtl", odd + 10},
            {"Label2", odd}, {"cboCtl", odd + 7}, {"cboCapSht", p},
        };
        for (const auto& [name, index] : row)
            if (QWidget* w = form_.control(QString::fromLatin1(name), index)) w->setVisible(!is_long);
        if (auto* list = form_.ctl<QComboBox>(QStringLiteral("cboCapLen"), p)) list->setCurrentIndex(is_long ? 1 : 0);
    }
    following_image_ = false;
    // The boxes were filled under the old lengths: fill them again under the new.
    if (layout_changed_) form_.init_ctl();
}

double CapcodeLengthEditor::design_top(QWidget* w) const {
    const TagGeometry g = parse_tag_geometry(w->property("Tag").toString().toStdString());
    if (g.complete < 2) return w->y();
    return g.values[1] * form_.scale_y() / kTwipsPerPixel;
}

void CapcodeLengthEditor::ChkCapLen() {
    const double pitch = form_.cap_row_pitch;
    // Pitch of each array on its own page, from the design places of its first two rows.
    auto array_pitch = [&](const RowArray& a) {
        if (!a.own_pitch) return pitch;
        QWidget* first = form_.control(QString::fromLatin1(a.name), a.offset);
        QWidget* second = form_.control(QString::fromLatin1(a.name), a.offset + 1);
        if (!first || !second) return pitch;
        return design_top(second) - design_top(first);
    };
    auto place = [&](QWidget* w, int hidden_above, double row_pitch, bool row_shown, bool opaque) {
        if (!w) return;
        // A row lying on top of another paints its own background, so the
        // caption underneath does not show through.
        if (opaque) {
            w->setAutoFillBackground(true);
            // The row underneath cannot be seen, so the keyboard does not go there either.
            if (!w->property("rowFocusPolicy").isValid())
                w->setProperty("rowFocusPolicy", static_cast<int>(w->focusPolicy()));
            w->setFocusPolicy(row_shown ? static_cast<Qt::FocusPolicy>(w->property("rowFocusPolicy").toInt())
                                        : Qt::NoFocus);
        }
        w->move(w->x(), static_cast<int>(std::lround(design_top(w) - hidden_above * row_pitch)));
        // The rows that keep a number lie on top of those they now share a place
        // with. On the other pages the odd row of a "Long" pair stays visible
        // under the even one: what the user clicks there is the even slot's.
        if (row_shown && shown(w)) w->raise();
        else w->lower();
    };

    int n = 0;
    for (int s = 0; s < kCapcodeSlots; ++s) {
        const bool row_shown = shown(form_.control(QStringLiteral("Label1"), s));
        if (row_shown) ++n;
        const int hidden_above = s - std::max(n - 1, 0);
        for (const RowArray& a : kRowArrays)
            place(form_.control(QString::fromLatin1(a.name), s + a.offset), hidden_above, array_pitch(a), row_shown,
                  a.own_pitch || a.covers);
        if (s % 2 == 1) place(form_.control(QStringLiteral("cboCapSht"), s / 2), hidden_above, pitch, row_shown, false);
        else place(form_.control(QStringLiteral("cboCapLen"), s / 2), hidden_above, pitch, row_shown, false);

        qrt58::ui::name_capcode_row(form_, s, n);
        const QString nn = two_digits(n);
        if (auto* label = form_.ctl<QLabel>(QStringLiteral("Label1"), s)) label->setText(QStringLiteral("cap #") + nn);
        if (auto* box = form_.ctl<QCheckBox>(QStringLiteral("chkSource"), 33 + s))
            box->setText(QStringLiteral("Capcode #") + nn);
        if (auto* label = form_.ctl<QLabel>(QStringLiteral("lblCapMsc"), s))
            label->setText(QStringLiteral("Cap #") + nn + QStringLiteral(" Music Type:"));
    }

    QWidget* frame = form_.control(QStringLiteral("Picture1"));
    QWidget* panel = form_.control(QStringLiteral("Picture2"));
    auto* bar = form_.ctl<QScrollBar>(QStringLiteral("VScroll1"));
    if (!frame || !panel) return;
    const double height = std::max(n * pitch, form_.cap_frame_height);
    panel->resize(panel->width(), static_cast<int>(std::lround(height)));
    if (!bar) return;
    const double slack = kScrollSlackTwips * form_.scale_y() / kTwipsPerPixel;
    const double spare = 16 * pitch - frame->height();
    // A panel that fits the frame has nothing to scroll; steps stay at least 1.
    bar->setMaximum(std::max(0, round16(std::trunc(panel->height() - frame->height()) - slack)));
    bar->setSingleStep(std::max(1, round16(spare / 20)));
    bar->setPageStep(std::max(1, round16(spare / 10)));
    panel->move(0, -bar->value());
}

} // namespace qrt58::editors
