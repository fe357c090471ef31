#include "ctl_eb_slider.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <vector>

using namespace qrt58::widgets;

namespace {

// One application for the whole run; it is never destroyed, so that nothing
// of Qt is torn down by the exit handlers.
QApplication& app() {
    static int argc = 1;
    static char name[] = "test_widgets";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

// Counts Changed and records property reports of one slider.
struct Probe {
    explicit Probe(ctlEBSlider& s) {
        QObject::connect(&s, &ctlEBSlider::Changed, [this] { ++changed; });
        QObject::connect(&s, &ctlEBSlider::propertyChanged, [this](const QString& n) { reported.push_back(n); });
    }
    int changed = 0;
    std::vector<QString> reported;
};

void mouse(QWidget* w, QEvent::Type type, QPoint px, Qt::MouseButtons buttons) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent ev(type, QPointF(px), w->mapToGlobal(QPointF(px)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &ev);
}

void press(QWidget* w, QPoint px) { mouse(w, QEvent::MouseButtonPress, px, Qt::LeftButton); }

// The main window's contrast slider: 1500 x 300 twips, range 1..8, thumb 150.
struct ContrastSlider : ::testing::Test {
    ContrastSlider() {
        s.resize(100, 20);
        PropertyBag bag;
        bag.set("Min", 1);
        bag.set("Max", 8);
        bag.set("Value", 4);
        bag.set("SliderWidth", 150);
        s.read_properties(bag);
    }
    QApplication& application = app(); // before any widget
    ctlEBSlider s;
};

} // namespace

TEST(EBSlider, NewInstanceHasDefaultsAndSavesNothing) {
    app();
    ctlEBSlider s;
    EXPECT_EQ(s.Min(), 0);
    EXPECT_EQ(s.Max(), 100);
    EXPECT_EQ(s.Value(), 50);
    EXPECT_EQ(s.SliderWidth(), 315);
    EXPECT_EQ(s.SliderColor(), 0x8000000Fu);
    EXPECT_EQ(s.BorderStyle(), 0);
    EXPECT_EQ(s.Orientation(), 0);
    PropertyBag bag;
    s.write_properties(bag);
    EXPECT_TRUE(bag.entries().empty());
}

TEST(EBSlider, SavesOnlyNonDefaultsInOrderAndLoadsUnvalidated) {
    app();
    ctlEBSlider s;
    s.resize(100, 20);
    PropertyBag in;
    in.set("Orientation", 0);
    in.set("Value", 20); // outside the range: taken as it is
    in.set("Max", 8);
    in.set("Min", 1);
    in.set("SliderColor", 0x0000FF);
    s.read_properties(in);
    EXPECT_EQ(s.stored_value(), 20);
    EXPECT_EQ(s.SliderColor(), 0x0000FFu);
    PropertyBag out;
    s.write_properties(out);
    const std::vector<std::pair<std::string, long long>> expected = {
        {"Min", 1}, {"Max", 8}, {"Value", 20}, {"SliderColor", 0xFF}};
    EXPECT_EQ(out.entries(), expected);
}

TEST_F(ContrastSlider, LayoutPlacesGrooveAndThumbFromTheDesignValue) {
    // w = 1500 - 15, h = 300 - 15: groove from 15 to w - 15 at h / 2.
    EXPECT_EQ(s.groove_twips(), QLine(15, 142, 1470, 142));
    // Thumb: full height less one pixel, 150 long, at (1500 - 150) / 7 * 3.
    const QRect t = s.thumb_twips();
    EXPECT_EQ(t.height(), 285);
    EXPECT_EQ(t.width(), 150);
    EXPECT_EQ(t.top(), 0);
    EXPECT_EQ(t.left(), 585); // 578.6 twips, on the nearest pixel
}

TEST_F(ContrastSlider, PressesAtTheEndsGiveTheRangeEndsAndClampTheThumb) {
    Probe probe(s);
    press(&s, {0, 10}); // thumb would start left of the track
    EXPECT_EQ(s.Value(), 1);
    EXPECT_EQ(s.thumb_twips().left(), 0);
    EXPECT_EQ(probe.changed, 1);
    press(&s, {99, 10}); // beyond the end
    EXPECT_EQ(s.Value(), 8);
    EXPECT_EQ(s.thumb_twips().left(), 1500 - 150);
    EXPECT_EQ(probe.changed, 2);
    press(&s, {40, 10}); // 600 - 75 = 525 twips -> 1 + 525 / 192.86 = 3.72 -> 4
    EXPECT_EQ(s.Value(), 4);
    EXPECT_EQ(s.thumb_twips().left(), 525);
    press(&s, {40, 10}); // same value again still reports
    EXPECT_EQ(probe.changed, 4);
}

TEST(EBSlider, PressSnapsTheThumbToWholePixelsAndRoundsTheValue) {
    app();
    ctlEBSlider s; // range 0..100, thumb 315
    s.resize(100, 20);
    press(&s, {20, 5}); // 300 - 157.5 = 142.5 -> 142 -> 135
    EXPECT_EQ(s.thumb_twips().left(), 135);
    EXPECT_EQ(s.Value(), 11); // 135 / 11.85 = 11.39
    press(&s, {21, 5});       // 315 - 157.5 = 157.5 -> 158 -> 150
    EXPECT_EQ(s.thumb_twips().left(), 150);
    EXPECT_EQ(s.Value(), 13); // 150 / 11.85 = 12.66
}

TEST_F(ContrastSlider, ValueWritesAreClampedAndRaiseChanged) {
    Probe probe(s);
    s.setValue(20);
    EXPECT_EQ(s.Value(), 8);
    EXPECT_EQ(s.thumb_twips().left(), 1350);
    s.setValue(-3);
    EXPECT_EQ(s.Value(), 1);
    EXPECT_EQ(s.thumb_twips().left(), 0);
    EXPECT_EQ(probe.changed, 2);
}

TEST_F(ContrastSlider, RangeWritesFollowTheirRulesWithoutRaisingChanged) {
    Probe probe(s);
    s.setMax(1); // equal to Min: ignored
    EXPECT_EQ(s.Max(), 8);
    s.setMin(9); // above Max: ignored
    EXPECT_EQ(s.Min(), 1);
    EXPECT_TRUE(probe.reported.empty());

    s.setMax(3); // below the value 4: lowers it
    EXPECT_EQ(s.Max(), 3);
    EXPECT_EQ(s.Value(), 3);
    s.setMin(3); // equal to Max: accepted
    EXPECT_EQ(s.Min(), 3);
    EXPECT_EQ(s.Value(), 3);
    s.setMax(8);
    s.setMin(6); // above the value 3: raises it
    EXPECT_EQ(s.Value(), 6);
    EXPECT_EQ(probe.changed, 0);
    const std::vector<QString> expected = {"Value", "Max", "Min", "Max", "Value", "Min"};
    EXPECT_EQ(probe.reported, expected);
}

TEST_F(ContrastSlider, SliderWidthMustBeShorterThanTheTrack) {
    s.setSliderWidth(1500);
    EXPECT_EQ(s.SliderWidth(), 150);
    s.setSliderWidth(1600);
    EXPECT_EQ(s.SliderWidth(), 150);
    s.setSliderWidth(300);
    EXPECT_EQ(s.SliderWidth(), 300);
    EXPECT_EQ(s.thumb_twips().width(), 300);
    // Value 4 at (1500 - 300) / 7 * 3 = 514 twips, on a pixel: 510.
    EXPECT_EQ(s.thumb_twips().left(), 510);
}

TEST_F(ContrastSlider, DraggingTheThumbMovesItOnlyWithTheLeftButton) {
    Probe probe(s);
    QWidget* thumb = s.thumb();
    ASSERT_EQ(thumb->objectName(), "picSlider");
    mouse(thumb, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    EXPECT_EQ(probe.changed, 0); // a press on the thumb is not a press on the track
    mouse(thumb, QEvent::MouseMove, {5 + 30, 5}, Qt::NoButton);
    EXPECT_EQ(s.Value(), 4);
    EXPECT_EQ(probe.changed, 0);
    // 585 + 525 - 75 = 1035 twips -> 1 + 1035 / 192.86 = 6.37 -> 6
    mouse(thumb, QEvent::MouseMove, {5 + 30, 5}, Qt::LeftButton);
    EXPECT_EQ(s.thumb_twips().left(), 1035);
    EXPECT_EQ(s.Value(), 6);
    EXPECT_EQ(probe.changed, 1);
}

TEST(EBSlider, VerticalSliderCountsFromTheBottom) {
    app();
    ctlEBSlider s;
    s.resize(20, 100);
    s.setOrientation(1);
    EXPECT_EQ(s.thumb_twips().width(), 285);
    EXPECT_EQ(s.thumb_twips().height(), 315);
    EXPECT_EQ(s.groove_twips(), QLine(142, 15, 142, 1470));
    press(&s, {10, 0}); // top of the track
    EXPECT_EQ(s.thumb_twips().top(), 0);
    EXPECT_EQ(s.stored_value(), 0);
    EXPECT_EQ(s.Value(), 100);
    s.setValue(30); // a written value reads back unchanged
    EXPECT_EQ(s.Value(), 30);
    EXPECT_EQ(s.stored_value(), 70);
}

TEST_F(ContrastSlider, BorderStyleSelectsTheEdgeThatIsPainted) {
    const QPalette pal = s.palette();
    QImage plain = s.grab().toImage();
    EXPECT_EQ(plain.pixel(0, 0), pal.color(QPalette::Window).rgb());
    EXPECT_EQ(plain.pixel(99, 19), pal.color(QPalette::Window).rgb());

    s.setBorderStyle(10); // sunken: shadow outside, dark shadow inside
    QImage sunken = s.grab().toImage();
    EXPECT_EQ(sunken.pixel(0, 10), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(sunken.pixel(1, 10), pal.color(QPalette::Shadow).rgb());
    EXPECT_EQ(sunken.pixel(99, 10), pal.color(QPalette::Light).rgb());
    EXPECT_EQ(sunken.pixel(98, 10), pal.color(QPalette::Midlight).rgb());

    // The thumb has a raised edge over the slider colour.
    const QRect t = s.thumb()->geometry();
    EXPECT_EQ(sunken.pixel(t.left(), t.top() + 5), pal.color(QPalette::Light).rgb());
    EXPECT_EQ(sunken.pixel(t.right(), t.top() + 5), pal.color(QPalette::Dark).rgb());
    EXPECT_EQ(sunken.pixel(t.center()), pal.color(QPalette::Button).rgb());
    s.setSliderColor(0x0000FF); // stored as 0x00BBGGRR: red
    QImage red = s.grab().toImage();
    EXPECT_EQ(red.pixel(t.center()), QColor(255, 0, 0).rgb());
}

TEST(EBSlider, PressWithAnEmptyRangeGivesMinAndStillReports) {
    app();
    ctlEBSlider s;
    s.resize(100, 20);
    s.setMin(100); // Min = Max = 100: accepted
    Probe probe(s);
    press(&s, {60, 10});
    EXPECT_EQ(s.Value(), 100);
    EXPECT_EQ(probe.changed, 1);
    EXPECT_EQ(s.thumb_twips().left(), 735); // 900 - 157.5 = 742.5 -> 742 -> 735
}

TEST(EBSlider, VerticalPressBeyondTheEndStopsAtTheTrackEnd) {
    app();
    ctlEBSlider s;
    s.resize(20, 100);
    s.setOrientation(1);
    press(&s, {10, 99});
    EXPECT_EQ(s.thumb_twips().top(), 1500 - 315);
    EXPECT_EQ(s.stored_value(), 100);
    EXPECT_EQ(s.Value(), 0); // counted from the bottom
}
