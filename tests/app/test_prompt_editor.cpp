// Prompts, source prompts and the display options in a real window.
#include "ctl_eb_slider.h"
#include "default_image.h"
#include "display.h"
#include "display_editor.h"
#include "editor_fixture.h"
#include "prompt_editor.h"
#include "prompts.h"
#include "source_prompt_editor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>

#include <random>

// Readable failure output for texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace qrt58;

namespace {

class PromptEditorTest : public EditorFixture {
protected:
    QLineEdit* prompt(int i) { return form->ctl<QLineEdit>("txtPrompt", i); }
    QCheckBox* check(const char* name, int i) { return form->ctl<QCheckBox>(name, i); }
    QComboBox* list(const char* name, int i = -1) { return form->ctl<QComboBox>(name, i); }
    QComboBox* mode() { return list("cboCtl", 2); }
    void click(const char* name, int i) { form->ctl<QPushButton>(name, i)->click(); }

    // Clicks into the box, replaces its text by typing and, unless told
    // otherwise, clicks on the page area.
    void type(QLineEdit* box, const QString& text, bool then_leave = true) {
        focus(box);
        box->selectAll();
        QTest::keyClicks(box, text);
        if (then_leave) leave();
    }
    std::string chars(int address) const {
        const PagerTable& t = form->image();
        return std::string(reinterpret_cast<const char*>(t.data() + address + 2), t[address + 1]);
    }
    int mode_field() const { return get_bits(form->image(), 0x32, 4, 2); }
    void load(const PagerTable& image) {
        form->image() = image;
        form->image_was_read();
    }
    // Every byte but those set_frame repairs on purpose: the frame map and the
    // enable bits of the slots above the capcode count.
    static void expect_same_except_frame_map(const PagerTable& got, const PagerTable& want) {
        for (int a = 0; a < kImageSize; ++a) {
            if ((a >= 0x92 && a <= 0xAF) || a == 0x72 || a == 0x73) continue;
            ASSERT_EQ(got[a], want[a]) << "byte 0x" << std::hex << a;
        }
    }
};

TEST_F(PromptEditorTest, StartUpShowsEveryDefaultTextUnchanged) {
    EXPECT_EQ(form->image(), build_default_image());
    EXPECT_EQ(prompt(0)->text(), "    VANTOR  ");
    EXPECT_EQ(prompt(1)->text(), "     NO PAGES");
    EXPECT_EQ(prompt(14)->text(), "SLEEP"); // icon prompt, column 3
    EXPECT_EQ(prompt(68)->text(), "      CHARGING");
    EXPECT_EQ(prompt(33)->text(), "        < 1 >");
    EXPECT_EQ(list("cboLng")->currentText(), "English");
    EXPECT_EQ(list("cbologo")->currentText(), "Large Font");
    EXPECT_EQ(list("cboLamp")->currentText(), "10 sec");
    EXPECT_EQ(list("cboBatLev", 0)->currentText(), "2.40V");
    for (const char* name : {"load_chkCtl36_38", "load_cbologo", "load_cboLng", "load_contrast", "read_prompt",
                             "read_SourcePrompt", "read_BatLev", "read_Lamp", "Source_Data", "show_auto_cap_prompt"})
        EXPECT_TRUE(form->has_procedure(name)) << name;
    // The default mode "Disable" locks the source prompts.
    EXPECT_EQ(mode()->currentText(), "Disable");
    EXPECT_FALSE(prompt(33)->isEnabled());
    EXPECT_FALSE(check("chkSource", 33)->isEnabled());
}

TEST_F(PromptEditorTest, EditedPromptIsStoredNormalisedAndKeepsItsAttribute) {
    form->image()[0x114] = 0xA6;
    type(prompt(1), "  ABC  ");
    EXPECT_EQ(form->image()[0x114], 0xA3);
    EXPECT_EQ(chars(0x114), "ABC");
    EXPECT_EQ(prompt(1)->text(), "  ABC");

    // Enter stores and leaves the box, without a line break.
    type(prompt(14), "  ZZ", false);
    QTest::keyClick(prompt(14), Qt::Key_Return);
    EXPECT_FALSE(prompt(14)->hasFocus());
    EXPECT_EQ(form->image()[0x218], 0x45);
    EXPECT_EQ(chars(0x218), "ZZ");
    EXPECT_EQ(prompt(14)->text(), "  ZZ");

    // The record survives a reload of the whole window.
    form->init_ctl();
    EXPECT_EQ(prompt(1)->text(), "  ABC");
}

TEST_F(PromptEditorTest, RefusedTextLeavesTheRecordAndReturnsToTheBox) {
    const PagerTable before = form->image();
    type(prompt(2), "ABCDEFGHIJKLMNOPQRS"); // 19 characters
    EXPECT_EQ(seams.boxes->texts(), QStringList{editors::PromptEditor::kTooLongMessage});
    EXPECT_EQ(form->image(), before);
    EXPECT_TRUE(prompt(2)->hasFocus());
    EXPECT_EQ(prompt(2)->text(), "    UP OR ESCAPE");

    seams.boxes->clear();
    focus(prompt(3)); // no key types it: the text arrives as a paste would
    prompt(3)->setText(QStringLiteral("LOCK \u03A9"));
    leave();
    ASSERT_EQ(seams.boxes->texts().size(), 1);
    EXPECT_TRUE(seams.boxes->texts()[0].contains(QChar(0x03A9)));
    EXPECT_EQ(form->image(), before);

    // Text dropped into a box that does not have the focus is stored at once.
    seams.boxes->clear();
    leave();
    prompt(4)->clear();
    QMimeData mime;
    mime.setText(QStringLiteral("DROPPED"));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(prompt(4), &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(prompt(4), &drop);
    EXPECT_EQ(prompt(4)->text(), "DROPPED");
    EXPECT_EQ(chars(0x150), "DROPPED");
}

TEST_F(PromptEditorTest, AlignmentActsOnTheLogoAndOnTheCurrentSourcePrompt) {
    type(prompt(0), "AB");
    focus(prompt(5)); // the logo's own buttons work on the logo whatever had the focus
    click("optCenter", 1);
    EXPECT_EQ(form->image()[0x100] & 0x0F, 7); // (15 - 2) / 2 spaces + 1
    EXPECT_EQ(prompt(0)->text(), "      AB");
    click("optRight", 0); // current prompt is now the logo
    EXPECT_EQ(prompt(0)->text(), QString(13, ' ') + "AB");

    mode()->setCurrentIndex(1); // "Backward": the source prompts open
    ASSERT_TRUE(prompt(35)->isEnabled());
    focus(prompt(35));
    click("optRight", 2);
    // 16 spaces: 15 in the column, one in the text.
    EXPECT_EQ(form->image()[0x428] & 0x0F, 15);
    EXPECT_EQ(chars(0x428), " < 3 >");
    EXPECT_EQ(prompt(35)->text(), QString(16, ' ') + "< 3 >");
}

TEST_F(PromptEditorTest, ButtonsLeaveAGreyedSourcePromptAlone) {
    mode()->setCurrentIndex(1); // "Backward"
    type(prompt(35), "AB");
    mode()->setCurrentIndex(3); // "Disable": the boxes grey out, prompt 35 stays current
    ASSERT_FALSE(prompt(35)->isEnabled());
    const PagerTable before = form->image();
    for (const auto& [name, set] : {std::pair{"optLeft", 2}, {"optCenter", 2}, {"optRight", 2}, {"optDefault", 1}}) {
        click(name, set);
        EXPECT_EQ(form->image(), before) << name;
    }
}

TEST_F(PromptEditorTest, LargeFontLogoTakesFifteenNewCharactersAndKeepsALongerText) {
    list("cbologo")->setCurrentIndex(list("cbologo")->findText("Small Font"));
    type(prompt(0), "ABCDEFGHIJKLMNOPQR"); // 18
    list("cbologo")->setCurrentIndex(list("cbologo")->findText("Large Font"));
    EXPECT_EQ(prompt(0)->text(), "ABCDEFGHIJKLMNOPQR"); // stays as it is
    focus(prompt(0));
    prompt(0)->end(false);
    QTest::keyClick(prompt(0), Qt::Key_Backspace);
    QTest::keyClicks(prompt(0), "XY");
    EXPECT_EQ(prompt(0)->text(), "ABCDEFGHIJKLMNOPQ"); // shorter, never longer again
    prompt(0)->selectAll();
    QTest::keyClicks(prompt(0), "0123456789ABCDEFGH");
    EXPECT_EQ(prompt(0)->text(), "0123456789ABCDE");
    leave();
}

TEST_F(PromptEditorTest, DefaultButtonsBringBackTheFactoryRecord) {
    const PagerTable factory = build_default_image();
    auto record = [&](const PagerTable& t, int a) {
        return std::vector<std::uint8_t>(t.data() + a, t.data() + a + 20);
    };
    type(prompt(3), "X");
    focus(prompt(3));
    click("optDefault", 0);
    EXPECT_EQ(record(form->image(), 0x13C), record(factory, 0x13C));
    EXPECT_EQ(prompt(3)->text(), "    MESSAGE LOCK");

    // A prompt outside the language block, from the source page's button.
    type(prompt(31), "Y");
    focus(prompt(31));
    click("optDefault", 1);
    EXPECT_EQ(record(form->image(), 0x5C1), record(factory, 0x5C1));
    EXPECT_EQ(form->image(), factory);
}

TEST_F(PromptEditorTest, AutoCapAsksAndFillsTheSourcePrompts) {
    ASSERT_EQ(mode()->count(), 4);
    const PagerTable before = form->image();
    seams.boxes->answers = {false};
    mode()->setCurrentIndex(2);
    ASSERT_EQ(seams.boxes->entries.size(), 1u);
    EXPECT_TRUE(seams.boxes->entries[0].question);
    EXPECT_EQ(seams.boxes->entries[0].text, QString::fromLatin1(editors::SourcePromptEditor::kAutoCapQuestion));
    EXPECT_EQ(form->image(), before);
    EXPECT_EQ(mode()->currentText(), "Disable");

    seams.boxes->answers = {true};
    mode()->setCurrentIndex(2);
    EXPECT_EQ(mode_field(), 2);
    EXPECT_EQ(form->image()[0x400] & 0x0F, 6);
    EXPECT_EQ(chars(0x400), "<1234567>");
    EXPECT_EQ(prompt(33)->text(), "      <1234567>");
    EXPECT_TRUE(prompt(33)->isEnabled());

    // A newly typed capcode follows into its source prompt.
    focus(form->control("txtAddr", 1));
    QTest::keyClicks(form->control("txtAddr", 1), "1000");
    leave();
    EXPECT_EQ(chars(0x414), "<0001000>");
}

TEST_F(PromptEditorTest, MultipleSourcePromptTurnsForwardIntoBackward) {
    mode()->setCurrentIndex(0); // Forward
    EXPECT_EQ(mode_field(), 0);
    check("chkCtl", 43)->setChecked(true);
    EXPECT_EQ(get_bits(form->image(), 0x596, 3, 1), 0);
    EXPECT_EQ(mode_field(), 1);
    EXPECT_EQ(mode()->currentIndex(), 0);
    EXPECT_EQ(mode()->currentText(), "Backward");

    // Now "Auto Cap." is the second item and stores mode 2, "Disable" mode 3.
    seams.boxes->answers = {false};
    mode()->setCurrentIndex(1);
    EXPECT_EQ(mode_field(), 1); // No keeps Backward
    EXPECT_EQ(mode()->currentText(), "Backward");
    mode()->setCurrentIndex(2);
    EXPECT_EQ(mode_field(), 3);
    EXPECT_FALSE(prompt(40)->isEnabled());
    check("chkCtl", 43)->setChecked(false);
    EXPECT_EQ(mode()->currentText(), "Disable");
    EXPECT_EQ(mode_field(), 3);
}

TEST_F(PromptEditorTest, SourceBoxesOfALongPairCarryTheEvenSlot) {
    mode()->setCurrentIndex(1);
    check("chkSource", 34)->setChecked(false);
    EXPECT_EQ(form->image()[0x555], 0);
    EXPECT_FALSE(prompt(34)->isEnabled());
    check("chkSource", 34)->setChecked(true);

    // Switching the pair to "Long" copies the even slot's prompt to the odd one.
    type(prompt(33), "  EVEN");
    form->ctl<QComboBox>("cboCapLen", 0)->setCurrentIndex(1); // pair 0 "Long"
    EXPECT_EQ(chars(0x414), "EVEN");
    EXPECT_EQ(form->image()[0x414] & 0x0F, 2);
    check("chkSource", 33)->setChecked(false);
    EXPECT_EQ(form->image()[0x554], 0);
    EXPECT_EQ(form->image()[0x555], 0);
    check("chkSource", 33)->setChecked(true);
    EXPECT_EQ(form->image()[0x555], 1);

    type(prompt(33), " PAIR");
    EXPECT_EQ(chars(0x400), "PAIR");
    EXPECT_EQ(chars(0x414), "PAIR");
    EXPECT_EQ(form->image()[0x414] & 0x0F, 1);

    // A refused text is reported once and copied nowhere.
    seams.boxes->clear();
    const PagerTable before = form->image();
    type(prompt(33), "ABCDEFGHIJKLMNOPQRS");
    EXPECT_EQ(seams.boxes->texts(), QStringList{editors::PromptEditor::kTooLongMessage});
    EXPECT_EQ(form->image(), before);
    EXPECT_TRUE(prompt(33)->hasFocus());
}

TEST_F(PromptEditorTest, LanguageAndLogoFont) {
    type(prompt(29), "KEPT");
    list("cboLng")->setCurrentIndex(2); // French
    EXPECT_EQ(form->image()[0x3A], 0x46);
    EXPECT_EQ(form->image()[0x3E], 0xF6);
    for (int a = 0x100; a <= 0x343; ++a)
        ASSERT_EQ(form->image()[a], language_table(Language::French)[static_cast<std::size_t>(a - 0x100)]);
    EXPECT_EQ(prompt(1)->text(), "   PAS DE MESSAGE");
    EXPECT_EQ(chars(0x598), "KEPT");

    QLineEdit* logo = prompt(0);
    auto* measure = form->ctl<QLabel>("lblLogo");
    const int large_width = logo->width();
    EXPECT_TRUE(logo->font().bold());
    form->image()[0x3F] = 0x70;
    list("cbologo")->setCurrentIndex(1); // Small Font
    EXPECT_EQ(form->image()[0x3F], 0x72);
    EXPECT_FALSE(logo->font().bold());
    EXPECT_EQ(logo->maxLength(), 20);
    EXPECT_EQ(measure->text(), QString(21, ' '));
    EXPECT_GT(logo->width(), large_width);
    EXPECT_EQ(logo->width(), measure->width());
    form->layout_controls(); // the proportional layout keeps the measured width
    EXPECT_EQ(logo->width(), measure->width());
    // Twenty characters fit the box but not the record.
    type(logo, "12345678901234567890", false);
    EXPECT_EQ(logo->text(), "12345678901234567890");
    leave();
    EXPECT_EQ(seams.boxes->texts(), QStringList{editors::PromptEditor::kTooLongMessage});
    EXPECT_EQ(chars(0x100), "VANTOR  ");
    type(logo, " 123456789012345678");
    EXPECT_EQ(form->image()[0x100] & 0x0F, 2);
    EXPECT_EQ(chars(0x100), "123456789012345678");
}

TEST_F(PromptEditorTest, ContrastLoadsWithoutWritingAndFollowsTheSlider) {
    PagerTable image = build_default_image();
    image[kContrastAddress] = 12;
    load(image);
    auto* slider = form->ctl<widgets::ctlEBSlider>("Slider1");
    auto* sample = form->ctl<QLabel>("lblContrast");
    EXPECT_EQ(slider->Value(), 4);
    EXPECT_EQ(form->image()[kContrastAddress], 12);
    EXPECT_EQ(form->ctl<QLabel>("lblValue")->text(), "4");
    EXPECT_EQ(sample->palette().color(QPalette::WindowText), QColor(20, 20, 20));

    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(slider->width() - 1, slider->height() / 2));
    EXPECT_EQ(form->image()[kContrastAddress], 8);
    EXPECT_EQ(form->ctl<QLabel>("lblValue")->text(), "8");
    EXPECT_EQ(sample->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(0, slider->height() / 2));
    EXPECT_EQ(form->image()[kContrastAddress], 1);
    EXPECT_EQ(sample->palette().color(QPalette::WindowText), QColor(70, 70, 70));
}

TEST_F(PromptEditorTest, BatteryWarningLampAndKeyLamp) {
    list("cboBatLev", 0)->setCurrentIndex(4); // Low "2.55V" while Med is "2.55V"
    EXPECT_EQ(form->image()[0x3B2], 217);
    ASSERT_EQ(seams.boxes->entries.size(), 1u);
    EXPECT_EQ(seams.boxes->entries[0].text, editors::DisplayEditor::kBatteryOrderMessage);
    EXPECT_EQ(seams.boxes->entries[0].icon, MessageIcon::Error);
    list("cboBatLev", 0)->setCurrentIndex(9); // "2.40V": in order again
    EXPECT_EQ(form->image()[0x3B2], 204);
    EXPECT_EQ(seams.boxes->entries.size(), 1u);

    list("cboLamp")->setCurrentIndex(2);
    EXPECT_EQ(form->image()[kLampAddress], 86);

    auto shown = [this](int i) {
        QWidget* w = form->control("chkCtl", i);
        return w->isVisibleTo(w->parentWidget());
    };
    EXPECT_FALSE(shown(36));
    EXPECT_FALSE(shown(38));
    check("chkCtl", 37)->setChecked(true);
    EXPECT_EQ(get_bits(form->image(), 0x36, 7, 1), 0);
    EXPECT_EQ(form->image()[0x3B0], 16);
    EXPECT_TRUE(shown(36));
    EXPECT_TRUE(shown(38));
    check("chkCtl", 37)->setChecked(false);
    EXPECT_EQ(form->image()[0x3B0], 32);
    EXPECT_FALSE(shown(36));
    EXPECT_FALSE(shown(38));
}

TEST_F(PromptEditorTest, LoadingOddValuesShowsThemWithoutWriting) {
    PagerTable image = build_default_image();
    image[kContrastAddress] = 0;
    image[0x3F] = 0x35; // logo font with no item
    image[0x3E] = 0xF6; // French code, English texts: no table copy
    image[0x3A] = 0x49;
    image[kLampAddress] = 50; // no lamp item
    image[0x3B2] = 1;         // no battery item
    image[0x3B4] = 199;
    image[0x554] = 2;    // enable byte that is no 0 or 1
    image[0x218] = 0x41; // icon prompt with column 1
    image[0x115] = 30;   // length past the record
    image[0x401] = 0;    // empty source prompt
    image[0x32] = 0x0E;  // mode Forward ...
    image[0x596] = 0xF7; // ... with several source prompts
    load(image);
    expect_same_except_frame_map(form->image(), image);
    EXPECT_EQ(list("cboLng")->currentText(), "French");
    EXPECT_EQ(prompt(1)->text(), "     NO PAGES" + QString(10, ' ')); // the record's 18 characters
    EXPECT_EQ(list("cbologo")->currentIndex(), -1);
    EXPECT_EQ(list("cboLamp")->currentIndex(), -1);
    EXPECT_EQ(list("cboBatLev", 0)->currentIndex(), -1);
    EXPECT_EQ(list("cboBatLev", 1)->currentText(), "2.55V");
    EXPECT_EQ(list("cboBatLev", 2)->currentIndex(), -1);
    EXPECT_EQ(mode()->currentIndex(), -1);
    EXPECT_EQ(prompt(14)->text(), "SLEEP");
    EXPECT_EQ(form->ctl<widgets::ctlEBSlider>("Slider1")->Value(), 1);
    EXPECT_TRUE(seams.boxes->texts().isEmpty());

    for (unsigned seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        PagerTable noise;
        for (auto& b : noise.bytes) b = static_cast<std::uint8_t>(rng());
        load(noise);
        expect_same_except_frame_map(form->image(), noise);
    }
    EXPECT_TRUE(seams.boxes->texts().isEmpty());
}

} // namespace
