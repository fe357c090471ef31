// ctlEBSlider: the small track-and-thumb slider used for the display contrast.
//
// All positions are kept in twips (15 twips = 1 pixel). The thumb (`picSlider`)
// is a child widget; the groove is two lines along the middle of the track.
#pragma once

#include <QColor>
#include <QWidget>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class QPainter;

namespace qrt58::widgets {

constexpr int kTwipsPerPixel = 15;

// Colour values as the form designer stores them: 0x00BBGGRR for a plain RGB
// colour, 0x800000nn for system colour nn of the host palette.
constexpr std::uint32_t kSysButtonFace = 0x8000000F;
constexpr std::uint32_t kSysButtonShadow = 0x80000010;
constexpr std::uint32_t kSys3DHighlight = 0x80000014;
QColor stored_color(std::uint32_t value, const QPalette& palette);

// Edge bits of a 3-D border (outer/inner, raised/sunken); 5 raised, 10 sunken.
enum EdgeBits { RaisedOuter = 1, SunkenOuter = 2, RaisedInner = 4, SunkenInner = 8 };
// Draws a 3-D edge of the given type along all four sides of `rect` (pixels,
// right and bottom exclusive). Type 0 draws nothing.
void draw_edge(QPainter& painter, const QRect& rect, int edge, const QPalette& palette);

// Design-time property store: keeps the written keys in write order.
class PropertyBag {
public:
    long long read(const std::string& key, long long default_value) const;
    // Stores `value` under `key` unless it equals `default_value`.
    void write(const std::string& key, long long value, long long default_value);
    const std::vector<std::pair<std::string, long long>>& entries() const { return entries_; }
    void set(const std::string& key, long long value);

private:
    std::vector<std::pair<std::string, long long>> entries_;
};

class SliderThumb;

class ctlEBSlider : public QWidget {
    Q_OBJECT
public:
    explicit ctlEBSlider(QWidget* parent = nullptr);

    int Min() const { return min_; }
    void setMin(int value);
    int Max() const { return max_; }
    void setMax(int value);
    // Counted from the left (horizontal) or, when vertical, from the bottom.
    int Value() const;
    void setValue(int value);
    int SliderWidth() const { return slider_width_; }
    void setSliderWidth(int twips);
    std::uint32_t SliderColor() const { return slider_color_; }
    void setSliderColor(std::uint32_t value);
    int BorderStyle() const { return border_style_; }
    void setBorderStyle(int edge);
    int Orientation() const { return orientation_; }
    void setOrientation(int value);

    // The position value as stored (from the left or from the top).
    int stored_value() const { return value_; }

    void read_properties(const PropertyBag& bag);
    void write_properties(PropertyBag& bag) const;

    // Thumb geometry in twips, relative to the control.
    QRect thumb_twips() const;
    // Groove line ends in twips: (x1, y1) to (x2, y2).
    QLine groove_twips() const { return groove_; }
    QWidget* thumb() const;

signals:
    void Changed();
    // The container is told which design-time property changed.
    void propertyChanged(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    friend class SliderThumb;
    bool vertical() const { return orientation_ != 0; }
    int track_twips() const;
    void layout_parts();
    void place_thumb();
    void move_thumb_edge(int twips);
    // Snaps, clamps and applies a thumb position p (twips), then sets the
    // value from it with `thumb_length` as the thumb's length along the track.
    void drag_to(double p, int thumb_length);
    void thumb_moved(const QPoint& pos_px);

    int min_ = 0;
    int max_ = 100;
    int value_ = 50;
    int slider_width_ = 315;
    std::uint32_t slider_color_ = kSysButtonFace;
    int border_style_ = 0;
    int orientation_ = 0;
    QLine groove_;
    SliderThumb* thumb_ = nullptr;
};

} // namespace qrt58::widgets
