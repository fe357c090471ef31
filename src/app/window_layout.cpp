#include "window_layout.h"

#include "ctl_eb_slider.h"
#include "field_tag.h"
#include "form1.h"
#include "page_rows.h"
#include "pages.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <optional>

using qrt58::ui::ControlKind;
using qrt58::ui::ControlSpec;

namespace {

constexpr double kTwipsPerPixel = 15.0;
// The contrast slider's thumb length as stored on the window.
constexpr double kSliderThumbTwips = 150;
// Below this share of the design size the captions would run into each other.
constexpr double kMinimumScale = 0.85;
// Text at least this much lighter or darker than its background stays readable.
constexpr double kReadableContrast = 4.5;

const QColor kPageColor(224, 224, 224);
const QColor kOrange(255, 192, 128);
const QColor kModeBackground(0, 128, 128);

// Contrast ratio of two colours (relative luminance, sRGB), 1 to 21.
double contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Check boxes and option buttons draw their box as large as their text asks:
// the indicator grows with the font the layout gives the control.
class ScaledIndicatorStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        const int base = QProxyStyle::pixelMetric(metric, option, widget);
        switch (metric) {
        case PM_IndicatorWidth:
        case PM_IndicatorHeight:
        case PM_ExclusiveIndicatorWidth:
        case PM_ExclusiveIndicatorHeight: {
            if (!widget) return base;
            const double design = widget->property("designFont").toDouble();
            if (design <= 0) return base;
            const double factor = widget->font().pointSizeF() / design;
            return factor > 1.0 ? static_cast<int>(std::lround(base * factor)) : base;
        }
        default: return base;
        }
    }
};

// A control keeps the font it inherits when that already has its size. Giving
// a list box a font of its own builds its drop-down list at once (otherwise
// built when the list first opens), the largest part of building the window.
// Containers come before what they contain, so an inherited size is final.
void set_point_size(QWidget* w, double size) {
    if (w->font().pointSizeF() == size) return;
    QFont f = w->font();
    f.setPointSizeF(size);
    w->setFont(f);
}

// A font of the design: family, point size and weight.
QFont design_font(const char* family, double points, bool bold) {
    QFont f(QString::fromLatin1(family));
    f.setPointSizeF(points);
    if (bold) f.setBold(true); // otherwise the weight is inherited
    return f;
}

int px(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

// A label shows "&&" as "&" and drops a lone "&" (it marks an access key).
QString label_text(const std::string& caption) {
    const QString in = QString::fromStdString(caption);
    QString out;
    for (int i = 0; i < in.size(); ++i) {
        if (in[i] == QLatin1Char('&')) {
            if (i + 1 < in.size() && in[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += in[i];
    }
    return out;
}

// The 100 x 100 pixel background tile in four light greys.
QPixmap make_texture() {
    QPixmap tile(100, 100);
    QPainter p(&tile);
    const QColor greys[4] = {QColor(236, 236, 236), QColor(228, 228, 228), QColor(220, 220, 220),
                             QColor(212, 212, 212)};
    for (int y = 0; y < 100; y += 4)
        for (int x = 0; x < 100; x += 4) {
            const unsigned h = static_cast<unsigned>(x * 7919 + y * 104729 + (x / 4) * (y / 4) * 31);
            p.fillRect(x, y, 4, 4, greys[(h >> 3) % 4]);
        }
    return tile;
}

// The page area behind the tabs: paints the tiled texture and takes the focus
// when the mouse moves over its visible background.
class TabBack : public QFrame {
public:
    explicit TabBack(QWidget* parent) : QFrame(parent), tile_(make_texture()) {
        setMouseTracking(true);
        setFocusPolicy(Qt::ClickFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        // Whole tiles at natural size, the last row and column included even
        // when they pass the edge.
        const int w = tile_.width(), h = tile_.height();
        const QWidget* client = parentWidget() ? parentWidget() : this;
        for (int i = 0; i <= client->width() / w; ++i)
            for (int j = 0; j <= client->height() / h; ++j) p.drawPixmap(i * w, j * h, tile_);
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        setFocus(Qt::MouseFocusReason);
        QFrame::mouseMoveEvent(e);
    }

private:
    QPixmap tile_;
};

// The page area, tab labels, tab buttons, mode buttons and the five pages.
std::vector<ControlSpec> shell_controls() {
    std::vector<ControlSpec> rows;
    qrt58::ui::add_row(rows, ControlKind::Picture, "picTabBack", -1, "", "", -12, 0, 11500, 7530);
    struct Tab {
        const char* label;
        int label_index;
        const char* label_caption;
        const char* button;
        const char* button_caption;
        int left, button_width, label_width;
    };
    const Tab tabs[5] = {
        {"Label14", -1, "Freq. && Codes", "EMoptCode", "Freq. && Codes", 288, 1470, 1470},
        {"Label15", -1, "Alerts && Status", "EMoptStatus", "Alerts && Status", 1777, 1485, 1470},
        {"lblPEdit", -1, "Prompts Edit", "EMoptPrompts", "Prompts Edit", 3266, 1470, 1470},
        {"lblSource", -1, "Source Prompts", "EMoptSource", "Source Prompts", 4755, 1470, 1470},
        {"lblMusic", 0, "Music && Tone", "EMoptMusic", "Music &&Tone", 6240, 1470, 1470},
    };
    // Labels first: each button lies on top of its label.
    for (const Tab& t : tabs)
        qrt58::ui::add_row(rows, ControlKind::Label, t.label, t.label_index, t.label_caption, "picTabBack", t.left, 192,
                           t.label_width, 255);
    for (const Tab& t : tabs)
        qrt58::ui::add_row(rows, ControlKind::Button, t.button, -1, t.button_caption, "picTabBack", t.left, 192,
                           t.button_width, 255);
    qrt58::ui::add_row(rows, ControlKind::Option, "ModifyOpt", -1, "Modify", "picTabBack", 8475, 199, 960, 240)
        .font_size = 9;
    qrt58::ui::add_row(rows, ControlKind::Option, "WriteOpt", -1, "Write", "picTabBack", 9480, 199, 960, 240)
        .font_size = 9;
    for (const char* page : Form1::kPageNames)
        qrt58::ui::add_row(rows, ControlKind::Picture, page, -1, "", "picTabBack", 285, 465, 10380, 6840);
    return rows;
}

} // namespace

void WindowLayout::build_window() {
    form_.central_ = new QWidget(&form_);
    form_.central_->setObjectName(QStringLiteral("client"));
    form_.setCentralWidget(form_.central_);
    form_.central_->installEventFilter(&form_);

    add_rows(shell_controls());
    add_rows(qrt58::ui::codes_page_controls());
    add_rows(qrt58::ui::status_page_controls());
    add_rows(qrt58::ui::prompts_page_controls());
    add_rows(qrt58::ui::source_page_controls());
    add_rows(qrt58::ui::music_page_controls());

    // Tab labels: bold Arial on the button-shadow colour, highlight text colour.
    for (const char* name : {"Label14", "Label15", "lblPEdit", "lblSource", "lblMusic_0"}) {
        auto* l = qobject_cast<QLabel*>(form_.by_name_.value(QString::fromLatin1(name)));
        if (!l) continue;
        l->setFont(design_font("Arial", 8.25, true));
        l->setAlignment(Qt::AlignCenter);
        l->setWordWrap(false);
        l->setAutoFillBackground(true);
        QPalette pal = l->palette();
        const QColor back = pal.color(QPalette::Dark);
        QColor text = pal.color(QPalette::HighlightedText);
        // The highlight-text colour on the button shadow is too faint under
        // some styles: the darker or lighter of black and white then.
        if (contrast(text, back) < kReadableContrast)
            text = contrast(Qt::black, back) >= contrast(Qt::white, back) ? QColor(Qt::black) : QColor(Qt::white);
        pal.setColor(QPalette::Window, back);
        pal.setColor(QPalette::WindowText, text);
        l->setPalette(pal);
    }
    for (int i = 0; i < 5; ++i) {
        auto* b = qobject_cast<QPushButton*>(form_.by_name_.value(QString::fromLatin1(Form1::kTabButtonNames[i])));
        if (!b) continue;
        b->setFocusPolicy(Qt::NoFocus);
        if (i >= 3) b->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; }").arg(kOrange.name()));
        QObject::connect(b, &QPushButton::clicked, &form_, [this, i] { form_.select_page(i); });
    }
    // The tab buttons in the face of the tab labels under them: their captions
    // were laid out for it ("Alerts && Status" does not fit in Courier New).
    for (const char* name : Form1::kTabButtonNames) {
        QWidget* b = form_.by_name_.value(QString::fromLatin1(name));
        if (!b) continue;
        b->setFont(design_font("Arial", b->font().pointSizeF(), false));
    }
    for (const char* name : {"ModifyOpt", "WriteOpt"}) {
        auto* o = qobject_cast<QRadioButton*>(form_.by_name_.value(QString::fromLatin1(name)));
        if (!o) continue;
        o->setFont(design_font("Courier New", 9, true));
        o->setAutoFillBackground(true);
        QPalette pal = o->palette();
        pal.setColor(QPalette::Window, kModeBackground);
        pal.setColor(QPalette::Button, kModeBackground);
        pal.setColor(QPalette::WindowText, Qt::white);
        o->setPalette(pal);
    }
    if (auto* m = form_.ctl<QRadioButton>(QStringLiteral("ModifyOpt"))) {
        m->setChecked(true);
        QObject::connect(m, &QRadioButton::clicked, &form_, [this] { form_.ModifyOpt_Click(); });
    }
    if (auto* w = form_.ctl<QRadioButton>(QStringLiteral("WriteOpt")))
        QObject::connect(w, &QRadioButton::clicked, &form_, [this] { form_.WriteOpt_Click(); });

    for (const char* page : Form1::kPageNames) {
        QWidget* p = form_.by_name_.value(QString::fromLatin1(page));
        if (!p) continue;
        p->setFocusPolicy(Qt::ClickFocus);
        QPalette pal = p->palette();
        pal.setColor(QPalette::Window, kPageColor);
        p->setPalette(pal);
    }
    // The "E" of each capcode row is a mark, not an entry.
    for (const auto& [index, mark] : form_.array<QLineEdit>(QStringLiteral("Text1"))) {
        (void)index;
        mark->setReadOnly(true);
        mark->setFocusPolicy(Qt::NoFocus);
    }
    auto* indicators = new ScaledIndicatorStyle;
    indicators->setParent(&form_);
    for (QWidget* w : form_.controls_)
        if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) w->setStyle(indicators);
    form_.select_page(0);
}

void WindowLayout::size_window() {
    form_.central_->setMinimumSize(static_cast<int>(std::ceil(kDesignClientWidth * kMinimumScale)),
                                   static_cast<int>(std::ceil(kDesignClientHeight * kMinimumScale)));
    form_.resize(kDesignClientWidth,
                 kDesignClientHeight + form_.menuBar()->sizeHint().height() + form_.statusBar()->sizeHint().height());
}

void WindowLayout::add_rows(const std::vector<ControlSpec>& rows) {
    for (const ControlSpec& row : rows) create_control(row);
}

QWidget* WindowLayout::create_control(const ControlSpec& row) {
    const QString name = QString::fromStdString(qrt58::ui::object_name(row.name, row.index));
    if (QWidget* existing = form_.by_name_.value(name)) {
        qWarning("Form1: control %s is described twice; the first one is kept", qPrintable(name));
        return existing;
    }
    QWidget* parent = form_.central_;
    if (!row.parent.empty()) {
        parent = form_.by_name_.value(QString::fromStdString(row.parent));
        if (!parent) {
            qWarning("Form1: container %s of %s is missing", row.parent.c_str(), qPrintable(name));
            parent = form_.central_;
        }
    }
    // Positions are relative to the container, its caption included, as designed.
    const QString caption = QString::fromStdString(row.caption);
    QWidget* w = nullptr;
    switch (row.kind) {
    case ControlKind::Frame: w = new QGroupBox(caption, parent); break;
    case ControlKind::Picture:
        if (row.name == "picTabBack") {
            w = new TabBack(parent);
        } else {
            auto* f = new QFrame(parent);
            f->setAutoFillBackground(true);
            QPalette pal = f->palette();
            pal.setColor(QPalette::Window, kPageColor);
            f->setPalette(pal);
            w = f;
        }
        break;
    case ControlKind::Label: {
        auto* l = new QLabel(label_text(row.caption), parent);
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        w = l;
        break;
    }
    case ControlKind::CheckBox: w = new QCheckBox(caption, parent); break;
    case ControlKind::Option: w = new QRadioButton(caption, parent); break;
    case ControlKind::ComboBox: {
        auto* c = new QComboBox(parent);
        for (std::size_t i = 0; i < row.items.size(); ++i) {
            const auto& item = row.items[i];
            c->addItem(QString::fromStdString(item.text), item.data < 0 ? static_cast<int>(i) : item.data);
        }
        c->setCurrentIndex(row.list_index); // -1: nothing selected until the image is loaded
        w = c;
        break;
    }
    case ControlKind::ListBox: {
        auto* l = new QListWidget(parent);
        for (const auto& item : row.items) l->addItem(QString::fromStdString(item.text));
        w = l;
        break;
    }
    case ControlKind::TextBox: {
        auto* t = new QLineEdit(caption, parent);
        if (row.max_length > 0) t->setMaxLength(row.max_length);
        w = t;
        break;
    }
    case ControlKind::Button: w = new QPushButton(caption, parent); break;
    case ControlKind::ScrollBar: w = new QScrollBar(Qt::Vertical, parent); break;
    case ControlKind::Slider: {
        // The contrast slider as stored on the window: 1..8, 4, 150-twip thumb,
        // horizontal, no border.
        auto* s = new qrt58::widgets::ctlEBSlider(parent);
        s->setOrientation(0);
        s->setMax(8);
        s->setMin(1);
        s->setValue(4);
        s->setSliderWidth(static_cast<int>(kSliderThumbTwips));
        s->setBorderStyle(0);
        w = s;
        break;
    }
    }
    w->setObjectName(name);
    w->setProperty("ctlName", QString::fromStdString(row.name));
    w->setProperty("ctlIndex", row.index);
    w->setProperty("Tag", QString::fromStdString(row.tag));
    // Design geometry in twips; start-up copies it into the Tag.
    w->setProperty("twipsRect", QRectF(row.left, row.top, row.width, row.height));
    const bool has_font = row.kind != ControlKind::ScrollBar && row.kind != ControlKind::Slider;
    if (has_font) {
        w->setProperty("designFont", row.font_size);
        set_point_size(w, row.font_size);
    }
    if (!row.tooltip.empty()) w->setToolTip(QString::fromStdString(row.tooltip));
    w->setGeometry(px(row.left), px(row.top), px(row.width), px(row.height));
    if (!row.visible) w->hide();
    if (!row.enabled) w->setEnabled(false);

    const int index = row.index;
    if (row.name == "chkCtl") {
        if (auto* c = qobject_cast<QCheckBox*>(w))
            QObject::connect(c, &QCheckBox::stateChanged, &form_, [this, index] { form_.chkCtl_Click(index); });
    } else if (row.name == "cboCtl") {
        if (auto* c = qobject_cast<QComboBox*>(w))
            QObject::connect(c, &QComboBox::currentIndexChanged, &form_, [this, index] { form_.cboCtl_Click(index); });
    } else if (row.name == "chkSource") {
        if (auto* c = qobject_cast<QCheckBox*>(w))
            QObject::connect(c, &QCheckBox::stateChanged, &form_, [this, index] { form_.chkSource_Click(index); });
    }

    form_.controls_.push_back(w);
    form_.by_name_.insert(name, w);
    form_.arrays_[QString::fromStdString(row.name)].emplace_back(row.index, w);
    return w;
}

void WindowLayout::append_tag_geometry() {
    if (form_.loaded_) return;
    form_.loaded_ = true;
    for (QWidget* w : form_.controls_) {
        const QRectF r = w->property("twipsRect").toRectF();
        std::optional<double> font;
        if (w->property("designFont").isValid()) font = w->property("designFont").toDouble();
        const std::string tag = qrt58::append_tag_geometry(
            Form1::tag_of(w), std::array<double, 4>{r.left(), r.top(), r.width(), r.height()}, font);
        w->setProperty("Tag", QString::fromStdString(tag));
    }
    for (QAction* a : form_.actions_)
        a->setProperty("Tag", QString::fromStdString(qrt58::append_tag_geometry(Form1::tag_of(a), {}, {})));
    form_.timer_->setProperty("Tag", QStringLiteral(",#"));
}

void WindowLayout::layout_controls() {
    if (!form_.loaded_ || !form_.central_) return;
    if (!form_.isVisible() && form_.layout()) form_.layout()->activate(); // client size before the first show
    const QSize client = form_.central_->size();
    if (client.width() <= 0 || client.height() <= 0) return; // minimized
    form_.sx_ = static_cast<double>(client.width()) / form_.design_size_.width();
    form_.sy_ = static_cast<double>(client.height()) / form_.design_size_.height();
    const double font_factor = std::min(form_.sx_, form_.sy_);
    for (QWidget* w : form_.controls_) {
        const std::string tag = Form1::tag_of(w);
        const qrt58::TagGeometry g = qrt58::parse_tag_geometry(tag);
        if (g.complete >= 5 && g.values[4] * font_factor > 0) set_point_size(w, g.values[4] * font_factor);
        if (g.complete < 4) continue;
        const int left = px(form_.sx_ * g.values[0]);
        const int top = px(form_.sy_ * g.values[1]);
        const int width = px(form_.sx_ * g.values[2]);
        if (w->property("ctlName").toString().startsWith(QLatin1String("cbo")))
            w->setGeometry(left, top, width, w->sizeHint().height());
        else w->setGeometry(left, top, width, px(form_.sy_ * g.values[3]));
        // The slider's thumb grows with the text around it (never below its
        // stored length).
        if (auto* slider = qobject_cast<qrt58::widgets::ctlEBSlider*>(w))
            slider->setSliderWidth(static_cast<int>(std::lround(kSliderThumbTwips * std::max(1.0, font_factor))));
    }
    const auto design_top = [this](const QString& name, int index) -> std::optional<double> {
        QWidget* w = form_.control(name, index);
        if (!w) return std::nullopt;
        const auto g = qrt58::parse_tag_geometry(Form1::tag_of(w));
        if (g.complete < 4) return std::nullopt;
        return g.values[1];
    };
    const auto t0 = design_top(QStringLiteral("Label1"), 0);
    const auto t1 = design_top(QStringLiteral("Label1"), 1);
    if (t0 && t1) form_.cap_row_pitch = form_.sy_ * (*t1 - *t0) / kTwipsPerPixel;
    if (QWidget* frame = form_.control(QStringLiteral("Frame1"), 0)) form_.cap_frame_height = frame->height();
    form_.call("ChkCapLen");
}
