// Alerts and status: the receiver menu, the default tone, the mail-drop alert
// column, the alert lists and the rules of their check boxes, through the window.
#include "alerts.h"
#include "default_image.h"
#include "editor_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QRadioButton>

using namespace qrt58;

namespace {

class AlertsEditorTest : public EditorFixture {
protected:
    QCheckBox* menu(int i) { return form->ctl<QCheckBox>(QStringLiteral("chkMenu"), i); }
    QCheckBox* box(int i) { return form->ctl<QCheckBox>(QStringLiteral("chkCtl"), i); }
    QComboBox* list(const char* name, int i = -1) { return form->ctl<QComboBox>(QString::fromLatin1(name), i); }
    QCheckBox* mail_master() { return form->ctl<QCheckBox>(QStringLiteral("chkMailAlert")); }
    static bool shown(const QWidget* w) { return w && !w->isHidden(); }
    bool mail_shown(int k) {
        const bool a = shown(form->control(QStringLiteral("lblAlert"), k));
        EXPECT_EQ(a, shown(form->control(QStringLiteral("cboMailAlert"), k))) << k;
        return a;
    }
    std::vector<int> menu_bytes() {
        std::vector<int> v;
        for (int a = 0xF8; a <= 0xFE; ++a) v.push_back(form->image()[a]);
        return v;
    }
    // Loads `image` into the window as a read from the receiver does.
    void load(const PagerTable& image) {
        form->image() = image;
        form->image_was_read();
    }
    QStringList texts() const { return seams.boxes->texts(); }
};

TEST_F(AlertsEditorTest, MenuBoxesBuildTheMenuListAndRefuseTheEighthItem) {
    // The default image offers seven items and leaves "CAP-ON Off" out.
    for (int i = 0; i < 7; ++i) EXPECT_FALSE(menu(i)->isChecked()) << i;
    EXPECT_TRUE(menu(7)->isChecked());

    menu(kSetAlertItem)->setChecked(true);
    menu(kCapOnItem)->setChecked(false);
    EXPECT_EQ(menu_bytes(), (std::vector<int>{7, 8, 9, 10, 11, 12, 14}));
    EXPECT_EQ(form->image()[0x595] & 0x01, 0);
    EXPECT_EQ(form->image()[0x32] & 0x40, 0);

    menu(0)->setChecked(true);
    EXPECT_EQ(menu_bytes(), (std::vector<int>{0x20, 8, 9, 10, 11, 12, 14}));

    // Unchecking the last two boxes: the first is accepted, the last refused.
    menu(0)->setChecked(false);
    EXPECT_TRUE(texts().isEmpty());
    const PagerTable before = form->image();
    menu(kSetAlertItem)->setChecked(false);
    EXPECT_EQ(texts(), QStringList{QStringLiteral("You must disable one option")});
    EXPECT_EQ(seams.boxes->entries.at(0).icon, MessageIcon::Information);
    EXPECT_TRUE(menu(kSetAlertItem)->isChecked());
    EXPECT_EQ(form->image(), before);
}

TEST_F(AlertsEditorTest, DefaultToneFollowsSetAlertOffAndTheMusicEnableBox) {
    // Per-capcode music is on in the default image: the tone list stays hidden.
    ASSERT_TRUE(box(35)->isChecked());
    menu(kSetAlertItem)->setChecked(true);
    EXPECT_FALSE(shown(list("cboTone")));
    EXPECT_EQ(list("cboTone")->currentIndex(), -1); // byte 0x31 holds 36, no item

    // Switching the music off restores the saved tone (the first until one is chosen).
    box(35)->setChecked(false);
    EXPECT_EQ(texts(), QStringList{QStringLiteral("Default Tones Selection will be Enable")});
    EXPECT_TRUE(shown(list("cboTone")));
    EXPECT_EQ(form->image()[0x31], 1);
    EXPECT_EQ(form->image()[0x32] & 0x80, 0x80);
    EXPECT_EQ(form->image()[0x715] & 0x1A, 0x1A);
    EXPECT_EQ(form->image()[0x72D] & 0x80, 0x80);
    EXPECT_FALSE(list("cboMusicType", 3)->isEnabled());
    EXPECT_FALSE(shown(box(45)));

    list("cboTone")->setCurrentIndex(6); // "Music 3"
    EXPECT_EQ(form->image()[0x31], 19);

    // On again: the tone becomes 36 and the list goes; "Always Vibrate" comes back.
    seams.boxes->clear();
    box(35)->setChecked(true);
    EXPECT_EQ(texts(), QStringList{QStringLiteral("Default Tones Selection will be Disable")});
    EXPECT_FALSE(shown(list("cboTone")));
    EXPECT_EQ(form->image()[0x31], 36);
    EXPECT_EQ(form->image()[0x32] & 0x80, 0);
    EXPECT_EQ(form->image()[0x715] & 0x1A, 0);
    EXPECT_EQ(form->image()[0x72D] & 0x80, 0);
    EXPECT_TRUE(list("cboMusicType", 3)->isEnabled());
    EXPECT_TRUE(shown(box(45)));

    // Off with "Always Vibrate" ticked: both messages, the saved "Music 3" is back.
    box(45)->setChecked(true);
    seams.boxes->clear();
    box(35)->setChecked(false);
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("Default Tones Selection will be Enable"),
                                    QStringLiteral("Set Alert Feature Will Be Enable!")}));
    EXPECT_EQ(form->image()[0x31], 19);
    EXPECT_EQ(list("cboTone")->currentText(), QStringLiteral("Music 3"));
    EXPECT_FALSE(box(45)->isChecked());
    EXPECT_EQ(form->image()[0x595] & 0x02, 0);
    EXPECT_TRUE(menu(kSetAlertItem)->isEnabled());
}

TEST_F(AlertsEditorTest, AlwaysVibrateTicksAndLocksSetAlertOff) {
    ASSERT_FALSE(menu(kSetAlertItem)->isChecked());
    box(45)->setChecked(true);
    EXPECT_EQ(texts(), QStringList{QStringLiteral("Set Alert Feature Will Be Disable!")});
    EXPECT_TRUE(menu(kSetAlertItem)->isChecked());
    EXPECT_FALSE(menu(kSetAlertItem)->isEnabled());
    // "Set Alert Off" rebuilt the list without code 13.
    EXPECT_EQ(menu_bytes(), (std::vector<int>{0x20, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(form->image()[0x595] & 0x02, 0x02);
    EXPECT_EQ(form->image()[0x36] & 0x08, 0); // "chkN": ticked stores 0

    seams.boxes->clear();
    box(45)->setChecked(false);
    EXPECT_EQ(texts(), QStringList{QStringLiteral("Set Alert Feature Will Be Enable!")});
    EXPECT_TRUE(menu(kSetAlertItem)->isEnabled());
    EXPECT_TRUE(menu(kSetAlertItem)->isChecked());
    EXPECT_EQ(form->image()[0x595] & 0x02, 0);

    // Loading: "Set Alert Off" is locked exactly while "Always Vibrate" is ticked.
    PagerTable image = form->image();
    image[0x36] &= static_cast<std::uint8_t>(~0x08);
    load(image);
    EXPECT_TRUE(box(45)->isChecked());
    EXPECT_FALSE(menu(kSetAlertItem)->isEnabled());
}

TEST_F(AlertsEditorTest, MailDropColumnFollowsTheMasterTheTypeAndTheLength) {
    list("cboCtl", 7 + 3)->setCurrentIndex(1); // slot 3 "Mail drop"
    EXPECT_FALSE(mail_shown(3));               // "Mail Alert" is off
    mail_master()->setChecked(true);
    EXPECT_EQ(form->image()[0x3B] & 0x40, 0x40);
    EXPECT_TRUE(mail_shown(3));
    for (int k : {1, 2, 4, 15}) EXPECT_FALSE(mail_shown(k)) << k;
    list("cboCtl", 7 + 3)->setCurrentIndex(2); // "Group"
    EXPECT_FALSE(mail_shown(3));
    list("cboCtl", 7 + 3)->setCurrentIndex(1);
    EXPECT_TRUE(mail_shown(3));
    mail_master()->setChecked(false);
    EXPECT_EQ(form->image()[0x3B] & 0x40, 0);
    for (int k = 1; k < 16; ++k) EXPECT_FALSE(mail_shown(k)) << k;

    // Pair 1 (slots 2, 3) long with slot 2 a mail-drop capcode: "16 sec" covers both.
    mail_master()->setChecked(true);
    list("cboCtl", 7 + 2)->setCurrentIndex(1);
    list("cboCapLen", 1)->setCurrentIndex(1);
    EXPECT_TRUE(mail_shown(2));
    list("cboMailAlert", 2)->setCurrentIndex(3);
    EXPECT_EQ(form->image()[0x375], 16);
    EXPECT_EQ(form->image()[0x376], 16);
    EXPECT_EQ(form->image()[0x386] & 0x06, 0x06);

    // "Disable" keeps the length.
    list("cboMailAlert", 2)->setCurrentIndex(0);
    EXPECT_EQ(form->image()[0x386] & 0x06, 0);
    EXPECT_EQ(form->image()[0x375], 16);
    EXPECT_EQ(form->image()[0x376], 16);

    // Back to "Short": slot 3 shows its own type again; a "Personal" slot 2 hides only slot 2.
    list("cboCapLen", 1)->setCurrentIndex(0);
    list("cboCtl", 7 + 2)->setCurrentIndex(0);
    EXPECT_FALSE(mail_shown(2));
    EXPECT_TRUE(mail_shown(3));
}

TEST_F(AlertsEditorTest, TheSecondSlotOfALongPairHidesWithTheMasterAndTakesNoFocus) {
    // Pair 1 long, slot 2 "Mail drop": slot 3's list lies under slot 2's.
    mail_master()->setChecked(true);
    list("cboCtl", 7 + 2)->setCurrentIndex(1);
    list("cboCapLen", 1)->setCurrentIndex(1);
    for (const char* name : {"lblAlert", "cboMailAlert"})
        EXPECT_EQ(form->control(QString::fromLatin1(name), 3)->focusPolicy(), Qt::NoFocus) << name;
    EXPECT_NE(list("cboMailAlert", 2)->focusPolicy(), Qt::NoFocus);
    mail_master()->setChecked(false);
    for (int k = 1; k < 16; ++k) EXPECT_FALSE(mail_shown(k)) << k;
    // Back to "Short": slot 3's list takes the focus again.
    mail_master()->setChecked(true);
    list("cboCapLen", 1)->setCurrentIndex(0);
    EXPECT_NE(list("cboMailAlert", 3)->focusPolicy(), Qt::NoFocus);
}

TEST_F(AlertsEditorTest, WriteThenModifyKeepsTheLocksThatFollowOtherSettings) {
    box(35)->setChecked(true); // per-capcode music on
    box(45)->setChecked(true); // "Always Vibrate": "Set Alert Off" ticked and locked
    const auto locked = [this] {
        return std::vector<bool>{menu(kSetAlertItem)->isEnabled(), list("cboMusicType", 0)->isEnabled(),
                                 form->control("txtPrompt", 33)->isEnabled(),
                                 form->control("chkSource", 33)->isEnabled()};
    };
    // Music lists on, source prompts greyed (mode "Disable").
    const std::vector<bool> before = {false, true, false, false};
    EXPECT_EQ(locked(), before);
    form->ctl<QRadioButton>("WriteOpt")->click();
    form->ctl<QRadioButton>("ModifyOpt")->click();
    EXPECT_EQ(locked(), before);
    box(35)->setChecked(false); // music off: its lists lock, "Set Alert Off" frees
    form->ctl<QRadioButton>("WriteOpt")->click();
    form->ctl<QRadioButton>("ModifyOpt")->click();
    EXPECT_EQ(locked(), (std::vector<bool>{true, false, false, false}));
}

TEST_F(AlertsEditorTest, LengthSwitchCopiesTheMailDropAlertToTheSecondSlot) {
    mail_master()->setChecked(true);
    list("cboCtl", 7 + 4)->setCurrentIndex(1);
    list("cboMailAlert", 4)->setCurrentIndex(2); // "1 sec"
    list("cboMailAlert", 5)->setCurrentIndex(0);
    ASSERT_EQ(form->image()[0x386] & 0x18, 0x08);
    list("cboCapLen", 2)->setCurrentIndex(1);
    EXPECT_EQ(form->image()[0x378], 1);
    EXPECT_EQ(form->image()[0x386] & 0x18, 0x18);
    EXPECT_TRUE(mail_shown(4));
    EXPECT_TRUE(mail_shown(5)); // the second slot took the type as well
    EXPECT_EQ(list("cboMailAlert", 5)->currentText(), QStringLiteral("1 sec"));
}

TEST_F(AlertsEditorTest, ListsStoreTheirValuesAndShowNoItemForValuesOfNoItem) {
    list("cboORA")->setCurrentIndex(2);
    EXPECT_EQ(form->image()[0x596] & 0x10, 0);
    EXPECT_EQ(form->image()[0x5D5], 172);

    // A loaded image whose values match no item shows no item, not the last image's.
    PagerTable image = build_default_image();
    image[0x383] = 5;
    image[0x31] = 25;
    image[0x377] = 7; // slot 4, enabled
    image[0x596] &= static_cast<std::uint8_t>(~0x10);
    image[0x5D5] = 3;
    image[0x3C] = 0x0A;
    list("cboTone")->setCurrentIndex(2); // "Tone 3" becomes the saved tone
    load(image);
    EXPECT_EQ(form->image(), image);
    EXPECT_EQ(list("cboPersonAlert")->currentIndex(), -1);
    EXPECT_EQ(list("cboTone")->currentIndex(), -1);
    EXPECT_EQ(list("cboMailAlert", 4)->currentIndex(), -1);
    EXPECT_EQ(list("cboMailAlert", 5)->currentText(), QStringLiteral("Beep"));
    EXPECT_EQ(list("cboORA")->currentText(), QStringLiteral("3 Min"));
    EXPECT_EQ(list("cboSLC")->currentText(), QStringLiteral("120 seconds"));
    EXPECT_TRUE(texts().isEmpty());
    // The tone of no item left the saved tone alone.
    box(35)->setChecked(false);
    EXPECT_EQ(form->image()[0x31], 3);
}

TEST_F(AlertsEditorTest, MenuSlotsOfNoMenuCodeAreIgnoredOnLoading) {
    PagerTable image = build_default_image();
    const std::uint8_t codes[7] = {0x00, 0xFF, 0x20, 6, 15, 9, 200};
    image.put(0xF8, codes, 7);
    load(image);
    EXPECT_EQ(form->image(), image);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(menu(i)->isChecked(), i != 2) << i;
}

TEST_F(AlertsEditorTest, StatusBoxesWithRulesOfTheirOwn) {
    // "Time Auto Update" also writes byte 0x47.
    box(0)->setChecked(true);
    EXPECT_EQ(form->image()[0x47], 0x40);
    EXPECT_EQ(form->image()[0x32] & 0x04, 0);
    box(0)->setChecked(false);
    EXPECT_EQ(form->image()[0x47], 0x00);

    // The direct-show boxes and the lamp list follow "Paging Display".
    const auto direct_boxes_shown = [this] {
        const bool a = shown(box(8));
        EXPECT_EQ(a, shown(box(26)));
        EXPECT_EQ(a, shown(form->control(QStringLiteral("cboLamp"))));
        return a;
    };
    ASSERT_EQ(list("cboCtl", 0)->currentIndex(), 0);
    EXPECT_FALSE(direct_boxes_shown());
    list("cboCtl", 0)->setCurrentIndex(1);
    EXPECT_TRUE(direct_boxes_shown());
    EXPECT_EQ(form->image()[0x3B] & 0x10, 0x10);

    // The "En" box of slot 10 follows "Music Type Select" on loading only.
    ASSERT_EQ(list("cboCtl", 3)->currentIndex(), 1);
    EXPECT_TRUE(shown(box(20)));
    list("cboCtl", 3)->setCurrentIndex(0);
    EXPECT_TRUE(shown(box(20)));
    PagerTable image = form->image();
    load(image);
    EXPECT_FALSE(shown(box(20)));
    EXPECT_TRUE(direct_boxes_shown());
}

} // namespace
