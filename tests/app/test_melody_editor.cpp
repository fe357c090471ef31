// Melodies: music type lists, user melody boxes and the "Multiple Tone" switch,
// through the window.
#include "default_image.h"
#include "editor_fixture.h"
#include "melody.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

using namespace qrt58;

namespace {

class MelodyEditorTest : public EditorFixture {
protected:
    QLineEdit* user(int s) { return form->ctl<QLineEdit>(QStringLiteral("txtUser"), s); }
    QComboBox* type(int s) { return form->ctl<QComboBox>(QStringLiteral("cboMusicType"), s); }
    QCheckBox* multiple() { return form->ctl<QCheckBox>(QStringLiteral("chkCtl"), 66); }
    QComboBox* length(int p) { return form->ctl<QComboBox>(QStringLiteral("cboCapLen"), p); }
    static bool shown(const QWidget* w) { return !w->isHidden(); }
    // Clicks into melody box s, types `keys` and clicks on the page area.
    void enter(int s, const QString& keys) {
        focus(user(s));
        QTest::keyClicks(user(s), keys);
        leave();
    }
    QStringList texts() const { return seams.boxes->texts(); }
};

TEST_F(MelodyEditorTest, SingleToneEntryRefusesOtherKeysAndPadsWithRests) {
    ASSERT_FALSE(multiple()->isChecked());
    enter(2, QStringLiteral("1"));
    EXPECT_EQ(form->image()[0x578], 0x80);
    EXPECT_EQ(form->image()[0x579], 0x00);
    EXPECT_EQ(user(2)->text(), QStringLiteral("1000000000000000"));

    // A refused key is dropped with its message; the box keeps the focus.
    focus(user(3));
    QTest::keyClicks(user(3), QStringLiteral("1a"));
    EXPECT_EQ(texts(), QStringList{QStringLiteral("Please input 0 or 1 only!")});
    EXPECT_EQ(seams.boxes->entries.at(0).icon, MessageIcon::Information);
    EXPECT_TRUE(user(3)->hasFocus());
    EXPECT_EQ(user(3)->text(), QStringLiteral("1"));
    QTest::keyClick(user(3), Qt::Key_Backspace);
    QTest::keyClicks(user(3), QStringLiteral("0011"));
    QTest::keyClick(user(3), Qt::Key_Return); // Enter leaves the box, which stores
    EXPECT_FALSE(user(3)->hasFocus());
    EXPECT_EQ(form->image()[0x57A], 0x30);
    EXPECT_EQ(form->image()[0x57B], 0x00);
    EXPECT_EQ(texts().size(), 1);
}

TEST_F(MelodyEditorTest, MultipleToneEntryStoresNoteCodes) {
    multiple()->setChecked(true);
    EXPECT_EQ(form->image()[0x596] & 0x04, 0);
    enter(1, QStringLiteral("CDEFGABc"));
    const int expected[16] = {238, 212, 189, 178, 158, 141, 126, 118, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int j = 0; j < 16; ++j) EXPECT_EQ(form->image()[0x610 + j], expected[j]) << j;
    EXPECT_EQ(user(1)->text(), QStringLiteral("CDEFGABc00000000"));

    focus(user(4));
    QTest::keyClicks(user(4), QStringLiteral("aH1"));
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("Please input A ~ G or a ~ g or 0 only!"),
                                    QStringLiteral("Please input A ~ G or a ~ g or 0 only!")}));
    EXPECT_TRUE(user(4)->hasFocus());
    EXPECT_EQ(user(4)->text(), QStringLiteral("a"));
}

TEST_F(MelodyEditorTest, PastedTextObeysTheKeyRule) {
    const PagerTable before = form->image();
    focus(user(5));
    QTest::keyClicks(user(5), QStringLiteral("11"));
    user(5)->insert(QStringLiteral("0x1")); // what a paste or a drop does
    QCoreApplication::processEvents();
    EXPECT_EQ(texts(), QStringList{QStringLiteral("Please input 0 or 1 only!")});
    EXPECT_EQ(user(5)->text(), QStringLiteral("11"));
    EXPECT_TRUE(user(5)->hasFocus());
    user(5)->insert(QStringLiteral("01"));
    QCoreApplication::processEvents();
    EXPECT_EQ(texts().size(), 1);
    EXPECT_EQ(user(5)->text(), QStringLiteral("1101"));
    EXPECT_EQ(form->image(), before); // stored only when the box is left
    leave();
    EXPECT_EQ(form->image()[0x57E], 0xD0);
    // Dropped on a box without the focus: stored at once, no LostFocus follows.
    user(6)->selectAll();
    user(6)->insert(QStringLiteral("1"));
    EXPECT_EQ(form->image()[0x580], 0x80);
    EXPECT_EQ(user(6)->text(), QStringLiteral("1000000000000000"));
}

TEST_F(MelodyEditorTest, LeavingAnEmptyBoxRestoresEveryBox) {
    const PagerTable before = form->image();
    const QString old0 = user(0)->text();
    user(7)->setText(QStringLiteral("1")); // a box showing what the image does not hold
    focus(user(0));
    EXPECT_TRUE(user(0)->text().isEmpty());
    // Emptied by the user: typed, then erased.
    QTest::keyClick(user(0), Qt::Key_1);
    QTest::keyClick(user(0), Qt::Key_Backspace);
    leave();
    EXPECT_EQ(form->image(), before);
    EXPECT_EQ(user(0)->text(), old0);
    EXPECT_EQ(user(7)->text(), QString::fromStdString(single_tone_text(before, 7)));
    EXPECT_TRUE(texts().isEmpty());
}

TEST_F(MelodyEditorTest, MultipleToneSwitchShowsTheOtherAreaAndKeepsBoth) {
    enter(0, QStringLiteral("11"));
    multiple()->setChecked(true);
    for (int s = 0; s < 16; ++s)
        EXPECT_EQ(user(s)->text(), QString::fromStdString(multi_tone_text(form->image(), s))) << s;
    EXPECT_EQ(user(2)->text(), QStringLiteral("cdefgab0cdefgab0")); // default melody of slot 2
    enter(0, QStringLiteral("gg"));
    multiple()->setChecked(false);
    EXPECT_EQ(user(0)->text(), QStringLiteral("1100000000000000"));
    EXPECT_EQ(form->image()[0x574], 0xC0);
    multiple()->setChecked(true);
    EXPECT_EQ(user(0)->text(), QStringLiteral("gg00000000000000"));
}

TEST_F(MelodyEditorTest, UserTypeAndMelodyCoverBothSlotsOfALongPair) {
    length(0)->setCurrentIndex(1);
    type(0)->setCurrentIndex(3); // "Tone 3"
    EXPECT_EQ(form->image()[0x564], 6);
    EXPECT_EQ(form->image()[0x565], 6);
    EXPECT_FALSE(shown(user(0)));
    EXPECT_FALSE(shown(user(1)));
    type(0)->setCurrentIndex(0); // "User"
    EXPECT_EQ(form->image()[0x564], 8);
    EXPECT_EQ(form->image()[0x565], 8);
    EXPECT_TRUE(shown(user(0)));
    EXPECT_TRUE(shown(user(1)));

    enter(0, QStringLiteral("0000000011"));
    EXPECT_EQ(user(1)->text(), QStringLiteral("0000000011000000"));
    EXPECT_EQ(form->image()[0x576], 0x00);
    EXPECT_EQ(form->image()[0x577], 0xC0);

    // Switching pair 1 to "Long" copies slot 2's melody and type to slot 3.
    type(2)->setCurrentIndex(8); // "Vibration"
    length(1)->setCurrentIndex(1);
    EXPECT_EQ(form->image()[0x567], 32);
    EXPECT_EQ(form->image()[0x57A], form->image()[0x578]);
    EXPECT_EQ(form->image()[0x57B], form->image()[0x579]);
    EXPECT_EQ(type(3)->currentText(), QStringLiteral("Vibration"));
}

TEST_F(MelodyEditorTest, LoadingShowsTheTypesWithoutCopyingThemInALongPair) {
    PagerTable image = build_default_image();
    image[0xB1] |= 0x40; // pair 0 long (both words as stored)
    image[0xB5] |= 0x40;
    image[0x564] = 8;
    image[0x565] = 1;
    image[0x566] = 32; // "Vibration"
    image[0x567] = 77; // no item
    form->image() = image;
    form->image_was_read();
    type(0)->setCurrentIndex(1); // so that loading again changes the selection
    form->image() = image;
    form->image_was_read();
    EXPECT_EQ(form->image()[0x565], 1);
    EXPECT_EQ(type(1)->currentText(), QStringLiteral("Tone 1"));
    EXPECT_FALSE(shown(user(1)));
    EXPECT_EQ(type(2)->currentText(), QStringLiteral("Vibration"));
    EXPECT_EQ(type(3)->currentIndex(), -1);
    EXPECT_FALSE(shown(user(3)));
    EXPECT_TRUE(shown(user(0)));

    // Slot 0's shorter list has no "Vibration": no item and no melody box.
    image = build_default_image();
    image[0x564] = 32;
    form->image() = image;
    form->image_was_read();
    EXPECT_EQ(type(0)->currentIndex(), -1);
    EXPECT_FALSE(shown(user(0)));
    EXPECT_EQ(form->image(), image);
}

} // namespace
