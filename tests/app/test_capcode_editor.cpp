// Capcode table and capcode length editors, driven through the window's controls.
#include "capcode.h"
#include "default_image.h"
#include "editors.h"
#include "form1.h"
#include "prompts.h"
#include "table_file.h"
#include "ui_seams.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

// Readable failure output for texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace qrt58;

namespace {

class CapcodeEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        form = std::make_unique<Form1>();
        form->app_path = dir.path(); // no default.tbl beside it
        Form1::BoardHooks hooks;
        hooks.show_transfer = [this](int mode) { transfers.push_back(mode); };
        form->set_board_hooks(hooks);
        editors::attach_editors(*form);
        form->form_load();
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        seams.boxes->clear();
    }

    QLineEdit* addr(int s) { return form->ctl<QLineEdit>(QStringLiteral("txtAddr"), s); }
    QCheckBox* box(int index) { return form->ctl<QCheckBox>(QStringLiteral("chkCtl"), index); }
    QComboBox* type_list(int s) { return form->ctl<QComboBox>(QStringLiteral("cboCtl"), 7 + s); }
    QComboBox* length(int p) { return form->ctl<QComboBox>(QStringLiteral("cboCapLen"), p); }
    QWidget* label1(int s) { return form->control(QStringLiteral("Label1"), s); }
    QString caption(int s) { return form->ctl<QLabel>(QStringLiteral("Label1"), s)->text(); }
    QString frame_text() { return form->ctl<QLabel>(QStringLiteral("lblFrame"))->text(); }
    QWidget* back() { return form->control(QStringLiteral("picTabBack")); }

    // Clicks into capcode box s, types `text` and, unless told otherwise, clicks on
    // the page background.
    void type(int s, const QString& text, bool leave = true) {
        addr(s)->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(addr(s), text);
        if (leave) back()->setFocus(Qt::MouseFocusReason);
    }
    QStringList messages() const { return seams.boxes->texts(); }
    static bool shown(const QWidget* w) { return w->isVisibleTo(w->parentWidget()); }

    QTemporaryDir dir;
    ScopedTestSeams seams;
    std::unique_ptr<Form1> form;
    std::vector<int> transfers;
};

std::uint32_t word(const PagerTable& t, int s) { return capcode_word(t, s); }

TEST_F(CapcodeEditorTest, StartUpShowsTheDefaultImageWithoutChangingIt) {
    EXPECT_EQ(form->image(), build_default_image());
    for (int s = 0; s < 16; ++s) {
        EXPECT_EQ(addr(s)->text(), QStringLiteral("1234567"));
        EXPECT_EQ(caption(s), QStringLiteral("cap #%1").arg(s + 1, 2, 10, QLatin1Char('0')));
        EXPECT_TRUE(box(70 + s)->isChecked()); // "Manual" bits are all set
    }
    EXPECT_EQ(frame_text(), QStringLiteral("0100"));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(CapcodeEditorTest, RejectedEntriesShowTheirMessageAndTakeTheFocusBack) {
    const PagerTable before = form->image();
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"12a", "Please insert a numeric!"},
        {"", "Please insert a numeric!"},
        {"0", "Please insert a number between 1 to 2031615"},
        {"-3", "Please insert a number between 1 to 2031615"},
        {"2031616", "Please insert a number between 1 to 2031615"},
        {"2031615", "Invalid Capcode!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        seams.boxes->clear();
        type(3, QString::fromLatin1(c.text));
        EXPECT_EQ(messages(), QStringList{QString::fromLatin1(c.message)});
        EXPECT_TRUE(addr(3)->hasFocus());
        EXPECT_EQ(addr(3)->text(), QString());
        EXPECT_EQ(form->image(), before);
        // Only the gap between short and long capcodes blocks a Pager command.
        EXPECT_EQ(form->entryErrorPending, QString::fromLatin1(c.message) == QStringLiteral("Invalid Capcode!"));
        QTest::keyClick(addr(3), Qt::Key_5); // any key clears it
        EXPECT_FALSE(form->entryErrorPending);
        addr(3)->clear();
    }
    // The other boxes were refilled from the image meanwhile.
    EXPECT_EQ(addr(4)->text(), QStringLiteral("1234567"));
}

TEST_F(CapcodeEditorTest, AcceptedEntriesAreStoredAndShownFromTheImage) {
    type(2, QStringLiteral("0.5"));
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(word(form->image(), 2), 0x8000u);
    EXPECT_EQ(addr(2)->text(), QStringLiteral("0000000"));

    // Enter validates as leaving does and moves the focus to the page area.
    type(5, QStringLiteral("2031614"), false);
    QTest::keyClick(addr(5), Qt::Key_Return);
    EXPECT_TRUE(back()->hasFocus());
    EXPECT_EQ(word(form->image(), 5), 0x1F7FFEu);
    EXPECT_EQ(addr(5)->text(), QStringLiteral("2031614"));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(CapcodeEditorTest, InvalidCapcodeCancelsThePagerCommand) {
    type(0, QStringLiteral("2031615"), false);
    form->pager_command(1);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Invalid Capcode!")});
    EXPECT_TRUE(transfers.empty());
    EXPECT_FALSE(form->entryErrorPending);
    EXPECT_TRUE(addr(0)->hasFocus());

    QTest::keyClicks(addr(0), QStringLiteral("4711"));
    form->pager_command(1);
    EXPECT_EQ(transfers, std::vector<int>{1});
    EXPECT_EQ(word(form->image(), 0), 4711u + 32768u);
}

TEST_F(CapcodeEditorTest, FrameMapOfTheEnabledCapcodes) {
    type(0, QStringLiteral("16"));
    type(5, QStringLiteral("272"));
    box(15)->setChecked(true); // "En" of slot 5
    EXPECT_EQ(frame_text(), QStringLiteral("0002"));
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(form->image()[0x92 + 4 * k], 0x00);
        EXPECT_EQ(form->image()[0x93 + 4 * k], 0x02);
    }
    type(5, QStringLiteral("288")); // frame 2
    EXPECT_EQ(frame_text(), QStringLiteral("0006"));
    box(10)->setChecked(false);
    EXPECT_EQ(frame_text(), QStringLiteral("0004"));
}

TEST_F(CapcodeEditorTest, RowsAboveTheCapcodeCountAreDisabledAndCleared) {
    PagerTable& t = form->image();
    t[0x3E] = static_cast<std::uint8_t>((t[0x3E] & 0x0F) | 0x20); // three usable slots
    t[0x72] = 0xFF;
    t[0x73] = 0xFF;
    form->init_ctl();
    EXPECT_EQ(t[0x73], 0x07);
    EXPECT_EQ(t[0x72], 0x00);
    for (int s = 0; s < 16; ++s) {
        SCOPED_TRACE(s);
        const bool usable = s < 3;
        EXPECT_EQ(box(10 + s)->isChecked(), usable);
        EXPECT_EQ(box(10 + s)->isEnabled(), usable);
        EXPECT_EQ(addr(s)->isEnabled(), usable);
        EXPECT_EQ(type_list(s)->isEnabled(), usable);
        EXPECT_EQ(label1(s)->isEnabled(), usable);
    }
    // Write mode keeps every row locked; Modify brings the usable ones back.
    form->ctl<QAbstractButton>(QStringLiteral("WriteOpt"))->click();
    form->init_ctl();
    EXPECT_FALSE(addr(0)->isEnabled());
    form->ctl<QAbstractButton>(QStringLiteral("ModifyOpt"))->click();
    EXPECT_TRUE(addr(0)->isEnabled());
    EXPECT_FALSE(addr(3)->isEnabled());
}

TEST_F(CapcodeEditorTest, SwitchingAPairToLongAndBackRenumbersTheRows) {
    const int row2_top = label1(1)->y();
    const int music_row2_top = form->control(QStringLiteral("lblCapMsc"), 1)->y();
    const int source_row2_top = form->control(QStringLiteral("chkSource"), 34)->y();
    length(0)->setCurrentIndex(1);
    EXPECT_FALSE(shown(label1(1)));
    EXPECT_FALSE(shown(addr(1)));
    EXPECT_FALSE(shown(box(51)));
    EXPECT_FALSE(shown(form->control(QStringLiteral("cboCapSht"), 0)));
    EXPECT_EQ(caption(0), QStringLiteral("cap #01"));
    EXPECT_EQ(caption(2), QStringLiteral("cap #02"));
    EXPECT_EQ(caption(15), QStringLiteral("cap #15"));
    EXPECT_EQ(label1(2)->y(), row2_top); // the third row moved up into the gap
    // The rows of the other pages follow the same numbering and close up too.
    auto* music = form->ctl<QLabel>(QStringLiteral("lblCapMsc"), 2);
    auto* source = form->ctl<QCheckBox>(QStringLiteral("chkSource"), 35);
    ASSERT_TRUE(music && source);
    EXPECT_EQ(music->text(), QStringLiteral("Cap #02 Music Type:"));
    EXPECT_EQ(form->ctl<QLabel>(QStringLiteral("lblCapMsc"), 15)->text(), QStringLiteral("Cap #15 Music Type:"));
    EXPECT_EQ(source->text(), QStringLiteral("Capcode #02"));
    EXPECT_EQ(music->y(), music_row2_top);
    EXPECT_EQ(source->y(), source_row2_top);
    EXPECT_EQ(addr(2)->y() - label1(2)->y(), addr(0)->y() - label1(0)->y());
    EXPECT_EQ(label1(0)->toolTip(), QStringLiteral("Please input Capcode( 10 Dec digits between 1 and 4291000000 )."));
    // The box still holds the short capcode, now shown with ten digits.
    EXPECT_EQ(addr(0)->text(), QStringLiteral("0001234567"));

    type(0, QStringLiteral("3000000000"));
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(addr(0)->text(), QStringLiteral("3000000000"));
    const auto w = encode_capcode(3000000000.0, true);
    EXPECT_EQ(word(form->image(), 0), w.first);
    EXPECT_EQ(word(form->image(), 1), w.second);

    length(0)->setCurrentIndex(0);
    EXPECT_TRUE(shown(label1(1)));
    EXPECT_TRUE(shown(box(71)));
    EXPECT_EQ(caption(1), QStringLiteral("cap #02"));
    EXPECT_EQ(caption(15), QStringLiteral("cap #16"));
    EXPECT_EQ(label1(2)->y() - label1(1)->y(), row2_top - label1(0)->y());
    EXPECT_EQ(music->text(), QStringLiteral("Cap #03 Music Type:"));
    EXPECT_EQ(form->control(QStringLiteral("lblCapMsc"), 1)->y(), music_row2_top);
    EXPECT_EQ(word(form->image(), 0), 1234567u + 32768u);
    EXPECT_EQ(word(form->image(), 1), 1234567u + 32768u);
    EXPECT_EQ(addr(0)->text(), QStringLiteral("1234567"));
    EXPECT_EQ(addr(1)->text(), QStringLiteral("1234567"));
    EXPECT_EQ(label1(0)->toolTip(), QStringLiteral("Please input Capcode( 7 Dec digits between 1 and 2031615 )."));
}

TEST_F(CapcodeEditorTest, ShortCapcodeSurvivesARoundTripThroughLong) {
    type(2, QStringLiteral("1000"));
    type(3, QStringLiteral("555"));
    box(13)->setChecked(true); // slot 3 enabled
    length(1)->setCurrentIndex(1);
    // A short capcode in a "Long" pair: no long flag, odd slot disabled.
    EXPECT_EQ(word(form->image(), 2), 1000u + 32768u);
    EXPECT_FALSE(get_slot_bit(form->image(), enable_bit(3)));
    EXPECT_EQ(addr(2)->text(), QStringLiteral("0000001000"));
    EXPECT_FALSE(pair_is_long_in_image(form->image(), 1));
    length(1)->setCurrentIndex(0);
    EXPECT_EQ(addr(2)->text(), QStringLiteral("0001000"));
    EXPECT_EQ(addr(3)->text(), QStringLiteral("1234567"));
    EXPECT_EQ(word(form->image(), 3), 1234567u + 32768u);
}

TEST_F(CapcodeEditorTest, LongPairMirrorsTheEvenSlotsSettings) {
    PagerTable& t = form->image();
    length(2)->setCurrentIndex(1); // slots 4 and 5
    type(4, QStringLiteral("2101249"));
    box(14)->setChecked(true);
    EXPECT_TRUE(get_slot_bit(t, enable_bit(5)));
    box(14)->setChecked(false); // a 0 is not carried over
    EXPECT_TRUE(get_slot_bit(t, enable_bit(5)));

    box(54)->setChecked(true); // "Pri" ticked: stored 0
    EXPECT_FALSE(get_slot_bit(t, priority_bit(4)));
    EXPECT_FALSE(get_slot_bit(t, priority_bit(5)));
    box(74)->setChecked(false);
    EXPECT_FALSE(get_slot_bit(t, manual_bit(5)));

    const PagerTable before = t;
    type_list(4)->setCurrentIndex(2); // "Group"
    EXPECT_EQ(capcode_type(t, 4), CapcodeType::Group);
    EXPECT_EQ(capcode_type(t, 5), CapcodeType::Group);
    int changed = 0;
    for (int a = 0; a < kImageSize; ++a) changed += before[a] != t[a];
    EXPECT_EQ(changed, 1); // both group flags live in 0x384
    type_list(4)->setCurrentIndex(1);
    EXPECT_EQ(capcode_type(t, 5), CapcodeType::MailDrop);
    // Outside a "Long" pair the odd slot keeps its own type.
    type_list(6)->setCurrentIndex(2);
    EXPECT_EQ(capcode_type(t, 7), CapcodeType::Personal);
}

TEST_F(CapcodeEditorTest, LengthsComeFromTheImageWhenAFileIsOpened) {
    PagerTable t = form->image();
    store_capcode(t, 6, 4291000000.0, true);
    set_capcode_word(t, 8, 0x409000); // flagged, fits no long rule
    set_capcode_word(t, 9, 0x400005);
    const QString path = dir.filePath("long.tbl");
    ASSERT_TRUE(save_table_file(path, t).ok);
    seams.dialogs->answers.push_back(path);
    form->mnuLBFF_Click();
    EXPECT_EQ(length(3)->currentIndex(), 1);
    EXPECT_EQ(length(4)->currentIndex(), 1);
    EXPECT_EQ(length(0)->currentIndex(), 0);
    EXPECT_EQ(addr(6)->text(), QStringLiteral("4291000000"));
    EXPECT_EQ(addr(8)->text(), QString::fromStdString(kUndecodableCapcodeText));
    EXPECT_FALSE(shown(label1(7)));
    EXPECT_EQ(caption(8), QStringLiteral("cap #08"));
    EXPECT_EQ(caption(10), QStringLiteral("cap #09"));
    // Loading wrote nothing back: the image is the file.
    EXPECT_EQ(form->image(), t);
}

TEST_F(CapcodeEditorTest, ScrollingMovesThePanelAndNeverKeepsTheFocus) {
    auto* bar = form->ctl<QScrollBar>(QStringLiteral("VScroll1"));
    QWidget* panel = form->control(QStringLiteral("Picture2"));
    QWidget* frame = form->control(QStringLiteral("Picture1"));
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(panel->height(), static_cast<int>(std::lround(16 * form->cap_row_pitch)));
    EXPECT_EQ(bar->maximum(), panel->height() - frame->height() - 1);
    bar->setValue(bar->maximum());
    EXPECT_EQ(panel->y(), -bar->maximum());
    EXPECT_TRUE(panel->hasFocus());
    bar->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(panel->hasFocus());

    // All eight pairs long: eight rows, the panel keeps the frame's height.
    for (int p = 0; p < 8; ++p) length(p)->setCurrentIndex(1);
    EXPECT_EQ(caption(14), QStringLiteral("cap #08"));
    EXPECT_EQ(panel->height(), static_cast<int>(std::lround(form->cap_frame_height)));
    EXPECT_EQ(panel->y(), -bar->value());
}

} // namespace

namespace {

TEST_F(CapcodeEditorTest, AutoCapSourcePromptFollowsAcceptedCapcodesOnly) {
    std::vector<int> prompts;
    form->set_procedure("show_auto_cap_prompt", std::function<void(int)>([&](int s) { prompts.push_back(s); }));
    auto* mode = form->ctl<QComboBox>(QStringLiteral("cboCtl"), 2);
    const bool multiple = form->ctl<QCheckBox>(QStringLiteral("chkCtl"), 43)->isChecked();
    type(1, QStringLiteral("77"));
    EXPECT_TRUE(prompts.empty()); // mode is not "Auto Cap."

    form->suppressClick = true; // choose the mode without its own confirmation
    mode->setCurrentIndex(multiple ? 1 : 2);
    form->suppressClick = false;
    set_bits(form->image(), kSourceModeAddress, kSourceModeBit, kSourceModeAutoCap, kSourceModeWidth);
    ASSERT_EQ(mode->currentText(), QStringLiteral("Auto Cap."));
    type(1, QStringLiteral("78"));
    type(2, QStringLiteral("2031615")); // refused: the prompt stays
    EXPECT_EQ(prompts, std::vector<int>{1});
}

TEST_F(CapcodeEditorTest, AutoCapGivesBothSlotsOfALongPairTheFirstSlotsPrompt) {
    // A long pair whose second slot's hidden box still holds an old capcode.
    type(1, QStringLiteral("1111111"));
    length(0)->setCurrentIndex(1);
    type(0, QStringLiteral("3000000000"));
    auto* mode = form->ctl<QComboBox>(QStringLiteral("cboCtl"), 2);
    mode->setCurrentIndex(mode->findText(QStringLiteral("Auto Cap."))); // answered Yes
    const auto prompt = [this](int index) {
        return source_prompt_text(form->image(), source_prompt_address(index)).trimmed();
    };
    EXPECT_EQ(prompt(33), QStringLiteral("<3000000000>"));
    EXPECT_EQ(prompt(34), QStringLiteral("<3000000000>"));
    EXPECT_EQ(prompt(35), QStringLiteral("<1234567>"));
}

TEST_F(CapcodeEditorTest, MailDropAlertColumnFollowsTheTypeInALongPair) {
    form->ctl<QCheckBox>(QStringLiteral("chkMailAlert"))->setChecked(true);
    length(1)->setCurrentIndex(1);
    type_list(2)->setCurrentIndex(1); // "Mail drop"
    EXPECT_TRUE(shown(form->control(QStringLiteral("cboMailAlert"), 2)));
    EXPECT_TRUE(shown(form->control(QStringLiteral("lblAlert"), 3)));
    type_list(2)->setCurrentIndex(0);
    EXPECT_FALSE(shown(form->control(QStringLiteral("cboMailAlert"), 2)));
    EXPECT_FALSE(shown(form->control(QStringLiteral("cboMailAlert"), 3)));
}

} // namespace

namespace {

TEST_F(CapcodeEditorTest, ClickingFromARejectedBoxIntoAnotherDoesNotCheckTheOther) {
    // Box 4 shows a text its own check would refuse (a record below the short range).
    set_capcode_word(form->image(), 4, 0x000010);
    form->init_ctl();
    ASSERT_EQ(addr(4)->text(), QStringLiteral("-0032752"));
    type(3, QStringLiteral("abc"), false);
    addr(4)->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Please insert a numeric!")});
    EXPECT_TRUE(addr(3)->hasFocus());
    EXPECT_EQ(addr(4)->text(), QStringLiteral("-0032752"));
}

} // namespace

namespace {

TEST_F(CapcodeEditorTest, ClosingTheWindowWithAnEmptyBoxFocusedChecksNothing) {
    type(3, QString(), false);
    ASSERT_TRUE(addr(3)->hasFocus());
    form.reset();
    EXPECT_TRUE(messages().isEmpty());
}

} // namespace

namespace {

// Opening a file or reading a receiver sets the length lists from the image; that
// change of selection must not run the user's length switch on the new image.
TEST_F(CapcodeEditorTest, LoadingAnImageWritesNothingBackWhateverTheListsShowed) {
    PagerTable t = form->image();
    store_capcode(t, 0, 1000, false); // pair 0 short, the odd slot holds its own capcode
    store_capcode(t, 1, 555, false);
    set_slot_bit(t, enable_bit(1), true);
    store_capcode(t, 2, 3000000000.0, true); // pair 1 long, its odd slot's bits differ
    set_slot_bit(t, priority_bit(2), false);
    set_slot_bit(t, priority_bit(3), true);
    set_slot_bit(t, manual_bit(3), false);
    apply_frame_rule(t, long_pairs_from_image(t)); // the loader recomputes the frame map
    const QString path = dir.filePath("mixed.tbl");
    ASSERT_TRUE(save_table_file(path, t).ok);

    length(0)->setCurrentIndex(1); // the window shows the opposite lengths
    type(0, QStringLiteral("2101249"));
    ASSERT_EQ(length(1)->currentIndex(), 0);
    seams.dialogs->answers.push_back(path);
    form->mnuLBFF_Click();
    EXPECT_EQ(length(0)->currentIndex(), 0);
    EXPECT_EQ(length(1)->currentIndex(), 1);
    EXPECT_EQ(addr(0)->text(), QStringLiteral("0001000"));
    EXPECT_EQ(addr(1)->text(), QStringLiteral("0000555"));
    EXPECT_EQ(addr(2)->text(), QStringLiteral("3000000000"));
    EXPECT_TRUE(shown(box(71)));
    EXPECT_FALSE(shown(box(73)));
    EXPECT_EQ(caption(4), QStringLiteral("cap #04"));
    EXPECT_EQ(form->image(), t);

    // The same after a receiver read.
    length(0)->setCurrentIndex(1);
    length(1)->setCurrentIndex(0);
    form->image() = t;
    form->image_was_read();
    EXPECT_EQ(addr(1)->text(), QStringLiteral("0000555"));
    EXPECT_EQ(form->image(), t);
}

} // namespace

namespace {

// The production station raises capcode 1 after each receiver; the next receiver
// must get the frame map of its own capcode.
TEST_F(CapcodeEditorTest, RaisingTheFirstCapcodeKeepsTheFrameMapInStep) {
    type(0, QStringLiteral("1234575")); // last capcode of frame 8
    ASSERT_EQ(frame_text(), QStringLiteral("0100"));
    form->set_first_capcode(QStringLiteral("1234576")); // frame 9
    EXPECT_EQ(word(form->image(), 0), 1234576u + 32768u);
    EXPECT_EQ(frame_text(), QStringLiteral("0200"));
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(form->image()[0x92 + 4 * k], 0x02);
        EXPECT_EQ(form->image()[0x93 + 4 * k], 0x00);
    }
}

} // namespace

namespace {

// Only a typed character counts as the next entry: Shift or an arrow key in the
// refused box leaves the pending error, so a Pager command is still cancelled.
TEST_F(CapcodeEditorTest, KeysThatTypeNothingKeepTheEntryErrorPending) {
    type(2, QStringLiteral("2031615"), false);
    back()->setFocus(Qt::MouseFocusReason);
    ASSERT_EQ(messages(), QStringList{QStringLiteral("Invalid Capcode!")});
    ASSERT_TRUE(addr(2)->hasFocus());
    QTest::keyClick(addr(2), Qt::Key_Shift);
    QTest::keyClick(addr(2), Qt::Key_Left);
    EXPECT_TRUE(form->entryErrorPending);
    form->pager_command(1);
    EXPECT_TRUE(transfers.empty());
}

} // namespace

namespace {

// A short record in the gap between short and long capcodes (possible in a file
// from elsewhere) cannot be stored again when its pair goes "Long"; that silent
// refusal must not turn up later as "Invalid Capcode!" for another box.
TEST_F(CapcodeEditorTest, ARefusalWithoutAnEntryLeavesNoInvalidCapcodeBehind) {
    set_capcode_word(form->image(), 0, 0x1FC000); // 2048000
    form->init_ctl();
    ASSERT_EQ(addr(0)->text(), QStringLiteral("2048000"));
    length(0)->setCurrentIndex(1);
    box(10)->setChecked(false);
    box(10)->setChecked(true);
    ASSERT_TRUE(messages().isEmpty());
    type(3, QStringLiteral("0"));
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Please insert a number between 1 to 2031615")});
    EXPECT_FALSE(form->entryErrorPending);
}

} // namespace

namespace {

// The odd row of a "Long" pair stays on the pages that follow the capcode
// numbering, under the even row it now shares its place with: what the user
// clicks there must be the even slot's control.
TEST_F(CapcodeEditorTest, TheEvenRowLiesOnTopWhereALongPairsRowsOverlap) {
    length(0)->setCurrentIndex(1);
    length(2)->setCurrentIndex(1);
    const std::pair<const char*, int> arrays[] = {
        {"lblCapMsc", 0}, {"cboMusicType", 0}, {"txtUser", 0}, {"chkSource", 33}, {"txtPrompt", 33}};
    for (const auto& [name, offset] : arrays) {
        for (int even : {0, 4}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(even));
            QWidget* top = form->control(QString::fromLatin1(name), even + offset);
            QWidget* under = form->control(QString::fromLatin1(name), even + 1 + offset);
            ASSERT_TRUE(top && under);
            ASSERT_EQ(top->geometry(), under->geometry());
            QWidget* parent = top->parentWidget();
            const QPoint centre = top->geometry().center();
            QWidget* hit = parent->childAt(centre);
            while (hit && hit->parentWidget() != parent) hit = hit->parentWidget();
            EXPECT_EQ(hit, top);
        }
    }
}

} // namespace
namespace {

// On the source-prompt and music pages the odd row of a "Long" pair lies under the
// even one; the caption on top must look exactly as it does alone.
TEST_F(CapcodeEditorTest, ALongPairsHiddenRowDoesNotShowThroughOnOtherPages) {
    auto picture = [&](const QString& name, int index) {
        QWidget* w = form->control(name, index);
        return w->parentWidget()->grab(w->geometry()).toImage();
    };
    form->select_page(3);
    QApplication::processEvents();
    const QImage shortSource = picture(QStringLiteral("chkSource"), 33);
    const QImage shortMusic = picture(QStringLiteral("lblCapMsc"), 0);

    length(0)->setCurrentIndex(1);
    QApplication::processEvents();
    ASSERT_EQ(form->control(QStringLiteral("chkSource"), 34)->geometry(),
              form->control(QStringLiteral("chkSource"), 33)->geometry());
    EXPECT_EQ(picture(QStringLiteral("chkSource"), 33), shortSource);
    EXPECT_EQ(picture(QStringLiteral("lblCapMsc"), 0), shortMusic);
}

TEST_F(CapcodeEditorTest, TheKeyboardSkipsALongPairsHiddenRowOnOtherPages) {
    auto* prompt0 = form->control(QStringLiteral("txtPrompt"), 33);
    auto* enable1 = form->control(QStringLiteral("chkSource"), 34);
    auto* prompt1 = form->control(QStringLiteral("txtPrompt"), 34);
    form->select_page(3);
    // The default mode "Disable" locks the page; "Backward" opens it.
    form->ctl<QComboBox>(QStringLiteral("cboCtl"), 2)->setCurrentIndex(0);
    auto tab_from = [&](QWidget* w) {
        w->setFocus(Qt::TabFocusReason);
        QTest::keyClick(w, Qt::Key_Tab);
        return QApplication::focusWidget();
    };
    ASSERT_EQ(tab_from(prompt0), enable1); // rows in order while the pair is short

    length(0)->setCurrentIndex(1);
    QWidget* next = tab_from(prompt0);
    EXPECT_NE(next, enable1);
    EXPECT_NE(next, prompt1);

    length(0)->setCurrentIndex(0);
    EXPECT_EQ(tab_from(prompt0), enable1);
}

} // namespace
