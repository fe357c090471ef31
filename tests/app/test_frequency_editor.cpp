// The frequency frame in a real window: typing, Enter, leaving the box, the range
// list and the messages.
#include "default_image.h"
#include "editor_fixture.h"
#include "frequency.h"
#include "table_file.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

using namespace qrt58;

namespace {

class FrequencyEditorTest : public EditorFixture {
protected:
    QLineEdit* box() { return form->ctl<QLineEdit>("txtFreq"); }
    QComboBox* ranges() { return form->ctl<QComboBox>("cboDft"); }
    QString label(const char* name) { return form->ctl<QLabel>(name)->text(); }

    // Clicks into the box and types, as the user does.
    void type(const QString& text) {
        focus(box());
        QTest::keyClicks(box(), text);
    }
    void enter() { QTest::keyClick(box(), Qt::Key_Return); }

    bool synth_is_preset(int preset) const {
        const RangePreset& p = range_presets()[static_cast<std::size_t>(preset)];
        for (int i = 0; i < 16; ++i)
            if (form->image()[i] != p.synth[static_cast<std::size_t>(i)]) return false;
        for (int i = 0; i < 4; ++i)
            if (form->image()[0xF0 + i] != p.freq[static_cast<std::size_t>(i)]) return false;
        return true;
    }
};

} // namespace

TEST_F(FrequencyEditorTest, EnterStoresAnOffsetFrequencyAndSwapsThePreset) {
    EXPECT_EQ(ranges()->currentText(), "130-180MHz");
    EXPECT_EQ(box()->text(), "1530000");
    EXPECT_EQ(label("lblPLLN"), "B4A0");
    type("1530125");
    enter();
    EXPECT_TRUE(seams.boxes->entries.empty()) << seams.boxes->texts().join("|").toStdString();
    EXPECT_EQ(form->image().get_u32(0xF4), 0x0017590Du);
    EXPECT_TRUE(synth_is_preset(1));
    EXPECT_EQ(box()->text(), "1530125");
    EXPECT_FALSE(box()->hasFocus());
    EXPECT_EQ(label("lblPLLN"), "9084");
    EXPECT_EQ(label("lblPLLR"), "2001");
    EXPECT_EQ(label("lblINCD"), "8");
    EXPECT_EQ(label("lblBfreq"), "1370125");
    EXPECT_EQ(label("lblCHANNEL"), "25KHz");
    // Back on the 5 kHz raster by leaving the box instead of Enter.
    type("1370000");
    leave();
    EXPECT_TRUE(synth_is_preset(0));
    EXPECT_EQ(form->image().get_u32(0xF4), 1370000u);
    EXPECT_EQ(label("lblPLLN"), "B4A0");
}

TEST_F(FrequencyEditorTest, RejectedEntriesWarnKeepTheImageAndTakeTheFocusBack) {
    struct Case {
        const char* text;
        bool by_enter;
        const char* message;
    };
    const Case cases[] = {
        {"1290000", true, "Frequency setting error(1300000 < = Frequency < =1800000 )"},
        {"1530000.4", false, "Channel Spacing Error!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const PagerTable before = form->image();
        seams.boxes->clear();
        type(c.text);
        if (c.by_enter) enter();
        else leave();
        ASSERT_EQ(seams.boxes->entries.size(), 1u);
        EXPECT_EQ(seams.boxes->entries[0].text, c.message);
        EXPECT_EQ(seams.boxes->entries[0].icon, MessageIcon::Warning);
        EXPECT_EQ(form->image(), before);
        EXPECT_TRUE(form->entryErrorPending);
        EXPECT_TRUE(box()->hasFocus());
        EXPECT_EQ(box()->text(), "");
        // The next key clears the pending error; leaving the box empty restores.
        QTest::keyClick(box(), Qt::Key_1);
        EXPECT_FALSE(form->entryErrorPending);
        box()->clear();
        leave();
        EXPECT_EQ(box()->text(), "1530000");
    }
}

TEST_F(FrequencyEditorTest, FocusEmptiesTheBoxAndLeavingItEmptyRestores) {
    focus(box());
    EXPECT_EQ(box()->text(), "");
    leave();
    EXPECT_EQ(box()->text(), "1530000");
    // Emptied by the user (typed, then erased): restored the same way.
    type(QStringLiteral("9"));
    QTest::keyClick(box(), Qt::Key_Backspace);
    form->entryErrorPending = true;
    leave();
    EXPECT_FALSE(form->entryErrorPending);
    EXPECT_EQ(box()->text(), "1530000");
    EXPECT_TRUE(seams.boxes->entries.empty());
}

TEST_F(FrequencyEditorTest, NonNumericKeyIsRefusedAtOnce) {
    const PagerTable before = form->image();
    type("15a");
    ASSERT_EQ(seams.boxes->texts(), QStringList{"Please insert a decimal numeric!"});
    EXPECT_EQ(seams.boxes->entries[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(box()->hasFocus());
    EXPECT_EQ(box()->text(), "");
    EXPECT_EQ(form->image(), before);
    // Text that came in without a key (pasted with the mouse) is refused on leaving.
    seams.boxes->clear();
    box()->setText("&H1758A0");
    leave();
    EXPECT_EQ(seams.boxes->texts(), QStringList{"Please insert a decimal numeric!"});
    EXPECT_EQ(form->image(), before);
    EXPECT_TRUE(box()->hasFocus());
}

TEST_F(FrequencyEditorTest, RejectedEntryCancelsThePagerCommand) {
    int transfers = 0;
    Form1::BoardHooks hooks;
    hooks.show_transfer = [&](int) { ++transfers; };
    form->set_board_hooks(hooks);
    type("1530030");
    form->pager_command(1); // the menu moves the focus away, which validates
    EXPECT_EQ(seams.boxes->texts(), QStringList{"Channel Spacing Error!"});
    EXPECT_EQ(transfers, 0);
    EXPECT_FALSE(form->entryErrorPending);
    // A good entry lets the command through.
    type("1530050");
    form->pager_command(1);
    EXPECT_EQ(transfers, 1);
    EXPECT_EQ(form->image().get_u32(0xF4), 1530050u);
}

TEST_F(FrequencyEditorTest, ChoosingARangeAppliesItsPreset) {
    ranges()->setCurrentIndex(1);
    EXPECT_TRUE(synth_is_preset(2));
    EXPECT_EQ(form->image().get_u32(0xF4), 4540000u);
    EXPECT_EQ(box()->text(), "4540000");
    EXPECT_EQ(label("lblPLLN"), "10BE0");
    EXPECT_EQ(label("lblBfreq"), "4500000");
    type("4540125");
    enter();
    EXPECT_TRUE(synth_is_preset(3));
    EXPECT_EQ(label("lblPLLN"), "10BE2");
    // Choosing the entry that is already selected applies its preset again.
    QCoreApplication::processEvents(); // the user's choice is a later event
    emit ranges()->activated(1);
    EXPECT_TRUE(synth_is_preset(2));
    EXPECT_EQ(box()->text(), "4540000");

    ranges()->setCurrentIndex(2);
    type("9290125");
    enter();
    EXPECT_EQ(form->image().get_u32(0xF4), 9290125u);
    type("9290000");
    enter();
    EXPECT_EQ(seams.boxes->texts(), QStringList{"Channel Spacing Error!"});
    EXPECT_EQ(form->image().get_u32(0xF4), 9290125u);
}

TEST_F(FrequencyEditorTest, SuppressedClickOnlyClearsTheFlag) {
    const PagerTable before = form->image();
    form->suppressClick = true;
    ranges()->setCurrentIndex(2);
    EXPECT_FALSE(form->suppressClick);
    EXPECT_EQ(form->image(), before);
}

TEST_F(FrequencyEditorTest, OpeningAFileSelectsItsRange) {
    QTemporaryDir dir;
    PagerTable range2 = build_default_image();
    apply_range_preset(range2, 4);
    const QString path2 = dir.filePath("range2.tbl");
    ASSERT_TRUE(save_table_file(path2, range2).ok);
    PagerTable odd = build_default_image();
    odd[0xF1] = 0x2C; // no range has this nibble
    odd.set_u32(0xF4, 1234567);
    const QString path_odd = dir.filePath("odd.tbl");
    ASSERT_TRUE(save_table_file(path_odd, odd).ok);

    seams.dialogs->answers = {path2};
    form->mnuLBFF_Click();
    EXPECT_EQ(ranges()->currentIndex(), 2);
    EXPECT_EQ(form->image(), range2); // selecting the range changed nothing
    EXPECT_EQ(box()->text(), "9310125");
    EXPECT_EQ(label("lblPLLN"), "236A2");
    EXPECT_FALSE(form->suppressClick);

    seams.dialogs->answers = {path_odd};
    form->mnuLBFF_Click();
    EXPECT_EQ(ranges()->currentIndex(), 2);
    EXPECT_EQ(form->image(), odd);
    EXPECT_EQ(box()->text(), "1234567");
}

namespace {

// A message box as a desktop shows it: it takes the activation from the window
// while it is up, and the window gets it back only after the box has gone.
class ActivatingBoxes : public RecordingMessageBoxes {
public:
    void show(QWidget* parent, const QString& text, MessageIcon icon) override {
        RecordingMessageBoxes::show(parent, text, icon);
        box.show();
        QApplication::setActiveWindow(&box);
        box.hide();
    }
    QWidget box;
};

} // namespace

TEST_F(FrequencyEditorTest, EntryIsCheckedAgainAfterTheWindowComesBackFromAMessage) {
    auto owned = std::make_unique<ActivatingBoxes>();
    ActivatingBoxes* boxes = owned.get();
    install_message_boxes(std::move(owned));
    seams.boxes = boxes;
    for (int round = 1; round <= 2; ++round) {
        type("1530030");
        leave();
        ASSERT_EQ(boxes->entries.size(), static_cast<std::size_t>(round));
        QApplication::setActiveWindow(form.get());
        EXPECT_TRUE(box()->hasFocus());
        EXPECT_EQ(box()->text(), "");
    }
    type("1530125");
    enter();
    EXPECT_EQ(form->image().get_u32(0xF4), 1530125u);
}

TEST_F(FrequencyEditorTest, AReadImageSelectsItsRangeAndShowsItsFrequency) {
    apply_range_preset(form->image(), 2); // as a receiver on 400-499MHz returns it
    form->image().set_u32(0xF4, 4540125);
    const PagerTable read = form->image();
    form->image_was_read();
    EXPECT_EQ(ranges()->currentIndex(), 1);
    EXPECT_EQ(form->image(), read);
    EXPECT_EQ(box()->text(), "4540125");
    EXPECT_EQ(label("lblPLLN"), "10BE0");
    EXPECT_FALSE(form->suppressClick);
}

TEST_F(FrequencyEditorTest, TappingAltForTheMenuBarLeavesTheEntryAsTyped) {
    const PagerTable before = form->image();
    type("1530125");
    // Alt alone puts the menu bar into keyboard mode; Escape gives the focus back.
    QWidget* bar = form->menuBar();
    bar->setFocus(Qt::MenuBarFocusReason);
    box()->setFocus(Qt::MenuBarFocusReason);
    EXPECT_TRUE(seams.boxes->entries.empty());
    EXPECT_EQ(form->image(), before);
    EXPECT_EQ(box()->text(), "1530125");
    // Leaving the box still checks and stores it.
    enter();
    EXPECT_EQ(form->image().get_u32(0xF4), 1530125u);
}
