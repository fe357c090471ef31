#include "ctl_eb_slider.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace qrt58::widgets {

QColor stored_color(std::uint32_t value, const QPalette& palette) {
    if ((value & 0x80000000u) == 0)
        return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
    switch (value & 0xFF) {
    case 0x05: return palette.color(QPalette::Base);
    case 0x08: return palette.color(QPalette::Text);
    case 0x10: return palette.color(QPalette::Dark);
    case 0x12: return palette.color(QPalette::ButtonText);
    case 0x14: return palette.color(QPalette::Light);
    case 0x15: return palette.color(QPalette::Shadow);
    case 0x16: return palette.color(QPalette::Midlight);
    default: return palette.color(QPalette::Button); // 0x0F and anything unknown
    }
}

namespace {

struct EdgeColors {
    QPalette::ColorRole top_left;
    QPalette::ColorRole bottom_right;
};

// Colours of one ring of a 3-D edge, by the raised/sunken bit of that ring.
EdgeColors ring_colors(int bits) {
    switch (bits) {
    case RaisedOuter: return {QPalette::Midlight, QPalette::Shadow};
    case SunkenOuter: return {QPalette::Dark, QPalette::Light};
    case RaisedInner: return {QPalette::Light, QPalette::Dark};
    default: return {QPalette::Shadow, QPalette::Midlight}; // SunkenInner
    }
}

bool single_ring(int bits) {
    return bits == RaisedOuter || bits == SunkenOuter || bits == RaisedInner || bits == SunkenInner;
}

void draw_ring(QPainter& p, const QRect& r, const EdgeColors& c, const QPalette& pal) {
    if (r.width() <= 0 || r.height() <= 0) return;
    const QColor tl = pal.color(c.top_left);
    const QColor br = pal.color(c.bottom_right);
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), tl);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), tl);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), br);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), br);
}

long long round_half_even(double v) { return std::llrint(v); }

} // namespace

void draw_edge(QPainter& painter, const QRect& rect, int edge, const QPalette& palette) {
    const int outer = edge & (RaisedOuter | SunkenOuter);
    const int inner = edge & (RaisedInner | SunkenInner);
    QRect r = rect;
    if (single_ring(outer)) {
        draw_ring(painter, r, ring_colors(outer), palette);
        r.adjust(1, 1, -1, -1);
    }
    if (single_ring(inner)) draw_ring(painter, r, ring_colors(inner), palette);
}

long long PropertyBag::read(const std::string& key, long long default_value) const {
    for (const auto& [k, v] : entries_)
        if (k == key) return v;
    return default_value;
}

void PropertyBag::set(const std::string& key, long long value) {
    for (auto& [k, v] : entries_)
        if (k == key) {
            v = value;
            return;
        }
    entries_.emplace_back(key, value);
}

void PropertyBag::write(const std::string& key, long long value, long long default_value) {
    if (value != default_value) set(key, value);
}

// The thumb: filled with the slider colour, with a raised inner edge.
class SliderThumb : public QWidget {
public:
    explicit SliderThumb(ctlEBSlider* owner) : QWidget(owner), owner_(owner) {
        setObjectName(QStringLiteral("picSlider"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), stored_color(owner_->slider_color_, palette()));
        draw_edge(p, rect(), RaisedInner, palette());
    }
    // A press on the thumb starts a drag; it must not reach the track.
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (e->buttons() & Qt::LeftButton) owner_->thumb_moved(e->position().toPoint());
    }

private:
    ctlEBSlider* owner_;
};

ctlEBSlider::ctlEBSlider(QWidget* parent) : QWidget(parent) {
    thumb_ = new SliderThumb(this);
    setOrientation(0);
    setBorderStyle(0);
    place_thumb();
}

QWidget* ctlEBSlider::thumb() const { return thumb_; }

QRect ctlEBSlider::thumb_twips() const {
    const QRect g = thumb_->geometry();
    return QRect(g.x() * kTwipsPerPixel, g.y() * kTwipsPerPixel, g.width() * kTwipsPerPixel,
                 g.height() * kTwipsPerPixel);
}

int ctlEBSlider::track_twips() const { return (vertical() ? height() : width()) * kTwipsPerPixel; }

void ctlEBSlider::setMin(int value) {
    if (value > max_) return;
    min_ = value;
    if (value_ < min_) {
        value_ = min_;
        emit propertyChanged(QStringLiteral("Value"));
    }
    place_thumb();
    emit propertyChanged(QStringLiteral("Min"));
}

void ctlEBSlider::setMax(int value) {
    if (value <= min_) return;
    max_ = value;
    if (value_ > max_) {
        value_ = max_;
        emit propertyChanged(QStringLiteral("Value"));
    }
    place_thumb();
    emit propertyChanged(QStringLiteral("Max"));
}

int ctlEBSlider::Value() const { return vertical() ? max_ + min_ - value_ : value_; }

void ctlEBSlider::setValue(int value) {
    value = std::clamp(value, min_, max_);
    // Store the position so that a vertical slider reads back what was written.
    value_ = vertical() ? max_ + min_ - value : value;
    place_thumb();
    emit propertyChanged(QStringLiteral("Value"));
    emit Changed();
}

void ctlEBSlider::setSliderWidth(int twips) {
    const bool along_height = orientation_ == 1;
    const int limit = (along_height ? height() : width()) * kTwipsPerPixel;
    if (twips >= limit) return;
    slider_width_ = twips;
    const int len_px = int(std::lround(double(twips) / kTwipsPerPixel));
    if (along_height) thumb_->resize(width(), len_px);
    else thumb_->resize(len_px, height());
    thumb_->update();
    place_thumb();
    emit propertyChanged(QStringLiteral("SliderWidth"));
}

void ctlEBSlider::setSliderColor(std::uint32_t value) {
    slider_color_ = value;
    thumb_->update();
    emit propertyChanged(QStringLiteral("SliderColor"));
}

void ctlEBSlider::setBorderStyle(int edge) {
    border_style_ = edge;
    update();
}

void ctlEBSlider::setOrientation(int value) {
    orientation_ = value;
    setSliderWidth(slider_width_);
    thumb_->update();
    layout_parts();
}

void ctlEBSlider::read_properties(const PropertyBag& bag) {
    min_ = int(bag.read("Min", 0));
    max_ = int(bag.read("Max", 100));
    value_ = int(bag.read("Value", 50));
    slider_width_ = int(bag.read("SliderWidth", 315));
    slider_color_ = std::uint32_t(bag.read("SliderColor", kSysButtonFace));
    thumb_->update();
    setBorderStyle(int(bag.read("BorderStyle", 0)));
    setOrientation(int(bag.read("Orientation", 0)));
    place_thumb();
}

void ctlEBSlider::write_properties(PropertyBag& bag) const {
    bag.write("Min", min_, 0);
    bag.write("Max", max_, 100);
    bag.write("Value", value_, 50);
    bag.write("SliderWidth", slider_width_, 315);
    bag.write("SliderColor", slider_color_, kSysButtonFace);
    bag.write("BorderStyle", border_style_, 0);
    bag.write("Orientation", orientation_, 0);
}

void ctlEBSlider::layout_parts() {
    update();
    const int w = width() * kTwipsPerPixel - kTwipsPerPixel;
    const int h = height() * kTwipsPerPixel - kTwipsPerPixel;
    const int len_px = int(std::lround(double(slider_width_) / kTwipsPerPixel));
    if (vertical()) {
        groove_ = QLine(w / 2, 15, w / 2, h - 15);
        thumb_->setGeometry(0, thumb_->y(), w / kTwipsPerPixel, len_px);
    } else {
        groove_ = QLine(15, h / 2, w - 15, h / 2);
        thumb_->setGeometry(thumb_->x(), 0, len_px, h / kTwipsPerPixel);
    }
    place_thumb();
}

void ctlEBSlider::place_thumb() {
    if (max_ == min_) return;
    const double ratio = double(track_twips() - slider_width_) / double(max_ - min_);
    move_thumb_edge(int(std::lround(ratio * (value_ - min_))));
}

void ctlEBSlider::move_thumb_edge(int twips) {
    const int px = int(std::lround(double(twips) / kTwipsPerPixel));
    if (vertical()) thumb_->move(thumb_->x(), px);
    else thumb_->move(px, thumb_->y());
}

void ctlEBSlider::drag_to(double p, int thumb_length) {
    long long snapped = round_half_even(p) / kTwipsPerPixel * kTwipsPerPixel;
    const int track = track_twips();
    if (snapped < 0) snapped = 0;
    else if (snapped > track - slider_width_) snapped = track - slider_width_;
    move_thumb_edge(int(snapped));
    if (max_ == min_) {
        // No range to map onto: the value can only be Min.
        value_ = min_;
    } else {
        const float ratio = float(track - thumb_length) / float(max_ - min_);
        value_ = ratio > 0 ? int(min_ + round_half_even(double(float(snapped) / ratio))) : min_;
    }
    emit Changed();
}

void ctlEBSlider::thumb_moved(const QPoint& pos_px) {
    const QRect t = thumb_twips();
    const double p = vertical() ? t.top() + pos_px.y() * kTwipsPerPixel - slider_width_ / 2.0
                                : t.left() + pos_px.x() * kTwipsPerPixel - slider_width_ / 2.0;
    drag_to(p, slider_width_);
}

void ctlEBSlider::mousePressEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    const double p =
        vertical() ? pos.y() * kTwipsPerPixel - slider_width_ / 2.0 : pos.x() * kTwipsPerPixel - slider_width_ / 2.0;
    const int thumb_length = vertical() ? slider_width_ : thumb_twips().width();
    drag_to(p, thumb_length);
}

void ctlEBSlider::resizeEvent(QResizeEvent*) { layout_parts(); }

void ctlEBSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    draw_edge(p, QRect(0, 0, width(), height()), border_style_, palette());
    const QLine g(groove_.x1() / kTwipsPerPixel, groove_.y1() / kTwipsPerPixel, groove_.x2() / kTwipsPerPixel,
                  groove_.y2() / kTwipsPerPixel);
    const QColor shadow = stored_color(kSysButtonShadow, palette());
    const QColor light = stored_color(kSys3DHighlight, palette());
    if (vertical()) {
        p.fillRect(QRect(g.x1() - 1, g.y1(), 2, g.y2() - g.y1() + 1), shadow);
        p.fillRect(QRect(g.x1(), g.y1(), 1, g.y2() - g.y1() + 1), light);
    } else {
        p.fillRect(QRect(g.x1(), g.y1() - 1, g.x2() - g.x1() + 1, 2), shadow);
        p.fillRect(QRect(g.x1(), g.y1(), g.x2() - g.x1() + 1, 1), light);
    }
}

} // namespace qrt58::widgets
